#pragma once
// Which database servers the tests reach, from the environment that scripts/dbservers
// prints: BRAMBLE_PG_*, BRAMBLE_MY_*, BRAMBLE_FB_* (HOST, PORT, USER, PASSWORD, DATABASE).
// SQLite needs no server and always runs. When BRAMBLE_DB_REQUIRED=1, a server whose
// variables are missing fails its tests instead of skipping them.
#include <memory>
#include <ostream>
#include <string>

#include "platform/data/DriverLink.h"
#include "platform/data/FDConnection.h"

namespace bramble::dbtest {

struct Server {
  std::string kind;       // test name: SQLite, PG, MySQL, FB, IB
  std::string driver;     // driver identifier
  std::string envPrefix;  // BRAMBLE_PG_ etc.; empty for SQLite
  std::string vendorLib;  // client library to give the driver link; empty for the default
};

// Test parameters print as their kind's name.
inline void PrintTo(const Server& server, std::ostream* os) {
  *os << server.kind;
}

// All kinds under test, InterBase through the Firebird client library.
const Server kSQLite{"SQLite", "SQLite", "", ""};
const Server kPG{"PG", "PG", "BRAMBLE_PG_", ""};
const Server kMySQL{"MySQL", "MySQL", "BRAMBLE_MY_", ""};
const Server kFB{"FB", "FB", "BRAMBLE_FB_", ""};
const Server kIB{"IB", "IB", "BRAMBLE_FB_", "libfbclient.so.2"};

// A connection set up for `server`, with its own driver link attached.
class TestConnection {
 public:
  explicit TestConnection(const Server& server);
  ~TestConnection();
  // False when the server's variables are not set.
  bool Available() const { return available_; }
  TFDConnection& operator*() { return connection_; }
  TFDConnection* operator->() { return &connection_; }
  TFDConnection* get() { return &connection_; }
  TFDPhysDriverLink& Link() { return *link_; }

 private:
  TFDConnection connection_;
  std::unique_ptr<TFDPhysDriverLink> link_;
  std::string sqliteFile_;
  bool available_ = false;
};

// Runs a DDL statement. Firebird fails DDL that runs at the same time as DDL of another
// session on the same database ("update conflicts with concurrent update" on its system
// tables); tests in parallel processes share one database, so such a statement is retried.
void ExecDdl(TFDConnection& connection, const std::string& sql);

// True when missing servers must fail the tests (BRAMBLE_DB_REQUIRED=1).
bool ServersRequired();

// A table name no other test process uses: prefix, process id and a counter.
std::string UniqueName(const std::string& prefix);

// A TCP port on 127.0.0.1 on which nothing listens (bound once, then released).
int ClosedPort();

}  // namespace bramble::dbtest

// Skips the current test (or fails it, when servers are required) if `connection` has no server.
#define REQUIRE_SERVER(connection, server)                                                        \
  do {                                                                                            \
    if (!(connection).Available()) {                                                              \
      if (::bramble::dbtest::ServersRequired())                                                   \
        FAIL() << (server).kind << ": " << (server).envPrefix                                     \
               << "* not set although BRAMBLE_DB_REQUIRED=1 (did scripts/dbservers start fail?)"; \
      GTEST_SKIP() << (server).kind << " server not configured (" << (server).envPrefix << "*)";  \
    }                                                                                             \
  } while (0)
