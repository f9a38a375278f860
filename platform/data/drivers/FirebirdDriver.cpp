// Firebird and InterBase through the isc_* API of their client library (libfbclient, or
// InterBase's own library with the same API), loaded at run time. Every command runs in its
// own transaction that is committed when the command (and the fetch of its rows) succeeds.
#include <ibase.h>

#include <cstring>

#include "platform/core/Exception.h"
#include "platform/data/drivers/ClientLibrary.h"
#include "platform/data/drivers/Driver.h"
#include "platform/data/drivers/Transcoder.h"
#include "platform/data/drivers/ValueText.h"

namespace bramble::drivers {

namespace {

constexpr unsigned short kDialect = SQL_DIALECT_V6;
constexpr int kConnectTimeoutSeconds = 15;
constexpr size_t kMaxDpbItem = 255;  // DPB items carry a one-byte length
constexpr unsigned kBlobSegment = 32768;
constexpr unsigned kMessageBuffer = 1024;
constexpr int kUtf8 = 4, kOctets = 1;            // character set ids (RDB$CHARACTER_SETS)
constexpr ISC_DATE kDaysFrom1858To1970 = 40587;  // ISC_DATE counts days from 1858-11-17
constexpr unsigned kTimeUnitsPerMs = 10;         // ISC_TIME counts 1/10000 s

struct FbApi {
  decltype(&::isc_attach_database) isc_attach_database;
  decltype(&::isc_detach_database) isc_detach_database;
  decltype(&::isc_start_transaction) isc_start_transaction;
  decltype(&::isc_commit_transaction) isc_commit_transaction;
  decltype(&::isc_rollback_transaction) isc_rollback_transaction;
  decltype(&::isc_dsql_allocate_statement) isc_dsql_allocate_statement;
  decltype(&::isc_dsql_prepare) isc_dsql_prepare;
  decltype(&::isc_dsql_describe) isc_dsql_describe;
  decltype(&::isc_dsql_sql_info) isc_dsql_sql_info;
  decltype(&::isc_dsql_execute) isc_dsql_execute;
  decltype(&::isc_dsql_execute2) isc_dsql_execute2;
  decltype(&::isc_dsql_fetch) isc_dsql_fetch;
  decltype(&::isc_dsql_free_statement) isc_dsql_free_statement;
  decltype(&::isc_open_blob2) isc_open_blob2;
  decltype(&::isc_get_segment) isc_get_segment;
  decltype(&::isc_close_blob) isc_close_blob;
  decltype(&::fb_interpret) fb_interpret = nullptr;  // Firebird's message reader
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  decltype(&::isc_interprete) isc_interprete = nullptr;  // the older one, all InterBase has
#pragma GCC diagnostic pop

  explicit FbApi(const ClientLibrary& lib) {
    BRAMBLE_BIND(lib, isc_attach_database);
    BRAMBLE_BIND(lib, isc_detach_database);
    BRAMBLE_BIND(lib, isc_start_transaction);
    BRAMBLE_BIND(lib, isc_commit_transaction);
    BRAMBLE_BIND(lib, isc_rollback_transaction);
    BRAMBLE_BIND(lib, isc_dsql_allocate_statement);
    BRAMBLE_BIND(lib, isc_dsql_prepare);
    BRAMBLE_BIND(lib, isc_dsql_describe);
    BRAMBLE_BIND(lib, isc_dsql_sql_info);
    BRAMBLE_BIND(lib, isc_dsql_execute);
    BRAMBLE_BIND(lib, isc_dsql_execute2);
    BRAMBLE_BIND(lib, isc_dsql_fetch);
    BRAMBLE_BIND(lib, isc_dsql_free_statement);
    BRAMBLE_BIND(lib, isc_open_blob2);
    BRAMBLE_BIND(lib, isc_get_segment);
    BRAMBLE_BIND(lib, isc_close_blob);
    if (!lib.TryBind(fb_interpret, "fb_interpret")) BRAMBLE_BIND(lib, isc_interprete);
  }

  // The status vector's messages, one per line.
  std::string Message(const ISC_STATUS* status) const {
    std::string text;
    char buffer[kMessageBuffer];
    const ISC_STATUS* cursor = status;
    ISC_STATUS* mutableCursor = const_cast<ISC_STATUS*>(status);
    for (;;) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
      long n = fb_interpret ? fb_interpret(buffer, sizeof buffer, &cursor)
                            : isc_interprete(buffer, &mutableCursor);
#pragma GCC diagnostic pop
      if (n <= 0) break;
      if (!text.empty()) text += '\n';
      text += buffer;
    }
    return text.empty() ? "unknown database error" : text;
  }
};

int BytesPerChar(int charset) {
  switch (charset) {
    case 3:
      return 3;  // UNICODE_FSS
    case kUtf8:
      return 4;
    case 5:
    case 6:
    case 44:
    case 56:
    case 57:
    case 67:
    case 68:
      return 2;  // double-byte Asian sets
    case 69:
      return 4;  // GB18030
    default:
      return 1;
  }
}

// The kind of a result column from its XSQLVAR description.
ColumnInfo MapType(const XSQLVAR& v) {
  ColumnInfo c{std::string(v.aliasname, static_cast<size_t>(v.aliasname_length))};
  c.required = (v.sqltype & 1) == 0;
  int type = v.sqltype & ~1;
  bool exact = v.sqlscale < 0 || v.sqlsubtype == 1 || v.sqlsubtype == 2;  // NUMERIC / DECIMAL
  using enum TFieldType;
  switch (type) {
    case SQL_TEXT:
    case SQL_VARYING:
      if ((v.sqlsubtype & 0xFF) == kOctets) {
        c.type = ftBlob;
      } else {
        c.type = ftWideString;
        c.size = std::max(1, v.sqllen / BytesPerChar(v.sqlsubtype & 0xFF));
      }
      break;
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
      if (exact) {
        c.type = ftFMTBcd;
        c.size = -v.sqlscale;
      } else {
        c.type = type == SQL_SHORT ? ftSmallint : type == SQL_LONG ? ftInteger : ftLargeint;
      }
      break;
    case SQL_FLOAT:
      c.type = ftSingle;
      break;
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      c.type = v.sqlscale < 0 ? ftFMTBcd : ftFloat;  // dialect-1 NUMERIC kept as double
      c.size = v.sqlscale < 0 ? -v.sqlscale : 0;
      break;
    case SQL_TIMESTAMP:
      c.type = ftDateTime;
      break;
    case SQL_TYPE_DATE:
      c.type = ftDate;
      break;
    case SQL_TYPE_TIME:
      c.type = ftTime;
      break;
    case SQL_BOOLEAN:
      c.type = ftBoolean;
      break;
    case SQL_BLOB:
      c.type = v.sqlsubtype == 1 ? ftWideMemo : ftBlob;
      break;
    case SQL_NULL:
      c.type = ftWideString;
      c.size = 1;
      break;
    default:
      throw Exception("column " + c.name + ": data type " + std::to_string(type) +
                      " is not supported");
  }
  return c;
}

DateTimeValue FromIscDate(ISC_DATE date) {
  DateTimeValue v;
  CivilFromDays(static_cast<std::int64_t>(date) - kDaysFrom1858To1970, v.year, v.month, v.day);
  return v;
}

void SetIscTime(ISC_TIME time, DateTimeValue& v) {
  unsigned ms = time / kTimeUnitsPerMs;
  v.hour = static_cast<int>(ms / 3600000);
  v.minute = static_cast<int>(ms / 60000 % 60);
  v.second = static_cast<int>(ms / 1000 % 60);
  v.millisecond = static_cast<int>(ms % 1000);
}

// An XSQLDA with room for `n` columns and the buffers they point to.
class Sqlda {
 public:
  explicit Sqlda(short n) { Resize(n); }
  XSQLDA* get() { return reinterpret_cast<XSQLDA*>(raw_.data()); }
  void Resize(short n) {
    n = std::max<short>(n, 1);
    raw_.assign((XSQLDA_LENGTH(n) + 7) / 8, 0);
    get()->version = SQLDA_VERSION1;
    get()->sqln = n;
  }
  // Points every column at a buffer of its size and asks for NULL indicators.
  void AllocateBuffers() {
    XSQLDA* da = get();
    size_t total = 0;
    for (short i = 0; i < da->sqld; ++i) total += Aligned(BufferSize(da->sqlvar[i]));
    data_.assign(total / 8, 0);
    indicators_.assign(static_cast<size_t>(da->sqld), 0);
    size_t offset = 0;
    for (short i = 0; i < da->sqld; ++i) {
      XSQLVAR& v = da->sqlvar[i];
      v.sqldata = reinterpret_cast<ISC_SCHAR*>(data_.data()) + offset;
      v.sqlind = &indicators_[static_cast<size_t>(i)];
      v.sqltype |= 1;
      offset += Aligned(BufferSize(v));
    }
  }

 private:
  static size_t BufferSize(const XSQLVAR& v) {
    return static_cast<size_t>(v.sqllen) + ((v.sqltype & ~1) == SQL_VARYING ? sizeof(short) : 0);
  }
  static size_t Aligned(size_t n) { return (n + 7) & ~size_t{7}; }

  std::vector<std::uint64_t> raw_;  // 8-byte units keep the XSQLDA and the values aligned
  std::vector<std::uint64_t> data_;
  std::vector<ISC_SHORT> indicators_;
};

class FbConnection : public Connection {
 public:
  FbConnection(std::shared_ptr<const FbApi> api, const ConnectParams& p)
      : api_(std::move(api)), text_(p.characterSet, CharsetDialect::kFirebird) {
    std::string target = p.database;
    if (!p.server.empty())
      target = p.server + (p.port != 0 ? "/" + std::to_string(p.port) : "") + ":" + p.database;
    std::string dpb(1, static_cast<char>(isc_dpb_version1));
    auto addText = [&](char item, const std::string& value, const char* what) {
      if (value.size() > kMaxDpbItem) throw Exception(std::string(what) + " is too long");
      dpb += item;
      dpb += static_cast<char>(value.size());
      dpb += value;
    };
    if (!p.userName.empty()) addText(isc_dpb_user_name, p.userName, "user name");
    if (!p.password.empty()) addText(isc_dpb_password, p.password, "password");
    addText(isc_dpb_lc_ctype, IsUtf8Name(p.characterSet) ? "UTF8" : p.characterSet,
            "character set");
    dpb += static_cast<char>(isc_dpb_sql_dialect);
    dpb += '\1';
    dpb += static_cast<char>(kDialect);
    dpb += static_cast<char>(isc_dpb_connect_timeout);
    dpb += '\4';
    for (int shift = 0; shift < 32; shift += 8)
      dpb += static_cast<char>(kConnectTimeoutSeconds >> shift & 0xFF);
    ISC_STATUS_ARRAY status{};
    if (target.size() > 0x7FFF) throw Exception("database name is too long");
    if (api_->isc_attach_database(status, static_cast<short>(target.size()), target.c_str(), &db_,
                                  static_cast<short>(dpb.size()), dpb.data()))
      throw Exception(api_->Message(status));
  }
  ~FbConnection() override {
    ISC_STATUS_ARRAY status{};
    api_->isc_detach_database(status, &db_);
  }

  void Execute(const std::string& sql, ResultSink* sink) override {
    static const char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed,
                               isc_tpb_rec_version, isc_tpb_wait};
    ISC_STATUS_ARRAY status{};
    isc_tr_handle tr = 0;
    if (api_->isc_start_transaction(status, &tr, 1, &db_, static_cast<unsigned short>(sizeof tpb),
                                    tpb))
      throw Exception(api_->Message(status));
    isc_stmt_handle stmt = 0;
    try {
      Run(sql, tr, stmt, sink);
      Check(api_->isc_dsql_free_statement(status, &stmt, DSQL_drop), status);
      stmt = 0;
      Check(api_->isc_commit_transaction(status, &tr), status);
    } catch (...) {
      ISC_STATUS_ARRAY ignored{};
      if (stmt) api_->isc_dsql_free_statement(ignored, &stmt, DSQL_drop);
      if (tr) api_->isc_rollback_transaction(ignored, &tr);
      throw;
    }
  }

 private:
  void Check(ISC_STATUS failed, const ISC_STATUS* status) {
    if (failed) throw Exception(api_->Message(status));
  }

  void Run(const std::string& sql, isc_tr_handle& tr, isc_stmt_handle& stmt, ResultSink* sink) {
    ISC_STATUS_ARRAY status{};
    Check(api_->isc_dsql_allocate_statement(status, &db_, &stmt), status);
    std::string converted = text_.Identity() ? std::string() : text_.FromUtf8(sql);
    const std::string& wire = text_.Identity() ? sql : converted;
    if (wire.size() > 0xFFFF) throw Exception("SQL text is too long");
    Sqlda out(20);
    Check(api_->isc_dsql_prepare(status, &tr, &stmt, static_cast<unsigned short>(wire.size()),
                                 wire.c_str(), kDialect, out.get()),
          status);
    if (out.get()->sqld > out.get()->sqln) {
      out.Resize(out.get()->sqld);
      Check(api_->isc_dsql_describe(status, &stmt, kDialect, out.get()), status);
    }
    int type = StatementType(stmt);
    short columns = out.get()->sqld;
    bool select = type == isc_info_sql_stmt_select || type == isc_info_sql_stmt_select_for_upd;
    bool procedureRow = type == isc_info_sql_stmt_exec_procedure && columns > 0;
    if (!select && !procedureRow) {
      Check(api_->isc_dsql_execute(status, &tr, &stmt, kDialect, nullptr), status);
      return;
    }
    out.AllocateBuffers();
    XSQLDA* da = out.get();
    columns_.clear();
    for (short i = 0; i < columns; ++i) {
      columns_.push_back(MapType(da->sqlvar[i]));
      columns_.back().name = text_.ToUtf8String(columns_.back().name);
    }
    if (sink) sink->BeginResult(columns_);
    if (procedureRow) {
      // EXECUTE PROCEDURE returns its output parameters as one row
      Check(api_->isc_dsql_execute2(status, &tr, &stmt, kDialect, nullptr, da), status);
      if (sink) EmitRow(da, tr, *sink);
      return;
    }
    Check(api_->isc_dsql_execute(status, &tr, &stmt, kDialect, nullptr), status);
    for (;;) {
      ISC_STATUS rc = api_->isc_dsql_fetch(status, &stmt, kDialect, da);
      if (rc == 100) break;  // end of the result set
      Check(rc, status);
      if (sink) EmitRow(da, tr, *sink);
    }
  }

  int StatementType(isc_stmt_handle& stmt) {
    ISC_STATUS_ARRAY status{};
    char item = isc_info_sql_stmt_type;
    unsigned char buffer[16]{};
    Check(api_->isc_dsql_sql_info(status, &stmt, 1, &item, sizeof buffer,
                                  reinterpret_cast<char*>(buffer)),
          status);
    if (buffer[0] != isc_info_sql_stmt_type) return 0;
    int length = buffer[1] | buffer[2] << 8;
    int value = 0;
    for (int i = 0; i < length && i < 4; ++i) value |= buffer[3 + i] << (8 * i);
    return value;
  }

  void EmitRow(XSQLDA* da, isc_tr_handle& tr, ResultSink& sink) {
    sink.BeginRow();
    for (short i = 0; i < da->sqld; ++i) {
      const XSQLVAR& v = da->sqlvar[i];
      if (*v.sqlind < 0) {
        sink.Null(i);
        continue;
      }
      EmitValue(static_cast<size_t>(i), v, tr, sink);
    }
    sink.EndRow();
  }

  template <class T>
  static T Read(const XSQLVAR& v) {
    T value;
    std::memcpy(&value, v.sqldata, sizeof value);
    return value;
  }

  void EmitValue(size_t i, const XSQLVAR& v, isc_tr_handle& tr, ResultSink& sink) {
    const ColumnInfo& column = columns_[i];
    int type = v.sqltype & ~1;
    using enum TFieldType;
    switch (type) {
      case SQL_TEXT: {
        std::string_view text(v.sqldata, static_cast<size_t>(v.sqllen));
        if (column.type == ftBlob) return sink.Bytes(i, text);
        // CHAR(n) is padded to n characters; multi-byte sets pad the whole byte length
        if (BytesPerChar(v.sqlsubtype & 0xFF) > 1)
          text = Utf8Prefix(text, static_cast<size_t>(column.size));
        return sink.Text(i, text_.ToUtf8(text));
      }
      case SQL_VARYING: {
        auto length = static_cast<size_t>(Read<short>(v));
        std::string_view text(v.sqldata + sizeof(short),
                              std::min(length, static_cast<size_t>(v.sqllen)));
        return column.type == ftBlob ? sink.Bytes(i, text) : sink.Text(i, text_.ToUtf8(text));
      }
      case SQL_SHORT:
      case SQL_LONG:
      case SQL_INT64: {
        std::int64_t n = type == SQL_SHORT  ? Read<std::int16_t>(v)
                         : type == SQL_LONG ? Read<std::int32_t>(v)
                                            : Read<std::int64_t>(v);
        if (column.type == ftFMTBcd) return sink.Decimal(i, ScaledToDecimal(n, -v.sqlscale));
        return sink.Int(i, n);
      }
      case SQL_FLOAT:
        return sink.Float(i, Read<float>(v));
      case SQL_DOUBLE:
      case SQL_D_FLOAT: {
        double d = Read<double>(v);
        if (column.type != ftFMTBcd) return sink.Float(i, d);
        return sink.Decimal(i, FixedDecimal(d, column.size));
      }
      case SQL_TIMESTAMP: {
        auto ts = Read<ISC_TIMESTAMP>(v);
        DateTimeValue value = FromIscDate(ts.timestamp_date);
        SetIscTime(ts.timestamp_time, value);
        return sink.DateTime(i, value);
      }
      case SQL_TYPE_DATE:
        return sink.DateTime(i, FromIscDate(Read<ISC_DATE>(v)));
      case SQL_TYPE_TIME: {
        DateTimeValue value;
        SetIscTime(Read<ISC_TIME>(v), value);
        return sink.DateTime(i, value);
      }
      case SQL_BOOLEAN:
        return sink.Bool(i, Read<FB_BOOLEAN>(v) != 0);
      case SQL_BLOB: {
        std::string bytes = ReadBlob(Read<ISC_QUAD>(v), tr);
        return column.type == ftWideMemo ? sink.Text(i, text_.ToUtf8(bytes)) : sink.Bytes(i, bytes);
      }
      default:
        return sink.Null(i);  // SQL_NULL
    }
  }

  std::string ReadBlob(ISC_QUAD id, isc_tr_handle& tr) {
    ISC_STATUS_ARRAY status{};
    isc_blob_handle blob = 0;
    Check(api_->isc_open_blob2(status, &db_, &tr, &blob, &id, 0, nullptr), status);
    std::string bytes;
    std::vector<char> segment(kBlobSegment);
    for (;;) {
      unsigned short got = 0;
      ISC_STATUS rc = api_->isc_get_segment(
          status, &blob, &got, static_cast<unsigned short>(segment.size()), segment.data());
      if (rc == 0 || rc == isc_segment) {
        bytes.append(segment.data(), got);
        continue;
      }
      if (rc == isc_segstr_eof) break;
      ISC_STATUS_ARRAY ignored{};
      std::string message = api_->Message(status);
      api_->isc_close_blob(ignored, &blob);
      throw Exception(message);
    }
    Check(api_->isc_close_blob(status, &blob), status);
    return bytes;
  }

  std::shared_ptr<const FbApi> api_;
  Transcoder text_;
  isc_db_handle db_ = 0;
  std::vector<ColumnInfo> columns_;
};

}  // namespace

std::unique_ptr<Connection> ConnectFirebird(const ConnectParams& params,
                                            const char* defaultLibrary) {
  auto api = LoadClientApi<FbApi>(params.vendorLib, defaultLibrary);
  return std::make_unique<FbConnection>(std::move(api), params);
}

}  // namespace bramble::drivers
