#include "platform/data/drivers/Driver.h"

#include "platform/core/Exception.h"

namespace bramble::drivers {

namespace {

// InterBase's client library has the Firebird API under another name.
constexpr const char* kFirebirdLibrary = "libfbclient.so.2";
constexpr const char* kInterBaseLibrary = "libgds.so";

}  // namespace

bool IsKnownDriver(const std::string& id) {
  return id == "FB" || id == "IB" || id == "PG" || id == "MySQL" || id == "MSSQL" || id == "SQLite";
}

std::unique_ptr<Connection> OpenConnection(const std::string& id, const ConnectParams& params) {
  if (id == "SQLite") return ConnectSQLite(params);
  if (id == "PG") return ConnectPostgres(params);
  if (id == "MySQL") return ConnectMySQL(params);
  if (id == "FB") return ConnectFirebird(params, kFirebirdLibrary);
  if (id == "IB") return ConnectFirebird(params, kInterBaseLibrary);
  if (id == "MSSQL") return ConnectMSSQL(params);
  if (id.empty()) throw Exception("driver name not given");
  throw Exception("unknown driver name \"" + id + "\"");
}

}  // namespace bramble::drivers
