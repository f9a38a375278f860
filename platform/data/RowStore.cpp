#include "platform/data/RowStore.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <type_traits>

#include <sys/mman.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

#include "platform/core/Exception.h"

namespace bramble::data_detail {
namespace {

std::atomic<std::uint64_t> gNextRowId{1};

// Under AddressSanitizer a kept block stays poisoned until it is reused, so a use after free of
// a column array is still caught.
#if defined(__SANITIZE_ADDRESS__)
void Poison(void* aBlock, std::size_t aBytes) {
  __asan_poison_memory_region(aBlock, aBytes);
}
void Unpoison(void* aBlock, std::size_t aBytes) {
  __asan_unpoison_memory_region(aBlock, aBytes);
}
#else
void Poison(void*, std::size_t) {}
void Unpoison(void*, std::size_t) {}
#endif

// Most memory the freed-block store keeps for reuse.
constexpr std::size_t kMaxKeptBytes = std::size_t{64} << 20;

struct FreedBlocks {
  std::mutex lock;
  std::multimap<std::size_t, void*> blocks;  // by size
  std::size_t bytes = 0;
};

// Never destroyed, so stores released during the program's exit still find it.
FreedBlocks& Freed() {
  static auto* freed = new FreedBlocks;
  return *freed;
}

}  // namespace

void* TakeFreedBlock(std::size_t aBytes) {
  FreedBlocks& f = Freed();
  std::lock_guard guard(f.lock);
  auto it = f.blocks.find(aBytes);
  if (it == f.blocks.end()) return nullptr;
  void* block = it->second;
  f.blocks.erase(it);
  f.bytes -= aBytes;
  Unpoison(block, aBytes);
  return block;
}

bool KeepFreedBlock(void* aBlock, std::size_t aBytes) noexcept {
  FreedBlocks& f = Freed();
  try {
    std::lock_guard guard(f.lock);
    if (f.bytes + aBytes > kMaxKeptBytes) return false;
    f.blocks.emplace(aBytes, aBlock);
    f.bytes += aBytes;
    Poison(aBlock, aBytes);
    return true;
  } catch (...) {
    return false;  // no room to note it: the caller frees it
  }
}

std::uint64_t NextRowId() {
  return gNextRowId.fetch_add(1, std::memory_order_relaxed);
}

std::uint64_t NextRowIds(std::uint64_t aCount) {
  return gNextRowId.fetch_add(aCount, std::memory_order_relaxed);
}

void ChunkDeleter::operator()(char* aChunk) const noexcept {
  ColumnAllocator<char>().deallocate(aChunk, Bytes);
}

ChunkPtr NewChunk(std::size_t aBytes) {
  return ChunkPtr(ColumnAllocator<char>().allocate(aBytes), ChunkDeleter{aBytes});
}

TextRef Arena::PutSlow(std::string_view aBytes) {
  if (aBytes.empty()) return {};
  if (aBytes.size() > kMaxValueBytes) throw Exception("Value too long");
  if (chunks_.size() >= UINT32_MAX - 1) throw Exception("Out of storage for values");
  // Chunks are written before they are read, so they are not zeroed first.
  if (aBytes.size() > kLargeValueBytes) {
    ChunkPtr chunk = NewChunk(aBytes.size());
    std::memcpy(chunk.get(), aBytes.data(), aBytes.size());
    chunks_.push_back(std::move(chunk));
    capacity_ += aBytes.size();
    return {static_cast<std::uint32_t>(chunks_.size() - 1), 0,
            static_cast<std::uint32_t>(aBytes.size())};
  }
  if (current_ == UINT32_MAX || currentSize_ - currentUsed_ < aBytes.size()) {
    // Chunks grow from small to the maximum, so small columns stay small.
    std::size_t size =
        current_ == UINT32_MAX ? kFirstChunkBytes : std::min(currentSize_ * 2, kMaxChunkBytes);
    size = std::max(size, aBytes.size());
    chunks_.push_back(NewChunk(size));
    current_ = static_cast<std::uint32_t>(chunks_.size() - 1);
    currentSize_ = size;
    currentUsed_ = 0;
    capacity_ += size;
  }
  std::memcpy(chunks_[current_].get() + currentUsed_, aBytes.data(), aBytes.size());
  TextRef ref{current_, static_cast<std::uint32_t>(currentUsed_),
              static_cast<std::uint32_t>(aBytes.size())};
  currentUsed_ += aBytes.size();
  return ref;
}

void Arena::Clear() {
  chunks_.clear();
  current_ = UINT32_MAX;
  currentSize_ = currentUsed_ = capacity_ = 0;
}

RowStore::RowStore(std::shared_ptr<const Layout> aLayout) : layout_(std::move(aLayout)) {
  columns_.resize(layout_->Columns.size());
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    columns_[i].Type = layout_->Columns[i].Type;
    columns_[i].Storage = layout_->Columns[i].Storage;
    columns_[i].Child = layout_->Columns[i].Child;
    if (columns_[i].Storage == TFieldStorage::Int32 || columns_[i].Storage == TFieldStorage::Int64)
      IntegerRange(columns_[i].Type, columns_[i].Min, columns_[i].Max);
  }
}

RowStore::~RowStore() = default;

std::int64_t RowStore::FindId(std::uint64_t aId) const {
  const auto end = ids_.begin() + static_cast<std::ptrdiff_t>(rows_);
  auto it = std::lower_bound(ids_.begin(), end, aId);
  if (it == end || *it != aId) return -1;
  return it - ids_.begin();
}

namespace {

// Calls `aDo(array, nullValue)` for each array `aColumn` keeps values in: the null flags and
// the array of its storage, with the value a null cell holds in it.
template <typename F>
void ForEachArray(Column& aColumn, F&& aDo) {
  aDo(aColumn.Null, std::uint8_t{1});
  switch (aColumn.Storage) {
    case TFieldStorage::Int32:
      aDo(aColumn.I32, std::int32_t{0});
      break;
    case TFieldStorage::Int64:
    case TFieldStorage::Currency:
    case TFieldStorage::DateTime:
      aDo(aColumn.I64, std::int64_t{0});
      break;
    case TFieldStorage::Boolean:
      aDo(aColumn.Bool, std::uint8_t{0});
      break;
    case TFieldStorage::Double:
      aDo(aColumn.F64, 0.0);
      break;
    case TFieldStorage::Extended:
      aDo(aColumn.F80, 0.0L);
      break;
    case TFieldStorage::Decimal:
    case TFieldStorage::Text:
    case TFieldStorage::Bytes:
      aDo(aColumn.Refs, TextRef{});
      break;
    case TFieldStorage::DataSet:
      aDo(aColumn.Nested, std::unique_ptr<RowStore>{});
      break;
    case TFieldStorage::None:
      break;
  }
}

// Free slots added at a time: doubling from a few (small stores stay small) up to a block
// that is cheap to fill and holds little unused memory next to a large store.
constexpr std::size_t kMinNewSlots = 4;
constexpr std::size_t kMaxNewSlots = 1024;
// Growth pass of an array by its element size: larger elements first.
constexpr std::size_t SizePass(std::size_t aBytes) {
  return aBytes > 8 ? 0 : aBytes == 8 ? 1 : aBytes >= 4 ? 2 : 3;
}

// Bytes of a fresh array block mapped ahead of the elements written into it.
constexpr std::size_t kMapAheadBytes = std::size_t{64} << 10;

// Maps the whole pages within [aFrom, aTo) in one call, ahead of writing them: one call is much
// cheaper than a page fault per page (above all in a virtual machine). Where the call is not
// supported the pages fault in as they are written. Returns the end of what was mapped.
std::uintptr_t MapPages(std::uintptr_t aFrom, std::uintptr_t aTo) {
  static const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const std::uintptr_t first = (aFrom + page - 1) / page * page;
  const std::uintptr_t last = aTo / page * page;
  if (last <= first) return aFrom;
#if defined(MADV_POPULATE_WRITE)
  madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#endif
  return last;
}

// Maps the pages of `aArray`'s block that its first `aCount` elements and the next
// kMapAheadBytes take, when the block is fresh memory (`aMark` says so, and how far it is
// mapped). Room the array never uses stays unmapped.
template <typename T>
void MapAhead(const ColumnVector<T>& aArray, std::size_t aCount, RowStore::MapMark& aMark) {
  if (aMark.Block == nullptr || aMark.Block != aArray.data()) return;
  const auto base = reinterpret_cast<std::uintptr_t>(aArray.data());
  const std::uintptr_t written = base + aCount * sizeof(T);
  if (written <= aMark.End) return;
  const std::uintptr_t limit = base + aArray.capacity() * sizeof(T);
  aMark.End = MapPages(std::max(aMark.End, base), std::min(limit, written + kMapAheadBytes));
}

// Makes `aArray` `aCount` elements long, the new ones `aValue`. The elements are moved and
// filled in bulk (memcpy and fill) rather than one by one as the vector would.
template <typename T>
void GrowArray(ColumnVector<T>& aArray, std::size_t aCount, T aValue, RowStore::MapMark& aMark) {
  const std::size_t old = aArray.size();
  if (aCount > aArray.capacity()) {
    ColumnVector<T> grown;
    grown.reserve(std::max(aCount, aArray.capacity() * 2));
    aMark = RowStore::MapMark{tFreshColumnBlock ? grown.data() : nullptr, 0};
    MapAhead(grown, aCount, aMark);
    grown.resize(old);  // not initialised: overwritten next
    if (old > 0) std::memcpy(grown.data(), aArray.data(), old * sizeof(T));
    aArray.swap(grown);
  } else {
    MapAhead(aArray, aCount, aMark);
  }
  aArray.resize(aCount);  // not initialised: filled next
  std::fill(aArray.data() + old, aArray.data() + aCount, aValue);
}

// Ids a store takes from the process-wide counter at a time.
constexpr std::uint64_t kIdBlock = 1024;

}  // namespace

void RowStore::Reserve(std::int64_t aRows) {
  const std::size_t n = rows_ + static_cast<std::size_t>(std::max<std::int64_t>(aRows, 0));
  if (n <= slots_) return;
  ids_.reserve(n);
  for (Column& c : columns_) ForEachArray(c, [n](auto& aArray, const auto&) { aArray.reserve(n); });
}

void RowStore::AddSlots() {
  std::size_t n = slots_ + std::clamp(slots_, kMinNewSlots, kMaxNewSlots);
  // Stay within reserved room rather than growing past it for a few slots.
  if (ids_.capacity() > slots_) n = std::min(n, ids_.capacity());
  // Arrays of larger elements grow first: the blocks they free are the size that arrays of
  // smaller elements need now or at a later growth, so those take memory already mapped.
  marks_.resize(columns_.size() * 2 + 1);
  for (std::size_t pass = 0; pass < 4; ++pass) {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      Column& c = columns_[i];
      ForEachArray(c, [&, n, pass](auto& aArray, auto&& aNull) {
        using T = std::remove_cvref_t<decltype(aNull)>;
        if (SizePass(sizeof(T)) != pass) return;
        const bool nulls = static_cast<const void*>(&aArray) == static_cast<const void*>(&c.Null);
        if constexpr (std::is_trivially_copyable_v<T>)
          GrowArray(aArray, n, aNull, marks_[i * 2 + (nulls ? 0 : 1)]);
        else
          aArray.resize(n);
      });
    }
    if (pass == SizePass(sizeof(std::uint64_t)))
      GrowArray(ids_, n, std::uint64_t{0}, marks_.back());
  }
  slots_ = n;
}

void RowStore::TakeIds() {
  nextId_ = NextRowIds(kIdBlock);
  idsEnd_ = nextId_ + kIdBlock;
}

void RowStore::ClearSlot(std::size_t aRow) {
  for (Column& c : columns_)
    ForEachArray(c, [aRow](auto& aArray, auto&& aNull) { aArray[aRow] = std::move(aNull); });
}

void RowStore::Erase(std::int64_t aRow) {
  const auto r = static_cast<std::ptrdiff_t>(aRow);
  // The later records and the free slots move up by one.
  for (Column& c : columns_)
    ForEachArray(c, [r](auto& aArray, const auto&) { aArray.erase(aArray.begin() + r); });
  ids_.erase(ids_.begin() + r);
  --rows_;
  --slots_;
}

void RowStore::PopBack() {
  if (rows_ == 0) return;
  --rows_;
  ClearSlot(rows_);
}

void RowStore::ClearRows() {
  for (Column& c : columns_) {
    ForEachArray(c, [](auto& aArray, const auto&) { aArray.clear(); });
    c.Bytes.Clear();
  }
  ids_.clear();
  rows_ = slots_ = 0;
}

void RowStore::CopyRow(const RowStore& aFrom, std::int64_t aRow, std::int64_t aRow2) {
  const auto r = static_cast<std::size_t>(aRow);
  const auto r2 = static_cast<std::size_t>(aRow2);
  for (int i = 0; i < ColumnCount(); ++i) {
    const Column& s = aFrom.Col(i);
    Column& d = Col(i);
    d.Null[r2] = s.Null[r];
    switch (d.Storage) {
      case TFieldStorage::Int32:
        d.I32[r2] = s.I32[r];
        break;
      case TFieldStorage::Int64:
      case TFieldStorage::Currency:
      case TFieldStorage::DateTime:
        d.I64[r2] = s.I64[r];
        break;
      case TFieldStorage::Boolean:
        d.Bool[r2] = s.Bool[r];
        break;
      case TFieldStorage::Double:
        d.F64[r2] = s.F64[r];
        break;
      case TFieldStorage::Extended:
        d.F80[r2] = s.F80[r];
        break;
      case TFieldStorage::Decimal:
      case TFieldStorage::Text:
      case TFieldStorage::Bytes:
        d.Refs[r2] = d.Bytes.Put(s.Bytes.Get(s.Refs[r]));
        break;
      case TFieldStorage::DataSet:
      case TFieldStorage::None:
        break;
    }
  }
}

RowStore* RowStore::NestedAt(int aColumn, std::int64_t aRow, bool aCreate) {
  Column& c = Col(aColumn);
  auto& slot = c.Nested[static_cast<std::size_t>(aRow)];
  if (!slot && aCreate) slot = std::make_unique<RowStore>(c.Child);
  return slot.get();
}

}  // namespace bramble::data_detail
