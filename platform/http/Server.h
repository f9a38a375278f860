#pragma once
// A small HTTP/1.1 server: one request per connection, each connection on its own thread,
// the request run through a Pipeline (stages, then routes), then the connection closed.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/core/Exception.h"
#include "platform/http/Pipeline.h"

namespace bramble::http {

inline constexpr int kDefaultBacklog = 15;
inline constexpr std::size_t kDefaultMaxInProgress = 32;
// A connection that has not delivered a complete request by then is closed.
inline constexpr std::chrono::milliseconds kDefaultReadTimeout{30'000};
// A response that makes no progress for this long is abandoned and the connection closed.
inline constexpr std::chrono::milliseconds kDefaultWriteTimeout{30'000};
inline constexpr std::size_t kDefaultBodyLimit = 64u << 20;    // larger bodies: 413
inline constexpr std::size_t kDefaultHeaderLimit = 64u << 10;  // larger headers: 431

// The text with which a request beyond the limit of requests in progress is refused (500).
inline constexpr const char* kTooManyRequestsText =
    "Maximum number of concurrent connections exceeded.  Please try again later";

struct ServerOptions {
  std::string address = "0.0.0.0";  // IPv4 address to listen on
  std::uint16_t port = 0;           // 0: any free port (read it back with Server::Port)
  int backlog = kDefaultBacklog;
  std::size_t maxInProgress = kDefaultMaxInProgress;
  std::chrono::milliseconds readTimeout = kDefaultReadTimeout;
  std::chrono::milliseconds writeTimeout = kDefaultWriteTimeout;
  std::size_t bodyLimit = kDefaultBodyLimit;
  std::size_t headerLimit = kDefaultHeaderLimit;
};

// Listening could not start (address invalid, port taken, ...).
class ListenError : public Exception {
 public:
  using Exception::Exception;
};

class Server {
 public:
  Server();
  ~Server();  // stops the server
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Stages and routes are set up before Start and only read afterwards.
  Server& Use(Stage stage);
  Server& AddRoute(std::string method, std::string path, Handler handler);
  Server& Get(std::string path, Handler handler);
  Server& Post(std::string path, Handler handler);
  Server& Put(std::string path, Handler handler);
  Server& Patch(std::string path, Handler handler);
  Server& Delete(std::string path, Handler handler);

  // Binds and starts listening, calls `onListen` once listening has started, then accepts
  // connections on a thread of its own and returns. Throws ListenError when binding fails.
  void Start(const ServerOptions& options, const std::function<void()>& onListen = {});
  // The port actually bound (useful after listening on port 0); 0 before Start.
  std::uint16_t Port() const;
  // Blocks until Stop is called from another thread.
  void Wait();
  // Stops accepting, waits for the requests in progress to finish and returns. Idempotent.
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace bramble::http
