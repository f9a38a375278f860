// Fetches the same 100,000 rows x 8 columns (integer, bigint, varchar, decimal, double, date,
// timestamp, boolean) through TFDQuery.Open and through the vendor's own fastest bare loop.
// PostgreSQL and MariaDB need BRAMBLE_PG_* / BRAMBLE_MY_* (scripts/dbservers start); without
// them those benchmarks are skipped. Compare the *_Bramble time with the *_Vendor time.
// The first Open of a process also maps fresh memory for its records (page faults, costly in a
// virtual machine); later ones reuse memory freed by the records before. Every benchmark
// fetches once untimed before it is timed, so the figures are those of a process that has
// fetched before, as a running server has. Run with --benchmark_repetitions=3 and compare the
// medians.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <mariadb/mysql.h>
#include <sqlite3.h>

#include <cstdlib>
#include <string>

#include "platform/data/FDConnection.h"
#include "platform/data/FDQuery.h"

namespace {

constexpr int kRows = 100000;
constexpr const char* kTable = "bench_fetch_rows";
const std::string kSelect =
    std::string("SELECT id, qty, name, price, ratio, day, stamp, flag FROM ") + kTable;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string SQLitePath() {
  return "/tmp/bramble-bench-fetch.sqlite";
}

// Creates and fills the table once per database (kept between runs).
void PrepareTable(bramble::TFDConnection& c, const std::string& kind) {
  bramble::TFDQuery count(&c);
  try {
    count.SQL().SetText(std::string("SELECT COUNT(*) FROM ") + kTable);
    count.Open();
    if (count.Fields(0)->AsInteger() == kRows) return;
  } catch (const std::exception&) {
  }
  std::string ddl =
      std::string("CREATE TABLE ") + kTable +
      " (id INTEGER, qty BIGINT, name VARCHAR(40), price NUMERIC(12,2), ratio DOUBLE PRECISION,"
      " day DATE, stamp TIMESTAMP, flag BOOLEAN)";
  try {
    c.ExecSQL(std::string("DROP TABLE ") + kTable);
  } catch (const std::exception&) {
  }
  c.ExecSQL(ddl);
  std::string cols = "(id, qty, name, price, ratio, day, stamp, flag)";
  if (kind == "PG") {
    c.ExecSQL(std::string("INSERT INTO ") + kTable + cols +
              " SELECT g, g::bigint * 1000003, 'name number ' || g, g / 100.0, g / 7.0,"
              " DATE '2020-01-01' + (g % 1000), TIMESTAMP '2020-01-01 00:00:00' + g * INTERVAL '1 "
              "second',"
              " g % 2 = 0 FROM generate_series(1, 100000) g");
  } else if (kind == "MySQL") {
    c.ExecSQL(std::string("INSERT INTO ") + kTable + cols +
              " SELECT seq, seq * 1000003, CONCAT('name number ', seq), seq / 100, seq / 7.0,"
              " DATE '2020-01-01' + INTERVAL (seq % 1000) DAY, TIMESTAMP '2020-01-01 00:00:00' + "
              "INTERVAL seq SECOND,"
              " seq % 2 = 0 FROM seq_1_to_100000");
  } else {
    c.ExecSQL(std::string("INSERT INTO ") + kTable + cols +
              " WITH RECURSIVE g(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM g WHERE n < 100000)"
              " SELECT n, n * 1000003, 'name number ' || n, n / 100.0, n / 7.0, date('2020-01-01', "
              "'+' || (n % 1000) || ' days'),"
              " datetime('2020-01-01 00:00:00', '+' || n || ' seconds'), n % 2 = 0 FROM g");
  }
}

// A connection for `kind`, or empty driver name when the server is not configured.
bool Configure(bramble::TFDConnection& c, const std::string& kind) {
  c.SetDriverName(kind);
  if (kind == "SQLite") {
    c.Params().SetDatabase(SQLitePath());
    return true;
  }
  std::string prefix = kind == "PG" ? "BRAMBLE_PG_" : "BRAMBLE_MY_";
  if (Env((prefix + "HOST").c_str()).empty()) return false;
  c.Params().SetValue("Server", Env((prefix + "HOST").c_str()));
  c.Params().SetValue("Port", Env((prefix + "PORT").c_str()));
  c.Params().SetDatabase(Env((prefix + "DATABASE").c_str()));
  c.Params().SetUserName(Env((prefix + "USER").c_str()));
  c.Params().SetPassword(Env((prefix + "PASSWORD").c_str()));
  return true;
}

// Runs `fetch` (true when it read every row) once untimed, then once per iteration.
template <typename F>
void TimeFetches(benchmark::State& state, F&& fetch) {
  if (!fetch()) return state.SkipWithError("wrong row count");  // warm-up, untimed
  for (auto _ : state) {
    if (!fetch()) return state.SkipWithError("wrong row count");
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BramblePath(benchmark::State& state, const std::string& kind) {
  bramble::TFDConnection c;
  if (!Configure(c, kind)) return state.SkipWithError("server not configured");
  PrepareTable(c, kind);
  bramble::TFDQuery q(&c);
  q.SQL().SetText(kSelect);
  const auto fetch = [&] {
    q.Open();
    const bool whole = q.RecordCount() == kRows;
    q.Close();
    return whole;
  };
  TimeFetches(state, fetch);
}

void BM_SQLite_Bramble(benchmark::State& state) {
  BramblePath(state, "SQLite");
}
void BM_PG_Bramble(benchmark::State& state) {
  BramblePath(state, "PG");
}
void BM_MySQL_Bramble(benchmark::State& state) {
  BramblePath(state, "MySQL");
}

// ---- vendor loops: every value of every row is read (pointer and length, or the number)

void BM_SQLite_Vendor(benchmark::State& state) {
  sqlite3* db = nullptr;
  // no per-call locking: the connection is used by this thread only (as Bramble's are)
  sqlite3_open_v2(SQLitePath().c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  size_t total = 0;
  const auto fetch = [&] {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, kSelect.c_str(), -1, &stmt, nullptr);
    int rows = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      ++rows;
      for (int i = 0; i < 8; ++i) {
        switch (sqlite3_column_type(stmt, i)) {
          case SQLITE_INTEGER:
            total += static_cast<size_t>(sqlite3_column_int64(stmt, i));
            break;
          case SQLITE_FLOAT:
            total += static_cast<size_t>(sqlite3_column_double(stmt, i));
            break;
          default:
            total += reinterpret_cast<size_t>(sqlite3_column_text(stmt, i)) +
                     static_cast<size_t>(sqlite3_column_bytes(stmt, i));
        }
      }
    }
    sqlite3_finalize(stmt);
    return rows == kRows;
  };
  TimeFetches(state, fetch);
  benchmark::DoNotOptimize(total);
  sqlite3_close(db);
}

PGconn* PgConnect() {
  std::string info = "host=" + Env("BRAMBLE_PG_HOST") + " port=" + Env("BRAMBLE_PG_PORT") +
                     " dbname=" + Env("BRAMBLE_PG_DATABASE") + " user=" + Env("BRAMBLE_PG_USER") +
                     " password=" + Env("BRAMBLE_PG_PASSWORD");
  return PQconnectdb(info.c_str());
}

// The whole result in one PGresult.
void BM_PG_Vendor_Whole(benchmark::State& state) {
  if (Env("BRAMBLE_PG_HOST").empty()) return state.SkipWithError("server not configured");
  PGconn* conn = PgConnect();
  size_t total = 0;
  const auto fetch = [&] {
    PGresult* r = PQexec(conn, kSelect.c_str());
    int rows = PQntuples(r);
    for (int row = 0; row < rows; ++row)
      for (int i = 0; i < 8; ++i)
        total += reinterpret_cast<size_t>(PQgetvalue(r, row, i)) +
                 static_cast<size_t>(PQgetlength(r, row, i));
    PQclear(r);
    return rows == kRows;
  };
  TimeFetches(state, fetch);
  benchmark::DoNotOptimize(total);
  PQfinish(conn);
}

// Single-row mode: one small PGresult per row (libpq's fastest way on this machine).
void BM_PG_Vendor_SingleRow(benchmark::State& state) {
  if (Env("BRAMBLE_PG_HOST").empty()) return state.SkipWithError("server not configured");
  PGconn* conn = PgConnect();
  size_t total = 0;
  const auto fetch = [&] {
    PQsendQuery(conn, kSelect.c_str());
    PQsetSingleRowMode(conn);
    int rows = 0;
    while (PGresult* r = PQgetResult(conn)) {
      if (PQresultStatus(r) == PGRES_SINGLE_TUPLE) {
        ++rows;
        for (int i = 0; i < 8; ++i)
          total += reinterpret_cast<size_t>(PQgetvalue(r, 0, i)) +
                   static_cast<size_t>(PQgetlength(r, 0, i));
      }
      PQclear(r);
    }
    return rows == kRows;
  };
  TimeFetches(state, fetch);
  benchmark::DoNotOptimize(total);
  PQfinish(conn);
}

void BM_MySQL_Vendor(benchmark::State& state) {
  if (Env("BRAMBLE_MY_HOST").empty()) return state.SkipWithError("server not configured");
  MYSQL* mysql = mysql_init(nullptr);
  mysql_options(mysql, MYSQL_SET_CHARSET_NAME, "utf8mb4");
  if (!mysql_real_connect(mysql, Env("BRAMBLE_MY_HOST").c_str(), Env("BRAMBLE_MY_USER").c_str(),
                          Env("BRAMBLE_MY_PASSWORD").c_str(), Env("BRAMBLE_MY_DATABASE").c_str(),
                          static_cast<unsigned>(std::atoi(Env("BRAMBLE_MY_PORT").c_str())), nullptr,
                          0))
    return state.SkipWithError(mysql_error(mysql));
  size_t total = 0;
  const auto fetch = [&] {
    mysql_real_query(mysql, kSelect.data(), kSelect.size());
    MYSQL_RES* result = mysql_use_result(mysql);
    int rows = 0;
    while (MYSQL_ROW row = mysql_fetch_row(result)) {
      ++rows;
      unsigned long* lengths = mysql_fetch_lengths(result);
      for (int i = 0; i < 8; ++i) total += reinterpret_cast<size_t>(row[i]) + lengths[i];
    }
    mysql_free_result(result);
    return rows == kRows;
  };
  TimeFetches(state, fetch);
  benchmark::DoNotOptimize(total);
  mysql_close(mysql);
}

// Bramble first: it creates the tables the vendor loops read.
BENCHMARK(BM_SQLite_Bramble)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_SQLite_Vendor)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_PG_Bramble)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_PG_Vendor_Whole)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_PG_Vendor_SingleRow)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_MySQL_Bramble)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_MySQL_Vendor)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
