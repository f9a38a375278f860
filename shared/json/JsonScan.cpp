#include "shared/json/JsonScan.h"

#include <array>
#include <vector>

#include "shared/json/JsonTypes.h"

namespace bramble::json_detail {
namespace {

// The characters that matter inside an array or object skip.
constexpr std::array<bool, 256> MakeBracketSpecial() {
  std::array<bool, 256> t{};
  t['"'] = t['['] = t[']'] = t['{'] = t['}'] = true;
  return t;
}
constexpr std::array<bool, 256> kBracketSpecial = MakeBracketSpecial();

struct TOpenSkip {
  const char* At;
  char Closer;
};

// The skips open at one moment: the common shallow case lives on the call stack, deeper
// nesting (untrusted texts can nest arbitrarily) spills into the heap.
class TSkipStack {
 public:
  bool Empty() const { return FSize == 0; }
  std::size_t Size() const { return FSize; }
  TOpenSkip& Top() { return FSize <= kInline ? FInline[FSize - 1] : FSpill[FSize - kInline - 1]; }
  void Push(TOpenSkip s) {
    if (FSize < kInline) {
      FInline[FSize] = s;
    } else {
      FSpill.push_back(s);
    }
    ++FSize;
  }
  void Pop() {
    if (FSize > kInline) FSpill.pop_back();
    --FSize;
  }

 private:
  static constexpr std::size_t kInline = 32;
  std::array<TOpenSkip, kInline> FInline{};
  std::vector<TOpenSkip> FSpill;
  std::size_t FSize = 0;
};

}  // namespace

const char* BracketSkipEnd(const char* P, const char* End, TSkipMemo* Memo) {
  TSkipStack open;
  open.Push({P, *P == '[' ? ']' : '}'});
  const char* p = P + 1;
  while (p < End) {
    const char c = *p;
    if (!kBracketSpecial[static_cast<unsigned char>(c)]) {
      ++p;
      continue;
    }
    TOpenSkip& top = open.Top();
    if (c == top.Closer) {
      ++p;
      // Skips nested deeper than any container Parse accepts are never looked up again.
      if (Memo != nullptr && open.Size() <= kMaxJsonDepth + 1) Memo->Remember(top.At, p);
      open.Pop();
      if (open.Empty()) return p;
    } else if (c == '"') {
      p = StringSkipEnd(p, End);
    } else if (c == '[' || c == '{') {
      open.Push({p, c == '[' ? ']' : '}'});
      ++p;
    } else {
      ++p;  // a closer of the other kind is an ordinary character here
    }
  }
  return End;
}

}  // namespace bramble::json_detail
