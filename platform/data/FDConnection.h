#pragma once
// A database connection of the data-access layer: a driver identifier ("FB", "IB", "PG",
// "MySQL", "MSSQL", "SQLite"), connection parameters and a before-connect event. It connects
// on Open (or on demand, when a query needs it) and runs each command in its own transaction.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace bramble {

namespace drivers {
class Connection;
class ResultSink;
}  // namespace drivers

class TFDPhysDriverLink;

// Name=value connection parameters; names compare without regard to letter case.
// Recognised: "Server", "Port" (0 or empty: the driver's default), "CharacterSet" (empty:
// UTF-8), "Database", "User_Name", "Password".
class TFDConnectionParams {
 public:
  std::string Value(const std::string& name) const;  // empty when absent
  void SetValue(const std::string& name, const std::string& value);
  void Clear() { values_.clear(); }

  std::string Database() const { return Value("Database"); }
  void SetDatabase(const std::string& v) { SetValue("Database", v); }
  std::string UserName() const { return Value("User_Name"); }
  void SetUserName(const std::string& v) { SetValue("User_Name", v); }
  std::string Password() const { return Value("Password"); }
  void SetPassword(const std::string& v) { SetValue("Password", v); }

 private:
  struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  std::map<std::string, std::string, NoCase> values_;
};

class TFDConnection {
 public:
  TFDConnection();
  ~TFDConnection();
  TFDConnection(const TFDConnection&) = delete;
  TFDConnection& operator=(const TFDConnection&) = delete;

  const std::string& DriverName() const { return driverName_; }
  void SetDriverName(const std::string& id) { driverName_ = id; }
  TFDConnectionParams& Params() { return params_; }
  const TFDConnectionParams& Params() const { return params_; }
  // There is no interactive login anywhere; the flag is kept for callers that set it.
  bool LoginPrompt() const { return loginPrompt_; }
  void SetLoginPrompt(bool v) { loginPrompt_ = v; }

  // Runs before every connect, so it can fill in the driver and parameters.
  std::function<void(TFDConnection&)> BeforeConnect;

  // Uses `link` (not owned; it must outlive its use here) for its driver identifier instead
  // of the process-wide lookup of TFDPhysDriverLink::FindVendorLib. Attach the links when
  // several connections with different client libraries may connect at the same time.
  void AddDriverLink(const TFDPhysDriverLink* link);

  bool Connected() const { return session_ != nullptr; }
  void SetConnected(bool value) { value ? Open() : Close(); }
  // Connects when not connected: runs BeforeConnect, loads the driver's client library and
  // logs in. Errors raise bramble::Exception with the driver's or the database's message.
  void Open();
  // Disconnects; nothing happens when not connected.
  void Close();

  // Runs `sql` as one command (connecting on demand) and commits it.
  void ExecSQL(const std::string& sql);
  // Runs `sql` as one command and hands its result sets to `sink` (connecting on demand).
  void Execute(const std::string& sql, drivers::ResultSink* sink);

 private:
  std::string driverName_;
  TFDConnectionParams params_;
  bool loginPrompt_ = false;
  std::vector<const TFDPhysDriverLink*> links_;
  std::unique_ptr<drivers::Connection> session_;
};

}  // namespace bramble
