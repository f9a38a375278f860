#include "platform/data/FDConnection.h"

#include <strings.h>
#include <charconv>

#include "platform/core/Exception.h"
#include "platform/data/DriverLink.h"
#include "platform/data/drivers/Driver.h"

namespace bramble {

bool TFDConnectionParams::NoCase::operator()(const std::string& a, const std::string& b) const {
  return strcasecmp(a.c_str(), b.c_str()) < 0;
}

std::string TFDConnectionParams::Value(const std::string& name) const {
  auto found = values_.find(name);
  return found == values_.end() ? std::string() : found->second;
}

void TFDConnectionParams::SetValue(const std::string& name, const std::string& value) {
  values_[name] = value;
}

TFDConnection::TFDConnection() = default;
TFDConnection::~TFDConnection() = default;

void TFDConnection::AddDriverLink(const TFDPhysDriverLink* link) {
  if (link) links_.push_back(link);
}

void TFDConnection::Open() {
  if (session_) return;
  if (BeforeConnect) BeforeConnect(*this);
  if (driverName_.empty()) throw Exception("Driver name is not set: cannot connect");
  if (!drivers::IsKnownDriver(driverName_))
    throw Exception("Unknown driver name \"" + driverName_ +
                    "\" (known: FB, IB, PG, MySQL, MSSQL, SQLite)");

  drivers::ConnectParams p;
  p.server = params_.Value("Server");
  std::string port = params_.Value("Port");
  if (!port.empty()) {
    auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), p.port);
    if (ec != std::errc() || end != port.data() + port.size() || p.port < 0 || p.port > 65535)
      throw Exception("Invalid port \"" + port + "\"");
  }
  p.characterSet = params_.Value("CharacterSet");
  p.database = params_.Database();
  p.userName = params_.UserName();
  p.password = params_.Password();
  const TFDPhysDriverLink* link = nullptr;
  for (auto it = links_.rbegin(); it != links_.rend() && !link; ++it)
    if ((*it)->DriverID() == driverName_) link = *it;
  p.vendorLib = link ? link->VendorLib() : TFDPhysDriverLink::FindVendorLib(driverName_);
  session_ = drivers::OpenConnection(driverName_, p);
}

void TFDConnection::Close() {
  session_.reset();
}

void TFDConnection::ExecSQL(const std::string& sql) {
  Execute(sql, nullptr);
}

void TFDConnection::Execute(const std::string& sql, drivers::ResultSink* sink) {
  Open();
  session_->Execute(sql, sink);
}

}  // namespace bramble
