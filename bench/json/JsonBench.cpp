// Parse and Stringify of a 20 MB query result ({"structure":[...],"data":[{...} x 100k]}),
// each next to the same work done by RapidJSON (DOM parse; writer with ASCII output, so that
// both write escapes for non-ASCII text).
#include <benchmark/benchmark.h>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <string>

#include "shared/json/Json.h"

namespace {

constexpr int kRecords = 100000;

const std::string& ResultText() {
  static const std::string text = [] {
    bramble::TJson doc;
    bramble::TJsonArray* structure = doc.Put("structure", bramble::TJsonEmpty::empty)->AsArray();
    const char* fields[][2] = {
        {"id", "ftInteger"},        {"name", "ftWideString"}, {"price", "ftFloat"},
        {"quantity", "ftLargeint"}, {"active", "ftBoolean"},  {"created", "ftDateTime"},
        {"notes", "ftWideMemo"},    {"discount", "ftFloat"},  {"category", "ftString"}};
    for (const auto& f : fields) {
      bramble::TJsonObject* d = structure->Add()->AsObject();
      d->Put("fieldName", f[0]);
      d->Put("dataType", f[1]);
      d->Put("size", 40);
    }
    bramble::TJsonArray* data = doc.Put("data", bramble::TJsonEmpty::empty)->AsArray();
    for (int i = 0; i < kRecords; ++i) {
      bramble::TJsonObject* r = data->Add()->AsObject();
      r->Put("id", i);
      r->Put("name", "Cliente n\xC3\xBAmero " + std::to_string(i));
      r->Put("price", i * 1.37 + 0.01);
      r->Put("quantity", static_cast<std::int64_t>(i) * 7919);
      r->Put("active", i % 3 != 0);
      r->Put("created", "2024-05-" + std::to_string(10 + i % 20) + "T12:34:56.789Z");
      r->Put("notes", "Observa\xC3\xA7\xC3\xA3o de teste / linha " + std::to_string(i % 97));
      if (i % 5 == 0) {
        r->Put("discount", bramble::TJsonNull::null);
      } else {
        r->Put("discount", (i % 100) / 8.0);
      }
      r->Put("category", "CAT-" + std::to_string(i % 13));
    }
    return doc.Stringify();
  }();
  return text;
}

void SetBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(ResultText().size()));
  state.counters["MB"] = static_cast<double>(ResultText().size()) / 1e6;
}

void BM_Parse_Bramble(benchmark::State& state) {
  const std::string& text = ResultText();
  for (auto _ : state) {
    bramble::TJson doc;
    doc.Parse(text);
    benchmark::DoNotOptimize(doc.Count());
  }
  SetBytes(state);
}

void BM_Parse_RapidJSON(benchmark::State& state) {
  const std::string& text = ResultText();
  for (auto _ : state) {
    rapidjson::Document doc;
    doc.Parse(text.c_str(), text.size());
    if (doc.HasParseError()) state.SkipWithError("rapidjson parse error");
    benchmark::DoNotOptimize(doc.MemberCount());
  }
  SetBytes(state);
}

void BM_Stringify_Bramble(benchmark::State& state) {
  bramble::TJson doc;
  doc.Parse(ResultText());
  for (auto _ : state) {
    std::string out = doc.Stringify();
    benchmark::DoNotOptimize(out.data());
  }
  SetBytes(state);
}

void BM_Stringify_RapidJSON(benchmark::State& state) {
  rapidjson::Document doc;
  doc.Parse(ResultText().c_str(), ResultText().size());
  for (auto _ : state) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer, rapidjson::UTF8<>, rapidjson::ASCII<>> writer(
        buffer);
    doc.Accept(writer);
    benchmark::DoNotOptimize(buffer.GetString());
  }
  SetBytes(state);
}

BENCHMARK(BM_Parse_Bramble)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Parse_RapidJSON)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Stringify_Bramble)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Stringify_RapidJSON)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
