// The fluent request and response against a real HTTP server on loopback: what each
// operation puts on the wire, how answers come back, and which failures raise.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "client/request/RequestClient.h"
#include "platform/core/Exception.h"
#include "shared/json/Json.h"
#include "tests/integration/rest/EchoServer.h"

namespace bramble {
namespace {

using rest::ContentType;
using rest::ParameterKind;
using rest::ParameterOption;
using testing::Answer;
using testing::EchoServer;
using ::testing::HasSubstr;
using testing::Received;
using ::testing::StartsWith;

std::shared_ptr<TRequestClient> NewClient() {
  return std::dynamic_pointer_cast<TRequestClient>(TRequest::New());
}

TEST(RequestWire, MainWindowPostCarriesCredentialsContentTypeAndJsonBody) {
  EchoServer Server;
  auto Response =
      TRequest::New()
          ->BaseURL(Server.Url() + "/select")
          ->BasicAuthentication("admin", "plovr")
          ->ContentType("application/json")
          ->AddBody(R"({"sql":"select 1","binario":false})", ContentType::ApplicationJson)
          ->Post();
  Received R = Server.Last();
  EXPECT_EQ(R.Method, "POST");
  EXPECT_EQ(R.Target, "/select");
  EXPECT_EQ(R.Header("Authorization"), "Basic YWRtaW46cGxvdnI=");
  EXPECT_EQ(R.Header("Content-Type"), "application/json");
  EXPECT_EQ(R.Body, R"({"sql":"select 1","binario":false})");
  EXPECT_EQ(R.Header("Accept"), "application/json, text/plain; q=0.9, text/html;q=0.8,");
  EXPECT_EQ(R.Header("Accept-Charset"), "utf-8, *;q=0.8");
  EXPECT_FALSE(R.HasHeader("Accept-Encoding"));
  EXPECT_EQ(Response->StatusCode(), 200);
  EXPECT_EQ(Response->Content(), "ok");
}

TEST(RequestWire, BasicCredentialsAreEncodedAndTakeThePlaceOfAToken) {
  EchoServer Server;
  auto Request = TRequest::New()->BaseURL(Server.Url())->Token("Bearer t");
  const std::vector<std::tuple<std::string, std::string, std::string>> Cases = {
      {"", "", "Basic Og=="},
      {"ab", "cd", "Basic YWI6Y2Q="},
      {"abcd", "e", "Basic YWJjZDpl"},
      {"jos\xC3\xA9", "p:w", "Basic am9zw6k6cDp3"},
  };
  for (const auto& [User, Password, Expected] : Cases) {
    Request->BasicAuthentication(User, Password)->Get();
    EXPECT_EQ(Server.Last().Header("Authorization"), Expected) << User;
  }
  int Count = 0;
  for (const auto& [Name, Value] : Server.Last().Headers) Count += Name == "Authorization";
  EXPECT_EQ(Count, 1);
}

class HookedRequest : public TRequestClient {
 public:
  std::vector<std::string> Calls;

 protected:
  void DoBeforeExecute(rest::Request& ARequest) override {
    Calls.push_back("before " + std::string(rest::MethodText(ARequest.Method)));
  }
  void DoAfterExecute() override { Calls.push_back("after"); }
  void DoHTTPProtocolError() override { Calls.push_back("error"); }
};

TEST(RequestWire, SubclassHooksRunAroundEachExecute) {
  EchoServer Server([](const Received& R) {
    return R.Path() == "/missing" ? Answer("404 Not Found", "") : Answer("200 OK", "");
  });
  auto Request = std::make_shared<HookedRequest>();
  Request->BaseURL(Server.Url())->Get();
  // The first hook runs before the method is set, so it still sees the previous one.
  Request->BaseURL(Server.Url() + "/missing")->Post();
  EXPECT_EQ(Request->Calls,
            (std::vector<std::string>{"before GET", "after", "before GET", "after", "error"}));
}

TEST(RequestWire, AddressParametersHeadersAndCookies) {
  EchoServer Server;
  auto Request = TRequest::New()
                     ->BaseURL(Server.Url() + "/api/")
                     ->Resource("/items/:id")
                     ->ResourceSuffix("detail")
                     ->AddUrlSegment("id", "a b/c")
                     ->AddParam("q", "x&y", ParameterKind::Query)
                     ->AddParam("page", "2", ParameterKind::GetOrPost)
                     ->AddHeader("x-request", "x-request", {})
                     ->AddHeader("x-encoded", "a b", {})
                     ->AddHeader("x-raw", "a b", {ParameterOption::poDoNotEncode})
                     ->Token("Bearer abc")
                     ->AddParam(rest::NameValueList{"sid=42", "empty="})
                     ->UserAgent("Tester/2")
                     ->Accept("text/csv")
                     ->AcceptCharset("iso-8859-1");
  EXPECT_EQ(Request->FullRequestURL(false), Server.Url() + "/api/items/a%20b%2Fc/detail");
  EXPECT_EQ(Request->FullRequestURL(true),
            Server.Url() + "/api/items/a%20b%2Fc/detail?q=x%26y&page=2");
  Request->Get();
  Received R = Server.Last();
  EXPECT_EQ(R.Method, "GET");
  EXPECT_EQ(R.Target, "/api/items/a%20b%2Fc/detail?q=x%26y&page=2");
  EXPECT_EQ(R.Header("x-request"), "x-request");
  EXPECT_EQ(R.Header("x-encoded"), "a%20b");
  EXPECT_EQ(R.Header("x-raw"), "a b");
  EXPECT_EQ(R.Header("Authorization"), "Bearer abc");
  EXPECT_EQ(R.Header("Cookie"), "sid=42; empty=");
  EXPECT_EQ(R.Header("User-Agent"), "Tester/2");
  EXPECT_EQ(R.Header("Accept"), "text/csv");
  EXPECT_EQ(R.Header("Accept-Charset"), "iso-8859-1");
  EXPECT_TRUE(R.Body.empty());
}

TEST(RequestWire, EachExecuteSendsItsMethod) {
  EchoServer Server;
  auto Request = TRequest::New()->BaseURL(Server.Url());
  const std::vector<std::pair<IResponse::Ptr (IRequest::*)(), std::string>> Cases = {
      {&IRequest::Get, "GET"},       {&IRequest::Post, "POST"},   {&IRequest::Put, "PUT"},
      {&IRequest::Delete, "DELETE"}, {&IRequest::Patch, "PATCH"},
  };
  for (const auto& [Execute, Method] : Cases) {
    ((*Request).*Execute)();
    EXPECT_EQ(Server.Last().Method, Method);
  }
  // A request without body parts sends an empty body for the methods that carry one.
  for (const Received& R : Server.Requests()) {
    EXPECT_TRUE(R.Body.empty()) << R.Method;
    if (R.Method == "POST" || R.Method == "PUT" || R.Method == "PATCH") {
      EXPECT_EQ(R.Header("Content-Length"), "0") << R.Method;
      EXPECT_FALSE(R.HasHeader("Content-Type")) << R.Method;
    }
  }
}

TEST(RequestWire, BlankBodyIsNotSentAndClearBodyRemovesParts) {
  EchoServer Server;
  auto Request = TRequest::New()->BaseURL(Server.Url())->AddBody(" \t\r\n", ContentType::TextPlain);
  Request->Post();
  EXPECT_EQ(Server.Last().Body, "");
  Request->AddBody("first", ContentType::TextPlain)
      ->ClearBody()
      ->AddBody("second", ContentType::TextPlain);
  Request->Post();
  EXPECT_EQ(Server.Last().Body, "second");
  EXPECT_EQ(Server.Last().Header("Content-Type"), "text/plain");
}

TEST(RequestWire, JsonDocumentBodies) {
  EchoServer Server;
  auto* Owned = new TJsonObject();
  Owned->Put("a", std::int64_t{1});
  TJsonArray Kept;
  Kept.Put(std::string_view("x"));

  TRequest::New()->BaseURL(Server.Url())->AddBody(Owned, true)->Post();  // freed by the request
  EXPECT_EQ(Server.Last().Body, R"({"a":1})");
  EXPECT_FALSE(Server.Last().HasHeader("Content-Type"));

  TRequest::New()->BaseURL(Server.Url())->AddJsonBody(&Kept, false)->Post();
  EXPECT_EQ(Server.Last().Body, R"(["x"])");
  EXPECT_EQ(Server.Last().Header("Content-Type"), "application/json");
  EXPECT_EQ(Kept.Stringify(), R"(["x"])");  // still the caller's

  auto Request = TRequest::New()->BaseURL(Server.Url());
  Request->AddBody(static_cast<TJsonBase*>(nullptr), true)->AddJsonBody(nullptr, true)->Post();
  EXPECT_EQ(Server.Last().Body, "");
}

TEST(RequestWire, StreamBodyFormBodyAndFileParts) {
  EchoServer Server;
  std::string Bytes("\x00\x01\xFFz", 4);
  auto* Stream = new std::stringstream(Bytes);
  Stream->seekg(2);  // the whole content is sent, wherever the stream stands
  TRequest::New()->BaseURL(Server.Url())->AddBody(static_cast<std::istream*>(Stream), true)->Put();
  EXPECT_EQ(Server.Last().Body, Bytes);
  EXPECT_EQ(Server.Last().Header("Content-Type"), "application/octet-stream");

  TRequest::New()->BaseURL(Server.Url())->AddParam("a", "1 2", ParameterKind::GetOrPost)->Post();
  EXPECT_EQ(Server.Last().Body, "a=1%202");
  EXPECT_EQ(Server.Last().Header("Content-Type"), "application/x-www-form-urlencoded");

  std::stringstream File("file-bytes");
  TRequest::New()
      ->BaseURL(Server.Url())
      ->AddFile("upload", &File)
      ->AddParam("f", "v", ParameterKind::GetOrPost)
      ->Post();
  Received R = Server.Last();
  EXPECT_THAT(R.Header("Content-Type"), StartsWith("multipart/form-data; boundary="));
  EXPECT_THAT(R.Body, HasSubstr("name=\"upload\"; filename=\""));
  EXPECT_THAT(R.Body, HasSubstr("Content-Type: application/octet-stream\r\n\r\nfile-bytes"));
  EXPECT_THAT(R.Body, HasSubstr("name=\"f\"\r\n\r\nv"));

  // A GET keeps its method and sends no body, whatever parts were added.
  TRequest::New()
      ->BaseURL(Server.Url())
      ->AddFile("upload", &File)
      ->AddBody("b", ContentType::TextPlain)
      ->Get();
  EXPECT_EQ(Server.Last().Method, "GET");
  EXPECT_EQ(Server.Last().Body, "");
}

TEST(RequestWire, ClearHeadersAndClearParamsUseTheRecordedNames) {
  EchoServer Server;
  auto Request = NewClient();
  Request->BaseURL(Server.Url())
      ->AddHeader("x-one", "1", {})
      ->AddHeader("x-one", "2", {})
      ->ContentType("text/plain")
      ->Token("t")
      ->AddParam("p", "1", ParameterKind::Query)
      ->AddParam("p", "2", ParameterKind::Query)
      ->AddParam("blank", " ", ParameterKind::Query)
      ->AddUrlSegment("seg", "s")
      ->AddParam(rest::NameValueList{"c=1"});
  EXPECT_EQ(Request->HeaderNames(),
            (std::vector<std::string>{"x-one", "Content-Type", "Authorization"}));
  EXPECT_EQ(Request->ParamNames(), (std::vector<std::string>{"p", "p"}));
  Request->Get();
  EXPECT_EQ(Server.Last().Header("x-one"), "2");
  EXPECT_EQ(Server.Last().Query(), "p=2");

  Request->ClearHeaders()->ClearParams()->Get();
  Received R = Server.Last();
  EXPECT_FALSE(R.HasHeader("x-one"));
  EXPECT_FALSE(R.HasHeader("Authorization"));
  EXPECT_EQ(R.Query(), "");
  EXPECT_EQ(R.Header("Cookie"), "c=1");  // list parameters are not recorded
  EXPECT_EQ(Request->HeaderNames().size(), 3u);
  EXPECT_EQ(Request->ParamNames().size(), 2u);
}

TEST(RequestWire, HeaderWithLineBreakIsRefused) {
  EchoServer Server;
  auto Request = TRequest::New()->BaseURL(Server.Url())->Token("abc\r\nX-Injected: 1");
  EXPECT_THROW(Request->Get(), Exception);
  EXPECT_TRUE(Server.Requests().empty());
  // Percent-encoding makes the same value harmless.
  TRequest::New()->BaseURL(Server.Url())->AddHeader("x-v", "abc\r\nX: 1", {})->Get();
  EXPECT_EQ(Server.Last().Header("x-v"), "abc%0D%0AX%3A%201");
}

TEST(RequestWire, ProxyCarriesTheRequestAndItsCredentials) {
  EchoServer Proxy;
  auto Request = TRequest::New()
                     ->BaseURL("http://bramble.test/path")
                     ->Proxy("127.0.0.1", "secret", "user", Proxy.Port());
  Request->Get();
  EXPECT_EQ(Proxy.Last().Target, "http://bramble.test/path");
  EXPECT_EQ(Proxy.Last().Header("Proxy-Authorization"), "Basic dXNlcjpzZWNyZXQ=");

  // Once cleared, the request goes straight to its own address again.
  Request->ClearProxy()->BaseURL("http://127.0.0.1:" + std::to_string(Proxy.Port()) + "/direct");
  Request->Get();
  EXPECT_EQ(Proxy.Last().Target, "/direct");
}

TEST(RequestSetters, BlankArgumentsAndDefaults) {
  auto Request = TRequest::New();
  EXPECT_EQ(Request->Accept(), "application/json, text/plain; q=0.9, text/html;q=0.8,");
  EXPECT_EQ(Request->Accept("text/xml")->Accept(" ")->Accept(),
            "application/json, text/plain; q=0.9, text/html;q=0.8,");
  EXPECT_EQ(Request->Accept(" text/xml ")->Accept(), " text/xml ");  // used untrimmed
  EXPECT_EQ(Request->AcceptCharset("latin1")->AcceptCharset("")->AcceptCharset(), "utf-8, *;q=0.8");
  EXPECT_EQ(Request->AcceptEncoding(), "");
  EXPECT_EQ(Request->AcceptEncoding("gzip")->AcceptEncoding(), "gzip");
  EXPECT_EQ(Request->Timeout(1234)->Timeout(), 1234);
  EXPECT_FALSE(Request->RaiseExceptionOn500());
  EXPECT_TRUE(Request->RaiseExceptionOn500(true)->RaiseExceptionOn500());
  EXPECT_EQ(Request->DataSetAdapter(), nullptr);
  auto* Marker = reinterpret_cast<TDataSet*>(&Request);
  EXPECT_EQ(Request->DataSetAdapter(Marker)->DataSetAdapter(), Marker);
  EXPECT_EQ(Request->Resource("a/:b")->Resource(), "a/{b}");
  EXPECT_EQ(Request->ResourceSuffix(":c")->ResourceSuffix(), "{c}");
}

TEST(SegmentTemplate, ColonSegmentsBecomePlaceholders) {
  const std::vector<std::pair<std::string, std::string>> Cases = {
      {"http://host/api/:id", "http://host/api/{id}"},
      {"http://host:9095", "http://host:9095"},
      {"http://host:9095/a/:x/b", "http://host:9095/a/{x}/b"},
      {"/list?page=:page&size=:size", "/list?page={page}&size={size}"},
      {"/a/::id", "/a/{id}"},
      {"/a:id/:id", "/a:id/{id}"},  // only the segment itself is rewritten
      {"", ""},
  };
  for (const auto& [In, Out] : Cases) {
    EXPECT_EQ(ApplySegmentTemplate(In), Out) << In;
    EXPECT_EQ(TRequest::New()->BaseURL(In)->BaseURL(), Out) << In;
  }
}

TEST(ResponseView, StatusesOutside2xxAreViews) {
  EchoServer Server([](const Received& R) {
    if (R.Path() == "/401")
      return Answer("401 Unauthorized", "Unauthorized", {"WWW-Authenticate: Basic"});
    if (R.Path() == "/404")
      return Answer("404 Not Found", "Not Found", {"Content-Type: text/plain"});
    return Answer("500 Internal Server Error", "boom", {"x-response: {}"});
  });
  const std::vector<std::tuple<std::string, int, std::string, std::string>> Cases = {
      {"/401", 401, "Unauthorized", "Unauthorized"},
      {"/404", 404, "Not Found", "Not Found"},
      {"/500", 500, "Internal Server Error", "boom"},
  };
  for (const auto& [Path, Code, Text, Body] : Cases) {
    auto Response = TRequest::New()->BaseURL(Server.Url() + Path)->Get();
    EXPECT_EQ(Response->StatusCode(), Code);
    EXPECT_EQ(Response->StatusText(), Text);
    EXPECT_EQ(Response->Content(), Body);
  }
  auto Response = TRequest::New()->BaseURL(Server.Url() + "/500")->Get();
  EXPECT_EQ(Response->Headers().Values("X-RESPONSE"), "{}");

  auto Raising = TRequest::New()->BaseURL(Server.Url() + "/500")->RaiseExceptionOn500(true);
  try {
    Raising->Get();
    ADD_FAILURE() << "no error for 500";
  } catch (const Exception& E) {
    EXPECT_THAT(E.Message(), HasSubstr("500"));
  }
  EXPECT_EQ(Raising->BaseURL(Server.Url() + "/404")->Get()->StatusCode(), 404);
}

TEST(ResponseView, OneViewPerRequestShowingTheLastAnswerAndOutlivingTheRequest) {
  int Counter = 0;
  EchoServer Server([&Counter](const Received&) {
    return Answer("200 OK", "answer " + std::to_string(++Counter), {"Content-Type: text/plain"});
  });
  auto Request = TRequest::New()->BaseURL(Server.Url());
  auto First = Request->Get();
  auto Second = Request->Post();
  EXPECT_EQ(First.get(), Second.get());
  EXPECT_EQ(First->Content(), "answer 2");

  Request.reset();
  Second.reset();
  EXPECT_EQ(First->Content(), "answer 2");  // the view keeps its request alive
  EXPECT_EQ(First->StatusCode(), 200);
}

TEST(ResponseView, BodyAccessorsAndStreams) {
  EchoServer Server([](const Received&) {
    return Answer("200 OK", "caf\xE9", {"Content-Type: text/plain; charset=ISO-8859-1", "x-a: 1"});
  });
  auto Response = TRequest::New()->BaseURL(Server.Url())->Get();
  EXPECT_EQ(Response->Content(), "caf\xC3\xA9");
  EXPECT_EQ(Response->ContentType(), "text/plain");
  EXPECT_EQ(Response->ContentLength(), 4u);
  EXPECT_EQ(Response->RawBytes(), (std::vector<std::uint8_t>{'c', 'a', 'f', 0xE9}));
  EXPECT_EQ(Response->Headers().Values("x-a"), "1");

  std::stringstream* First = Response->ContentStream();
  std::stringstream* Second = Response->ContentStream();
  std::string Read(std::istreambuf_iterator<char>(*Second), {});
  EXPECT_EQ(Read, "caf\xE9");
  EXPECT_NE(First, nullptr);
}

TEST(ResponseView, FallbackCharsetDecodesAnAnswerThatNamesNone) {
  EchoServer Server(
      [](const Received&) { return Answer("200 OK", "\xE7\xE3o", {"Content-Type: text/plain"}); });
  auto Request = TRequest::New()->BaseURL(Server.Url());
  EXPECT_EQ(Request->Get()->Content(), "\xEF\xBF\xBD\xEF\xBF\xBDo");  // not UTF-8
  EXPECT_EQ(Request->FallbackCharsetEncoding("windows-1252")->Get()->Content(),
            "\xC3\xA7\xC3\xA3o");
}

TEST(ResponseView, JsonValueParsesTheBody) {
  EchoServer Server([](const Received&) { return Answer("200 OK", R"({"success":true})"); });
  auto Response = TRequest::New()->BaseURL(Server.Url())->Get();
  EXPECT_EQ(Response->JSONValue()->Stringify(), R"({"success":true})");
}

std::string Compress(const std::string& Data, int WindowBits) {
  z_stream Z{};
  deflateInit2(&Z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, WindowBits, 8, Z_DEFAULT_STRATEGY);
  std::string Out(compressBound(Data.size()) + 64, '\0');
  Z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Data.data()));
  Z.avail_in = static_cast<uInt>(Data.size());
  Z.next_out = reinterpret_cast<Bytef*>(Out.data());
  Z.avail_out = static_cast<uInt>(Out.size());
  deflate(&Z, Z_FINISH);
  Out.resize(Z.total_out);
  deflateEnd(&Z);
  return Out;
}

TEST(ResponseView, CompressedAnswersAreDecoded) {
  const std::string Text(3000, 'x');
  const std::vector<std::pair<std::string, int>> Cases = {
      {"gzip", 31}, {"deflate", -15}, {"deflate", 15}};
  for (const auto& [Encoding, Bits] : Cases) {
    std::string Packed = Compress(Text, Bits);
    EchoServer Server([&](const Received&) {
      return Answer("200 OK", Packed,
                    {"Content-Type: text/plain", "Content-Encoding: " + Encoding});
    });
    auto Response = TRequest::New()->BaseURL(Server.Url())->AcceptEncoding("gzip, deflate")->Get();
    EXPECT_EQ(Server.Last().Header("Accept-Encoding"), "gzip, deflate");
    EXPECT_EQ(Response->Content(), Text) << Encoding << " " << Bits;
    EXPECT_EQ(Response->ContentEncoding(), Encoding);
  }
}

TEST(RequestFailure, RefusedConnectionRaisesWithTheTransportMessage) {
  testing::RefusingPort Port;
  auto Request = TRequest::New()->BaseURL("http://127.0.0.1:" + std::to_string(Port.Port()) + "/x");
  try {
    Request->Get();
    ADD_FAILURE() << "no error";
  } catch (const Exception& E) {
    EXPECT_THAT(E.Message(), HasSubstr(std::to_string(Port.Port())));
    EXPECT_THAT(E.Message(), HasSubstr("onnect"));
  }
}

TEST(RequestFailure, TimeoutAndBrokenTransferRaise) {
  EchoServer Slow([](const Received&) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    return Answer("200 OK", "late");
  });
  auto Started = std::chrono::steady_clock::now();
  try {
    TRequest::New()->BaseURL(Slow.Url())->Timeout(300)->Get();
    ADD_FAILURE() << "no timeout";
  } catch (const Exception& E) {
    EXPECT_THAT(E.Message(), HasSubstr("timed out"));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - Started, std::chrono::milliseconds(1400));

  EchoServer Broken([](const Received&) {
    return std::string("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten b");
  });
  auto Request = TRequest::New()->BaseURL(Broken.Url());
  try {
    Request->Get();
    ADD_FAILURE() << "no error for a cut answer";
  } catch (const Exception& E) {
    EXPECT_THAT(E.Message(), HasSubstr("90 bytes remaining"));
  }
}

}  // namespace
}  // namespace bramble
