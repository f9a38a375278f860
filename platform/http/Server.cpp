#include "platform/http/Server.h"

#include "platform/http/BeastInclude.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <iterator>
#include <mutex>
#include <thread>

namespace bramble::http {

namespace beast = boost::beast;
namespace bhttp = boost::beast::http;
namespace asio = boost::asio;
using tcp = asio::ip::tcp;

namespace {

// Connections refused for being beyond the limit still get their answer on a thread of their
// own; beyond this many such threads a connection is closed without an answer.
constexpr std::size_t kMaxRefusingThreads = 32;
// After an error answer sent before the request was read whole, unread bytes are drained for
// a short while so that closing does not reset the connection before the client reads it.
constexpr std::chrono::milliseconds kLingerTime{500};
constexpr std::size_t kLingerBytes = 1u << 20;
constexpr std::size_t kLingerChunk = 16u << 10;
// Pause after a failed accept (e.g. out of file descriptors) so the loop does not spin.
constexpr std::chrono::milliseconds kAcceptRetryDelay{10};

using StringResponse = bhttp::response<bhttp::string_body>;

// A header value cannot carry a line break: it would end the header and let the rest of the
// value pose as further headers or a body.
std::string OneLine(std::string_view value) {
  std::string line(value);
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return line;
}

// Runs one asynchronous operation on the connection's own context to completion.
void RunOnce(asio::io_context& ioc) {
  ioc.restart();
  ioc.run();
}

class Connection {
 public:
  Connection(asio::io_context& ioc, tcp::socket socket, const ServerOptions& options)
      : ioc_(ioc), stream_(std::move(socket)), options_(options) {}

  // Reads one request; false (with nothing to answer) when the client went away, timed out
  // or sent something that is no HTTP request. Size limits are answered here.
  bool Read() {
    parser_.header_limit(options_.headerLimit);
    parser_.body_limit(options_.bodyLimit);
    stream_.expires_after(options_.readTimeout);
    beast::error_code ec;
    bhttp::async_read_header(stream_, buffer_, parser_,
                             [&](beast::error_code e, std::size_t) { ec = e; });
    RunOnce(ioc_);
    if (!ec && !parser_.is_done()) {
      const auto expect = parser_.get()[bhttp::field::expect];
      if (EqualsIgnoringCase(std::string_view(expect.data(), expect.size()), "100-continue")) {
        ec = WriteInterim();
      }
      if (!ec) {
        bhttp::async_read(stream_, buffer_, parser_,
                          [&](beast::error_code e, std::size_t) { ec = e; });
        RunOnce(ioc_);
      }
    }
    if (!ec) return true;
    if (ec == bhttp::error::body_limit) {
      AnswerAndLinger(413, "Payload Too Large");
    } else if (ec == bhttp::error::header_limit) {
      AnswerAndLinger(431, "Request Header Fields Too Large");
    } else if (ec.category() == bhttp::make_error_code(bhttp::error::end_of_stream).category() &&
               ec != bhttp::error::end_of_stream && ec != bhttp::error::partial_message) {
      AnswerAndLinger(400, "Bad Request");
    }
    return false;
  }

  Request TakeRequest() {
    auto message = parser_.release();
    Fields headers;
    for (const auto& field : message) {
      headers.Add(std::string(field.name_string()), std::string(field.value()));
    }
    return Request(std::string(message.method_string()), std::string(message.target()),
                   std::move(headers), std::move(message.body()));
  }

  // Sends the response; its text body is moved out rather than copied.
  void Write(Response& response) {
    StringResponse message;
    const int status = response.Status();
    message.result(status >= 100 && status <= 999 ? static_cast<unsigned>(status) : 500u);
    message.version(11);
    for (const auto& [name, value] : response.Headers().Entries()) {
      message.insert(name, OneLine(value));
    }
    std::istream* stream = response.Stream();
    if (stream) {
      stream->clear();
      stream->seekg(0);
      message.body().assign(std::istreambuf_iterator<char>(*stream), {});
    } else {
      message.body() = response.TakeText();
    }
    if (!response.HasHeader("Content-Type")) {
      message.set(bhttp::field::content_type, stream ? "application/octet-stream" : "text/plain");
    }
    Send(message);
  }

  void Answer(int status, const std::string& text) {
    StringResponse message{static_cast<bhttp::status>(status), 11};
    message.set(bhttp::field::content_type, "text/plain");
    message.body() = text;
    Send(message);
  }

  // Ends the connection after a complete exchange.
  void Close() {
    beast::error_code ec;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ec);
    stream_.socket().close(ec);
  }

 private:
  beast::error_code WriteInterim() {
    bhttp::response<bhttp::empty_body> interim{bhttp::status::continue_, 11};
    bhttp::response_serializer<bhttp::empty_body> serializer{interim};
    beast::error_code ec;
    stream_.expires_after(options_.writeTimeout);
    bhttp::async_write_header(stream_, serializer,
                              [&](beast::error_code e, std::size_t) { ec = e; });
    RunOnce(ioc_);
    return ec;
  }

  // Writes the message with "Connection: close" and its length, in pieces; the timeout bounds
  // each piece, so a slow reader that keeps reading is served while one that stops is cut off.
  void Send(StringResponse& message) {
    message.keep_alive(false);
    message.prepare_payload();
    bhttp::response_serializer<bhttp::string_body> serializer{message};
    beast::error_code ec;
    while (!ec && !serializer.is_done()) {
      stream_.expires_after(options_.writeTimeout);
      bhttp::async_write_some(stream_, serializer,
                              [&](beast::error_code e, std::size_t) { ec = e; });
      RunOnce(ioc_);
    }
  }

  void AnswerAndLinger(int status, const std::string& text) {
    Answer(status, text);
    beast::error_code ec;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ec);
    stream_.expires_after(kLingerTime);
    std::string scratch(kLingerChunk, '\0');
    std::size_t drained = 0;
    while (!ec && drained < kLingerBytes) {
      std::size_t got = 0;
      stream_.async_read_some(asio::buffer(scratch), [&](beast::error_code e, std::size_t n) {
        ec = e;
        got = n;
      });
      RunOnce(ioc_);
      drained += got;
    }
  }

  asio::io_context& ioc_;
  beast::tcp_stream stream_;
  const ServerOptions& options_;
  beast::flat_buffer buffer_;
  bhttp::request_parser<bhttp::string_body> parser_;
};

}  // namespace

struct Server::Impl {
  Pipeline pipeline;
  ServerOptions options;
  asio::io_context acceptContext;
  std::unique_ptr<tcp::acceptor> acceptor;
  std::thread acceptThread;
  std::atomic<std::uint16_t> port{0};

  std::mutex mutex;
  std::condition_variable changed;
  std::size_t inProgress = 0;  // guarded by mutex
  std::size_t refusing = 0;    // guarded by mutex
  bool started = false;        // guarded by mutex
  bool stopping = false;       // guarded by mutex
  bool stopped = false;        // guarded by mutex

  void AcceptNext() {
    auto context = std::make_shared<asio::io_context>(1);
    acceptor->async_accept(*context, [this, context](beast::error_code ec, tcp::socket socket) {
      if (ec == asio::error::operation_aborted || !acceptor->is_open()) return;
      if (ec) {
        std::this_thread::sleep_for(kAcceptRetryDelay);
      } else {
        Dispatch(context, std::move(socket));
      }
      AcceptNext();
    });
  }

  void Dispatch(const std::shared_ptr<asio::io_context>& context, tcp::socket socket) {
    bool refuse = false;
    {
      std::lock_guard lock(mutex);
      if (inProgress < options.maxInProgress) {
        ++inProgress;
      } else if (refusing < kMaxRefusingThreads) {
        ++refusing;
        refuse = true;
      } else {
        return;  // the socket closes when it goes out of scope
      }
    }
    try {
      std::thread([this, context, refuse, s = std::move(socket)]() mutable {
        Serve(*context, std::move(s), refuse);
        Finished(refuse);
      }).detach();
    } catch (const std::system_error&) {
      Finished(refuse);
    }
  }

  void Serve(asio::io_context& context, tcp::socket socket, bool refuse) {
    try {
      Connection connection(context, std::move(socket), options);
      if (!connection.Read()) return;
      if (refuse) {
        connection.Answer(500, kTooManyRequestsText);
      } else {
        Request request = connection.TakeRequest();
        Response response;
        pipeline.Handle(request, response);
        connection.Write(response);
      }
      connection.Close();
    } catch (...) {
      // A failure on one connection (e.g. out of memory) ends that connection only.
    }
  }

  void Finished(bool refused) {
    // Notify while holding the lock: Stop may destroy the server as soon as it sees zero.
    std::lock_guard lock(mutex);
    if (refused) {
      --refusing;
    } else {
      --inProgress;
    }
    changed.notify_all();
  }
};

Server::Server() : impl_(std::make_unique<Impl>()) {}

Server::~Server() {
  Stop();
}

Server& Server::Use(Stage stage) {
  impl_->pipeline.Use(std::move(stage));
  return *this;
}

Server& Server::AddRoute(std::string method, std::string path, Handler handler) {
  impl_->pipeline.Routes().AddRoute(std::move(method), std::move(path), std::move(handler));
  return *this;
}

Server& Server::Get(std::string path, Handler handler) {
  return AddRoute("GET", std::move(path), std::move(handler));
}
Server& Server::Post(std::string path, Handler handler) {
  return AddRoute("POST", std::move(path), std::move(handler));
}
Server& Server::Put(std::string path, Handler handler) {
  return AddRoute("PUT", std::move(path), std::move(handler));
}
Server& Server::Patch(std::string path, Handler handler) {
  return AddRoute("PATCH", std::move(path), std::move(handler));
}
Server& Server::Delete(std::string path, Handler handler) {
  return AddRoute("DELETE", std::move(path), std::move(handler));
}

void Server::Start(const ServerOptions& options, const std::function<void()>& onListen) {
  Impl& impl = *impl_;
  {
    std::lock_guard lock(impl.mutex);
    if (impl.started) throw ListenError("The server has already been started");
    impl.started = true;
  }
  impl.options = options;
  beast::error_code ec;
  const auto address = asio::ip::make_address_v4(options.address, ec);
  if (ec) throw ListenError("Invalid listening address " + options.address + ": " + ec.message());
  const tcp::endpoint endpoint(address, options.port);
  const std::string where = options.address + ":" + std::to_string(options.port);

  impl.acceptor = std::make_unique<tcp::acceptor>(impl.acceptContext);
  impl.acceptor->open(endpoint.protocol(), ec);
  if (!ec) impl.acceptor->set_option(asio::socket_base::reuse_address(true), ec);
  if (ec) throw ListenError("Could not open socket: " + ec.message());
  impl.acceptor->bind(endpoint, ec);
  if (ec) throw ListenError("Could not bind socket to " + where + ": " + ec.message());
  impl.acceptor->listen(options.backlog, ec);
  if (ec) throw ListenError("Could not listen on " + where + ": " + ec.message());
  impl.port = impl.acceptor->local_endpoint().port();

  impl.AcceptNext();
  impl.acceptThread = std::thread([&impl] { impl.acceptContext.run(); });
  if (onListen) onListen();
}

std::uint16_t Server::Port() const {
  return impl_->port;
}

void Server::Wait() {
  std::unique_lock lock(impl_->mutex);
  impl_->changed.wait(lock, [this] { return impl_->stopped; });
}

void Server::Stop() {
  Impl& impl = *impl_;
  {
    std::lock_guard lock(impl.mutex);
    if (!impl.started || impl.stopping) return;
    impl.stopping = true;
  }
  asio::post(impl.acceptContext, [&impl] {
    beast::error_code ec;
    impl.acceptor->close(ec);
  });
  if (impl.acceptThread.joinable()) impl.acceptThread.join();
  std::unique_lock lock(impl.mutex);
  impl.changed.wait(lock, [&impl] { return impl.inProgress == 0 && impl.refusing == 0; });
  impl.stopped = true;
  impl.changed.notify_all();
}

}  // namespace bramble::http
