#pragma once
// The narrow interface between the connection/query layer and one database kind's client
// library. A driver connects, runs one command text at a time (committing it on its own) and
// pushes the rows of every result set into a ResultSink as typed values.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data/FieldType.h"

namespace bramble::drivers {

// Everything a driver needs to open a connection. Empty texts and a port of 0 mean "the
// kind's default" (local connection, default port, UTF-8).
struct ConnectParams {
  std::string server;
  int port = 0;
  std::string characterSet;
  std::string database;
  std::string userName;
  std::string password;
  std::string vendorLib;  // client library to load; empty: the system's default for the kind
};

// Scale reported for decimals whose type fixes none (e.g. a plain "numeric"): enough for the
// values such columns usually hold; digits beyond it are kept by the value text itself.
constexpr int kUnboundedDecimalScale = 16;

// One column of a result set. `size` is the character count of bounded text, the scale of
// exact decimals, and 0 for every other kind.
struct ColumnInfo {
  std::string name;
  TFieldType type = TFieldType::ftUnknown;
  int size = 0;
  bool required = false;  // NOT NULL, when the database says so
};

// A calendar date and/or time of day, to the millisecond. A date-only value has zero time
// fields; a time-only value has year 0 (month and day 0).
struct DateTimeValue {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Receives result sets. Every row calls BeginRow, then exactly one value call per column in
// column order, then EndRow. The value call matches the column's kind:
//   ftSmallint/ftInteger/ftLargeint -> Int, ftBoolean -> Bool, ftSingle/ftFloat -> Float,
//   ftFMTBcd/ftCurrency -> Decimal (plain decimal text such as "-12.50"),
//   ftDate/ftTime/ftDateTime -> DateTime, text kinds -> Text (UTF-8), ftBlob -> Bytes;
//   Null for a NULL of any kind.
class ResultSink {
 public:
  virtual ~ResultSink() = default;
  // A result set begins; a later result set of the same command replaces an earlier one.
  virtual void BeginResult(std::vector<ColumnInfo> columns) = 0;
  virtual void BeginRow() = 0;
  virtual void Null(size_t column) = 0;
  virtual void Int(size_t column, std::int64_t value) = 0;
  virtual void Bool(size_t column, bool value) = 0;
  virtual void Float(size_t column, double value) = 0;
  virtual void Decimal(size_t column, std::string_view text) = 0;
  virtual void DateTime(size_t column, const DateTimeValue& value) = 0;
  virtual void Text(size_t column, std::string_view utf8) = 0;
  virtual void Bytes(size_t column, std::string_view bytes) = 0;
  virtual void EndRow() = 0;
};

// One open database session.
class Connection {
 public:
  virtual ~Connection() = default;
  // Runs the whole text as one command and commits it. Rows of result sets go to `sink`
  // when one is given (and are discarded otherwise). Errors raise bramble::Exception
  // carrying the database's own message.
  virtual void Execute(const std::string& sql, ResultSink* sink) = 0;
};

// The driver identifiers known to OpenConnection: "FB", "IB", "PG", "MySQL", "MSSQL", "SQLite".
bool IsKnownDriver(const std::string& driverId);

// Loads the kind's client library and connects. Raises bramble::Exception on failure.
std::unique_ptr<Connection> OpenConnection(const std::string& driverId,
                                           const ConnectParams& params);

// Connect functions of the individual drivers (one source file each).
std::unique_ptr<Connection> ConnectSQLite(const ConnectParams& params);
std::unique_ptr<Connection> ConnectPostgres(const ConnectParams& params);
std::unique_ptr<Connection> ConnectMySQL(const ConnectParams& params);
std::unique_ptr<Connection> ConnectFirebird(const ConnectParams& params,
                                            const char* defaultLibrary);
std::unique_ptr<Connection> ConnectMSSQL(const ConnectParams& params);

}  // namespace bramble::drivers
