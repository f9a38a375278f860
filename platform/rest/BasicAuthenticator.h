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

}  // namespace bramble::rest
