#include "platform/data/RowStore.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

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

void ChunkDeleter::operator()(char* aChunk) const noexcept {
  if (Bytes >= kReusedBlockBytes && KeepFreedBlock(aChunk, Bytes)) return;
  std::allocator<char>().deallocate(aChunk, Bytes);
}

ChunkPtr NewChunk(std::size_t aBytes) {
  void* block = aBytes >= kReusedBlockBytes ? TakeFreedBlock(aBytes) : nullptr;
  if (block == nullptr) block = std::allocator<char>().allocate(aBytes);
  return ChunkPtr(static_cast<char*>(block), ChunkDeleter{aBytes});
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
  }
}

RowStore::~RowStore() = default;

std::int64_t RowStore::FindId(std::uint64_t aId) const {
  auto it = std::lower_bound(ids_.begin(), ids_.end(), aId);
  if (it == ids_.end() || *it != aId) return -1;
  return it - ids_.begin();
}

void RowStore::Reserve(std::int64_t aRows) {
  const std::size_t n = ids_.size() + static_cast<std::size_t>(std::max<std::int64_t>(aRows, 0));
  ids_.reserve(n);
  for (Column& c : columns_) {
    c.Null.reserve(n);
    switch (c.Storage) {
      case TFieldStorage::Int32:
        c.I32.reserve(n);
        break;
      case TFieldStorage::Int64:
      case TFieldStorage::Currency:
      case TFieldStorage::DateTime:
        c.I64.reserve(n);
        break;
      case TFieldStorage::Boolean:
        c.Bool.reserve(n);
        break;
      case TFieldStorage::Double:
        c.F64.reserve(n);
        break;
      case TFieldStorage::Extended:
        c.F80.reserve(n);
        break;
      case TFieldStorage::Decimal:
      case TFieldStorage::Text:
      case TFieldStorage::Bytes:
        c.Refs.reserve(n);
        break;
      case TFieldStorage::DataSet:
        c.Nested.reserve(n);
        break;
      case TFieldStorage::None:
        break;
    }
  }
}

std::int64_t RowStore::AppendNull() {
  for (Column& c : columns_) {
    c.Null.push_back(1);
    switch (c.Storage) {
      case TFieldStorage::Int32:
        c.I32.push_back(0);
        break;
      case TFieldStorage::Int64:
      case TFieldStorage::Currency:
      case TFieldStorage::DateTime:
        c.I64.push_back(0);
        break;
      case TFieldStorage::Boolean:
        c.Bool.push_back(0);
        break;
      case TFieldStorage::Double:
        c.F64.push_back(0);
        break;
      case TFieldStorage::Extended:
        c.F80.push_back(0);
        break;
      case TFieldStorage::Decimal:
      case TFieldStorage::Text:
      case TFieldStorage::Bytes:
        c.Refs.push_back({});
        break;
      case TFieldStorage::DataSet:
        c.Nested.emplace_back();
        break;
      case TFieldStorage::None:
        break;
    }
  }
  ids_.push_back(NextRowId());
  return Rows() - 1;
}

namespace {
template <typename V>
void EraseAt(V& v, std::int64_t aRow) {
  if (!v.empty()) v.erase(v.begin() + aRow);
}
}  // namespace

void RowStore::Erase(std::int64_t aRow) {
  for (Column& c : columns_) {
    EraseAt(c.Null, aRow);
    EraseAt(c.I32, aRow);
    EraseAt(c.I64, aRow);
    EraseAt(c.Bool, aRow);
    EraseAt(c.F64, aRow);
    EraseAt(c.F80, aRow);
    EraseAt(c.Refs, aRow);
    EraseAt(c.Nested, aRow);
  }
  EraseAt(ids_, aRow);
}

void RowStore::PopBack() {
  Erase(Rows() - 1);
}

void RowStore::ClearRows() {
  for (Column& c : columns_) {
    c.Null.clear();
    c.I32.clear();
    c.I64.clear();
    c.Bool.clear();
    c.F64.clear();
    c.F80.clear();
    c.Refs.clear();
    c.Bytes.Clear();
    c.Nested.clear();
  }
  ids_.clear();
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

void RowStore::SetText(int aColumn, std::int64_t aRow, std::string_view aValue) {
  Column& c = Col(aColumn);
  c.Refs[static_cast<std::size_t>(aRow)] = c.Bytes.Put(aValue);
  c.Null[static_cast<std::size_t>(aRow)] = 0;
}

}  // namespace bramble::data_detail
