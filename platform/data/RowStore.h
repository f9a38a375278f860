#pragma once
// Internal to the data layer: the columnar record storage behind every dataset. Fixed-size
// values live in one vector per column; texts, bytes and decimal texts in a per-column arena
// of large chunks, so a record costs no heap allocation of its own.
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/data/Field.h"

namespace bramble::data_detail {

struct Layout;

struct ColumnLayout {
  TFieldType Type = TFieldType::ftUnknown;
  TFieldStorage Storage = TFieldStorage::None;
  std::shared_ptr<const Layout> Child;  // DataSet storage: the nested records' layout
};

struct Layout {
  std::vector<ColumnLayout> Columns;
};

// Large column arrays come from a small process-wide store of recently freed blocks, so records
// filled after others were dropped reuse memory the process already has mapped instead of
// faulting in fresh pages (a large part of the cost of filling a table).
inline constexpr std::size_t kReusedBlockBytes = std::size_t{64} << 10;
// A freed block of exactly `aBytes`, or null when none is kept.
void* TakeFreedBlock(std::size_t aBytes);
// Keeps `aBlock` for reuse; false (nothing kept) when the store is full.
bool KeepFreedBlock(void* aBlock, std::size_t aBytes) noexcept;
// Whether the last large column array this thread allocated is fresh memory (not a kept block).
inline thread_local bool tFreshColumnBlock = false;

template <typename T>
struct ColumnAllocator {
  static_assert(std::is_trivially_copyable_v<T>);
  using value_type = T;
  ColumnAllocator() = default;
  template <typename U>
  ColumnAllocator(const ColumnAllocator<U>&) noexcept {}

  T* allocate(std::size_t aCount) {
    tFreshColumnBlock = false;
    if (aCount <= SIZE_MAX / sizeof(T) && aCount * sizeof(T) >= kReusedBlockBytes) {
      if (void* block = TakeFreedBlock(aCount * sizeof(T))) return static_cast<T*>(block);
      tFreshColumnBlock = true;
    }
    return std::allocator<T>().allocate(aCount);
  }
  void deallocate(T* aBlock, std::size_t aCount) noexcept {
    if (aCount * sizeof(T) >= kReusedBlockBytes && KeepFreedBlock(aBlock, aCount * sizeof(T)))
      return;
    std::allocator<T>().deallocate(aBlock, aCount);
  }
  // Elements made without a value are left uninitialised (resize(n) does not zero them): the
  // store writes new elements itself, in bulk. Elements made from a value are copies as usual.
  template <typename U>
  void construct(U*) noexcept {}
  template <typename U, typename... Args>
  void construct(U* aWhere, Args&&... aArgs) {
    ::new (static_cast<void*>(aWhere)) U(std::forward<Args>(aArgs)...);
  }
  friend bool operator==(const ColumnAllocator&, const ColumnAllocator&) { return true; }
};

template <typename T>
using ColumnVector = std::vector<T, ColumnAllocator<T>>;

// Arena chunks: allocated like the column arrays, and kept for reuse the same way.
struct ChunkDeleter {
  std::size_t Bytes = 0;
  void operator()(char* aChunk) const noexcept;
};
using ChunkPtr = std::unique_ptr<char[], ChunkDeleter>;
// An uninitialised chunk of `aBytes`.
ChunkPtr NewChunk(std::size_t aBytes);

// Where a text lives in an arena.
struct TextRef {
  std::uint32_t Chunk = 0;
  std::uint32_t Offset = 0;
  std::uint32_t Length = 0;
};

// Append-only byte storage in chunks that never move once written.
class Arena {
 public:
  TextRef Put(std::string_view aBytes) {
    // Inline for the usual case: a short value that fits the chunk being filled.
    if (!aBytes.empty() && aBytes.size() <= currentSize_ - currentUsed_ &&
        aBytes.size() <= kLargeValueBytes && current_ != UINT32_MAX) {
      CopyShort(chunks_[current_].get() + currentUsed_, aBytes);
      const TextRef ref{current_, static_cast<std::uint32_t>(currentUsed_),
                        static_cast<std::uint32_t>(aBytes.size())};
      currentUsed_ += aBytes.size();
      return ref;
    }
    return PutSlow(aBytes);
  }
  std::string_view Get(TextRef aRef) const {
    if (aRef.Length == 0) return {};
    return {chunks_[aRef.Chunk].get() + aRef.Offset, aRef.Length};
  }
  void Clear();
  std::size_t Capacity() const { return capacity_; }

  // Chunk size of the arenas: large enough that chunk bookkeeping is negligible, small enough
  // that a column with a few short texts does not hold much unused memory. A value bigger than
  // kLargeValueBytes gets a chunk of its own, so chunks stay well used.
  static constexpr std::size_t kFirstChunkBytes = 4096;
  static constexpr std::size_t kMaxChunkBytes = std::size_t{1} << 20;
  static constexpr std::size_t kLargeValueBytes = kMaxChunkBytes / 4;

 private:
  TextRef PutSlow(std::string_view aBytes);
  // Copies without a library call for the short values most cells hold.
  static void CopyShort(char* aTo, std::string_view aBytes) {
    const std::size_t n = aBytes.size();
    const char* from = aBytes.data();
    if (n > 16 && n <= 32) {  // two overlapping 16-byte blocks
      char head[16], tail[16];
      std::memcpy(head, from, 16);
      std::memcpy(tail, from + n - 16, 16);
      std::memcpy(aTo, head, 16);
      std::memcpy(aTo + n - 16, tail, 16);
    } else if (n >= 8 && n <= 16) {  // two overlapping words
      std::uint64_t head, tail;
      std::memcpy(&head, from, 8);
      std::memcpy(&tail, from + n - 8, 8);
      std::memcpy(aTo, &head, 8);
      std::memcpy(aTo + n - 8, &tail, 8);
    } else if (n >= 4 && n < 8) {
      std::uint32_t head, tail;
      std::memcpy(&head, from, 4);
      std::memcpy(&tail, from + n - 4, 4);
      std::memcpy(aTo, &head, 4);
      std::memcpy(aTo + n - 4, &tail, 4);
    } else {
      std::memcpy(aTo, from, n);
    }
  }

  std::vector<ChunkPtr> chunks_;
  std::uint32_t current_ = UINT32_MAX;  // chunk being filled
  std::size_t currentSize_ = 0;
  std::size_t currentUsed_ = 0;
  std::size_t capacity_ = 0;
};

class RowStore;

struct Column {
  TFieldType Type = TFieldType::ftUnknown;
  TFieldStorage Storage = TFieldStorage::None;
  std::shared_ptr<const Layout> Child;
  std::int64_t Min = INT64_MIN, Max = INT64_MAX;  // whole numbers an integer kind accepts
  ColumnVector<std::uint8_t> Null;                // 1 when the cell is null
  ColumnVector<std::int32_t> I32;                 // Int32
  ColumnVector<std::int64_t> I64;   // Int64, Currency (scaled), DateTime (milliseconds)
  ColumnVector<std::uint8_t> Bool;  // Boolean
  ColumnVector<double> F64;         // Double
  ColumnVector<long double> F80;    // Extended
  ColumnVector<TextRef> Refs;       // Decimal, Text, Bytes
  Arena Bytes;
  std::vector<std::unique_ptr<RowStore>> Nested;  // DataSet (null: no nested records yet)
};

// Maximum length of one text or byte value.
inline constexpr std::size_t kMaxValueBytes = UINT32_MAX;

class RowStore {
 public:
  explicit RowStore(std::shared_ptr<const Layout> aLayout);
  ~RowStore();

  const std::shared_ptr<const Layout>& GetLayout() const { return layout_; }
  std::int64_t Rows() const { return static_cast<std::int64_t>(rows_); }
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  Column& Col(int aIndex) { return columns_[static_cast<std::size_t>(aIndex)]; }
  const Column& Col(int aIndex) const { return columns_[static_cast<std::size_t>(aIndex)]; }

  std::uint64_t IdAt(std::int64_t aRow) const { return ids_[static_cast<std::size_t>(aRow)]; }
  // Row holding `aId`, -1 when none (ids grow with the row index).
  std::int64_t FindId(std::uint64_t aId) const;

  void Reserve(std::int64_t aRows);
  // Appends a record whose cells are all null; returns its row index.
  std::int64_t AppendNull() {
    if (rows_ == slots_) [[unlikely]]
      AddSlots();
    if (nextId_ == idsEnd_) [[unlikely]]
      TakeIds();
    ids_[rows_] = nextId_++;
    return static_cast<std::int64_t>(rows_++);
  }
  void Erase(std::int64_t aRow);
  void PopBack();
  void ClearRows();

  // Copies record `aRow` of `aFrom` (same layout) over record `aRow2` of this store; nested
  // records are not copied.
  void CopyRow(const RowStore& aFrom, std::int64_t aRow, std::int64_t aRow2);
  // Nested records of a DataSet cell; created empty when `aCreate`, else may be null.
  RowStore* NestedAt(int aColumn, std::int64_t aRow, bool aCreate);

  std::string_view TextAt(int aColumn, std::int64_t aRow) const {
    const Column& c = Col(aColumn);
    return c.Bytes.Get(c.Refs[static_cast<std::size_t>(aRow)]);
  }
  // How far a fresh array block is mapped ahead of its writes (Block null: not fresh memory).
  struct MapMark {
    const void* Block = nullptr;
    std::uintptr_t End = 0;
  };

  void SetText(int aColumn, std::int64_t aRow, std::string_view aValue) {
    Column& c = Col(aColumn);
    c.Refs[static_cast<std::size_t>(aRow)] = c.Bytes.Put(aValue);
    c.Null[static_cast<std::size_t>(aRow)] = 0;
  }

 private:
  void AddSlots();
  void TakeIds();
  // Makes record `aRow` all null again (a free slot).
  void ClearSlot(std::size_t aRow);

  std::shared_ptr<const Layout> layout_;
  std::vector<Column> columns_;
  // Every array of a column in use, and ids_, has `slots_` elements: the `rows_` records, then
  // free slots already holding a null record, so appending a record writes only its id. The
  // arrays grow by blocks of slots rather than by one element per array and record.
  ColumnVector<std::uint64_t> ids_;
  std::size_t rows_ = 0;
  std::size_t slots_ = 0;
  // Record ids are taken from the process-wide counter in blocks; an id is never handed out
  // twice, not even after the record it was given to was dropped.
  std::uint64_t nextId_ = 0;
  std::uint64_t idsEnd_ = 0;
  std::vector<MapMark> marks_;  // per column its null flags and values, then ids_
};

// Record ids, unique in the process, so a bookmark never matches a record it was not taken on.
std::uint64_t NextRowId();
// Takes `aCount` consecutive ids; returns the first.
std::uint64_t NextRowIds(std::uint64_t aCount);

}  // namespace bramble::data_detail
