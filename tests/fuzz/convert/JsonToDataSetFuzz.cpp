// Feeds arbitrary field descriptions and records texts to BuildFields and AppendToDataSet.
// Input: the "structure" text up to the first line break, the "data" text after it. Every
// failure must surface as an error; crashes, hangs and sanitizer reports are the findings, and
// so are differences between the fast paths and the JSON tree: the records text must fill a
// table as its parsed tree does, and a table must be written as the tree of its records is.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "platform/core/Exception.h"
#include "platform/data/MemTable.h"
#include "shared/convert/Converter.h"
#include "shared/convert/RecordScanner.h"
#include "shared/json/Json.h"

namespace {
// Inputs beyond this size only slow the search down.
constexpr std::size_t kMaxInput = 64 * 1024;

template <typename Step>
std::string Outcome(Step&& aStep) {
  try {
    return aStep();
  } catch (const bramble::Exception& e) {
    return std::string("error: ") + e.what();
  }
}

void Check(bool aSame, const char* aWhat) {
  if (!aSame) {
    std::fprintf(stderr, "mismatch: %s\n", aWhat);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\n');
  const std::string structure(input.substr(0, cut));
  const std::string records(cut == std::string_view::npos ? "" : input.substr(cut + 1));

  // The shape check and the reading pass must agree on every text.
  bool isArray = false;
  Check(bramble::ScanRecords(records) ==
            bramble::ScanRecords(records, isArray, [](std::span<const bramble::TScannedMember>) {}),
        "shape check vs reading pass");

  bramble::TFDMemTable fromText, fromTree;
  const auto converter = bramble::TConverter::New();
  const std::string built = Outcome([&] {
    converter->FromJson(structure)->BuildFields(&fromText);
    bramble::TConverter::New()->FromJson(structure)->BuildFields(&fromTree);
    return std::string();
  });
  const auto written = [](bramble::TFDMemTable& aTable) {
    if (aTable.Active() && aTable.State() != bramble::TDataSetState::dsBrowse) aTable.Cancel();
    return Outcome(
        [&] { return bramble::TConverter::New()->FromDataSet(&aTable)->RecordsToText(); });
  };
  const std::string textOutcome = Outcome([&] {
    converter->FromJson(records)->AppendToDataSet(&fromText);
    return std::string();
  });
  if (built.empty() && textOutcome.rfind("error: JSON", 0) != 0) {
    // The same records through the JSON tree (a text the tree cannot read is not compared).
    bramble::TJson tree;
    bool parsed = false;
    try {
      tree.Parse(records);
      parsed = tree.StructType() == bramble::jsObject || tree.StructType() == bramble::jsArray;
    } catch (const bramble::Exception&) {
    }
    if (parsed) {
      const std::string treeOutcome = Outcome([&] {
        const auto c = tree.StructType() == bramble::jsObject
                           ? bramble::TConverter::New()->FromJson(tree.JsonObject())
                           : bramble::TConverter::New()->FromJson(tree.JsonArray());
        c->AppendToDataSet(&fromTree);
        return std::string();
      });
      Check(textOutcome + written(fromText) == treeOutcome + written(fromTree), "text vs tree");
    }
  }
  // Whatever was written must convert back without harm, and alike both ways.
  const std::string text = written(fromText);
  const std::string viaTree = Outcome([&] {
    return bramble::TConverter::New()->FromDataSet(&fromText)->RecordsToJson()->Stringify();
  });
  Check(text == viaTree, "records text vs tree");
  return 0;
}
