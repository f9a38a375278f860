// Binary dataset stream: saving and loading 100k records of 8 mixed columns; filling and
// walking the same table, for comparison with the work around them.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/data/BenchTable.h"

namespace bramble {
namespace {

constexpr std::int64_t kRows = 100000;

void BM_SaveBinary(benchmark::State& state) {
  TFDMemTable table;
  bench::DefineColumns(table);
  table.Open();
  bench::Fill(table, kRows);
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string out = table.SaveToBytes();
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
  state.counters["bytes_per_row"] = static_cast<double>(bytes) / kRows;
}
BENCHMARK(BM_SaveBinary)->Unit(benchmark::kMillisecond);

void BM_LoadBinary(benchmark::State& state) {
  TFDMemTable source;
  bench::DefineColumns(source);
  source.Open();
  bench::Fill(source, kRows);
  const std::string bytes = source.SaveToBytes();
  for (auto _ : state) {
    TFDMemTable table;
    table.LoadFromBytes(bytes);
    benchmark::DoNotOptimize(table.RecordCount());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes.size()) * state.iterations());
  state.counters["bytes_per_row"] = static_cast<double>(bytes.size()) / kRows;
}
BENCHMARK(BM_LoadBinary)->Unit(benchmark::kMillisecond);

// Filling through the bulk appender, as a driver does.
void BM_FillAppender(benchmark::State& state) {
  for (auto _ : state) {
    TFDMemTable table;
    bench::DefineColumns(table);
    table.Open();
    bench::Fill(table, kRows);
    benchmark::DoNotOptimize(table.RecordCount());
  }
  state.SetItemsProcessed(kRows * state.iterations());
}
BENCHMARK(BM_FillAppender)->Unit(benchmark::kMillisecond);

// The appender alone (texts prepared beforehand), against the same values pushed into plain
// vectors: the overhead a driver's fetch pays for filling a dataset.
struct Prepared {
  std::vector<std::string> names, amounts;
  Prepared() {
    for (std::int64_t r = 0; r < kRows; ++r) {
      names.push_back("customer name " + std::to_string(1000000 + r));
      amounts.push_back(std::to_string(r * 13) + "." + std::to_string(10 + r % 90));
    }
  }
};
const Prepared& Texts() {
  static const Prepared p;
  return p;
}

void BM_FillAppenderPrepared(benchmark::State& state) {
  const Prepared& p = Texts();
  for (auto _ : state) {
    TFDMemTable table;
    bench::DefineColumns(table);
    table.Open();
    {
      TRowAppender rows(table);
      for (std::int64_t r = 0; r < kRows; ++r) {
        rows.BeginRow();
        rows.SetInt32(0, static_cast<std::int32_t>(r));
        rows.SetInt64(1, r * 7919);
        rows.SetDouble(2, static_cast<double>(r) / 3.0);
        rows.SetCurrency(3, TCurrency::FromScaled(r * 125));
        rows.SetDateTime(4, TDateTime{45000LL * kMillisecondsPerDay + r * 1000});
        rows.SetBoolean(5, r % 2 == 0);
        rows.SetText(6, p.names[static_cast<std::size_t>(r)]);
        rows.SetDecimal(7, p.amounts[static_cast<std::size_t>(r)]);
        rows.EndRow();
      }
    }
    benchmark::DoNotOptimize(table.RecordCount());
  }
  state.SetItemsProcessed(kRows * state.iterations());
}
BENCHMARK(BM_FillAppenderPrepared)->Unit(benchmark::kMillisecond);

void BM_FillPlainVectors(benchmark::State& state) {
  const Prepared& p = Texts();
  for (auto _ : state) {
    std::vector<std::int32_t> c0;
    std::vector<std::int64_t> c1, c3, c4;
    std::vector<double> c2;
    std::vector<std::uint8_t> c5;
    std::vector<std::string> c6, c7;
    for (std::int64_t r = 0; r < kRows; ++r) {
      c0.push_back(static_cast<std::int32_t>(r));
      c1.push_back(r * 7919);
      c2.push_back(static_cast<double>(r) / 3.0);
      c3.push_back(r * 125);
      c4.push_back(45000LL * kMillisecondsPerDay + r * 1000);
      c5.push_back(r % 2 == 0);
      c6.push_back(p.names[static_cast<std::size_t>(r)]);
      c7.push_back(p.amounts[static_cast<std::size_t>(r)]);
    }
    benchmark::DoNotOptimize(c7.data());
  }
  state.SetItemsProcessed(kRows * state.iterations());
}
BENCHMARK(BM_FillPlainVectors)->Unit(benchmark::kMillisecond);

// Filling through Append, the field setters and Post, with controls disabled.
void BM_FillFieldSetters(benchmark::State& state) {
  for (auto _ : state) {
    TFDMemTable table;
    bench::DefineColumns(table);
    table.Open();
    table.DisableControls();
    TField* f[8];
    for (int i = 0; i < 8; ++i) f[i] = table.Fields(i);
    for (std::int64_t r = 0; r < kRows; ++r) {
      table.Append();
      f[0]->SetAsInteger(static_cast<std::int32_t>(r));
      f[1]->SetAsLargeInt(r * 7919);
      f[2]->SetAsFloat(static_cast<double>(r) / 3.0);
      f[3]->SetAsCurrency(TCurrency::FromScaled(r * 125));
      f[4]->SetAsDateTime(TDateTime{45000LL * kMillisecondsPerDay + r * 1000});
      f[5]->SetAsBoolean(r % 2 == 0);
      char text[48], amount[32];
      const int n =
          std::snprintf(text, sizeof text, "customer name %07lld", static_cast<long long>(r));
      f[6]->SetAsString(std::string_view(text, static_cast<std::size_t>(n)));
      const int m = std::snprintf(amount, sizeof amount, "%lld.%02lld",
                                  static_cast<long long>(r * 13), static_cast<long long>(r % 100));
      f[7]->SetAsString(std::string_view(amount, static_cast<std::size_t>(m)));
      table.Post();
    }
    table.EnableControls();
    benchmark::DoNotOptimize(table.RecordCount());
  }
  state.SetItemsProcessed(kRows * state.iterations());
}
BENCHMARK(BM_FillFieldSetters)->Unit(benchmark::kMillisecond);

// First/Next over every record, reading each field's value.
void BM_WalkAndRead(benchmark::State& state) {
  TFDMemTable table;
  bench::DefineColumns(table);
  table.Open();
  bench::Fill(table, kRows);
  TField* f[8];
  for (int i = 0; i < 8; ++i) f[i] = table.Fields(i);
  for (auto _ : state) {
    std::int64_t sum = 0;
    table.DisableControls();
    for (table.First(); !table.Eof(); table.Next()) {
      sum += f[0]->AsInteger() + f[1]->AsLargeInt() + static_cast<std::int64_t>(f[2]->AsFloat());
      sum += f[3]->AsCurrency().Scaled() + f[4]->AsDateTime().Milliseconds + f[5]->AsBoolean();
      sum += static_cast<std::int64_t>(f[6]->AsString().size() + f[7]->AsString().size());
    }
    table.EnableControls();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(kRows * state.iterations());
}
BENCHMARK(BM_WalkAndRead)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace bramble

BENCHMARK_MAIN();
