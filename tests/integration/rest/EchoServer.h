#pragma once
// A small blocking HTTP/1.1 server on 127.0.0.1 (ephemeral port) for the client tests. It
// records every request it receives and answers each through a handler, one connection at a
// time, closing the connection after the answer.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bramble::testing {

struct Received {
  std::string Method;
  std::string Target;  // request target as sent ("/a/b?x=1", or absolute through a proxy)
  std::vector<std::pair<std::string, std::string>> Headers;
  std::string Body;

  // Value of the first header of that name (ASCII case ignored); "" when absent.
  std::string Header(const std::string& Name) const;
  bool HasHeader(const std::string& Name) const;
  std::string Path() const;   // Target up to "?"
  std::string Query() const;  // Target after "?"
};

// Raw bytes that the server writes back (status line, headers and body).
using Handler = std::function<std::string(const Received&)>;

// "HTTP/1.1 <Status>" with the given extra header lines, Content-Length and body.
std::string Answer(const std::string& Status, const std::string& Body,
                   const std::vector<std::string>& HeaderLines = {});

class EchoServer {
 public:
  // Answers 200 with a text/plain body "ok" unless a handler is given.
  explicit EchoServer(Handler AHandler = {});
  ~EchoServer();
  EchoServer(const EchoServer&) = delete;
  EchoServer& operator=(const EchoServer&) = delete;

  int Port() const { return FPort; }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(FPort); }
  std::vector<Received> Requests() const;
  Received Last() const;

 private:
  void Serve();
  void ServeOne(int Socket);

  Handler FHandler;
  int FListen = -1;
  int FPort = 0;
  std::atomic<bool> FStop{false};
  mutable std::mutex FLock;
  std::vector<Received> FRequests;
  std::thread FThread;
};

// A port on 127.0.0.1 that refuses connections for as long as the object lives (the socket
// is bound but never listens).
class RefusingPort {
 public:
  RefusingPort();
  ~RefusingPort();
  int Port() const { return FPort; }

 private:
  int FSocket = -1;
  int FPort = 0;
};

}  // namespace bramble::testing
