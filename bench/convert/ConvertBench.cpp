// Dataset <-> JSON text against the binary dataset stream, on 100k records of 8 mixed columns.
// Compare DataSetToJsonText with BinarySave and JsonTextToTable with BinaryLoad.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

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

}  // namespace
}  // namespace bramble

BENCHMARK_MAIN();
