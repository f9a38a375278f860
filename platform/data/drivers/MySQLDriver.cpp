// MySQL and MariaDB through MariaDB Connector/C loaded at run time. Rows are streamed from the
// server (mysql_use_result) in the text protocol. Several statements in one text are allowed,
// as a script of statements is what users send.
#include <mariadb/mysql.h>

#include <mutex>

#include "platform/core/Exception.h"
#include "platform/data/drivers/ClientLibrary.h"
#include "platform/data/drivers/Driver.h"
#include "platform/data/drivers/Transcoder.h"
#include "platform/data/drivers/ValueText.h"

namespace bramble::drivers {

namespace {

constexpr const char* kDefaultLibrary = "libmariadb.so.3";
constexpr unsigned kConnectTimeoutSeconds = 15;
constexpr unsigned kBinaryCharset = 63;  // charsetnr of binary strings and blobs

struct MySQLApi {
  decltype(&::mysql_server_init) mysql_server_init;
  decltype(&::mysql_init) mysql_init;
  decltype(&::mysql_options) mysql_options;
  decltype(&::mysql_real_connect) mysql_real_connect;
  decltype(&::mysql_error) mysql_error;
  decltype(&::mysql_errno) mysql_errno;
  decltype(&::mysql_close) mysql_close;
  decltype(&::mysql_real_query) mysql_real_query;
  decltype(&::mysql_use_result) mysql_use_result;
  decltype(&::mysql_field_count) mysql_field_count;
  decltype(&::mysql_num_fields) mysql_num_fields;
  decltype(&::mysql_fetch_fields) mysql_fetch_fields;
  decltype(&::mysql_fetch_row) mysql_fetch_row;
  decltype(&::mysql_fetch_lengths) mysql_fetch_lengths;
  decltype(&::mysql_free_result) mysql_free_result;
  decltype(&::mysql_next_result) mysql_next_result;
  decltype(&::mysql_get_character_set_info) mysql_get_character_set_info;

  explicit MySQLApi(const ClientLibrary& lib) {
    BRAMBLE_BIND(lib, mysql_server_init);
    BRAMBLE_BIND(lib, mysql_init);
    BRAMBLE_BIND(lib, mysql_options);
    BRAMBLE_BIND(lib, mysql_real_connect);
    BRAMBLE_BIND(lib, mysql_error);
    BRAMBLE_BIND(lib, mysql_errno);
    BRAMBLE_BIND(lib, mysql_close);
    BRAMBLE_BIND(lib, mysql_real_query);
    BRAMBLE_BIND(lib, mysql_use_result);
    BRAMBLE_BIND(lib, mysql_field_count);
    BRAMBLE_BIND(lib, mysql_num_fields);
    BRAMBLE_BIND(lib, mysql_fetch_fields);
    BRAMBLE_BIND(lib, mysql_fetch_row);
    BRAMBLE_BIND(lib, mysql_fetch_lengths);
    BRAMBLE_BIND(lib, mysql_free_result);
    BRAMBLE_BIND(lib, mysql_next_result);
    BRAMBLE_BIND(lib, mysql_get_character_set_info);
    // The library's global set-up is not thread-safe; it runs here once, under the API
    // cache's lock, instead of implicitly inside the first concurrent mysql_init.
    if (mysql_server_init(0, nullptr, nullptr) != 0)
      throw Exception("cannot initialise client library " + lib.Name());
  }
};

// The kind of a result column. `mbmaxlen` is the bytes per character of the connection's
// character set, by which the server multiplies the lengths of character columns.
ColumnInfo MapType(const MYSQL_FIELD& f, unsigned mbmaxlen) {
  ColumnInfo c{std::string(f.name, f.name_length)};
  c.required = (f.flags & NOT_NULL_FLAG) != 0;
  bool isUnsigned = (f.flags & UNSIGNED_FLAG) != 0;
  bool binary = f.charsetnr == kBinaryCharset;
  auto chars = [&] {
    return static_cast<int>(std::max<unsigned long>(1, f.length / std::max(1u, mbmaxlen)));
  };
  using enum TFieldType;
  switch (f.type) {
    case MYSQL_TYPE_TINY:
      c.type = f.length == 1 ? ftBoolean : ftSmallint;
      break;  // tinyint(1) is boolean
    case MYSQL_TYPE_SHORT:
      c.type = isUnsigned ? ftInteger : ftSmallint;
      break;
    case MYSQL_TYPE_INT24:
      c.type = ftInteger;
      break;
    case MYSQL_TYPE_LONG:
      c.type = isUnsigned ? ftLargeint : ftInteger;
      break;
    case MYSQL_TYPE_LONGLONG:
      c.type = isUnsigned ? ftFMTBcd : ftLargeint;  // unsigned 64-bit values exceed ftLargeint
      break;
    case MYSQL_TYPE_YEAR:
      c.type = ftSmallint;
      break;
    case MYSQL_TYPE_BIT:
      c.type = f.length == 1 ? ftBoolean : ftLargeint;
      break;
    case MYSQL_TYPE_FLOAT:
      c.type = ftSingle;
      break;
    case MYSQL_TYPE_DOUBLE:
      c.type = ftFloat;
      break;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
      c.type = ftFMTBcd;
      c.size = static_cast<int>(f.decimals);
      break;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
      c.type = ftDate;
      break;
    case MYSQL_TYPE_TIME:
      c.type = ftTime;
      break;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
      c.type = ftDateTime;
      break;
    case MYSQL_TYPE_STRING:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_VARCHAR:
    case MYSQL_TYPE_ENUM:
    case MYSQL_TYPE_SET:
    case MYSQL_TYPE_NULL:
      if (binary && f.type != MYSQL_TYPE_NULL) {
        c.type = ftBlob;
      } else {
        c.type = ftWideString;
        c.size = chars();
      }
      break;
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
      c.type = binary ? ftBlob : ftWideMemo;
      break;
    case MYSQL_TYPE_GEOMETRY:
      c.type = ftBlob;
      break;
    default:
      c.type = ftWideMemo;
      break;  // JSON and anything newer
  }
  return c;
}

// BIT(n) values arrive as n bits in big-endian bytes.
std::int64_t BitsValue(std::string_view bytes) {
  std::uint64_t v = 0;
  for (unsigned char b : bytes) v = v << 8 | b;
  return static_cast<std::int64_t>(v);
}

bool IsZeroDate(std::string_view text) {
  return text.starts_with("0000-00-00");
}

class MySQLConnection : public Connection {
 public:
  MySQLConnection(std::shared_ptr<const MySQLApi> api, const ConnectParams& p)
      : api_(std::move(api)), text_(p.characterSet, CharsetDialect::kMySQL) {
    mysql_ = api_->mysql_init(nullptr);
    if (!mysql_) throw Exception("out of memory");
    std::string charset = IsUtf8Name(p.characterSet) ? "utf8mb4" : p.characterSet;
    unsigned timeout = kConnectTimeoutSeconds;
    unsigned localInfile = 0;  // LOAD DATA LOCAL would let a server read this machine's files
    api_->mysql_options(mysql_, MYSQL_SET_CHARSET_NAME, charset.c_str());
    api_->mysql_options(mysql_, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
    api_->mysql_options(mysql_, MYSQL_OPT_LOCAL_INFILE, &localInfile);
    if (!api_->mysql_real_connect(mysql_, p.server.empty() ? nullptr : p.server.c_str(),
                                  p.userName.c_str(), p.password.c_str(),
                                  p.database.empty() ? nullptr : p.database.c_str(),
                                  static_cast<unsigned>(p.port), nullptr,
                                  CLIENT_MULTI_STATEMENTS | CLIENT_MULTI_RESULTS)) {
      std::string message = Message();
      api_->mysql_close(mysql_);
      throw Exception(message);
    }
    MY_CHARSET_INFO info{};
    api_->mysql_get_character_set_info(mysql_, &info);
    mbmaxlen_ = info.mbmaxlen ? info.mbmaxlen : 1;
  }
  ~MySQLConnection() override { api_->mysql_close(mysql_); }

  void Execute(const std::string& sql, ResultSink* sink) override {
    std::string converted = text_.Identity() ? std::string() : text_.FromUtf8(sql);
    const std::string& wire = text_.Identity() ? sql : converted;
    if (api_->mysql_real_query(mysql_, wire.data(), wire.size()) != 0) Fail();
    std::string error;
    for (;;) {
      if (MYSQL_RES* result = api_->mysql_use_result(mysql_)) {
        try {
          ReadResult(result, sink);
        } catch (const Exception& e) {
          error = e.what();
        }
        api_->mysql_free_result(result);  // also reads what is left of the result set
        if (!error.empty()) break;
      } else if (api_->mysql_field_count(mysql_) != 0) {
        Fail();
      }
      int next = api_->mysql_next_result(mysql_);
      if (next > 0) Fail();
      if (next < 0) break;
    }
    if (!error.empty()) {
      // the rest of a multi-statement text must still be consumed
      while (api_->mysql_next_result(mysql_) == 0)
        if (MYSQL_RES* rest = api_->mysql_use_result(mysql_)) api_->mysql_free_result(rest);
      throw Exception(error);
    }
  }

 private:
  [[noreturn]] void Fail() { throw Exception(Message()); }

  // The client's last error, in UTF-8 where it converts (kept as is otherwise).
  std::string Message() {
    std::string message = api_->mysql_error(mysql_);
    try {
      return text_.ToUtf8String(message);
    } catch (const Exception&) {
      return message;
    }
  }

  void ReadResult(MYSQL_RES* result, ResultSink* sink) {
    unsigned n = api_->mysql_num_fields(result);
    const MYSQL_FIELD* fields = api_->mysql_fetch_fields(result);
    columns_.clear();
    for (unsigned i = 0; i < n; ++i) {
      columns_.push_back(MapType(fields[i], mbmaxlen_));
      columns_.back().name = text_.ToUtf8String(columns_.back().name);
    }
    if (sink) sink->BeginResult(columns_);
    while (MYSQL_ROW row = api_->mysql_fetch_row(result)) {
      if (!sink) continue;
      const unsigned long* lengths = api_->mysql_fetch_lengths(result);
      sink->BeginRow();
      for (unsigned i = 0; i < n; ++i) {
        if (!row[i]) {
          sink->Null(i);
          continue;
        }
        EmitValue(i, fields[i], std::string_view(row[i], lengths[i]), *sink);
      }
      sink->EndRow();
    }
    if (api_->mysql_errno(mysql_) != 0) Fail();  // the stream broke off
  }

  void EmitValue(unsigned i, const MYSQL_FIELD& f, std::string_view text, ResultSink& sink) {
    using enum TFieldType;
    switch (columns_[i].type) {
      case ftBoolean:
        return sink.Bool(i, f.type == MYSQL_TYPE_BIT ? BitsValue(text) != 0 : ParseInt(text) != 0);
      case ftSmallint:
      case ftInteger:
      case ftLargeint:
        return sink.Int(i, f.type == MYSQL_TYPE_BIT ? BitsValue(text) : ParseInt(text));
      case ftSingle:
      case ftFloat:
        return sink.Float(i, ParseFloat(text));
      case ftFMTBcd:
        return sink.Decimal(i, text);
      // MySQL's "zero dates" name no day of the calendar: they read as NULL
      case ftDate:
        return IsZeroDate(text) ? sink.Null(i) : sink.DateTime(i, ParseDate(text));
      case ftDateTime:
        return IsZeroDate(text) ? sink.Null(i) : sink.DateTime(i, ParseDateTime(text));
      case ftTime:
        return sink.DateTime(i, ParseTime(text));
      case ftBlob:
        return sink.Bytes(i, text);
      default:
        return sink.Text(i, text_.ToUtf8(text));
    }
  }

  std::shared_ptr<const MySQLApi> api_;
  Transcoder text_;
  MYSQL* mysql_ = nullptr;
  unsigned mbmaxlen_ = 1;
  std::vector<ColumnInfo> columns_;
};

}  // namespace

std::unique_ptr<Connection> ConnectMySQL(const ConnectParams& params) {
  auto api = LoadClientApi<MySQLApi>(params.vendorLib, kDefaultLibrary);
  return std::make_unique<MySQLConnection>(std::move(api), params);
}

}  // namespace bramble::drivers
