// Loads arbitrary bytes as a binary dataset stream. A stream that loads must walk, read and
// save again to the very same bytes; one that does not must fail with bramble::Exception and
// leave the table closed without fields. Crashes, leaks, hangs and large allocations are the
// findings.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/core/Exception.h"
#include "platform/data/MemTable.h"

namespace {

void Walk(bramble::TDataSet& aDataSet, int aDepth) {
  for (aDataSet.First(); !aDataSet.Eof(); aDataSet.Next()) {
    for (int i = 0; i < aDataSet.FieldCount(); ++i) {
      bramble::TField& f = *aDataSet.Fields(i);
      (void)f.DisplayText();
      if (f.NestedDataSet() != nullptr && aDepth < 16) Walk(*f.NestedDataSet(), aDepth + 1);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  bramble::TFDMemTable table;
  try {
    table.LoadFromBytes(bytes);
  } catch (const bramble::Exception&) {
    if (table.Active() || table.FieldCount() != 0 || table.FieldDefs().Count() != 0) std::abort();
    return 0;
  }
  Walk(table, 0);
  if (table.SaveToBytes() != bytes) std::abort();
  return 0;
}
