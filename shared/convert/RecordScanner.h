#pragma once
// A one-pass reader for the common shape of a records text: strict JSON that is one object, or
// an array of objects, whose members are all scalars. It records where every member's name and
// value lie so that records can be written into a dataset without building a JSON tree.
//
// It accepts only texts that the JSON model reads into exactly the tree that the positions
// describe; for anything else (nested containers, the model's tolerances, escaped names,
// malformed input) it reports failure and the caller goes through the JSON model instead.
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

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
  // The name is the same, byte for byte, as that of the member at the same place in the latest
  // record before that had a member there (always false in the first record).
  bool NameAsBefore;
  std::int64_t Integer;  // the value of an Integer token
  double Number;         // the value of a Number token
};

// Largest text the scanner handles (positions are 32-bit); longer texts go to the JSON model.
inline constexpr std::size_t kMaxScannedText = 0xFFFFFFF0u;

// Receives the members of one record at a time (in text order); the list is reused for the next
// record, so only one record's positions are ever held.
using TScannedRecordVisitor = std::function<void(std::span<const TScannedMember>)>;

// Walks `aText` and returns true when it has the shape described above; `aIsArray` tells an
// array of records from a single object. With `aVisit`, every record is handed to it as it is
// read (a text that fails the shape later may already have handed over some records, so
// callers check a text first and visit it afterwards).
bool ScanRecords(std::string_view aText, bool& aIsArray, const TScannedRecordVisitor& aVisit = {});
inline bool ScanRecords(std::string_view aText) {
  bool isArray;
  return ScanRecords(aText, isArray);
}

}  // namespace bramble
