#include "tests/integration/rest/EchoServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "platform/core/AsciiCase.h"

namespace bramble::testing {

namespace {

constexpr std::size_t kMaxRequestBytes = 16 * 1024 * 1024;

int BoundSocket(int& Port) {
  int S = ::socket(AF_INET, SOCK_STREAM, 0);
  if (S < 0) throw std::runtime_error("socket failed");
  sockaddr_in Addr{};
  Addr.sin_family = AF_INET;
  Addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  Addr.sin_port = 0;
  if (::bind(S, reinterpret_cast<sockaddr*>(&Addr), sizeof Addr) != 0)
    throw std::runtime_error("bind failed");
  socklen_t Len = sizeof Addr;
  ::getsockname(S, reinterpret_cast<sockaddr*>(&Addr), &Len);
  Port = ntohs(Addr.sin_port);
  return S;
}

void WriteAll(int Socket, const std::string& Data) {
  std::size_t Sent = 0;
  while (Sent < Data.size()) {
    ssize_t N = ::send(Socket, Data.data() + Sent, Data.size() - Sent, MSG_NOSIGNAL);
    if (N <= 0) return;
    Sent += static_cast<std::size_t>(N);
  }
}

}  // namespace

std::string Received::Header(const std::string& Name) const {
  for (const auto& [N, V] : Headers)
    if (EqualsIgnoringCase(N, Name)) return V;
  return "";
}

bool Received::HasHeader(const std::string& Name) const {
  for (const auto& [N, V] : Headers)
    if (EqualsIgnoringCase(N, Name)) return true;
  return false;
}

std::string Received::Path() const {
  return Target.substr(0, Target.find('?'));
}

std::string Received::Query() const {
  std::size_t Q = Target.find('?');
  return Q == std::string::npos ? "" : Target.substr(Q + 1);
}

std::string Answer(const std::string& Status, const std::string& Body,
                   const std::vector<std::string>& HeaderLines) {
  std::string Out = "HTTP/1.1 " + Status + "\r\n";
  for (const std::string& Line : HeaderLines) Out += Line + "\r\n";
  Out += "Content-Length: " + std::to_string(Body.size()) + "\r\nConnection: close\r\n\r\n";
  return Out + Body;
}

EchoServer::EchoServer(Handler AHandler) : FHandler(std::move(AHandler)) {
  if (!FHandler)
    FHandler = [](const Received&) { return Answer("200 OK", "ok", {"Content-Type: text/plain"}); };
  FListen = BoundSocket(FPort);
  if (::listen(FListen, 16) != 0) throw std::runtime_error("listen failed");
  FThread = std::thread([this] { Serve(); });
}

EchoServer::~EchoServer() {
  FStop = true;
  FThread.join();
  ::close(FListen);
}

std::vector<Received> EchoServer::Requests() const {
  std::lock_guard<std::mutex> Guard(FLock);
  return FRequests;
}

Received EchoServer::Last() const {
  std::lock_guard<std::mutex> Guard(FLock);
  return FRequests.empty() ? Received{} : FRequests.back();
}

void EchoServer::Serve() {
  while (!FStop) {
    pollfd P{FListen, POLLIN, 0};
    if (::poll(&P, 1, 50) <= 0) continue;
    int Socket = ::accept(FListen, nullptr, nullptr);
    if (Socket < 0) continue;
    ServeOne(Socket);
    ::close(Socket);
  }
}

void EchoServer::ServeOne(int Socket) {
  std::string Data;
  char Buffer[8192];
  std::size_t HeaderEnd = std::string::npos;
  while (HeaderEnd == std::string::npos && Data.size() < kMaxRequestBytes) {
    ssize_t N = ::recv(Socket, Buffer, sizeof Buffer, 0);
    if (N <= 0) return;
    Data.append(Buffer, static_cast<std::size_t>(N));
    HeaderEnd = Data.find("\r\n\r\n");
  }
  if (HeaderEnd == std::string::npos) return;

  Received R;
  std::string Head = Data.substr(0, HeaderEnd);
  std::size_t LineEnd = Head.find("\r\n");
  std::string RequestLine = Head.substr(0, LineEnd);
  std::size_t S1 = RequestLine.find(' ');
  std::size_t S2 = RequestLine.rfind(' ');
  R.Method = RequestLine.substr(0, S1);
  R.Target = RequestLine.substr(S1 + 1, S2 - S1 - 1);
  std::size_t Pos = LineEnd == std::string::npos ? Head.size() : LineEnd + 2;
  while (Pos < Head.size()) {
    std::size_t End = Head.find("\r\n", Pos);
    if (End == std::string::npos) End = Head.size();
    std::string Line = Head.substr(Pos, End - Pos);
    std::size_t Colon = Line.find(':');
    if (Colon != std::string::npos) {
      std::size_t V = Line.find_first_not_of(' ', Colon + 1);
      R.Headers.emplace_back(Line.substr(0, Colon), V == std::string::npos ? "" : Line.substr(V));
    }
    Pos = End + 2;
  }
  std::size_t Length = 0;
  if (R.HasHeader("Content-Length")) Length = std::stoul(R.Header("Content-Length"));
  if (Length > kMaxRequestBytes) return;
  R.Body = Data.substr(HeaderEnd + 4);
  while (R.Body.size() < Length) {
    ssize_t N = ::recv(Socket, Buffer, sizeof Buffer, 0);
    if (N <= 0) break;
    R.Body.append(Buffer, static_cast<std::size_t>(N));
  }
  {
    std::lock_guard<std::mutex> Guard(FLock);
    FRequests.push_back(R);
  }
  WriteAll(Socket, FHandler(R));
  ::shutdown(Socket, SHUT_WR);
  // Let the client read everything before the socket closes.
  pollfd P{Socket, POLLIN, 0};
  ::poll(&P, 1, 1000);
}

RefusingPort::RefusingPort() {
  FSocket = BoundSocket(FPort);
}
RefusingPort::~RefusingPort() {
  ::close(FSocket);
}

}  // namespace bramble::testing
