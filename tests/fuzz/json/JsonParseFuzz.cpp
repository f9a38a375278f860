// Parses arbitrary bytes as a TJson and as a TJsonValue. Whatever parses must write pure
// ASCII, and that text must parse again to a tree that writes the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/core/Exception.h"
#include "shared/json/Json.h"

namespace {

void Check(bool Condition) {
  if (!Condition) std::abort();
}

template <class Node>
void RoundTrip(std::string_view Text) {
  Node first;
  try {
    first.Parse(Text);
  } catch (const bramble::Exception&) {
    return;
  }
  const std::string written = first.Stringify();
  for (const char c : written) Check(c >= 0x20 && c <= 0x7f);
  Node second;
  second.Parse(written);  // an error here escapes and is reported as a crash
  Check(second.Stringify() == written);
  Node copy;
  copy.Assign(&second);
  Check(copy.Stringify() == written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view text(reinterpret_cast<const char*>(Data), Size);
  RoundTrip<bramble::TJson>(text);
  RoundTrip<bramble::TJsonValue>(text);
  return 0;
}
