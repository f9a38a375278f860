// SQLite: the database is a file path (":memory:" for a private in-memory database), opened
// with libsqlite3 loaded at run time. SQLite types are affinities of declared type names, so
// the column kinds come from the declared type and, for expressions, from the first value.
#include <sqlite3.h>

#include <cmath>
#include <cstdio>

#include "platform/core/Exception.h"
#include "platform/data/drivers/ClientLibrary.h"
#include "platform/data/drivers/Driver.h"
#include "platform/data/drivers/ValueText.h"

namespace bramble::drivers {

namespace {

constexpr const char* kDefaultLibrary = "libsqlite3.so.0";
constexpr int kBusyTimeoutMs = 10000;  // waits for another connection's write lock
constexpr int kExpressionTextSize = 255;

struct SQLiteApi {
  decltype(&::sqlite3_open_v2) sqlite3_open_v2;
  decltype(&::sqlite3_close_v2) sqlite3_close_v2;
  decltype(&::sqlite3_errmsg) sqlite3_errmsg;
  decltype(&::sqlite3_busy_timeout) sqlite3_busy_timeout;
  decltype(&::sqlite3_prepare_v2) sqlite3_prepare_v2;
  decltype(&::sqlite3_step) sqlite3_step;
  decltype(&::sqlite3_finalize) sqlite3_finalize;
  decltype(&::sqlite3_column_count) sqlite3_column_count;
  decltype(&::sqlite3_column_name) sqlite3_column_name;
  decltype(&::sqlite3_column_decltype) sqlite3_column_decltype;
  decltype(&::sqlite3_column_type) sqlite3_column_type;
  decltype(&::sqlite3_column_int64) sqlite3_column_int64;
  decltype(&::sqlite3_column_double) sqlite3_column_double;
  decltype(&::sqlite3_column_text) sqlite3_column_text;
  decltype(&::sqlite3_column_blob) sqlite3_column_blob;
  decltype(&::sqlite3_column_bytes) sqlite3_column_bytes;

  explicit SQLiteApi(const ClientLibrary& lib) {
    BRAMBLE_BIND(lib, sqlite3_open_v2);
    BRAMBLE_BIND(lib, sqlite3_close_v2);
    BRAMBLE_BIND(lib, sqlite3_errmsg);
    BRAMBLE_BIND(lib, sqlite3_busy_timeout);
    BRAMBLE_BIND(lib, sqlite3_prepare_v2);
    BRAMBLE_BIND(lib, sqlite3_step);
    BRAMBLE_BIND(lib, sqlite3_finalize);
    BRAMBLE_BIND(lib, sqlite3_column_count);
    BRAMBLE_BIND(lib, sqlite3_column_name);
    BRAMBLE_BIND(lib, sqlite3_column_decltype);
    BRAMBLE_BIND(lib, sqlite3_column_type);
    BRAMBLE_BIND(lib, sqlite3_column_int64);
    BRAMBLE_BIND(lib, sqlite3_column_double);
    BRAMBLE_BIND(lib, sqlite3_column_text);
    BRAMBLE_BIND(lib, sqlite3_column_blob);
    BRAMBLE_BIND(lib, sqlite3_column_bytes);
  }
};

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// The kind of a column from its declared type ("VARCHAR(20)", "NUMERIC(12,2)", "BIGINT", …).
// Returns ftUnknown when the name says nothing (expressions, untyped columns).
ColumnInfo MapDeclaredType(std::string name, const char* declared) {
  ColumnInfo c{std::move(name)};
  if (!declared || !*declared) return c;
  std::string type = Upper(declared);
  int args[2] = {-1, -1};
  if (auto open = type.find('('); open != std::string::npos) {
    std::sscanf(type.c_str() + open + 1, "%d , %d", &args[0], &args[1]);
    type.erase(open);
  }
  while (!type.empty() && type.back() == ' ') type.pop_back();
  auto is = [&](std::initializer_list<const char*> names) {
    for (const char* n : names)
      if (type == n) return true;
    return false;
  };
  auto has = [&](const char* part) { return type.find(part) != std::string::npos; };
  using enum TFieldType;
  if (is({"BOOL", "BOOLEAN"})) {
    c.type = ftBoolean;
  } else if (is({"TINYINT", "SMALLINT", "INT2"})) {
    c.type = ftSmallint;
  } else if (is({"INT", "INTEGER", "MEDIUMINT", "INT4"})) {
    c.type = ftInteger;
  } else if (is({"BIGINT", "INT8", "INT64", "UNSIGNED BIG INT"})) {
    c.type = ftLargeint;
  } else if (is({"FLOAT4", "SINGLE"})) {
    c.type = ftSingle;
  } else if (is({"REAL", "FLOAT", "FLOAT8", "DOUBLE", "DOUBLE PRECISION"})) {
    c.type = ftFloat;  // SQLite stores every real as 8 bytes
  } else if (is({"NUMERIC", "DECIMAL", "NUMBER"})) {
    if (args[0] > 0) {
      c.type = ftFMTBcd;
      c.size = args[1] > 0 ? args[1] : 0;
    } else {
      c.type = ftFloat;  // no declared scale: SQLite keeps such values as integers or reals
    }
  } else if (is({"MONEY", "CURRENCY", "SMALLMONEY"})) {
    c.type = ftCurrency;
  } else if (is({"DATE"})) {
    c.type = ftDate;
  } else if (is({"TIME"})) {
    c.type = ftTime;
  } else if (is({"DATETIME", "TIMESTAMP"})) {
    c.type = ftDateTime;
  } else if (has("BLOB") || has("BINARY") || is({"BYTEA", "IMAGE"})) {
    c.type = ftBlob;
  } else if ((has("CHAR") || has("VARYING")) && args[0] > 0) {
    c.type = ftWideString;
    c.size = args[0];
  } else if (has("INT")) {
    c.type = ftLargeint;  // other integer affinities hold 64-bit values
  } else {
    c.type = ftWideMemo;  // TEXT, CLOB, JSON, XML, unbounded CHAR and every unknown name
  }
  return c;
}

// The kind of an expression column, from the storage class of its first value.
ColumnInfo MapStorageClass(std::string name, int storageClass) {
  ColumnInfo c{std::move(name)};
  switch (storageClass) {
    case SQLITE_INTEGER:
      c.type = TFieldType::ftLargeint;
      break;
    case SQLITE_FLOAT:
      c.type = TFieldType::ftFloat;
      break;
    case SQLITE_BLOB:
      c.type = TFieldType::ftBlob;
      break;
    case SQLITE_TEXT:
      c.type = TFieldType::ftWideString;
      c.size = kExpressionTextSize;
      break;
    default:
      c.type = TFieldType::ftWideMemo;
      break;  // NULL or no row: nothing to go by
  }
  return c;
}

class SQLiteConnection : public Connection {
 public:
  SQLiteConnection(std::shared_ptr<const SQLiteApi> api, const std::string& path)
      : api_(std::move(api)) {
    // NOMUTEX: a connection is used by one thread at a time, so SQLite need not lock on
    // every call (a measurable share of a large fetch).
    int rc = api_->sqlite3_open_v2(
        path.c_str(), &db_,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX,
        nullptr);
    if (rc != SQLITE_OK) {
      std::string message = db_ ? api_->sqlite3_errmsg(db_) : "out of memory";
      api_->sqlite3_close_v2(db_);
      db_ = nullptr;
      throw Exception(message + (path.empty() ? "" : ": " + path));
    }
    api_->sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  }
  ~SQLiteConnection() override { api_->sqlite3_close_v2(db_); }

  void Execute(const std::string& sql, ResultSink* sink) override {
    const char* tail = sql.c_str();
    const char* end = tail + sql.size();
    // The text may hold several statements: run them in order, each committing on its own.
    while (tail < end) {
      sqlite3_stmt* raw = nullptr;
      const char* next = nullptr;
      if (api_->sqlite3_prepare_v2(db_, tail, static_cast<int>(end - tail), &raw, &next) !=
          SQLITE_OK)
        Fail();
      tail = next;
      if (!raw) continue;  // blanks or a comment
      Statement stmt{api_.get(), raw};
      RunStatement(raw, sink);
    }
  }

 private:
  struct Statement {
    const SQLiteApi* api;
    sqlite3_stmt* stmt;
    ~Statement() { api->sqlite3_finalize(stmt); }
  };

  [[noreturn]] void Fail() { throw Exception(api_->sqlite3_errmsg(db_)); }

  void RunStatement(sqlite3_stmt* stmt, ResultSink* sink) {
    int columns = api_->sqlite3_column_count(stmt);
    int rc = api_->sqlite3_step(stmt);
    if (columns > 0 && sink && (rc == SQLITE_ROW || rc == SQLITE_DONE)) {
      columns_.clear();
      for (int i = 0; i < columns; ++i) {
        ColumnInfo c = MapDeclaredType(api_->sqlite3_column_name(stmt, i),
                                       api_->sqlite3_column_decltype(stmt, i));
        if (c.type == TFieldType::ftUnknown)
          c = MapStorageClass(std::move(c.name),
                              rc == SQLITE_ROW ? api_->sqlite3_column_type(stmt, i) : SQLITE_NULL);
        columns_.push_back(c);
      }
      sink->BeginResult(columns_);
    }
    for (; rc == SQLITE_ROW; rc = api_->sqlite3_step(stmt)) {
      if (!sink || columns == 0) continue;
      sink->BeginRow();
      for (int i = 0; i < columns; ++i) EmitValue(stmt, i, *sink);
      sink->EndRow();
    }
    if (rc != SQLITE_DONE) Fail();
  }

  // Hands one value to the sink in its column's kind. SQLite lets any column hold any value,
  // so a value that does not convert without loss is an error rather than a silent change.
  void EmitValue(sqlite3_stmt* stmt, int i, ResultSink& sink) {
    const ColumnInfo& column = columns_[i];
    int storage = api_->sqlite3_column_type(stmt, i);
    if (storage == SQLITE_NULL) return sink.Null(i);
    auto text = [&] {
      const char* p = reinterpret_cast<const char*>(api_->sqlite3_column_text(stmt, i));
      return std::string_view(p ? p : "", api_->sqlite3_column_bytes(stmt, i));
    };
    auto wrongValue = [&](const char* what) -> Exception {
      return Exception("column " + column.name + ": cannot read " + what + " from value '" +
                       std::string(text().substr(0, 64)) + "'");
    };
    using enum TFieldType;
    switch (column.type) {
      case ftSmallint:
      case ftInteger:
      case ftLargeint: {
        std::int64_t v;
        if (storage == SQLITE_INTEGER) {
          v = api_->sqlite3_column_int64(stmt, i);
        } else if (storage == SQLITE_FLOAT) {
          double d = api_->sqlite3_column_double(stmt, i);
          if (d != std::trunc(d) || std::fabs(d) > 9.2e18) throw wrongValue("an integer");
          v = static_cast<std::int64_t>(d);
        } else {
          try {
            v = ParseInt(text());
          } catch (const Exception&) {
            throw wrongValue("an integer");
          }
        }
        std::int64_t limit = column.type == ftSmallint  ? 32767
                             : column.type == ftInteger ? 2147483647
                                                        : INT64_MAX;
        if (v > limit || v < -limit - 1) throw wrongValue("an integer of the column's size");
        return sink.Int(i, v);
      }
      case ftBoolean:
        if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT)
          return sink.Bool(i, api_->sqlite3_column_double(stmt, i) != 0);
        if (EqualsNoCase(text(), "true") || EqualsNoCase(text(), "t")) return sink.Bool(i, true);
        if (EqualsNoCase(text(), "false") || EqualsNoCase(text(), "f")) return sink.Bool(i, false);
        throw wrongValue("a boolean");
      case ftSingle:
      case ftFloat:
        if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT)
          return sink.Float(i, api_->sqlite3_column_double(stmt, i));
        try {
          return sink.Float(i, ParseFloat(text()));
        } catch (const Exception&) {
          throw wrongValue("a number");
        }
      case ftFMTBcd:
      case ftCurrency:
        if (storage == SQLITE_INTEGER)
          return sink.Decimal(i, std::to_string(api_->sqlite3_column_int64(stmt, i)));
        if (storage == SQLITE_FLOAT) {
          // SQLite keeps declared decimals as binary reals: print them at the column's scale
          int scale = column.type == ftCurrency ? 4 : column.size;
          return sink.Decimal(i,
                              FixedDecimal(api_->sqlite3_column_double(stmt, i), scale, decimal_));
        }
        try {
          return sink.Decimal(i, CanonicalDecimal(text()));
        } catch (const Exception&) {
          throw wrongValue("a decimal");
        }
      case ftDate:
      case ftTime:
      case ftDateTime:
        return sink.DateTime(i, ReadDateTime(stmt, i, storage, column));
      case ftBlob: {
        const void* p = api_->sqlite3_column_blob(stmt, i);
        return sink.Bytes(
            i, std::string_view(static_cast<const char*>(p), api_->sqlite3_column_bytes(stmt, i)));
      }
      default:
        return sink.Text(i, text());
    }
  }

  // Dates are stored as ISO texts, Julian day numbers (reals) or Unix seconds (integers).
  DateTimeValue ReadDateTime(sqlite3_stmt* stmt, int i, int storage, const ColumnInfo& column) {
    DateTimeValue v;
    if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT) {
      double days = storage == SQLITE_INTEGER
                        ? api_->sqlite3_column_int64(stmt, i) / 86400.0 + 2440587.5
                        : api_->sqlite3_column_double(stmt, i);
      // Julian day 2440587.5 is 1970-01-01 00:00
      double fromEpoch = (days - 2440587.5) * 86400000.0;
      auto ms = static_cast<std::int64_t>(std::llround(fromEpoch));
      std::int64_t day = ms >= 0 ? ms / 86400000 : -((-ms + 86399999) / 86400000);
      std::int64_t msOfDay = ms - day * 86400000;
      CivilFromDays(day, v.year, v.month, v.day);
      v.hour = static_cast<int>(msOfDay / 3600000);
      v.minute = static_cast<int>(msOfDay / 60000 % 60);
      v.second = static_cast<int>(msOfDay / 1000 % 60);
      v.millisecond = static_cast<int>(msOfDay % 1000);
    } else {
      const char* p = reinterpret_cast<const char*>(api_->sqlite3_column_text(stmt, i));
      std::string_view text(p ? p : "", api_->sqlite3_column_bytes(stmt, i));
      try {
        v = column.type == TFieldType::ftTime ? ParseTime(text) : ParseDateTime(text);
      } catch (const Exception& e) {
        throw Exception("column " + column.name + ": " + e.what());
      }
    }
    if (column.type == TFieldType::ftDate) v.hour = v.minute = v.second = v.millisecond = 0;
    if (column.type == TFieldType::ftTime) v.year = v.month = v.day = 0;
    return v;
  }

  std::shared_ptr<const SQLiteApi> api_;
  sqlite3* db_ = nullptr;
  std::vector<ColumnInfo> columns_;
  DecimalText decimal_;  // text of the decimal being handed over
};

}  // namespace

std::unique_ptr<Connection> ConnectSQLite(const ConnectParams& params) {
  auto api = LoadClientApi<SQLiteApi>(params.vendorLib, kDefaultLibrary);
  return std::make_unique<SQLiteConnection>(std::move(api), params.database);
}

}  // namespace bramble::drivers
