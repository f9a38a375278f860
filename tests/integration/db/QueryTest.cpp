// TFDQuery against each kind of server: the kind and size of every mapped column type, the
// values (NULLs and non-ASCII text included), DDL and DML through ExecSQL with each command
// committed on its own, and Open of statements that return no rows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "platform/core/Exception.h"
#include "platform/data/FDQuery.h"
#include "tests/integration/db/DbTestSupport.h"
#include "tests/integration/db/FieldText.h"

namespace bramble::dbtest {
namespace {

using ::testing::HasSubstr;
using ::testing::ThrowsMessage;
using enum TFieldType;

constexpr const char* kNonAscii = "Ação ✓ 日本";
constexpr const char* kNonAsciiLiteral = "'Ação ✓ 日本'";

struct Column {
  const char* name;
  const char* ddl;      // the column's type in CREATE TABLE
  const char* literal;  // the inserted value, as an SQL literal
  TFieldType type;
  int size;
  const char* expected;  // FieldText of the fetched value
};

std::vector<Column> SQLiteColumns() {
  return {
      {"c_small", "SMALLINT", "-32768", ftSmallint, 0, "-32768"},
      {"c_int", "INTEGER", "2147483647", ftInteger, 0, "2147483647"},
      {"c_big", "BIGINT", "-9223372036854775807", ftLargeint, 0, "-9223372036854775807"},
      {"c_bool", "BOOLEAN", "1", ftBoolean, 0, "true"},
      {"c_double", "DOUBLE", "0.1", ftFloat, 0, "0.1"},
      {"c_num", "NUMERIC(12,2)", "1234567890.12", ftFMTBcd, 2, "1234567890.12"},
      {"c_money", "MONEY", "12.34", ftCurrency, 0, "12.34"},
      {"c_char", "CHAR(5)", "'ab'", ftWideString, 5, "ab"},
      {"c_varchar", "VARCHAR(20)", kNonAsciiLiteral, ftWideString, 20, kNonAscii},
      {"c_text", "TEXT", "'long text'", ftWideMemo, 0, "long text"},
      {"c_date", "DATE", "'2024-02-29'", ftDate, 0, "2024-02-29"},
      {"c_time", "TIME", "'23:59:58.123'", ftTime, 0, "23:59:58.123"},
      {"c_ts", "DATETIME", "'2024-02-29 23:59:58.123'", ftDateTime, 0, "2024-02-29 23:59:58.123"},
      {"c_blob", "BLOB", "x'00ff41'", ftBlob, 0, "00ff41"},
  };
}

std::vector<Column> PostgresColumns() {
  return {
      {"c_small", "smallint", "-32768", ftSmallint, 0, "-32768"},
      {"c_int", "integer", "2147483647", ftInteger, 0, "2147483647"},
      {"c_big", "bigint", "-9223372036854775807", ftLargeint, 0, "-9223372036854775807"},
      {"c_bool", "boolean", "true", ftBoolean, 0, "true"},
      {"c_real", "real", "1.5", ftSingle, 0, "1.5"},
      {"c_double", "double precision", "0.1", ftFloat, 0, "0.1"},
      {"c_num", "numeric(18,4)", "12345678901234.5678", ftFMTBcd, 4, "12345678901234.5678"},
      {"c_money", "money", "-1234.56", ftCurrency, 0, "-1234.56"},
      {"c_char", "char(5)", "'ab'", ftWideString, 5, "ab   "},
      {"c_varchar", "varchar(20)", kNonAsciiLiteral, ftWideString, 20, kNonAscii},
      {"c_text", "text", "'long text'", ftWideMemo, 0, "long text"},
      {"c_json", "json", "'{\"a\": 1}'", ftWideMemo, 0, "{\"a\": 1}"},
      {"c_date", "date", "'2024-02-29'", ftDate, 0, "2024-02-29"},
      {"c_time", "time", "'23:59:58.123'", ftTime, 0, "23:59:58.123"},
      {"c_ts", "timestamp", "'2024-02-29 23:59:58.123'", ftDateTime, 0, "2024-02-29 23:59:58.123"},
      {"c_blob", "bytea", "'\\x00ff41'", ftBlob, 0, "00ff41"},
      {"c_uuid", "uuid", "'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11'", ftWideString, 36,
       "a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11"},
  };
}

std::vector<Column> MySQLColumns() {
  return {
      {"c_small", "smallint", "-32768", ftSmallint, 0, "-32768"},
      {"c_int", "int", "2147483647", ftInteger, 0, "2147483647"},
      {"c_big", "bigint", "-9223372036854775807", ftLargeint, 0, "-9223372036854775807"},
      {"c_bool", "boolean", "true", ftBoolean, 0, "true"},
      {"c_real", "float", "1.5", ftSingle, 0, "1.5"},
      {"c_double", "double", "0.1", ftFloat, 0, "0.1"},
      {"c_num", "decimal(18,4)", "12345678901234.5678", ftFMTBcd, 4, "12345678901234.5678"},
      {"c_char", "char(5)", "'ab'", ftWideString, 5, "ab"},
      {"c_varchar", "varchar(20)", kNonAsciiLiteral, ftWideString, 20, kNonAscii},
      {"c_text", "text", "'long text'", ftWideMemo, 0, "long text"},
      {"c_date", "date", "'2024-02-29'", ftDate, 0, "2024-02-29"},
      {"c_time", "time(3)", "'23:59:58.123'", ftTime, 0, "23:59:58.123"},
      {"c_ts", "datetime(3)", "'2024-02-29 23:59:58.123'", ftDateTime, 0,
       "2024-02-29 23:59:58.123"},
      {"c_blob", "blob", "x'00ff41'", ftBlob, 0, "00ff41"},
  };
}

std::vector<Column> FirebirdColumns() {
  return {
      {"C_SMALL", "smallint", "-32768", ftSmallint, 0, "-32768"},
      {"C_INT", "integer", "2147483647", ftInteger, 0, "2147483647"},
      {"C_BIG", "bigint", "-9223372036854775807", ftLargeint, 0, "-9223372036854775807"},
      {"C_BOOL", "boolean", "true", ftBoolean, 0, "true"},
      {"C_REAL", "float", "1.5", ftSingle, 0, "1.5"},
      {"C_DOUBLE", "double precision", "0.1", ftFloat, 0, "0.1"},
      {"C_NUM", "numeric(18,4)", "12345678901234.5678", ftFMTBcd, 4, "12345678901234.5678"},
      {"C_SMALLNUM", "numeric(4,1)", "-3.5", ftFMTBcd, 1, "-3.5"},
      {"C_CHAR", "char(5)", "'ab'", ftWideString, 5, "ab   "},
      {"C_VARCHAR", "varchar(20)", kNonAsciiLiteral, ftWideString, 20, kNonAscii},
      {"C_TEXT", "blob sub_type text", kNonAsciiLiteral, ftWideMemo, 0, kNonAscii},
      {"C_DATE", "date", "'2024-02-29'", ftDate, 0, "2024-02-29"},
      {"C_TIME", "time", "'23:59:58.123'", ftTime, 0, "23:59:58.123"},
      {"C_TS", "timestamp", "'2024-02-29 23:59:58.123'", ftDateTime, 0, "2024-02-29 23:59:58.123"},
      {"C_BLOB", "blob sub_type binary", "x'00FF41'", ftBlob, 0, "00ff41"},
  };
}

struct TypeCase {
  Server server;
  std::vector<Column> (*columns)();
};

void PrintTo(const TypeCase& p, std::ostream* os) {
  *os << p.server.kind;
}

class TypeMappingTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(TypeMappingTest, FetchesEveryMappedTypeWithItsKindSizeAndValue) {
  const auto& param = GetParam();
  TestConnection c(param.server);
  REQUIRE_SERVER(c, param.server);
  std::vector<Column> columns = param.columns();
  std::string table = UniqueName("bt_types");
  std::string ddl = "CREATE TABLE " + table + " (id INTEGER NOT NULL PRIMARY KEY";
  std::string names = "id", values = "1", nulls = "2";
  for (const auto& col : columns) {
    ddl += std::string(", ") + col.name + " " + col.ddl;
    names += std::string(", ") + col.name;
    values += std::string(", ") + col.literal;
    nulls += ", NULL";
  }
  ExecDdl(*c, ddl + ")");
  c->ExecSQL("INSERT INTO " + table + " (" + names + ") VALUES (" + values + ")");
  c->ExecSQL("INSERT INTO " + table + " (" + names + ") VALUES (" + nulls + ")");

  TFDQuery q(c.get());
  q.SQL().SetText("SELECT " + names + " FROM " + table + " ORDER BY id");
  q.Open();
  ASSERT_EQ(q.FieldCount(), static_cast<int>(columns.size()) + 1);
  ASSERT_EQ(q.RecordCount(), 2);
  q.First();
  for (size_t i = 0; i < columns.size(); ++i) {
    const Column& col = columns[i];
    TField* field = q.Fields(static_cast<int>(i) + 1);
    SCOPED_TRACE(col.name);
    EXPECT_EQ(field->FieldName(), col.name);
    EXPECT_EQ(FieldTypeName(field->DataType()), FieldTypeName(col.type));
    EXPECT_EQ(field->Size(), col.size);
    EXPECT_EQ(FieldText(*field), col.expected);
  }
  q.Next();
  for (size_t i = 0; i < columns.size(); ++i)
    EXPECT_TRUE(q.Fields(static_cast<int>(i) + 1)->IsNull()) << columns[i].name;
  q.Close();
  ExecDdl(*c, "DROP TABLE " + table);
}

INSTANTIATE_TEST_SUITE_P(Servers, TypeMappingTest,
                         ::testing::Values(TypeCase{kSQLite, SQLiteColumns},
                                           TypeCase{kPG, PostgresColumns},
                                           TypeCase{kMySQL, MySQLColumns},
                                           TypeCase{kFB, FirebirdColumns},
                                           TypeCase{kIB, FirebirdColumns}),
                         [](const auto& info) { return info.param.server.kind; });

struct StatementCase {
  Server server;
  const char* duplicateKey;  // the server's text for a primary-key violation
  const char* syntaxError;   // … and for a malformed statement
};

void PrintTo(const StatementCase& p, std::ostream* os) {
  *os << p.server.kind;
}

class StatementTest : public ::testing::TestWithParam<StatementCase> {
 protected:
  std::int64_t Count(TFDConnection& c, const std::string& table) {
    TFDQuery q(&c);
    q.SQL().SetText("SELECT COUNT(*) FROM " + table);
    q.Open();
    return q.Fields(0)->AsLargeInt();
  }
  std::string Error(const std::function<void()>& run) {
    try {
      run();
    } catch (const Exception& e) {
      return e.what();
    }
    return "(no error)";
  }
};

TEST_P(StatementTest, ExecSQLRunsDdlAndDmlAndCommitsEachCommand) {
  const auto& p = GetParam();
  TestConnection writer(p.server), reader(p.server);
  REQUIRE_SERVER(writer, p.server);
  reader->Params().SetDatabase(writer->Params().Database());  // one SQLite file for both
  std::string table = UniqueName("bt_exec");
  TFDQuery q(writer.get());
  q.SQL().SetText("SELECT 1 AS one FROM " +
                  std::string(p.server.driver == "FB" || p.server.driver == "IB"
                                  ? "RDB$DATABASE"
                                  : "(SELECT 1) AS t"));
  q.ExecSQL();  // connects on demand; the row is not kept
  EXPECT_TRUE(writer->Connected());
  EXPECT_FALSE(q.Active());
  ExecDdl(*writer,
          "CREATE TABLE " + table + " (id INTEGER NOT NULL PRIMARY KEY, name VARCHAR(10))");
  q.SQL().Clear();
  q.SQL().Add("INSERT INTO " + table);
  q.SQL().Add("VALUES (1, 'one')");
  q.ExecSQL();
  // another session sees the row at once: the command was committed on its own
  EXPECT_EQ(Count(*reader, table), 1);

  EXPECT_THAT(Error([&] { writer->ExecSQL("INSERT INTO " + table + " VALUES (1, 'again')"); }),
              HasSubstr(p.duplicateKey));
  EXPECT_THAT(Error([&] { writer->ExecSQL("SELEC 1"); }), HasSubstr(p.syntaxError));
  // the session stays usable after errors
  writer->ExecSQL("UPDATE " + table + " SET name = 'uno' WHERE id = 1");
  EXPECT_EQ(Count(*reader, table), 1);
  ExecDdl(*writer, "DROP TABLE " + table);
}

TEST_P(StatementTest, OpenOfAStatementWithoutRowsRunsItOnceAndYieldsAnEmptyDataset) {
  const auto& p = GetParam();
  TestConnection c(p.server);
  REQUIRE_SERVER(c, p.server);
  std::string table = UniqueName("bt_open");
  ExecDdl(*c, "CREATE TABLE " + table + " (id INTEGER)");
  c->ExecSQL("INSERT INTO " + table + " (id) VALUES (1)");
  TFDQuery q(c.get());
  q.SQL().SetText("INSERT INTO " + table + " (id) SELECT id + 10 FROM " + table);
  q.Open();
  EXPECT_TRUE(q.Active());
  EXPECT_EQ(q.FieldCount(), 0);
  EXPECT_EQ(q.RecordCount(), 0);
  q.Close();
  q.SQL().SetText("UPDATE " + table + " SET id = id + 1");
  q.Open();
  EXPECT_EQ(q.FieldCount(), 0);
  EXPECT_EQ(Count(*c, table), 2);  // the INSERT … SELECT ran exactly once

  // a statement through Open that does return rows
  q.Close();
  q.SQL().SetText("SELECT id FROM " + table + " ORDER BY id");
  q.Open();
  ASSERT_EQ(q.RecordCount(), 2);
  EXPECT_EQ(q.Fields(0)->AsLargeInt(), 2);
  ExecDdl(*c, "DROP TABLE " + table);
}

TEST_P(StatementTest, AFailedOpenLeavesTheQueryClosedWithTheServersMessage) {
  const auto& p = GetParam();
  TestConnection c(p.server);
  REQUIRE_SERVER(c, p.server);
  TFDQuery q(c.get());
  q.SQL().SetText("SELEC 1");
  EXPECT_THAT(Error([&] { q.Open(); }), HasSubstr(p.syntaxError));
  EXPECT_FALSE(q.Active());
}

// Dates of many rows, across months, leap days and the ends of years, each keep their own day;
// a day its month does not have is refused even after valid days of that month. (SQLite keeps
// any text in a DATE column, so the check is the fetch's own.)
TEST(DateFetchTest, EveryRowKeepsItsOwnDayAndImpossibleDaysAreRefused) {
  TestConnection c(kSQLite);
  REQUIRE_SERVER(c, kSQLite);
  const std::string table = UniqueName("bt_dates");
  ExecDdl(*c, "CREATE TABLE " + table + " (n INTEGER, d DATE, t TIMESTAMP)");
  std::vector<std::string> days;
  for (const char* month : {"2023-12", "2024-01", "2024-02", "2024-03", "2024-12", "9999-12"})
    for (const char* day : {"01", "28", "29", "30", "31"})
      if (std::string date = std::string(month) + "-" + day;
          date != "2024-02-30" && date != "2024-02-31")
        days.push_back(date);
  for (size_t i = 0; i < days.size(); ++i)
    c->ExecSQL("INSERT INTO " + table + " VALUES (" + std::to_string(i) + ", '" + days[i] + "', '" +
               days[i] + " 12:34:56')");
  TFDQuery q(c.get());
  q.SQL().SetText("SELECT d, t FROM " + table + " ORDER BY n");
  q.Open();
  ASSERT_EQ(q.RecordCount(), static_cast<int>(days.size()));
  for (const std::string& day : days) {
    EXPECT_EQ(FieldText(*q.Fields(0)), day);
    EXPECT_EQ(FieldText(*q.Fields(1)), day + " 12:34:56");
    q.Next();
  }
  for (const char* impossible : {"2023-02-29", "2024-04-31", "2024-02-30"}) {
    c->ExecSQL("DELETE FROM " + table + " WHERE n > 100");
    c->ExecSQL("INSERT INTO " + table + " VALUES (101, '" + std::string(impossible).substr(0, 8) +
               "01', NULL), (102, '" + impossible + "', NULL)");
    EXPECT_THAT([&] { q.Open("SELECT d FROM " + table + " ORDER BY n"); },
                ThrowsMessage<Exception>(HasSubstr("out of range")))
        << impossible;
  }
  ExecDdl(*c, "DROP TABLE " + table);
}

// The server runs requests on many threads at once, each with its own connection; the first
// connections of a process also load and set up the client library concurrently.
TEST_P(StatementTest, ConnectionsOnManyThreadsAtOnce) {
  const auto& p = GetParam();
  TestConnection probe(p.server);
  REQUIRE_SERVER(probe, p.server);
  constexpr int kThreads = 8;
  std::vector<std::string> results(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      try {
        TestConnection c(p.server);
        TFDQuery q(c.get());
        q.SQL().SetText(p.server.driver == "FB" || p.server.driver == "IB"
                            ? "SELECT " + std::to_string(t) + " FROM RDB$DATABASE"
                            : "SELECT " + std::to_string(t));
        for (int round = 0; round < 5; ++round) {
          q.Open();
          results[t] += q.Fields(0)->AsString();
          q.Close();
        }
      } catch (const std::exception& e) {
        results[t] = e.what();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t)
    EXPECT_EQ(results[t], std::string(5, static_cast<char>('0' + t)));
}

INSTANTIATE_TEST_SUITE_P(
    Servers, StatementTest,
    ::testing::Values(
        StatementCase{kSQLite, "UNIQUE constraint failed", "syntax error"},
        StatementCase{kPG, "duplicate key value violates unique constraint", "syntax error"},
        StatementCase{kMySQL, "Duplicate entry", "You have an error in your SQL syntax"},
        StatementCase{kFB, "violation of PRIMARY or UNIQUE KEY constraint", "Token unknown"},
        StatementCase{kIB, "violation of PRIMARY or UNIQUE KEY constraint", "Token unknown"}),
    [](const auto& info) { return info.param.server.kind; });

struct CharsetCase {
  Server server;
  const char* characterSet;  // a single-byte client character set of that server
};
void PrintTo(const CharsetCase& p, std::ostream* os) {
  *os << p.server.kind;
}

class CharacterSetTest : public ::testing::TestWithParam<CharsetCase> {};

// With a client character set other than UTF-8 the server sends that set's bytes; the text
// the program sees is still UTF-8, in both directions.
TEST_P(CharacterSetTest, TextCrossesAClientCharacterSetAsUtf8) {
  const auto& p = GetParam();
  TestConnection c(p.server);
  REQUIRE_SERVER(c, p.server);
  c->Params().SetValue("CharacterSet", p.characterSet);
  TFDQuery q(c.get());
  q.SQL().SetText("SELECT 'Ação é €' AS \"Situação\"");
  q.Open();
  EXPECT_EQ(q.Fields(0)->FieldName(), "Situação");
  EXPECT_EQ(q.Fields(0)->AsString(), "Ação é €");
  q.Close();
  q.SQL().SetText("SELECT '日本'");
  try {
    q.Open();
    ADD_FAILURE() << "characters outside the set were sent";
  } catch (const Exception& e) {
    EXPECT_THAT(e.what(), HasSubstr(p.characterSet));
  }
}

INSTANTIATE_TEST_SUITE_P(Servers, CharacterSetTest,
                         ::testing::Values(CharsetCase{kPG, "WIN1252"},
                                           CharsetCase{kMySQL, "latin1"}),
                         [](const auto& info) { return info.param.server.kind; });

}  // namespace
}  // namespace bramble::dbtest
