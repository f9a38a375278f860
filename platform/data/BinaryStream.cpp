#include "platform/data/BinaryStream.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>

#include "platform/core/Exception.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSetAccess.h"
#include "platform/data/MemTable.h"
#include "platform/data/RowStore.h"
#include "platform/data/ValueText.h"

namespace bramble {

using data_detail::Column;
using data_detail::Layout;
using data_detail::RowStore;

static_assert(std::numeric_limits<long double>::digits == 64,
              "the Extended value is stored as the 10-byte x87 extended format");

namespace {

using data_detail::Access;

constexpr std::uint8_t kFlagRequired = 1;
constexpr std::uint8_t kFlagReadOnly = 2;
constexpr std::uint8_t kFlagHidden = 4;
constexpr std::uint8_t kKnownFlags = kFlagRequired | kFlagReadOnly | kFlagHidden;
constexpr std::size_t kExtendedBytes = 10;
// What the storage of one nested record list costs, in cells per column.
constexpr std::uint64_t kNestedStoreCells = 32;
// Smallest field definition: kind, name length, size, flags, origin length.
constexpr std::size_t kMinFieldDefBytes = 1 + 2 + 4 + 1 + 2;

template <typename T>
T ToLittle(T v) {
  if constexpr (std::endian::native == std::endian::big) {
    auto bytes = std::bit_cast<std::array<unsigned char, sizeof(T)>>(v);
    std::reverse(bytes.begin(), bytes.end());
    return std::bit_cast<T>(bytes);
  }
  return v;
}

// ---- writing -------------------------------------------------------------------------------

class Writer {
 public:
  explicit Writer(std::string& aOut) : out_(aOut) {}
  template <typename T>
  void Put(T v) {
    v = ToLittle(v);
    out_.append(reinterpret_cast<const char*>(&v), sizeof v);
  }
  void Bytes(std::string_view b) { out_.append(b.data(), b.size()); }
  void Text16(const std::string& s, const char* aWhat) {
    if (s.size() > kMaxStreamNameLength) throw Exception(std::string(aWhat) + " too long to save");
    Put<std::uint16_t>(static_cast<std::uint16_t>(s.size()));
    Bytes(s);
  }
  std::string& Out() { return out_; }

 private:
  std::string& out_;
};

void WriteFields(Writer& w, const TFields& aFields, int aDepth) {
  if (aDepth > kMaxStreamNesting) throw Exception("Nested datasets too deep to save");
  w.Put<std::uint32_t>(static_cast<std::uint32_t>(aFields.Count()));
  for (int i = 0; i < aFields.Count(); ++i) {
    const TField& f = *aFields.Fields(i);
    w.Put<std::uint8_t>(static_cast<std::uint8_t>(f.DataType()));
    w.Text16(f.FieldName(), "Field name");
    w.Put<std::int32_t>(f.Size());
    w.Put<std::uint8_t>(static_cast<std::uint8_t>((f.Required() ? kFlagRequired : 0) |
                                                  (f.ReadOnly() ? kFlagReadOnly : 0) |
                                                  (f.Visible() ? 0 : kFlagHidden)));
    w.Text16(f.Origin(), "Field origin");
    if (f.DataType() == TFieldType::ftDataSet)
      WriteFields(w, f.NestedDataSet()->Fields(), aDepth + 1);
  }
}

// Records are written in two passes: the exact size first, then the bytes straight into the
// reserved space, so that a large result costs one allocation and no per-value bookkeeping.
bool CellIsNull(const Column& aCol, std::size_t aRow) {
  if (aCol.Storage == TFieldStorage::DataSet) {
    const RowStore* nested = aCol.Nested[aRow].get();
    return nested == nullptr || nested->Rows() == 0;
  }
  return aCol.Null[aRow] != 0;
}

std::size_t RowsSize(const RowStore* aStore, const Layout& aLayout, bool aCount64) {
  std::size_t size = aCount64 ? 8 : 4;
  const std::int64_t rows = aStore != nullptr ? aStore->Rows() : 0;
  if (rows == 0) return size;
  const std::size_t n = aLayout.Columns.size();
  size += static_cast<std::size_t>(rows) * ((n + 7) / 8);
  for (std::size_t c = 0; c < n; ++c) {
    const Column& col = aStore->Col(static_cast<int>(c));
    std::size_t width = 0;
    switch (col.Storage) {
      case TFieldStorage::Int32:
        width = 4;
        break;
      case TFieldStorage::Int64:
      case TFieldStorage::Currency:
      case TFieldStorage::DateTime:
      case TFieldStorage::Double:
        width = 8;
        break;
      case TFieldStorage::Boolean:
        width = 1;
        break;
      case TFieldStorage::Extended:
        width = kExtendedBytes;
        break;
      default:
        break;
    }
    for (std::size_t r = 0; r < static_cast<std::size_t>(rows); ++r) {
      if (CellIsNull(col, r)) continue;
      if (width != 0)
        size += width;
      else if (col.Storage == TFieldStorage::DataSet)
        size += RowsSize(col.Nested[r].get(), *col.Child, false);
      else
        size += 4 + col.Refs[r].Length;
    }
  }
  return size;
}

class RawWriter {
 public:
  explicit RawWriter(char* aAt) : p_(aAt) {}
  template <typename T>
  void Put(T v) {
    v = ToLittle(v);
    std::memcpy(p_, &v, sizeof v);
    p_ += sizeof v;
  }
  void Bytes(const void* aData, std::size_t aCount) {
    if (aCount != 0) std::memcpy(p_, aData, aCount);
    p_ += aCount;
  }
  char* At() const { return p_; }

 private:
  char* p_;
};

void WriteRowsRaw(RawWriter& w, const RowStore* aStore, const Layout& aLayout, bool aCount64) {
  const std::int64_t rows = aStore != nullptr ? aStore->Rows() : 0;
  if (!aCount64 && rows > static_cast<std::int64_t>(UINT32_MAX))
    throw Exception("Too many nested records to save");
  if (aCount64)
    w.Put<std::uint64_t>(static_cast<std::uint64_t>(rows));
  else
    w.Put<std::uint32_t>(static_cast<std::uint32_t>(rows));
  const int n = static_cast<int>(aLayout.Columns.size());
  const std::size_t bitmapBytes = (static_cast<std::size_t>(n) + 7) / 8;
  for (std::int64_t r = 0; r < rows; ++r) {
    const auto row = static_cast<std::size_t>(r);
    char* bitmap = w.At();
    std::memset(bitmap, 0, bitmapBytes);
    RawWriter values(bitmap + bitmapBytes);
    for (int c = 0; c < n; ++c) {
      const Column& col = aStore->Col(c);
      if (CellIsNull(col, row)) {
        bitmap[c / 8] = static_cast<char>(bitmap[c / 8] | (1 << (c % 8)));
        continue;
      }
      switch (col.Storage) {
        case TFieldStorage::Int32:
          values.Put<std::int32_t>(col.I32[row]);
          break;
        case TFieldStorage::Int64:
        case TFieldStorage::Currency:
        case TFieldStorage::DateTime:
          values.Put<std::int64_t>(col.I64[row]);
          break;
        case TFieldStorage::Boolean:
          values.Put<std::uint8_t>(col.Bool[row] ? 1 : 0);
          break;
        case TFieldStorage::Double:
          values.Put<std::uint64_t>(std::bit_cast<std::uint64_t>(col.F64[row]));
          break;
        case TFieldStorage::Extended:
          values.Bytes(&col.F80[row], kExtendedBytes);
          break;
        case TFieldStorage::Decimal:
        case TFieldStorage::Text:
        case TFieldStorage::Bytes: {
          const std::string_view v = col.Bytes.Get(col.Refs[row]);
          values.Put<std::uint32_t>(static_cast<std::uint32_t>(v.size()));
          values.Bytes(v.data(), v.size());
          break;
        }
        case TFieldStorage::DataSet:
          WriteRowsRaw(values, col.Nested[row].get(), *col.Child, false);
          break;
        case TFieldStorage::None:
          break;
      }
    }
    w = values;
  }
}

void WriteRows(Writer& w, const RowStore* aStore, const Layout& aLayout) {
  std::string& out = w.Out();
  const std::size_t start = out.size();
  const std::size_t size = RowsSize(aStore, aLayout, true);
  out.resize(start + size);
  RawWriter raw(out.data() + start);
  WriteRowsRaw(raw, aStore, aLayout, true);
  if (raw.At() != out.data() + out.size()) throw Exception("Internal error: record size mismatch");
}

// ---- reading -------------------------------------------------------------------------------

[[noreturn]] void Malformed(const std::string& aWhat) {
  throw Exception("Invalid binary dataset stream: " + aWhat);
}

class Reader {
 public:
  explicit Reader(std::string_view aBytes) : p_(aBytes.data()), left_(aBytes.size()) {}
  std::size_t Left() const { return left_; }
  template <typename T>
  T Get(const char* aWhat) {
    if (left_ < sizeof(T)) Malformed(std::string("truncated at ") + aWhat);
    T v;
    std::memcpy(&v, p_, sizeof v);
    p_ += sizeof v;
    left_ -= sizeof v;
    return ToLittle(v);
  }
  // Counts cells against kMaxStreamCells: nulls cost one bit in the stream but a whole cell in
  // memory, and every nested record list carries storage of its own, so the stream's length
  // alone does not bound what loading it takes.
  void Charge(std::uint64_t aCells) {
    if (aCells > cellsLeft_) Malformed("more records than a dataset may hold");
    cellsLeft_ -= aCells;
  }
  std::string_view Bytes(std::size_t aCount, const char* aWhat) {
    if (left_ < aCount) Malformed(std::string("truncated at ") + aWhat);
    std::string_view v(p_, aCount);
    p_ += aCount;
    left_ -= aCount;
    return v;
  }

 private:
  const char* p_;
  std::size_t left_;
  std::uint64_t cellsLeft_ = kMaxStreamCells;
};

void ReadFieldDefs(Reader& r, TFieldDefs& aDefs, int aDepth) {
  const auto count = r.Get<std::uint32_t>("field count");
  if (count > kMaxStreamFields) Malformed("too many fields (" + std::to_string(count) + ")");
  if (count > r.Left() / kMinFieldDefBytes) Malformed("field count exceeds the stream");
  for (std::uint32_t i = 0; i < count; ++i) {
    const auto kindOrdinal = r.Get<std::uint8_t>("field kind");
    const auto kind = FieldTypeFromOrdinal(kindOrdinal);
    if (!kind) Malformed("unknown field kind " + std::to_string(kindOrdinal));
    if (StorageOf(*kind) == TFieldStorage::None)
      Malformed("field kind " + std::string(FieldTypeName(*kind)) + " cannot be stored");
    const auto nameLength = r.Get<std::uint16_t>("field name length");
    if (nameLength > kMaxStreamNameLength) Malformed("field name too long");
    const std::string_view name = r.Bytes(nameLength, "field name");
    const auto size = r.Get<std::int32_t>("field size");
    if (size < 0) Malformed("negative field size");
    const auto flags = r.Get<std::uint8_t>("field flags");
    if ((flags & ~kKnownFlags) != 0) Malformed("unknown field flags");
    const auto originLength = r.Get<std::uint16_t>("field origin length");
    if (originLength > kMaxStreamNameLength) Malformed("field origin too long");
    const std::string_view origin = r.Bytes(originLength, "field origin");
    TFieldDef& def = aDefs.Add(std::string(name), *kind, size, (flags & kFlagRequired) != 0);
    def.SetReadOnly((flags & kFlagReadOnly) != 0);
    def.SetHidden((flags & kFlagHidden) != 0);
    def.SetOrigin(std::string(origin));
    if (*kind == TFieldType::ftDataSet) {
      if (aDepth + 1 > kMaxStreamNesting) Malformed("nested datasets too deep");
      ReadFieldDefs(r, def.ChildDefs(), aDepth + 1);
    }
  }
}

void ReadRows(Reader& r, RowStore& aStore, bool aCount64) {
  // Nesting is bounded by the field definitions, which are bounded in depth.
  const std::uint64_t rows =
      aCount64 ? r.Get<std::uint64_t>("record count") : r.Get<std::uint32_t>("nested record count");
  const int n = aStore.ColumnCount();
  if (rows == 0) return;
  if (n == 0) Malformed("records without fields");
  const std::size_t bitmapBytes = (static_cast<std::size_t>(n) + 7) / 8;
  // Every record takes at least its null bitmap, so the count is bounded by what remains.
  if (rows > r.Left() / bitmapBytes) Malformed("record count exceeds the stream");
  r.Charge(rows * static_cast<std::uint64_t>(n));
  aStore.Reserve(static_cast<std::int64_t>(rows));
  const unsigned char lastMask = n % 8 == 0 ? 0 : static_cast<unsigned char>(0xFFu << (n % 8));
  for (std::uint64_t k = 0; k < rows; ++k) {
    const std::int64_t rowIndex = aStore.AppendNull();
    const auto row = static_cast<std::size_t>(rowIndex);
    const std::string_view bitmap = r.Bytes(bitmapBytes, "null flags");
    if ((static_cast<unsigned char>(bitmap.back()) & lastMask) != 0) Malformed("stray null flags");
    for (int c = 0; c < n; ++c) {
      if ((static_cast<unsigned char>(bitmap[static_cast<std::size_t>(c) / 8]) >> (c % 8)) & 1u)
        continue;
      Column& col = aStore.Col(c);
      switch (col.Storage) {
        case TFieldStorage::Int32:
        case TFieldStorage::Int64: {
          const std::int64_t v = col.Storage == TFieldStorage::Int32 ? r.Get<std::int32_t>("value")
                                                                     : r.Get<std::int64_t>("value");
          if (v < col.Min || v > col.Max)
            Malformed("integer value out of range for its field kind");
          if (col.Storage == TFieldStorage::Int32)
            col.I32[row] = static_cast<std::int32_t>(v);
          else
            col.I64[row] = v;
          break;
        }
        case TFieldStorage::Currency:
          col.I64[row] = r.Get<std::int64_t>("value");
          break;
        case TFieldStorage::DateTime: {
          const TDateTime v{r.Get<std::int64_t>("date-time value")};
          if (!IsValidDateTime(v)) Malformed("date-time value out of range");
          if ((col.Type == TFieldType::ftDate && v.TimeOfDay() != 0) ||
              (col.Type == TFieldType::ftTime && v.Days() != 0))
            Malformed("date-time value does not fit its field kind");
          col.I64[row] = v.Milliseconds;
          break;
        }
        case TFieldStorage::Boolean: {
          const auto b = r.Get<std::uint8_t>("boolean value");
          if (b > 1) Malformed("boolean value other than 0 or 1");
          col.Bool[row] = b;
          break;
        }
        case TFieldStorage::Double:
          col.F64[row] = std::bit_cast<double>(r.Get<std::uint64_t>("value"));
          break;
        case TFieldStorage::Extended: {
          const std::string_view bytes = r.Bytes(kExtendedBytes, "extended value");
          long double v = 0;
          std::memcpy(&v, bytes.data(), kExtendedBytes);
          col.F80[row] = v;
          break;
        }
        case TFieldStorage::Decimal:
        case TFieldStorage::Text:
        case TFieldStorage::Bytes: {
          const auto length = r.Get<std::uint32_t>("value length");
          const std::string_view value = r.Bytes(length, "value");
          if (col.Storage == TFieldStorage::Decimal && !data_detail::IsCanonicalDecimal(value))
            Malformed("malformed decimal value");
          col.Refs[row] = col.Bytes.Put(value);
          break;
        }
        case TFieldStorage::DataSet: {
          r.Charge(kNestedStoreCells * col.Child->Columns.size());
          RowStore& nested = *aStore.NestedAt(c, rowIndex, true);
          ReadRows(r, nested, false);
          // A cell without nested records is written as null, never as an empty list.
          if (nested.Rows() == 0) Malformed("empty nested records not marked null");
          break;
        }
        case TFieldStorage::None:
          break;
      }
      col.Null[row] = 0;
    }
  }
}

}  // namespace

void SaveDataSetBinary(TDataSet& aDataSet, std::string& aOut) {
  if (!aDataSet.Active()) throw Exception("Cannot perform this operation on a closed dataset");
  Access::CheckBrowse(aDataSet);
  Writer w(aOut);
  w.Bytes(std::string_view(kBinaryStreamMagic, sizeof kBinaryStreamMagic));
  w.Put<std::uint16_t>(kBinaryStreamVersion);
  w.Put<std::uint16_t>(0);
  WriteFields(w, aDataSet.Fields(), 0);
  RowStore* store = Access::Store(aDataSet);
  WriteRows(w, store, *store->GetLayout());
}

void LoadDataSetBinary(TDataSet& aDataSet, std::string_view aBytes) {
  aDataSet.DisableControls();
  try {
    aDataSet.Close();
    aDataSet.Fields().Clear();
    aDataSet.FieldDefs().Clear();
    Reader r(aBytes);
    if (r.Bytes(sizeof kBinaryStreamMagic, "magic") !=
        std::string_view(kBinaryStreamMagic, sizeof kBinaryStreamMagic))
      Malformed("not a binary dataset stream");
    const auto version = r.Get<std::uint16_t>("version");
    if (version != kBinaryStreamVersion)
      Malformed("unsupported version " + std::to_string(version));
    if (r.Get<std::uint16_t>("flags") != 0) Malformed("unknown stream flags");
    ReadFieldDefs(r, aDataSet.FieldDefs(), 0);
    Access::BuildStore(aDataSet);
    ReadRows(r, *Access::Store(aDataSet), true);
    if (r.Left() != 0) Malformed("unexpected bytes after the records");
    Access::FinishOpen(aDataSet);
  } catch (...) {
    Access::Discard(aDataSet);
    aDataSet.EnableControls();
    throw;
  }
  aDataSet.EnableControls();
}

}  // namespace bramble
