#pragma once
// The REST client: what every request bound to it shares — base address, authenticator,
// proxy, user agent, fallback charset and whether 5xx answers raise.
#include <cstdint>
#include <string>

namespace bramble::rest {

class BasicAuthenticator;

struct ProxySettings {
  std::string Server;  // host name or address; "" sends directly
  std::string Username;
  std::string Password;
  std::int32_t Port = 0;  // 0: the port in Server, or the scheme's default
};

class Client {
 public:
  // The default user agent sent by every request.
  static constexpr const char* kDefaultUserAgent = "RESTClient/1.0";

  std::string BaseURL;
  // Not owned; nullptr sends no credentials.
  BasicAuthenticator* Authenticator = nullptr;
  ProxySettings Proxy;
  std::string UserAgent = kDefaultUserAgent;
  // Charset for decoding an answer whose Content-Type names none ("" means UTF-8).
  std::string FallbackCharsetEncoding;
  // When set, an answer with status 500 or above raises bramble::Exception after the response
  // has been filled.
  bool RaiseExceptionOn500 = true;
  // Kept for callers; requests always notify on the thread that executes them.
  bool SynchronizedEvents = true;
};

}  // namespace bramble::rest
