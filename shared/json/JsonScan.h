#pragma once
// The splitter behind TJsonBase::Split and every container's Parse: cuts a text at top-level
// delimiters, passing over strings, arrays and objects as whole units ("skips").
//
// A skip opened by a double quote ends at the next unescaped double quote; one opened by "["
// or "{" ends at its matching closer, with strings and further brackets nested inside (closers
// of the other kind are ordinary characters there). A skip that reaches the end of the text
// runs to the end. Where a skip ends depends only on the characters after its opener, so a
// parse remembers the ends of long skips it has already walked: the containers below reuse
// them instead of walking the same characters again at every nesting level.
#include <cstddef>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace bramble::json_detail {

// S without the characters at or below U+0020 at both ends.
inline std::string_view TrimView(std::string_view S) {
  std::size_t b = 0;
  std::size_t e = S.size();
  while (b < e && static_cast<unsigned char>(S[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(S[e - 1]) <= 0x20) --e;
  return S.substr(b, e - b);
}

// Skip ends remembered during one Parse call, keyed by the opener's address in the text.
class TSkipMemo {
 public:
  // Skips shorter than this are cheaper to walk again than to look up.
  static constexpr std::size_t kMinLength = 256;

  explicit TSkipMemo(std::size_t aTextLength) : FBudget(aTextLength / 64 + 64) {}

  const char* Find(const char* aOpener) const {
    if (FEnds.empty()) return nullptr;
    const auto it = FEnds.find(aOpener);
    return it == FEnds.end() ? nullptr : it->second;
  }
  // Remembers that the skip opened at aOpener ends just before aEnd (past its closer); the
  // number of entries is bounded by the text length.
  void Remember(const char* aOpener, const char* aEnd) {
    if (static_cast<std::size_t>(aEnd - aOpener) < kMinLength || FEnds.size() >= FBudget) return;
    FEnds.emplace(aOpener, aEnd);
  }

 private:
  std::size_t FBudget;
  std::unordered_map<const char*, const char*> FEnds;
};

// P points at an opening double quote; returns the position after the closing one, or End.
// Inside a string a backslash hides the character after it.
inline const char* StringSkipEnd(const char* P, const char* End) {
  const char* from = P + 1;
  for (;;) {
    const void* q = std::memchr(from, '"', static_cast<std::size_t>(End - from));
    if (q == nullptr) return End;
    const char* quote = static_cast<const char*>(q);
    // The quote is escaped when an odd run of backslashes stands right before it.
    const char* b = quote;
    while (b > P + 1 && b[-1] == '\\') --b;
    if (((quote - b) & 1) == 0) return quote + 1;
    from = quote + 1;
  }
}

// P points at "[" or "{"; returns the position after the matching closer, or End.
const char* BracketSkipEnd(const char* P, const char* End, TSkipMemo* Memo);

// The end of the skip opened at P (a double quote, "[" or "{"), never beyond End.
inline const char* SkipEnd(const char* P, const char* End, TSkipMemo* Memo) {
  if (*P == '"') return StringSkipEnd(P, End);
  if (Memo != nullptr) {
    if (const char* known = Memo->Find(P)) return known <= End ? known : End;
  }
  return BracketSkipEnd(P, End, Memo);
}

// Calls OnPiece(trimmed piece) for each top-level piece of S cut at Delimiter, in order; a
// last piece that is empty is dropped. A U+0000 at top level ends the text. OnPiece returns
// false to stop the scan early.
template <class F>
void ForEachPiece(std::string_view S, char Delimiter, TSkipMemo* Memo, F&& OnPiece) {
  const char* p = S.data();
  const char* end = p + S.size();
  const char* start = p;
  while (p < end) {
    const char c = *p;
    if (c == Delimiter) {
      if (!OnPiece(TrimView(std::string_view(start, static_cast<std::size_t>(p - start))))) {
        return;
      }
      start = ++p;
    } else if (c == '"' || c == '[' || c == '{') {
      p = SkipEnd(p, end, Memo);
    } else if (c == '\0') {
      end = p;
    } else {
      ++p;
    }
  }
  const std::string_view last =
      TrimView(std::string_view(start, static_cast<std::size_t>(end - start)));
  if (!last.empty()) OnPiece(last);
}

// The pieces of one container text, collected before the items are made so that the item
// list is allocated once. Short lists stay on the call stack.
class TPieces {
 public:
  void Add(std::string_view Piece) {
    if (FCount < kInline) {
      FInline[FCount] = Piece;
    } else {
      if (FCount == kInline) FSpill.assign(FInline, FInline + kInline);
      FSpill.push_back(Piece);
    }
    ++FCount;
  }
  std::size_t Count() const { return FCount; }
  std::string_view operator[](std::size_t i) const {
    return FCount <= kInline ? FInline[i] : FSpill[i];
  }

 private:
  static constexpr std::size_t kInline = 32;
  std::string_view FInline[kInline];
  std::vector<std::string_view> FSpill;
  std::size_t FCount = 0;
};

}  // namespace bramble::json_detail
