#include "tests/integration/db/DbTestSupport.h"

#include "platform/core/Exception.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace bramble::dbtest {

namespace {

std::string Env(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value ? value : "";
}

std::unique_ptr<TFDPhysDriverLink> MakeLink(const std::string& driver) {
  if (driver == "FB") return std::make_unique<TFDPhysFBDriverLink>();
  if (driver == "IB") return std::make_unique<TFDPhysIBDriverLink>();
  if (driver == "PG") return std::make_unique<TFDPhysPgDriverLink>();
  if (driver == "MySQL") return std::make_unique<TFDPhysMySQLDriverLink>();
  if (driver == "MSSQL") return std::make_unique<TFDPhysMSSQLDriverLink>();
  return std::make_unique<TFDPhysSQLiteDriverLink>();
}

}  // namespace

TestConnection::TestConnection(const Server& server) : link_(MakeLink(server.driver)) {
  link_->SetVendorLib(server.vendorLib);
  connection_.AddDriverLink(link_.get());
  connection_.SetDriverName(server.driver);
  connection_.SetLoginPrompt(false);
  if (server.envPrefix.empty()) {
    sqliteFile_ = "/tmp/" + UniqueName("bramble_db_test") + ".sqlite";
    connection_.Params().SetDatabase(sqliteFile_);
    available_ = true;
    return;
  }
  const std::string& p = server.envPrefix;
  if (Env(p + "HOST").empty() || Env(p + "DATABASE").empty()) return;
  connection_.Params().SetValue("Server", Env(p + "HOST"));
  connection_.Params().SetValue("Port", Env(p + "PORT"));
  connection_.Params().SetValue("CharacterSet", "");
  connection_.Params().SetDatabase(Env(p + "DATABASE"));
  connection_.Params().SetUserName(Env(p + "USER"));
  connection_.Params().SetPassword(Env(p + "PASSWORD"));
  available_ = true;
}

TestConnection::~TestConnection() {
  connection_.Close();
  if (!sqliteFile_.empty()) std::remove(sqliteFile_.c_str());
}

void ExecDdl(TFDConnection& connection, const std::string& sql) {
  constexpr int kAttempts = 50;
  for (int attempt = 1;; ++attempt) {
    try {
      connection.ExecSQL(sql);
      return;
    } catch (const Exception& e) {
      if (attempt == kAttempts ||
          std::string(e.what()).find("concurrent update") == std::string::npos)
        throw;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20 * attempt));
  }
}

bool ServersRequired() {
  return Env("BRAMBLE_DB_REQUIRED") == "1";
}

std::string UniqueName(const std::string& prefix) {
  static std::atomic<int> counter{0};
  return prefix + "_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
}

int ClosedPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);  // bound but never listening: connections to it are refused
  return ntohs(address.sin_port);
}

}  // namespace bramble::dbtest
