#include "tests/integration/http/HttpTestClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "platform/core/Base64.h"

namespace bramble::testing {

namespace {

int Connect(std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    throw std::runtime_error("connect failed");
  }
  return fd;
}

void SendAll(int fd, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const auto n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;  // the server may close early (limits); the reply tells the story
    sent += static_cast<std::size_t>(n);
  }
}

std::string ReadAll(int fd, std::chrono::milliseconds timeout, bool* closed) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::string out;
  char buffer[16384];
  if (closed) *closed = false;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return out;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return out;
    const auto n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) {
      if (closed) *closed = true;
      return out;
    }
    out.append(buffer, static_cast<std::size_t>(n));
  }
}

}  // namespace

std::string Exchange(std::uint16_t port, const std::string& raw,
                     std::chrono::milliseconds timeout) {
  RawConnection connection(port);
  connection.Send(raw);
  return connection.ReadUntilClosed(timeout, nullptr);
}

HttpReply ParseReply(const std::string& raw) {
  HttpReply reply;
  const auto headEnd = raw.find("\r\n\r\n");
  if (raw.rfind("HTTP/1.1 ", 0) != 0 || headEnd == std::string::npos) return reply;
  reply.status = std::stoi(raw.substr(9, 3));
  std::size_t line = raw.find("\r\n") + 2;
  while (line < headEnd) {
    const auto end = raw.find("\r\n", line);
    const std::string header = raw.substr(line, end - line);
    const auto colon = header.find(':');
    reply.headers.Add(header.substr(0, colon), http::Trim(header.substr(colon + 1)));
    line = end + 2;
  }
  reply.body = raw.substr(headEnd + 4);
  return reply;
}

HttpReply Fetch(std::uint16_t port, const std::string& method, const std::string& target,
                const HeaderList& headers, const std::string& body) {
  std::string raw = method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  for (const auto& [name, value] : headers) raw += name + ": " + value + "\r\n";
  if (!body.empty() || method == "POST")
    raw += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  raw += "\r\n" + body;
  return ParseReply(Exchange(port, raw));
}

RawConnection::RawConnection(std::uint16_t port) : fd_(Connect(port)) {}
RawConnection::~RawConnection() {
  ::close(fd_);
}
void RawConnection::Send(const std::string& bytes) {
  SendAll(fd_, bytes);
}
std::string RawConnection::ReadUntilClosed(std::chrono::milliseconds timeout, bool* closed) {
  return ReadAll(fd_, timeout, closed);
}

bool PortIsFree(std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  // Like the server: connections of an earlier run in TIME_WAIT do not block the port.
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  const bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return free;
}

std::uint16_t FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

std::string BasicCredentials(const std::string& user, const std::string& password) {
  return "Basic " + bramble::Base64Encode(user + ":" + password);
}

}  // namespace bramble::testing
