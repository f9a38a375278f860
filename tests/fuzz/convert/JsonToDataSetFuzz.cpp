// Feeds arbitrary field descriptions and records texts to BuildFields and AppendToDataSet.
// Input: the "structure" text up to the first line break, the "data" text after it. Every
// failure must surface as an error; crashes, hangs and sanitizer reports are the findings.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/Exception.h"
#include "platform/data/MemTable.h"
#include "shared/convert/Converter.h"

namespace {
// Inputs beyond this size only slow the search down.
constexpr std::size_t kMaxInput = 64 * 1024;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\n');
  const std::string structure(input.substr(0, cut));
  const std::string records(cut == std::string_view::npos ? "" : input.substr(cut + 1));

  bramble::TFDMemTable table;
  const auto converter = bramble::TConverter::New();
  try {
    converter->FromJson(structure)->BuildFields(&table);
  } catch (const bramble::Exception&) {
  }
  try {
    converter->FromJson(records)->AppendToDataSet(&table);
  } catch (const bramble::Exception&) {
  }
  // Whatever was written must convert back without harm.
  try {
    converter->FromDataSet(&table)->RecordsToText();
  } catch (const bramble::Exception&) {
  }
  return 0;
}
