// Dataset <-> JSON text against the binary dataset stream, on 100k records of 8 mixed columns.
// Compare DataSetToJsonText with BinarySave and JsonTextToTable with BinaryLoad. The Reference*
// benchmarks time only a part of the same work done by other code (the C++ library's number
// formatter, a SIMD JSON parser), as a floor for each direction.
#include <benchmark/benchmark.h>

#include <charconv>
#include <memory>
#include <string>
#include <vector>
#ifdef BRAMBLE_HAVE_SIMDJSON
#include <simdjson.h>
#endif

#include "platform/data/MemTable.h"
#include "shared/convert/Converter.h"

namespace bramble {
namespace {

constexpr int kRows = 100000;

TField* AddField(TDataSet& aDataSet, const std::string& aName, TFieldType aType, int aSize = 0) {
  auto field = CreateField(aType);
  field->SetFieldName(aName);
  field->SetSize(aSize);
  return aDataSet.AddField(std::move(field));
}

// ID, NOME, VALOR, SALDO, NASC, CRIADO, ATIVO, QTD; every seventh value of the nullable
// columns is null.
std::unique_ptr<TFDMemTable> MakeTable() {
  auto table = std::make_unique<TFDMemTable>();
  AddField(*table, "ID", TFieldType::ftInteger);
  AddField(*table, "NOME", TFieldType::ftWideString, 60);
  AddField(*table, "VALOR", TFieldType::ftFloat);
  AddField(*table, "SALDO", TFieldType::ftCurrency);
  AddField(*table, "NASC", TFieldType::ftDate);
  AddField(*table, "CRIADO", TFieldType::ftDateTime);
  AddField(*table, "ATIVO", TFieldType::ftBoolean);
  AddField(*table, "QTD", TFieldType::ftLargeint);
  table->Open();
  table->DisableControls();
  for (int i = 0; i < kRows; ++i) {
    table->Append();
    table->Fields(0)->SetAsInteger(i + 1);
    if (i % 7 == 1) {
      table->Fields(1)->Clear();
    } else {
      table->Fields(1)->SetAsString("Cliente numero " + std::to_string(i));
    }
    table->Fields(2)->SetAsFloat(i * 1.25 + 0.1);
    table->Fields(3)->SetAsCurrency(TCurrency::FromScaled(i * 12345LL));
    if (i % 7 == 3) {
      table->Fields(4)->Clear();
    } else {
      table->Fields(4)->SetAsDateTime(EncodeDate(1950 + i % 60, 1 + i % 12, 1 + i % 28));
    }
    table->Fields(5)->SetAsDateTime(
        TDateTime::FromMilliseconds(EncodeDate(2024, 1, 1).Milliseconds + i * 1234567LL));
    table->Fields(6)->SetAsBoolean(i % 2 == 0);
    table->Fields(7)->SetAsLargeInt(i * 1000003LL);
    table->Post();
  }
  table->EnableControls();
  table->First();
  return table;
}

TFDMemTable& Source() {
  static const std::unique_ptr<TFDMemTable> table = MakeTable();
  return *table;
}

void DataSetToJsonText(benchmark::State& state) {
  TFDMemTable& table = Source();
  std::size_t bytes = 0;
  for (auto _ : state) {
    const auto converter = TConverter::New();
    std::string structure = converter->FromDataSet(&table)->FieldsToText();
    std::string data = converter->FromDataSet(&table)->RecordsToText();
    bytes = structure.size() + data.size();
    benchmark::DoNotOptimize(data.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(DataSetToJsonText)->Unit(benchmark::kMillisecond);

// The same through the JSON tree, for reference.
void DataSetToJsonTree(benchmark::State& state) {
  TFDMemTable& table = Source();
  for (auto _ : state) {
    std::string data = TConverter::New()->FromDataSet(&table)->RecordsToJson()->Stringify();
    benchmark::DoNotOptimize(data.data());
  }
}
BENCHMARK(DataSetToJsonTree)->Unit(benchmark::kMillisecond);

void BinarySave(benchmark::State& state) {
  TFDMemTable& table = Source();
  for (auto _ : state) {
    std::string bytes = table.SaveToBytes();
    benchmark::DoNotOptimize(bytes.data());
  }
}
BENCHMARK(BinarySave)->Unit(benchmark::kMillisecond);

void JsonTextToTable(benchmark::State& state) {
  TFDMemTable& source = Source();
  const auto converter = TConverter::New();
  const std::string structure = converter->FromDataSet(&source)->FieldsToText();
  const std::string data = converter->FromDataSet(&source)->RecordsToText();
  for (auto _ : state) {
    // The answer's text is handed over, as a caller that received it does.
    state.PauseTiming();
    std::string text = data;
    state.ResumeTiming();
    TFDMemTable table;
    table.DisableControls();
    converter->FromJson(structure)->BuildFields(&table);
    converter->FromJson(std::move(text))->AppendToDataSet(&table);
    table.First();
    table.EnableControls();
    if (table.RecordCount() != kRows) state.SkipWithError("wrong record count");
  }
}
BENCHMARK(JsonTextToTable)->Unit(benchmark::kMillisecond);

void BinaryLoad(benchmark::State& state) {
  const std::string bytes = Source().SaveToBytes();
  for (auto _ : state) {
    TFDMemTable table;
    table.LoadFromBytes(bytes);
    if (table.RecordCount() != kRows) state.SkipWithError("wrong record count");
  }
}
BENCHMARK(BinaryLoad)->Unit(benchmark::kMillisecond);

// Only the numbers of the table's four numeric columns, written one after the other by
// std::to_chars (shortest round-trip text) from plain arrays: no names, punctuation, texts or
// dates, and no table access.
void ReferenceNumbersToChars(benchmark::State& state) {
  TFDMemTable& table = Source();
  std::vector<std::int64_t> ids, quantities;
  std::vector<double> values, balances;
  table.First();
  while (!table.Eof()) {
    ids.push_back(table.Fields(0)->AsLargeInt());
    values.push_back(table.Fields(2)->AsFloat());
    balances.push_back(table.Fields(3)->AsFloat());
    quantities.push_back(table.Fields(7)->AsLargeInt());
    table.Next();
  }
  table.First();
  std::string out(std::size_t{kRows} * 4 * 32, '\0');
  for (auto _ : state) {
    char* p = out.data();
    for (std::size_t i = 0; i < ids.size(); ++i) {
      p = std::to_chars(p, p + 32, ids[i]).ptr;
      p = std::to_chars(p, p + 32, values[i]).ptr;
      p = std::to_chars(p, p + 32, balances[i]).ptr;
      p = std::to_chars(p, p + 32, quantities[i]).ptr;
    }
    benchmark::DoNotOptimize(p);
  }
}
BENCHMARK(ReferenceNumbersToChars)->Unit(benchmark::kMillisecond);

#ifdef BRAMBLE_HAVE_SIMDJSON
// The same records text parsed (and fully validated) by simdjson's DOM parser, then every
// number and string read once: no conversion to field values and no table.
void ReferenceSimdjsonParseAndRead(benchmark::State& state) {
  const simdjson::padded_string text(TConverter::New()->FromDataSet(&Source())->RecordsToText());
  simdjson::dom::parser parser;
  for (auto _ : state) {
    simdjson::dom::element records;
    if (parser.parse(text).get(records) != simdjson::SUCCESS) state.SkipWithError("parse failed");
    double sum = 0;
    std::size_t length = 0;
    for (simdjson::dom::object record : records.get_array()) {
      for (const auto member : record) {
        switch (member.value.type()) {
          case simdjson::dom::element_type::INT64:
            sum += static_cast<double>(std::int64_t(member.value.get_int64()));
            break;
          case simdjson::dom::element_type::DOUBLE:
            sum += double(member.value.get_double());
            break;
          case simdjson::dom::element_type::STRING:
            length += std::string_view(member.value.get_string()).size();
            break;
          default:
            break;
        }
      }
    }
    benchmark::DoNotOptimize(sum);
    benchmark::DoNotOptimize(length);
  }
}
BENCHMARK(ReferenceSimdjsonParseAndRead)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
}  // namespace bramble

BENCHMARK_MAIN();
