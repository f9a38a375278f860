#pragma once
// A tiny HTTP/1.1 client over a plain socket for the server tests: it sends exactly the bytes
// it is given and reads until the server closes, so limits and timeouts can be probed.
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/http/Headers.h"

namespace bramble::testing {

struct HttpReply {
  int status = 0;
  http::Fields headers;
  std::string body;
};

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// Sends `raw` to 127.0.0.1:`port` and returns everything received until the server closes
// the connection (or `timeout` passes).
std::string Exchange(std::uint16_t port, const std::string& raw,
                     std::chrono::milliseconds timeout = std::chrono::seconds(10));
// Splits a raw response into status, headers and body.
HttpReply ParseReply(const std::string& raw);
// One request with a Host header, the given headers and body (with its Content-Length).
HttpReply Fetch(std::uint16_t port, const std::string& method, const std::string& target,
                const HeaderList& headers = {}, const std::string& body = {});

// A socket kept open by the test, for probing what the server does with a silent client.
class RawConnection {
 public:
  explicit RawConnection(std::uint16_t port);
  ~RawConnection();
  void Send(const std::string& bytes);
  // Reads until the server closes; returns what arrived. Fails the wait after `timeout`.
  std::string ReadUntilClosed(std::chrono::milliseconds timeout, bool* closed);

 private:
  int fd_ = -1;
};

// A TCP port on 0.0.0.0 that was free a moment ago.
std::uint16_t FreePort();
// True when nothing listens on 0.0.0.0:`port` right now.
bool PortIsFree(std::uint16_t port);

std::string BasicCredentials(const std::string& user, const std::string& password);

}  // namespace bramble::testing
