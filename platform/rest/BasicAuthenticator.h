#pragma once
// HTTP Basic authentication: "Authorization: Basic <base64(user ":" password)>", the user name
// and password taken as UTF-8 bytes.
#include <string>

namespace bramble::rest {

class BasicAuthenticator {
 public:
  BasicAuthenticator() = default;
  BasicAuthenticator(std::string AUsername, std::string APassword)
      : Username(std::move(AUsername)), Password(std::move(APassword)) {}

  std::string Username;
  std::string Password;

  // The value of the Authorization header: "Basic " and the encoded credentials.
  std::string AuthorizationValue() const;
};

// Standard base64 (RFC 4648 alphabet, "=" padding) of the bytes of Data.
std::string Base64Encode(const std::string& Data);

}  // namespace bramble::rest
