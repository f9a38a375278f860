// PostgreSQL through libpq loaded at run time. Rows arrive in single-row mode (one small
// result per row instead of the whole result set in one block), in libpq's text format.
#include <libpq-fe.h>

#include "platform/core/Exception.h"
#include "platform/data/drivers/ClientLibrary.h"
#include "platform/data/drivers/Driver.h"
#include "platform/data/drivers/Transcoder.h"
#include "platform/data/drivers/ValueText.h"

namespace bramble::drivers {

namespace {

constexpr const char* kDefaultLibrary = "libpq.so.5";
constexpr const char* kConnectTimeoutSeconds = "15";
// Server settings the value parsers rely on: ISO dates, hex bytea, round-trip floats.
constexpr const char* kSessionOptions =
    "-c DateStyle=ISO,YMD -c bytea_output=hex -c extra_float_digits=3";
constexpr int kVarHeader = 4;  // type modifiers of char/varchar/numeric carry a 4-byte header

// Type OIDs (pg_type.oid) of the built-in types mapped to their own kinds.
enum Oid : unsigned {
  kBool = 16,
  kBytea = 17,
  kChar = 18,
  kName = 19,
  kInt8 = 20,
  kInt2 = 21,
  kInt4 = 23,
  kText = 25,
  kOid = 26,
  kJson = 114,
  kXml = 142,
  kFloat4 = 700,
  kFloat8 = 701,
  kMoney = 790,
  kBpchar = 1042,
  kVarchar = 1043,
  kDate = 1082,
  kTime = 1083,
  kTimestamp = 1114,
  kTimestampTz = 1184,
  kTimeTz = 1266,
  kNumeric = 1700,
  kUuid = 2950,
  kJsonb = 3802,
};

struct PgApi {
  decltype(&::PQconnectdbParams) PQconnectdbParams;
  decltype(&::PQstatus) PQstatus;
  decltype(&::PQerrorMessage) PQerrorMessage;
  decltype(&::PQfinish) PQfinish;
  decltype(&::PQsetNoticeProcessor) PQsetNoticeProcessor;
  decltype(&::PQsendQuery) PQsendQuery;
  decltype(&::PQsetSingleRowMode) PQsetSingleRowMode;
  decltype(&::PQgetResult) PQgetResult;
  decltype(&::PQresultStatus) PQresultStatus;
  decltype(&::PQresultErrorMessage) PQresultErrorMessage;
  decltype(&::PQclear) PQclear;
  decltype(&::PQntuples) PQntuples;
  decltype(&::PQnfields) PQnfields;
  decltype(&::PQfname) PQfname;
  decltype(&::PQftype) PQftype;
  decltype(&::PQfmod) PQfmod;
  decltype(&::PQgetvalue) PQgetvalue;
  decltype(&::PQgetlength) PQgetlength;
  decltype(&::PQgetisnull) PQgetisnull;
  decltype(&::PQputCopyEnd) PQputCopyEnd;
  decltype(&::PQgetCopyData) PQgetCopyData;
  decltype(&::PQfreemem) PQfreemem;

  explicit PgApi(const ClientLibrary& lib) {
    BRAMBLE_BIND(lib, PQconnectdbParams);
    BRAMBLE_BIND(lib, PQstatus);
    BRAMBLE_BIND(lib, PQerrorMessage);
    BRAMBLE_BIND(lib, PQfinish);
    BRAMBLE_BIND(lib, PQsetNoticeProcessor);
    BRAMBLE_BIND(lib, PQsendQuery);
    BRAMBLE_BIND(lib, PQsetSingleRowMode);
    BRAMBLE_BIND(lib, PQgetResult);
    BRAMBLE_BIND(lib, PQresultStatus);
    BRAMBLE_BIND(lib, PQresultErrorMessage);
    BRAMBLE_BIND(lib, PQclear);
    BRAMBLE_BIND(lib, PQntuples);
    BRAMBLE_BIND(lib, PQnfields);
    BRAMBLE_BIND(lib, PQfname);
    BRAMBLE_BIND(lib, PQftype);
    BRAMBLE_BIND(lib, PQfmod);
    BRAMBLE_BIND(lib, PQgetvalue);
    BRAMBLE_BIND(lib, PQgetlength);
    BRAMBLE_BIND(lib, PQgetisnull);
    BRAMBLE_BIND(lib, PQputCopyEnd);
    BRAMBLE_BIND(lib, PQgetCopyData);
    BRAMBLE_BIND(lib, PQfreemem);
  }
};

std::string Trimmed(const char* text) {
  std::string out = text ? text : "";
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

// The kind of a result column from its type OID and type modifier.
ColumnInfo MapType(const char* name, Oid oid, int fmod) {
  ColumnInfo c{name};
  using enum TFieldType;
  switch (oid) {
    case kBool:
      c.type = ftBoolean;
      break;
    case kInt2:
      c.type = ftSmallint;
      break;
    case kInt4:
      c.type = ftInteger;
      break;
    case kInt8:
    case kOid:
      c.type = ftLargeint;
      break;
    case kFloat4:
      c.type = ftSingle;
      break;
    case kFloat8:
      c.type = ftFloat;
      break;
    case kNumeric:
      c.type = ftFMTBcd;
      // numeric(p,s) carries ((p << 16) | s) + 4; plain numeric has no fixed scale
      c.size = fmod >= kVarHeader ? (fmod - kVarHeader) & 0xFFFF : kUnboundedDecimalScale;
      break;
    case kMoney:
      c.type = ftCurrency;
      break;
    case kBpchar:
    case kVarchar:
      if (fmod > kVarHeader) {
        c.type = ftWideString;
        c.size = fmod - kVarHeader;
      } else {
        c.type = ftWideMemo;  // varchar without a length, bpchar of an expression
      }
      break;
    case kChar:
      c.type = ftWideString;
      c.size = 1;
      break;
    case kName:
      c.type = ftWideString;
      c.size = 63;
      break;
    case kUuid:
      c.type = ftWideString;
      c.size = 36;
      break;
    case kDate:
      c.type = ftDate;
      break;
    case kTime:
    case kTimeTz:
      c.type = ftTime;
      break;
    case kTimestamp:
    case kTimestampTz:
      c.type = ftDateTime;
      break;
    case kBytea:
      c.type = ftBlob;
      break;
    default:
      c.type = ftWideMemo;
      break;  // text, json, xml, intervals, arrays, network types, …
  }
  return c;
}

// money prints as the server's currency format (e.g. "-$1,234.56"): keep sign, digits and point.
std::string MoneyToDecimal(std::string_view text) {
  std::string plain;
  bool negative = false;
  for (char c : text) {
    if (c == '-' || c == '(') negative = true;
    if ((c >= '0' && c <= '9') || c == '.') plain.push_back(c);
  }
  return CanonicalDecimal((negative ? "-" : "") + plain);
}

void IgnoreNotice(void*, const char*) {}

class PgConnection : public Connection {
 public:
  PgConnection(std::shared_ptr<const PgApi> api, const ConnectParams& p)
      : api_(std::move(api)), text_(p.characterSet, CharsetDialect::kPostgres) {
    std::string port = p.port != 0 ? std::to_string(p.port) : "";
    std::string encoding = IsUtf8Name(p.characterSet) ? "UTF8" : p.characterSet;
    const std::string timeout = kConnectTimeoutSeconds, options = kSessionOptions;
    std::vector<const char*> keys, values;
    auto add = [&](const char* key, const std::string& value) {
      if (value.empty()) return;  // libpq's default for this setting
      keys.push_back(key);
      values.push_back(value.c_str());
    };
    add("host", p.server);
    add("port", port);
    add("dbname", p.database);
    add("user", p.userName);
    add("password", p.password);
    add("client_encoding", encoding);
    add("connect_timeout", timeout);
    add("options", options);
    keys.push_back(nullptr);
    values.push_back(nullptr);
    conn_ = api_->PQconnectdbParams(keys.data(), values.data(), 0);
    if (!conn_) throw Exception("out of memory");
    if (api_->PQstatus(conn_) != CONNECTION_OK) {
      std::string message = Message(api_->PQerrorMessage(conn_));
      api_->PQfinish(conn_);
      throw Exception(message);
    }
    // libpq prints server notices on stderr unless told otherwise
    api_->PQsetNoticeProcessor(conn_, IgnoreNotice, nullptr);
  }
  ~PgConnection() override { api_->PQfinish(conn_); }

  void Execute(const std::string& sql, ResultSink* sink) override {
    std::string converted = text_.Identity() ? std::string() : text_.FromUtf8(sql);
    if (!api_->PQsendQuery(conn_, text_.Identity() ? sql.c_str() : converted.c_str()))
      throw Exception(Message(api_->PQerrorMessage(conn_)));
    if (sink) api_->PQsetSingleRowMode(conn_);
    std::string error;
    bool described = false;
    // Every result must be read, even after an error, before the connection is usable again.
    while (PGresult* result = api_->PQgetResult(conn_)) {
      try {
        switch (api_->PQresultStatus(result)) {
          case PGRES_SINGLE_TUPLE:
          case PGRES_TUPLES_OK:
            if (sink && error.empty()) {
              if (!described) Describe(result, *sink);
              EmitRows(result, *sink);
            }
            // the zero-row TUPLES_OK closes a result set of the single-row mode
            if (api_->PQresultStatus(result) == PGRES_TUPLES_OK)
              described = false;
            else
              described = true;
            break;
          case PGRES_FATAL_ERROR:
          case PGRES_BAD_RESPONSE:
            if (error.empty()) error = Message(api_->PQresultErrorMessage(result));
            break;
          case PGRES_COPY_IN:
            api_->PQputCopyEnd(conn_, "COPY FROM STDIN is not supported");
            break;
          case PGRES_COPY_OUT:
            DrainCopy();
            break;
          default:
            break;
        }
      } catch (const Exception& e) {
        if (error.empty()) error = e.what();
      }
      api_->PQclear(result);
    }
    if (!error.empty()) throw Exception(error);
  }

 private:
  void Describe(const PGresult* result, ResultSink& sink) {
    int n = api_->PQnfields(result);
    columns_.clear();
    for (int i = 0; i < n; ++i)
      columns_.push_back(MapType(text_.ToUtf8String(api_->PQfname(result, i)).c_str(),
                                 static_cast<Oid>(api_->PQftype(result, i)),
                                 api_->PQfmod(result, i)));
    sink.BeginResult(columns_);
  }

  void EmitRows(const PGresult* result, ResultSink& sink) {
    int rows = api_->PQntuples(result);
    int n = static_cast<int>(columns_.size());
    for (int r = 0; r < rows; ++r) {
      sink.BeginRow();
      for (int i = 0; i < n; ++i) {
        if (api_->PQgetisnull(result, r, i)) {
          sink.Null(i);
          continue;
        }
        std::string_view text(api_->PQgetvalue(result, r, i), api_->PQgetlength(result, r, i));
        EmitValue(i, text, sink);
      }
      sink.EndRow();
    }
  }

  void EmitValue(int i, std::string_view text, ResultSink& sink) {
    using enum TFieldType;
    switch (columns_[i].type) {
      case ftSmallint:
      case ftInteger:
      case ftLargeint:
        return sink.Int(i, ParseInt(text));
      case ftBoolean:
        return sink.Bool(i, text == "t");
      case ftSingle:
      case ftFloat:
        return sink.Float(i, ParseFloat(text));
      case ftFMTBcd:
        return sink.Decimal(i, text);
      case ftCurrency:
        return sink.Decimal(i, MoneyToDecimal(text));
      case ftDate:
        return sink.DateTime(i, ParseDate(text));
      case ftTime:
        return sink.DateTime(i, ParseTime(text));
      case ftDateTime:
        return sink.DateTime(i, ParseDateTime(text));
      case ftBlob:
        if (text.size() < 2 || text[0] != '\\' || text[1] != 'x')
          throw Exception("unexpected bytea text format");
        return sink.Bytes(i, HexDecode(text.substr(2)));
      default:
        return sink.Text(i, text_.ToUtf8(text));
    }
  }

  // A message of the server or of libpq, in UTF-8 where it converts (kept as is otherwise).
  std::string Message(const char* text) {
    std::string message = Trimmed(text);
    try {
      return text_.ToUtf8String(message);
    } catch (const Exception&) {
      return message;
    }
  }

  void DrainCopy() {
    char* buffer = nullptr;
    while (api_->PQgetCopyData(conn_, &buffer, 0) > 0) api_->PQfreemem(buffer);
  }

  std::shared_ptr<const PgApi> api_;
  Transcoder text_;
  PGconn* conn_ = nullptr;
  std::vector<ColumnInfo> columns_;
};

}  // namespace

std::unique_ptr<Connection> ConnectPostgres(const ConnectParams& params) {
  auto api = LoadClientApi<PgApi>(params.vendorLib, kDefaultLibrary);
  return std::make_unique<PgConnection>(std::move(api), params);
}

}  // namespace bramble::drivers
