#pragma once
// The binary dataset stream: field definitions and every record of a dataset, little-endian.
//
//   magic "BRDS", u16 version (1), u16 flags (0)
//   u32 field count, then per field (recursively for the children of an ftDataSet field):
//     u8 kind ordinal, u16 name length + name bytes, i32 size, u8 flags
//     (1 required, 2 read-only, 4 hidden), u16 origin length + origin bytes,
//     [ftDataSet: u32 child count + child fields]
//   u64 record count, then per record: a null bitmap (one bit per field, bit i of byte i/8)
//     and the value of every non-null field by its storage: Int32 i32, Int64 i64, Boolean u8
//     (0 or 1), Double f64, Extended 10-byte x87 extended, Currency i64 (scaled by 10000),
//     DateTime i64 milliseconds since 1899-12-30, Decimal/Text/Bytes u32 length + bytes,
//     DataSet u32 record count + the nested records in the same form.
//
// The reader checks every count and length against the bytes that remain before it
// allocates, bounds field count, name lengths and nesting depth, and rejects anything it
// cannot read exactly with bramble::Exception. It also bounds the cells it creates in all
// (kMaxStreamCells), since null cells and nested lists take far more memory than stream bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace bramble {

class TDataSet;

inline constexpr char kBinaryStreamMagic[4] = {'B', 'R', 'D', 'S'};
inline constexpr std::uint16_t kBinaryStreamVersion = 1;
inline constexpr std::uint32_t kMaxStreamFields = 4096;
inline constexpr std::size_t kMaxStreamNameLength = 4096;
inline constexpr int kMaxStreamNesting = 8;
inline constexpr std::size_t kMaxStreamDecimalLength = 1024;
// Most cells (records x fields, nested records included) one stream may load: 8 million
// records of 8 fields. Keeps a small stream of null flags or nested lists from claiming
// gigabytes.
inline constexpr std::uint64_t kMaxStreamCells = std::uint64_t{1} << 26;

// Appends the open dataset's definitions and records to `aOut` (a pending change is posted).
void SaveDataSetBinary(TDataSet& aDataSet, std::string& aOut);
// Closes the dataset, clears its fields and definitions, reads `aBytes` and opens it. On any
// error the dataset is left closed without fields or definitions and bramble::Exception is
// raised.
void LoadDataSetBinary(TDataSet& aDataSet, std::string_view aBytes);

}  // namespace bramble
