// Microsoft SQL Server through FreeTDS's db-lib (libsybdb) loaded at run time. db-lib reports
// errors through process-wide callbacks; they append to the message list of the calling
// thread's current operation, so concurrent connections on other threads stay apart.
#include <sybdb.h>

#include <cmath>
#include <cstring>

#include "platform/core/Exception.h"
#include "platform/data/drivers/ClientLibrary.h"
#include "platform/data/drivers/Driver.h"
#include "platform/data/drivers/ValueText.h"

namespace bramble::drivers {

namespace {

constexpr const char* kDefaultLibrary = "libsybdb.so.5";
constexpr int kDefaultPort = 1433;
constexpr int kLoginTimeoutSeconds = 15;
constexpr int kMaxInformationalSeverity = 10;  // server messages above this are errors
constexpr DBINT kTextBuffer = 512;             // room for a converted number, date or GUID
constexpr int kDaysFrom1900To1970 = 25567;     // DBDATETIME counts days from 1900-01-01

// TDS type codes that db-lib may hand through unchanged but sybdb.h does not name
enum : int {
  kUniqueIdentifier = 36,
  kTdsVarBinary = 165,
  kTdsVarChar = 167,
  kTdsBinary = 173,
  kTdsChar = 175,
  kTdsNVarChar = 231,
  kTdsNChar = 239,
};

thread_local std::string* tCurrentMessages = nullptr;

int OnError(DBPROCESS*, int, int, int oserr, char* dberrstr, char* oserrstr) {
  if (tCurrentMessages) {
    if (!tCurrentMessages->empty()) *tCurrentMessages += '\n';
    *tCurrentMessages += dberrstr ? dberrstr : "unknown error";
    if (oserr != 0 && oserrstr && *oserrstr)
      *tCurrentMessages += std::string(" (") + oserrstr + ")";
  }
  return INT_CANCEL;
}

int OnMessage(DBPROCESS*, DBINT, int, int severity, char* msgtext, char*, char*, int) {
  if (tCurrentMessages && severity > kMaxInformationalSeverity && msgtext) {
    if (!tCurrentMessages->empty()) *tCurrentMessages += '\n';
    *tCurrentMessages += msgtext;
  }
  return 0;
}

struct TdsApi {
  decltype(&::dbinit) dbinit;
  decltype(&::dberrhandle) dberrhandle;
  decltype(&::dbmsghandle) dbmsghandle;
  decltype(&::dbsetlogintime) dbsetlogintime;
  decltype(&::dblogin) dblogin;
  decltype(&::dbloginfree) dbloginfree;
  decltype(&::dbsetlname) dbsetlname;
  decltype(&::dbsetlversion) dbsetlversion;
  decltype(&::tdsdbopen) tdsdbopen;
  decltype(&::dbclose) dbclose;
  decltype(&::dbcmd) dbcmd;
  decltype(&::dbsqlexec) dbsqlexec;
  decltype(&::dbresults) dbresults;
  decltype(&::dbnumcols) dbnumcols;
  decltype(&::dbcolname) dbcolname;
  decltype(&::dbcoltype) dbcoltype;
  decltype(&::dbcollen) dbcollen;
  decltype(&::dbcoltypeinfo) dbcoltypeinfo;
  decltype(&::dbnextrow) dbnextrow;
  decltype(&::dbdata) dbdata;
  decltype(&::dbdatlen) dbdatlen;
  decltype(&::dbconvert) dbconvert;
  decltype(&::dbcancel) dbcancel;

  explicit TdsApi(const ClientLibrary& lib) {
    BRAMBLE_BIND(lib, dbinit);
    BRAMBLE_BIND(lib, dberrhandle);
    BRAMBLE_BIND(lib, dbmsghandle);
    BRAMBLE_BIND(lib, dbsetlogintime);
    BRAMBLE_BIND(lib, dblogin);
    BRAMBLE_BIND(lib, dbloginfree);
    BRAMBLE_BIND(lib, dbsetlname);
    BRAMBLE_BIND(lib, dbsetlversion);
    BRAMBLE_BIND(lib, tdsdbopen);
    BRAMBLE_BIND(lib, dbclose);
    BRAMBLE_BIND(lib, dbcmd);
    BRAMBLE_BIND(lib, dbsqlexec);
    BRAMBLE_BIND(lib, dbresults);
    BRAMBLE_BIND(lib, dbnumcols);
    BRAMBLE_BIND(lib, dbcolname);
    BRAMBLE_BIND(lib, dbcoltype);
    BRAMBLE_BIND(lib, dbcollen);
    BRAMBLE_BIND(lib, dbcoltypeinfo);
    BRAMBLE_BIND(lib, dbnextrow);
    BRAMBLE_BIND(lib, dbdata);
    BRAMBLE_BIND(lib, dbdatlen);
    BRAMBLE_BIND(lib, dbconvert);
    BRAMBLE_BIND(lib, dbcancel);
    // Global set-up, once per library, under the API cache's lock
    if (dbinit() == FAIL) throw Exception("cannot initialise client library " + lib.Name());
    dberrhandle(OnError);
    dbmsghandle(OnMessage);
    dbsetlogintime(kLoginTimeoutSeconds);
  }
};

// Collects the callbacks' messages for the duration of one db-lib call sequence.
class MessageScope {
 public:
  MessageScope() : previous_(tCurrentMessages) { tCurrentMessages = &messages_; }
  ~MessageScope() { tCurrentMessages = previous_; }
  [[noreturn]] void Fail(const char* fallback) {
    throw Exception(messages_.empty() ? fallback : messages_);
  }

 private:
  std::string messages_;
  std::string* previous_;
};

ColumnInfo MapType(const char* name, int type, DBINT length, const DBTYPEINFO* info) {
  ColumnInfo c{name ? name : ""};
  using enum TFieldType;
  switch (type) {
    case SYBINT1:
    case SYBINT2:
      c.type = ftSmallint;
      break;  // tinyint is 0..255
    case SYBINT4:
      c.type = ftInteger;
      break;
    case SYBINT8:
      c.type = ftLargeint;
      break;
    case SYBINTN:
      c.type = length <= 2 ? ftSmallint : length == 4 ? ftInteger : ftLargeint;
      break;
    case SYBBIT:
    case SYBBITN:
      c.type = ftBoolean;
      break;
    case SYBREAL:
      c.type = ftSingle;
      break;
    case SYBFLT8:
      c.type = ftFloat;
      break;
    case SYBFLTN:
      c.type = length == 4 ? ftSingle : ftFloat;
      break;
    case SYBDECIMAL:
    case SYBNUMERIC:
      c.type = ftFMTBcd;
      c.size = info ? info->scale : 0;
      break;
    case SYBMONEY:
    case SYBMONEY4:
    case SYBMONEYN:
      c.type = ftCurrency;
      break;
    case SYBDATETIME:
    case SYBDATETIME4:
    case SYBDATETIMN:
    case SYBMSDATETIME2:
      c.type = ftDateTime;
      break;
    case SYBMSDATE:
      c.type = ftDate;
      break;
    case SYBMSTIME:
      c.type = ftTime;
      break;
    case SYBCHAR:
    case SYBVARCHAR:
    case SYBNVARCHAR:
    case kTdsChar:
    case kTdsVarChar:
    case kTdsNChar:
    case kTdsNVarChar:
      if (length > 0 && length < 0x7FFFFFFF) {
        c.type = ftWideString;
        c.size = length;
      } else {
        c.type = ftWideMemo;  // varchar(max)
      }
      break;
    case kUniqueIdentifier:
      c.type = ftWideString;
      c.size = 36;
      break;
    case SYBTEXT:
    case SYBNTEXT:
      c.type = ftWideMemo;
      break;
    case SYBBINARY:
    case SYBVARBINARY:
    case kTdsBinary:
    case kTdsVarBinary:
    case SYBIMAGE:
      c.type = ftBlob;
      break;
    default:
      c.type = ftWideMemo;
      break;  // xml, sql_variant, …: converted to text
  }
  return c;
}

class TdsConnection : public Connection {
 public:
  TdsConnection(std::shared_ptr<const TdsApi> api, const ConnectParams& p) : api_(std::move(api)) {
    MessageScope scope;
    LOGINREC* login = api_->dblogin();
    if (!login) scope.Fail("out of memory");
    api_->dbsetlname(login, p.userName.c_str(), DBSETUSER);
    api_->dbsetlname(login, p.password.c_str(), DBSETPWD);
    api_->dbsetlname(login, "Bramble", DBSETAPP);
    api_->dbsetlname(login, IsUtf8Name(p.characterSet) ? "UTF-8" : p.characterSet.c_str(),
                     DBSETCHARSET);
    if (!p.database.empty()) api_->dbsetlname(login, p.database.c_str(), DBSETDBNAME);
    api_->dbsetlversion(login, DBVERSION_74);
    std::string server = p.server.empty() ? "localhost" : p.server;
    // "host:port"; a named instance ("host\instance") finds its own port
    if (server.find('\\') == std::string::npos)
      server += ":" + std::to_string(p.port != 0 ? p.port : kDefaultPort);
    proc_ = api_->tdsdbopen(login, server.c_str(), 1);
    api_->dbloginfree(login);
    if (!proc_) scope.Fail("cannot connect to the server");
  }
  ~TdsConnection() override { api_->dbclose(proc_); }

  void Execute(const std::string& sql, ResultSink* sink) override {
    MessageScope scope;
    if (api_->dbcmd(proc_, sql.c_str()) == FAIL || api_->dbsqlexec(proc_) == FAIL)
      scope.Fail("command failed");
    RETCODE rc;
    while ((rc = api_->dbresults(proc_)) != NO_MORE_RESULTS) {
      if (rc == FAIL) scope.Fail("command failed");
      int n = api_->dbnumcols(proc_);
      if (n == 0) continue;
      columns_.clear();
      types_.clear();
      for (int i = 1; i <= n; ++i) {
        types_.push_back(api_->dbcoltype(proc_, i));
        columns_.push_back(MapType(api_->dbcolname(proc_, i), types_.back(),
                                   api_->dbcollen(proc_, i), api_->dbcoltypeinfo(proc_, i)));
      }
      if (sink) sink->BeginResult(columns_);
      STATUS row;
      while ((row = api_->dbnextrow(proc_)) != NO_MORE_ROWS) {
        if (row == FAIL) scope.Fail("fetch failed");
        if (row != REG_ROW || !sink) continue;
        sink->BeginRow();
        for (int i = 0; i < n; ++i) EmitValue(i, *sink);
        sink->EndRow();
      }
    }
  }

 private:
  template <class T>
  static T Read(const BYTE* data) {
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
  }

  std::string ConvertToText(int type, const BYTE* data, DBINT length) {
    char buffer[kTextBuffer];
    DBINT n = api_->dbconvert(proc_, type, data, length, SYBCHAR, reinterpret_cast<BYTE*>(buffer),
                              sizeof buffer);
    if (n < 0)
      throw Exception("cannot convert a value of type " + std::to_string(type) + " to text");
    return std::string(buffer, static_cast<size_t>(n));
  }

  void EmitValue(int i, ResultSink& sink) {
    const BYTE* data = api_->dbdata(proc_, i + 1);
    DBINT length = api_->dbdatlen(proc_, i + 1);
    if (!data) return sink.Null(i);
    int type = types_[i];
    using enum TFieldType;
    switch (columns_[i].type) {
      case ftSmallint:
      case ftInteger:
      case ftLargeint:
        switch (length) {
          case 1:
            return sink.Int(i, Read<std::uint8_t>(data));
          case 2:
            return sink.Int(i, Read<std::int16_t>(data));
          case 4:
            return sink.Int(i, Read<std::int32_t>(data));
          default:
            return sink.Int(i, Read<std::int64_t>(data));
        }
      case ftBoolean:
        return sink.Bool(i, data[0] != 0);
      case ftSingle:
      case ftFloat:
        return sink.Float(
            i, length == 4 ? static_cast<double>(Read<float>(data)) : Read<double>(data));
      case ftFMTBcd:
      case ftCurrency:
        return sink.Decimal(i, CanonicalDecimal(ConvertToText(type, data, length)));
      case ftDate:
      case ftTime:
      case ftDateTime: {
        DBDATETIME dt{};
        if (type == SYBDATETIME) {
          std::memcpy(&dt, data, sizeof dt);
        } else if (api_->dbconvert(proc_, type, data, length, SYBDATETIME,
                                   reinterpret_cast<BYTE*>(&dt), sizeof dt) < 0) {
          throw Exception("cannot convert a date value of column " + columns_[i].name);
        }
        DateTimeValue v;
        if (columns_[i].type != ftTime)
          CivilFromDays(dt.dtdays - kDaysFrom1900To1970, v.year, v.month, v.day);
        if (columns_[i].type != ftDate) {
          // dttime counts 1/300 s since midnight
          auto ms = static_cast<std::int64_t>(std::llround(dt.dttime * 10.0 / 3.0));
          v.hour = static_cast<int>(ms / 3600000);
          v.minute = static_cast<int>(ms / 60000 % 60);
          v.second = static_cast<int>(ms / 1000 % 60);
          v.millisecond = static_cast<int>(ms % 1000);
        }
        return sink.DateTime(i, v);
      }
      case ftBlob:
        return sink.Bytes(
            i, std::string_view(reinterpret_cast<const char*>(data), static_cast<size_t>(length)));
      default:
        switch (type) {
          case SYBCHAR:
          case SYBVARCHAR:
          case SYBNVARCHAR:
          case kTdsChar:
          case kTdsVarChar:
          case kTdsNChar:
          case kTdsNVarChar:
          case SYBTEXT:
          case SYBNTEXT:
            return sink.Text(i, std::string_view(reinterpret_cast<const char*>(data),
                                                 static_cast<size_t>(length)));
          default:
            return sink.Text(i, ConvertToText(type, data, length));
        }
    }
  }

  std::shared_ptr<const TdsApi> api_;
  DBPROCESS* proc_ = nullptr;
  std::vector<ColumnInfo> columns_;
  std::vector<int> types_;
};

}  // namespace

std::unique_ptr<Connection> ConnectMSSQL(const ConnectParams& params) {
  auto api = LoadClientApi<TdsApi>(params.vendorLib, kDefaultLibrary);
  return std::make_unique<TdsConnection>(std::move(api), params);
}

}  // namespace bramble::drivers
