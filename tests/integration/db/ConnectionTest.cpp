// Connecting to each kind of server: good and bad credentials, unknown databases, missing
// client libraries and driver identifiers, the before-connect event, SQL Server's failure path.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/core/Exception.h"
#include "tests/integration/db/DbTestSupport.h"

namespace bramble::dbtest {
namespace {

using ::testing::HasSubstr;

std::string ConnectError(TFDConnection& c) {
  try {
    c.Open();
  } catch (const Exception& e) {
    EXPECT_FALSE(c.Connected());
    return e.what();
  }
  return "(connected)";
}

struct ServerErrors {
  Server server;
  const char* badPassword;  // the server's own text for a rejected login
  const char* badDatabase;  // … and for a database that does not exist
};

void PrintTo(const ServerErrors& p, std::ostream* os) {
  *os << p.server.kind;
}

class ConnectTest : public ::testing::TestWithParam<ServerErrors> {};

TEST_P(ConnectTest, ConnectsAndPassesOnTheServersOwnErrors) {
  const auto& p = GetParam();
  TestConnection c(p.server);
  REQUIRE_SERVER(c, p.server);
  c->Open();
  EXPECT_TRUE(c->Connected());
  c->Close();
  EXPECT_FALSE(c->Connected());
  c->Close();  // closing twice is harmless

  if (p.server.kind != "SQLite") {
    TestConnection bad(p.server);
    bad->Params().SetPassword("wrong-password");
    EXPECT_THAT(ConnectError(*bad), HasSubstr(p.badPassword));
  }
  TestConnection missing(p.server);
  missing->Params().SetDatabase(p.server.kind == "SQLite" || p.server.driver == "FB" ||
                                        p.server.driver == "IB"
                                    ? "/nonexistent-dir/none.db"
                                    : "no_such_database_xyz");
  EXPECT_THAT(ConnectError(*missing), HasSubstr(p.badDatabase));
}

INSTANTIATE_TEST_SUITE_P(
    Servers, ConnectTest,
    ::testing::Values(
        ServerErrors{kSQLite, "", "unable to open database file"},
        ServerErrors{kPG, "password authentication failed", "does not exist"},
        ServerErrors{kMySQL, "Access denied for user", "no_such_database_xyz"},
        ServerErrors{kFB, "user name and password are not defined", "/nonexistent-dir/none.db"},
        ServerErrors{kIB, "user name and password are not defined", "/nonexistent-dir/none.db"}),
    [](const auto& info) { return info.param.server.kind; });

class ClientLibraryTest : public ::testing::TestWithParam<Server> {};

TEST_P(ClientLibraryTest, MissingClientLibraryIsAClearErrorNotACrash) {
  Server server = GetParam();
  TestConnection c(server);
  // The library is loaded before anything else, so no server is needed for this.
  c.Link().SetVendorLib("/nonexistent/libclient.so");
  EXPECT_THAT(ConnectError(*c), HasSubstr("cannot load client library /nonexistent/libclient.so"));
  // A library that exists but is not the vendor's: its functions are missing
  c.Link().SetVendorLib("libz.so.1");
  EXPECT_THAT(ConnectError(*c), HasSubstr("cannot load client library libz.so.1"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, ClientLibraryTest,
                         ::testing::Values(kSQLite, kPG, kMySQL, kFB, kIB,
                                           Server{"MSSQL", "MSSQL", "", ""}),
                         [](const auto& info) { return info.param.kind; });

TEST(DriverLinkTest, AConnectionWithoutAttachedLinksUsesTheNewestLiveLinkOfItsDriver) {
  TFDConnection c;
  c.SetDriverName("SQLite");
  c.Params().SetDatabase(":memory:");
  {
    TFDPhysSQLiteDriverLink older, newer;
    older.SetVendorLib("/nonexistent/older.so");
    newer.SetVendorLib("/nonexistent/newer.so");
    EXPECT_THAT(ConnectError(c), HasSubstr("/nonexistent/newer.so"));
  }
  c.Open();  // the links are gone: the system's library again
  EXPECT_TRUE(c.Connected());
}

TEST(DriverNameTest, EmptyOrUnknownDriverFailsWithAClearMessage) {
  TFDConnection c;
  EXPECT_THAT(ConnectError(c), HasSubstr("Driver name is not set"));
  c.SetDriverName("Oracle");
  EXPECT_THAT(ConnectError(c), HasSubstr("Unknown driver name \"Oracle\""));
  c.SetDriverName("pg");  // identifiers are exact
  EXPECT_THAT(ConnectError(c), HasSubstr("Unknown driver name \"pg\""));
}

TEST(SqlServerTest, LoadsFreeTdsAndReportsARefusedConnection) {
  TFDConnection c;
  c.SetDriverName("MSSQL");
  c.Params().SetValue("Server", "127.0.0.1");
  c.Params().SetValue("Port", std::to_string(ClosedPort()));
  c.Params().SetUserName("sa");
  c.Params().SetPassword("x");
  EXPECT_THAT(ConnectError(c), HasSubstr("Unable to connect"));
}

TEST(BeforeConnectTest, RunsBeforeEveryConnectAndMayConfigureTheConnection) {
  TestConnection c(kSQLite);
  std::string database = c->Params().Database();
  int calls = 0;
  c->SetDriverName("");
  c->Params().SetDatabase("");
  c->BeforeConnect = [&](TFDConnection& self) {
    ++calls;
    self.SetDriverName("SQLite");
    self.Params().SetDatabase(database);
  };
  c->Open();
  c->Open();  // already connected: no second connect
  EXPECT_EQ(calls, 1);
  c->Close();
  c->SetConnected(true);
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(c->Connected());
}

TEST(ParamsTest, PortMustBeANumberAndNamesIgnoreCase) {
  TestConnection c(kSQLite);
  c->Params().SetValue("port", "0");
  EXPECT_EQ(c->Params().Value("PORT"), "0");
  c->Open();  // port 0: the driver's default
  c->Close();
  c->Params().SetValue("Port", "54x");
  EXPECT_THAT(ConnectError(*c), HasSubstr("Invalid port \"54x\""));
}

}  // namespace
}  // namespace bramble::dbtest
