// The HTTP framework over real connections on 127.0.0.1, with a route table of its own.
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/core/Base64.h"
#include "platform/http/BasicAuthentication.h"
#include "platform/http/Compression.h"
#include "platform/http/Server.h"
#include "platform/http/StreamBody.h"
#include "tests/integration/http/HttpTestClient.h"

namespace bramble::testing {
namespace {

using namespace std::chrono_literals;

std::string Inflate(const std::string& bytes, int windowBits) {
  z_stream zs{};
  if (inflateInit2(&zs, windowBits) != Z_OK) return "<init failed>";
  std::string out(1 << 20, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  zs.avail_in = static_cast<uInt>(bytes.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  const int result = inflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  inflateEnd(&zs);
  return result == Z_STREAM_END ? out : "<inflate failed>";
}

// A server with the three stages in their usual order and a few routes made for the tests.
class HttpServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    http::BasicAuthConfig auth;
    auth.skippedPaths = {"/"};
    server_.Use(
        http::BasicAuthentication(auth, [](const std::string& user, const std::string& password) {
          return user == "admin" && password == "plovr";
        }));
    server_.Use(http::Compression());
    server_.Use(http::StreamBody());

    server_.Get("/", [](http::Request&, http::Response& res) { res.Send("status"); });
    server_.Get("/text", [](http::Request& req, http::Response& res) {
      res.Send(std::string(std::stoul(req.Query("n")), 'a'));
    });
    server_.Post("/echo", [](http::Request& req, http::Response& res) {
      res.Send(std::to_string(req.Body().size()));
    });
    server_.Get("/stream", [](http::Request&, http::Response& res) {
      std::string bytes(5000, 'b');
      bytes[10] = '\0';
      res.SendStream(std::make_unique<std::istringstream>(bytes));
    });
    server_.Get("/typed-stream", [](http::Request&, http::Response& res) {
      res.ContentType("application/json").SetHeader("Content-Disposition", "inline");
      res.SendStream(std::make_unique<std::istringstream>("{}"));
    });
    server_.Get("/header", [](http::Request& req, http::Response& res) {
      res.SetHeader("x-response", req.Query("v")).Send("h");
    });
    server_.Get("/throw", [](http::Request&, http::Response& res) {
      res.ContentType("application/json");
      throw std::runtime_error("boom");
    });
    server_.Get("/throw-after-409", [](http::Request&, http::Response& res) {
      res.Status(409).Send("conflict");
      throw std::runtime_error("boom");
    });
    server_.Get("/block", [this](http::Request&, http::Response& res) {
      std::unique_lock lock(mutex_);
      ++blocked_;
      changed_.notify_all();
      changed_.wait(lock, [this] { return released_; });
      res.Send("released");
    });

    http::ServerOptions options;
    options.address = "127.0.0.1";
    options.readTimeout = 1s;
    server_.Start(options, [this] { ++listenCalls_; });
    port_ = server_.Port();
  }

  void TearDown() override {
    Release();
    server_.Stop();
  }

  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

  http::Server server_;
  std::uint16_t port_ = 0;
  std::atomic<int> listenCalls_{0};
  std::mutex mutex_;
  std::condition_variable changed_;
  int blocked_ = 0;
  bool released_ = false;
};

TEST_F(HttpServerTest, ListensOnAnEphemeralPortAndNotifiesOnce) {
  EXPECT_NE(port_, 0);
  EXPECT_EQ(listenCalls_, 1);
  const auto reply = Fetch(port_, "GET", "/");
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.body, "status");
  EXPECT_EQ(reply.headers.Get("Connection"), "close");
}

TEST_F(HttpServerTest, BasicAuthentication) {
  const std::string good = BasicCredentials("admin", "plovr");
  struct Case {
    const char* what;
    std::string target;
    HeaderList headers;
    int status;
    std::string body;  // empty: only the status is checked
  } cases[] = {
      {"no credentials", "/text?n=1", {}, 401, "Authorization not found"},
      {"bearer scheme",
       "/text?n=1",
       {{"Authorization", "Bearer abc"}},
       401,
       "Invalid authorization type"},
      {"scheme word alone",
       "/text?n=1",
       {{"Authorization", "Basic"}},
       401,
       "Invalid authorization type"},
      {"blank header", "/text?n=1", {{"Authorization", "   "}}, 401, "Authorization not found"},
      {"valid", "/text?n=1", {{"Authorization", good}}, 200, "a"},
      {"scheme in capitals",
       "/text?n=1",
       {{"Authorization", "BASIC " + bramble::Base64Encode("admin:plovr")}},
       200,
       "a"},
      {"credentials in the query",
       "/text?n=1&Authorization=Basic%20" + bramble::Base64Encode("admin:plovr"),
       {},
       200,
       "a"},
      {"user differs in case",
       "/text?n=1",
       {{"Authorization", BasicCredentials("Admin", "plovr")}},
       401,
       "Unauthorized"},
      {"wrong password",
       "/text?n=1",
       {{"Authorization", BasicCredentials("admin", "x")}},
       401,
       "Unauthorized"},
      {"password cut at its first colon",
       "/text?n=1",
       {{"Authorization", BasicCredentials("admin", "plovr:more")}},
       200,
       "a"},
      {"no colon",
       "/text?n=1",
       {{"Authorization", "Basic " + bramble::Base64Encode("adminplovr")}},
       500,
       ""},
      {"not base64", "/text?n=1", {{"Authorization", "Basic ***"}}, 500, ""},
      {"unknown path with credentials", "/missing", {{"Authorization", good}}, 404, "Not Found"},
      {"unknown path without credentials", "/missing", {}, 401, "Authorization not found"},
      {"skipped path", "/", {}, 200, "status"},
      {"skipped path, wrong credentials",
       "/",
       {{"Authorization", BasicCredentials("x", "y")}},
       200,
       "status"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto reply = Fetch(port_, "GET", c.target, c.headers);
    EXPECT_EQ(reply.status, c.status);
    if (!c.body.empty()) {
      EXPECT_EQ(reply.body, c.body);
    }
    if (c.status == 500) {
      EXPECT_FALSE(reply.body.empty());
    }
    const bool challenged = c.body == "Authorization not found";
    EXPECT_EQ(reply.headers.Get("WWW-Authenticate"),
              challenged ? "Basic realm=\"Enter credentials\"" : "");
  }
}

TEST_F(HttpServerTest, FrameworkAnswers) {
  const HeaderList auth = {{"Authorization", BasicCredentials("admin", "plovr")}};
  struct Case {
    const char* method;
    const char* target;
    int status;
    const char* body;
  } cases[] = {
      {"POST", "/", 405, "Method Not Allowed"},
      {"GET", "/echo", 405, "Method Not Allowed"},
      {"GET", "/nowhere", 404, "Not Found"},
      {"GET", "/throw", 500, "Internal Application Error"},
      {"GET", "/throw-after-409", 409, "conflict"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    const auto reply = Fetch(port_, c.method, c.target, auth);
    EXPECT_EQ(reply.status, c.status);
    EXPECT_EQ(reply.body, c.body);
    EXPECT_EQ(reply.headers.Get("Content-Type"), "text/plain");
  }
}

TEST_F(HttpServerTest, HeaderValuesCannotBreakTheResponse) {
  const auto reply = Fetch(port_, "GET", "/header?v=a%0D%0AX-Injected:%201%0D%0A%0D%0Abody",
                           {{"Authorization", BasicCredentials("admin", "plovr")}});
  EXPECT_EQ(reply.status, 200);
  EXPECT_FALSE(reply.headers.Has("X-Injected"));
  EXPECT_EQ(reply.headers.Get("x-response"), "a  X-Injected: 1    body");
  EXPECT_EQ(reply.body, "h");
}

TEST_F(HttpServerTest, CompressesLongTextBodies) {
  struct Case {
    std::size_t length;
    const char* acceptEncoding;
    const char* encoding;  // "" = sent as is
  } cases[] = {
      {1024, "gzip, deflate", ""},
      {1025, "deflate", "deflate"},
      {2000, "gzip, deflate", "deflate"},
      {2000, "gzip", "gzip"},
      {2000, " GZIP ", "gzip"},
      {2000, "br", ""},
      {2000, "", ""},
  };
  const std::string auth = BasicCredentials("admin", "plovr");
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.length) + " bytes, Accept-Encoding '" + c.acceptEncoding + "'");
    HeaderList headers = {{"Authorization", auth}};
    if (*c.acceptEncoding) headers.emplace_back("Accept-Encoding", c.acceptEncoding);
    const auto reply = Fetch(port_, "GET", "/text?n=" + std::to_string(c.length), headers);
    ASSERT_EQ(reply.status, 200);
    EXPECT_EQ(reply.headers.Get("Content-Encoding"), c.encoding);
    EXPECT_EQ(reply.headers.Get("Content-Length"), std::to_string(reply.body.size()));
    const std::string expected(c.length, 'a');
    const std::string encoding = c.encoding;
    const int windowBits = encoding == "deflate" ? -15 : 31;
    EXPECT_EQ(encoding.empty() ? reply.body : Inflate(reply.body, windowBits), expected);
  }
}

TEST_F(HttpServerTest, StreamBodies) {
  const std::string auth = BasicCredentials("admin", "plovr");
  const auto plain =
      Fetch(port_, "GET", "/stream", {{"Authorization", auth}, {"Accept-Encoding", "deflate"}});
  ASSERT_EQ(plain.status, 200);
  std::string expected(5000, 'b');
  expected[10] = '\0';
  EXPECT_EQ(plain.body, expected);  // streams are never compressed
  EXPECT_EQ(plain.headers.Get("Content-Encoding"), "");
  EXPECT_EQ(plain.headers.Get("Content-Length"), "5000");
  EXPECT_EQ(plain.headers.Get("Content-Type"), "application/octet-stream");
  EXPECT_EQ(plain.headers.Get("Content-Disposition"), "attachment");

  const auto typed = Fetch(port_, "GET", "/typed-stream", {{"Authorization", auth}});
  EXPECT_EQ(typed.body, "{}");
  EXPECT_EQ(typed.headers.Get("Content-Type"), "application/json");
  EXPECT_EQ(typed.headers.Get("Content-Disposition"), "inline");
}

TEST_F(HttpServerTest, RefusesRequestsBeyondThirtyTwoInProgress) {
  const std::string auth = BasicCredentials("admin", "plovr");
  std::vector<std::thread> clients;
  std::vector<HttpReply> replies(http::kDefaultMaxInProgress);
  for (auto& reply : replies) {
    clients.emplace_back([&, this] {
      reply = Fetch(port_, "GET", "/block", {{"Authorization", auth}});
    });
  }
  {
    std::unique_lock lock(mutex_);
    ASSERT_TRUE(changed_.wait_for(lock, 20s, [this] { return blocked_ == 32; }));
  }
  const auto refused = Fetch(port_, "GET", "/", {});
  EXPECT_EQ(refused.status, 500);
  EXPECT_EQ(refused.body,
            "Maximum number of concurrent connections exceeded.  Please try again later");

  Release();
  for (auto& client : clients) client.join();
  for (const auto& reply : replies) EXPECT_EQ(reply.body, "released");
  EXPECT_EQ(Fetch(port_, "GET", "/").status, 200);  // the slots are free again
}

TEST_F(HttpServerTest, ClosesAConnectionThatSendsNoCompleteRequest) {
  RawConnection connection(port_);
  connection.Send("GET / HTTP/1.1\r\nHost: x\r\n");  // never finished
  const auto start = std::chrono::steady_clock::now();
  bool closed = false;
  const std::string received = connection.ReadUntilClosed(10s, &closed);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(closed);
  EXPECT_EQ(received, "");
  EXPECT_GE(waited, 800ms);
  EXPECT_LT(waited, 5s);
  EXPECT_EQ(Fetch(port_, "GET", "/").status, 200);
}

TEST_F(HttpServerTest, SizeLimits) {
  const std::string auth = "Authorization: " + BasicCredentials("admin", "plovr") + "\r\n";
  // A body announced beyond 64 MiB is refused from its header alone: none of it is sent.
  const auto tooLarge = ParseReply(Exchange(
      port_, "POST /echo HTTP/1.1\r\nHost: x\r\n" + auth + "Content-Length: 67108865\r\n\r\n"));
  EXPECT_EQ(tooLarge.status, 413);

  const auto headers = ParseReply(Exchange(
      port_, "GET / HTTP/1.1\r\nHost: x\r\nX-Big: " + std::string(65 * 1024, 'h') + "\r\n\r\n"));
  EXPECT_EQ(headers.status, 431);

  // Bodies well above the parser's usual 1 MiB are accepted.
  const auto big =
      Fetch(port_, "POST", "/echo", {{"Authorization", BasicCredentials("admin", "plovr")}},
            std::string(3 << 20, 'x'));
  EXPECT_EQ(big.status, 200);
  EXPECT_EQ(big.body, std::to_string(3 << 20));
}

TEST_F(HttpServerTest, AnswersExpectContinue) {
  RawConnection connection(port_);
  connection.Send(
      "POST /echo HTTP/1.1\r\nHost: x\r\nAuthorization: " + BasicCredentials("admin", "plovr") +
      "\r\nExpect: 100-continue\r\nContent-Length: 3\r\n\r\n");
  bool closed = false;
  const std::string interim = connection.ReadUntilClosed(500ms, &closed);
  EXPECT_EQ(interim.rfind("HTTP/1.1 100 Continue\r\n", 0), 0u) << interim;
  connection.Send("abc");
  const auto reply = ParseReply(connection.ReadUntilClosed(5s, &closed));
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.body, "3");
}

}  // namespace
}  // namespace bramble::testing
