#pragma once
// A one-pass reader for the common shape of a records text: strict JSON that is one object, or
// an array of objects, whose members are all scalars. It records where every member's name and
// value lie so that records can be written into a dataset without building a JSON tree.
//
// It accepts only texts that the JSON model reads into exactly the tree that the positions
// describe; for anything else (nested containers, the model's tolerances, escaped names,
// malformed input) it reports failure and the caller goes through the JSON model instead.
#include <cstdint>
#include <string_view>
#include <vector>

namespace bramble {

enum class TScanToken : std::uint8_t {
  Null,
  True,
  False,
  Integer,  // -?digits that fit 64 bits
  Number,   // any other JSON number (finite)
  String,   // a string without escapes and with ASCII characters only
  Complex,  // a string with escapes or non-ASCII characters: decoded by the JSON model
};

struct TScannedMember {
  std::uint32_t NameBegin;
  std::uint32_t NameLength;
  std::uint32_t ValueBegin;   // first character of the value; for strings the opening quote
  std::uint32_t ValueLength;  // for strings the quotes included
  TScanToken Token;
};

struct TScannedRecords {
  bool IsArray = false;
  std::vector<TScannedMember> Members;
  // Index of each record's first member in Members; one extra entry closes the last record.
  std::vector<std::uint32_t> RecordStarts;

  std::size_t RecordCount() const { return RecordStarts.empty() ? 0 : RecordStarts.size() - 1; }
};

// Largest text the scanner handles (positions are 32-bit); longer texts go to the JSON model.
inline constexpr std::size_t kMaxScannedText = 0xFFFFFFF0u;

// Fills `aOut` and returns true when `aText` has the shape described above.
bool ScanRecords(std::string_view aText, TScannedRecords& aOut);

}  // namespace bramble
