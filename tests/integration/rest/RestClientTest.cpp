// The REST client underneath the fluent layer: limits on what a server may send, redirects.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/core/Exception.h"
#include "platform/rest/Client.h"
#include "platform/rest/Request.h"
#include "platform/rest/Response.h"
#include "tests/integration/rest/EchoServer.h"

namespace bramble::rest {
namespace {

using testing::Answer;
using testing::EchoServer;
using ::testing::HasSubstr;
using testing::Received;

struct Fixture {
  Client AClient;
  Response AResponse;
  Request ARequest;
  explicit Fixture(const std::string& Url) {
    AClient.BaseURL = Url;
    ARequest.Client = &AClient;
    ARequest.Response = &AResponse;
  }
};

TEST(RestClient, OversizedBodyFailsAndLeavesTheResponseEmpty) {
  EchoServer Server([](const Received&) { return Answer("200 OK", std::string(5000, 'x')); });
  Fixture F(Server.Url());
  F.ARequest.MaxResponseBodyBytes = 4096;
  try {
    F.ARequest.Execute();
    ADD_FAILURE() << "no error";
  } catch (const Exception& E) {
    EXPECT_THAT(E.Message(), HasSubstr("exceeds 4096 bytes"));
  }
  EXPECT_EQ(F.AResponse.StatusCode(), 0);
  EXPECT_TRUE(F.AResponse.RawBytes().empty());
  EXPECT_TRUE(F.AResponse.Headers().Empty());
}

TEST(RestClient, RedirectShowsOnlyTheFinalAnswer) {
  EchoServer Server([](const Received& R) {
    if (R.Path() == "/old") return Answer("302 Found", "", {"Location: /new", "x-first: 1"});
    return Answer("200 OK", "moved", {"x-final: 1"});
  });
  Fixture F(Server.Url() + "/old");
  F.ARequest.Execute();
  EXPECT_EQ(F.AResponse.StatusCode(), 200);
  EXPECT_EQ(F.AResponse.Headers().Values("x-final"), "1");
  EXPECT_EQ(F.AResponse.Headers().IndexOfName("x-first"), -1);
  EXPECT_EQ(Server.Last().Target, "/new");
}

TEST(RestClient, OnlyHttpAddressesAreFetched) {
  Fixture F("file:///etc/hostname");
  EXPECT_THROW(F.ARequest.Execute(), Exception);
  EXPECT_TRUE(F.AResponse.RawBytes().empty());
}

}  // namespace
}  // namespace bramble::rest
