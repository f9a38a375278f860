#pragma once
// Driver links: per-driver settings of the data-access layer, chiefly the client library to
// load (VendorLib). A connection uses the link for its driver identifier when it connects:
// the link attached to it with TFDConnection::AddDriverLink, otherwise the most recently
// created link for that identifier that still exists in the process.
#include <string>

namespace bramble {

class TFDPhysDriverLink {
 public:
  explicit TFDPhysDriverLink(std::string driverId);
  virtual ~TFDPhysDriverLink();
  TFDPhysDriverLink(const TFDPhysDriverLink&) = delete;
  TFDPhysDriverLink& operator=(const TFDPhysDriverLink&) = delete;

  const std::string& DriverID() const { return driverId_; }
  // Path or file name of the client library; empty means the system's default for the driver.
  std::string VendorLib() const;
  void SetVendorLib(const std::string& path);

  // The VendorLib of the link a connection without attached links uses for `driverId`
  // (the most recently created one that still exists); empty when there is none. Read under
  // the links' lock, so another thread may destroy its links meanwhile.
  static std::string FindVendorLib(const std::string& driverId);

 private:
  std::string driverId_;
  std::string vendorLib_;
};

class TFDPhysFBDriverLink : public TFDPhysDriverLink {
 public:
  TFDPhysFBDriverLink() : TFDPhysDriverLink("FB") {}
};
class TFDPhysIBDriverLink : public TFDPhysDriverLink {
 public:
  TFDPhysIBDriverLink() : TFDPhysDriverLink("IB") {}
};
class TFDPhysPgDriverLink : public TFDPhysDriverLink {
 public:
  TFDPhysPgDriverLink() : TFDPhysDriverLink("PG") {}
};
class TFDPhysMySQLDriverLink : public TFDPhysDriverLink {
 public:
  TFDPhysMySQLDriverLink() : TFDPhysDriverLink("MySQL") {}
};
class TFDPhysMSSQLDriverLink : public TFDPhysDriverLink {
 public:
  TFDPhysMSSQLDriverLink() : TFDPhysDriverLink("MSSQL") {}
};
class TFDPhysSQLiteDriverLink : public TFDPhysDriverLink {
 public:
  TFDPhysSQLiteDriverLink() : TFDPhysDriverLink("SQLite") {}
};

}  // namespace bramble
