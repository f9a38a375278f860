#include "shared/convert/RecordScanner.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <system_error>
#include <vector>

#include "shared/convert/ByteLanes.h"
#include "shared/convert/Utf8.h"
#include "shared/json/JsonBase.h"

namespace bramble {
namespace {

// Characters that end a run of ordinary string characters: the quote, the backslash, control
// characters and every byte of a non-ASCII sequence.
constexpr std::array<bool, 256> MakeStops() {
  std::array<bool, 256> stops{};
  for (int c = 0; c < 256; ++c) stops[c] = c < 0x20 || c == '"' || c == '\\' || c >= 0x80;
  return stops;
}
constexpr std::array<bool, 256> kStops = MakeStops();

using lanes::kHighs;
using lanes::kOnes;

// Flags the bytes of eight string characters that stop a run (see kStops); the lowest flag is
// always a true one.
constexpr std::uint64_t StopBytes(std::uint64_t x) {
  return lanes::ControlOrHighBytes(x) | lanes::BytesEqual(x, '"') | lanes::BytesEqual(x, '\\');
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsHex(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Walks the text once. Without a visitor (kVisit false) it only checks the shape, keeps no
// member positions and reads numbers only where their value decides the shape (a number that
// may overflow a double).
template <bool kVisit>
class Scanner {
 public:
  Scanner(std::string_view aText, const TScannedRecordVisitor* aVisit)
      : begin_(aText.data()), end_(aText.data() + aText.size()), p_(begin_), visit_(aVisit) {
    if constexpr (kVisit) members_.resize(16);
  }

  bool IsArray() const { return isArray_; }

  bool Run() {
    SkipBlanks();
    if (At('[')) {
      isArray_ = true;
      ++p_;
      SkipBlanks();
      if (At(']')) {
        ++p_;
      } else {
        for (;;) {
          SkipBlanks();
          if (!Object()) return false;
          SkipBlanks();
          if (At(',')) {
            ++p_;
            continue;
          }
          if (!At(']')) return false;
          ++p_;
          break;
        }
      }
    } else if (!Object()) {
      return false;
    }
    SkipBlanks();
    return p_ == end_;
  }

 private:
  bool At(char c) const { return p_ < end_ && *p_ == c; }

  void SkipBlanks() {
    while (p_ < end_ && static_cast<unsigned char>(*p_) <= ' ' &&
           (*p_ == ' ' || *p_ == '\t' || *p_ == '\n' || *p_ == '\r'))
      ++p_;
  }

  std::uint32_t Offset(const char* p) const { return static_cast<std::uint32_t>(p - begin_); }

  bool Object() {
    if (!At('{')) return false;
    ++p_;
    std::size_t count = 0;
    SkipBlanks();
    if (At('}')) {
      ++p_;
      Visit(count);
      return true;
    }
    for (;;) {
      SkipBlanks();
      // Filled in place: a copy of a member built apart stalls on its own fresh stores.
      if (kVisit && count == members_.size()) members_.resize(count * 2);
      TScannedMember unkept;  // not visiting: written, never read
      TScannedMember& member = kVisit ? members_[count] : unkept;
      member.Integer = 0;
      member.Number = 0;
      if (!Name(count, member)) return false;
      SkipBlanks();
      member.ValueBegin = Offset(p_);
      if (!Value(member)) return false;
      member.ValueLength = Offset(p_) - member.ValueBegin;
      ++count;
      SkipBlanks();
      if (At(',')) {
        ++p_;
        continue;
      }
      if (!At('}')) return false;
      ++p_;
      Visit(count);
      return true;
    }
  }

  // A member's name and the colon after it. Records mostly repeat the names of the record
  // before in the same order: bytes equal to that member's `"name":` (checked then) need no
  // reading of their own.
  bool Name(std::size_t aIndex, TScannedMember& aMember) {
    const char* nameBegin = p_;
    if (aIndex < names_.size()) {
      const NameToken& before = names_[aIndex];
      if (before.Length != 0 && static_cast<std::size_t>(end_ - p_) >= before.Length &&
          SameBytes(begin_ + before.Begin, p_, before.Length)) {
        aMember.NameBegin = Offset(p_) + 1;
        aMember.NameLength = before.Length - 3;
        aMember.NameAsBefore = true;
        p_ += before.Length;
        return true;
      }
    }
    aMember.NameAsBefore = false;
    TScanToken nameToken;
    if (!String(nameToken)) return false;
    // Names are compared as they stand, so they must need no decoding.
    if (nameToken != TScanToken::String) return false;
    aMember.NameBegin = Offset(nameBegin) + 1;
    aMember.NameLength = static_cast<std::uint32_t>(p_ - nameBegin - 2);
    const bool tight = At(':');
    SkipBlanks();
    if (!At(':')) return false;
    ++p_;
    if (aIndex >= names_.size()) names_.resize(aIndex + 1);
    names_[aIndex] =
        tight ? NameToken{Offset(nameBegin), Offset(p_) - Offset(nameBegin)} : NameToken{};
    return true;
  }

  // Equal bytes, with a few overlapping word loads for short runs.
  static bool SameBytes(const char* a, const char* b, std::size_t n) {
    const auto load4 = [](const char* p) {
      std::uint32_t v;
      std::memcpy(&v, p, sizeof v);
      return v;
    };
    using lanes::Load;
    if (n >= 8 && n <= 16) return Load(a) == Load(b) && Load(a + n - 8) == Load(b + n - 8);
    if (n >= 4 && n < 8) return load4(a) == load4(b) && load4(a + n - 4) == load4(b + n - 4);
    return std::memcmp(a, b, n) == 0;
  }

  void Visit(std::size_t aCount) {
    if constexpr (kVisit) {
      if (*visit_) (*visit_)(std::span(members_.data(), aCount));
    }
  }

  bool Literal(std::string_view aWord) {
    if (static_cast<std::size_t>(end_ - p_) < aWord.size() ||
        std::memcmp(p_, aWord.data(), aWord.size()) != 0)
      return false;
    p_ += aWord.size();
    return true;
  }

  bool Value(TScannedMember& aMember) {
    TScanToken& aToken = aMember.Token;
    if (p_ >= end_) return false;
    switch (*p_) {
      case '"':
        return String(aToken);
      case 'n':
        aToken = TScanToken::Null;
        return Literal("null");
      case 't':
        aToken = TScanToken::True;
        return Literal("true");
      case 'f':
        aToken = TScanToken::False;
        return Literal("false");
      default:
        return Number(aMember);
    }
  }

  // A strict JSON string; plain when it holds only printable ASCII without escapes.
  bool String(TScanToken& aToken) {
    if (!At('"')) return false;
    ++p_;
    bool plain = true;
    for (;;) {
      // Ordinary characters are passed over eight at a time; only the few that matter stop it.
      while (end_ - p_ >= 8) {
        const std::uint64_t stops = StopBytes(lanes::LoadInOrder(p_));
        if (stops != 0) {
          p_ += std::countr_zero(stops) / 8;
          break;
        }
        p_ += 8;
      }
      while (p_ < end_ && !kStops[static_cast<unsigned char>(*p_)]) ++p_;
      if (p_ >= end_) return false;
      const auto c = static_cast<unsigned char>(*p_);
      if (c == '"') {
        ++p_;
        aToken = plain ? TScanToken::String : TScanToken::Complex;
        return true;
      }
      if (c < 0x20) return false;
      if (c == '\\') {
        plain = false;
        if (end_ - p_ < 2) return false;
        const char e = p_[1];
        if (e == 'u') {
          if (end_ - p_ < 6) return false;
          for (int k = 2; k < 6; ++k)
            if (!IsHex(p_[k])) return false;
          p_ += 6;
          continue;
        }
        if (e != '"' && e != '\\' && e != '/' && e != 'b' && e != 'f' && e != 'n' && e != 'r' &&
            e != 't')
          return false;
        p_ += 2;
        continue;
      }
      plain = false;
      if (!Utf8Sequence()) return false;
    }
  }

  // One well-formed UTF-8 sequence (surrogate halves included, as a WTF-8 text may carry).
  bool Utf8Sequence() {
    char32_t cp;
    const std::size_t length =
        DecodeUtf8(std::string_view(p_, static_cast<std::size_t>(end_ - p_)), cp);
    p_ += length;
    return length != 0;
  }

  // Digits from p_ on, added to `aValue` while it stays below 10^18 (`aCount` counts them all).
  void Digits(std::uint64_t& aValue, int& aCount) {
    for (; p_ < end_ && IsDigit(*p_); ++p_, ++aCount)
      if (aCount < 18) aValue = aValue * 10 + static_cast<unsigned>(*p_ - '0');
  }

  // Past a run of digits, eight at a time.
  void SkipDigits() {
    while (end_ - p_ >= 8) {
      // Digits become 0..9; adding 0x76 sets the high bit of every other byte.
      const std::uint64_t t = lanes::LoadInOrder(p_) ^ (kOnes * '0');
      const std::uint64_t others = ((t + kOnes * 0x76) | t) & kHighs;
      if (others != 0) {
        p_ += std::countr_zero(others) / 8;
        return;
      }
      p_ += 8;
    }
    while (p_ < end_ && IsDigit(*p_)) ++p_;
  }

  // A number's shape only: -?(0|[1-9]digits)(.digits)?([eE][+-]?digits)?, finite.
  bool CheckNumber() {
    const char* begin = p_;
    if (At('-')) ++p_;
    if (p_ >= end_ || !IsDigit(*p_)) return false;
    if (*p_ == '0')
      ++p_;
    else
      SkipDigits();
    const std::ptrdiff_t integerDigits = p_ - begin;
    if (At('.')) {
      ++p_;
      if (p_ >= end_ || !IsDigit(*p_)) return false;
      SkipDigits();
    }
    if (!At('e') && !At('E')) {
      // Without an exponent and with fewer than 300 whole digits a number is finite.
      if (integerDigits < 300) return true;
    } else {
      ++p_;
      if (At('+') || At('-')) ++p_;
      if (p_ >= end_ || !IsDigit(*p_)) return false;
      SkipDigits();
    }
    // The others are read to know whether they are numbers at all (a double overflow is not).
    double value;
    return TJsonBase::TryReadNumber(std::string_view(begin, static_cast<std::size_t>(p_ - begin)),
                                    value);
  }

  // -?(0|[1-9]digits)(.digits)?([eE][+-]?digits)?, finite.
  bool Number(TScannedMember& aMember) {
    if constexpr (!kVisit) return CheckNumber();
    const char* begin = p_;
    const bool negative = At('-');
    if (negative) ++p_;
    if (p_ >= end_ || !IsDigit(*p_)) return false;
    std::uint64_t mantissa = 0;
    int digits = 0;
    if (*p_ == '0') {
      ++p_, ++digits;
    } else {
      Digits(mantissa, digits);
    }
    const int integerDigits = digits;
    bool integer = true;
    if (At('.')) {
      integer = false;
      ++p_;
      if (p_ >= end_ || !IsDigit(*p_)) return false;
      Digits(mantissa, digits);
    }
    bool exponent = false;
    if (At('e') || At('E')) {
      integer = false;
      exponent = true;
      ++p_;
      if (At('+') || At('-')) ++p_;
      if (p_ >= end_ || !IsDigit(*p_)) return false;
      SkipDigits();
    }
    const std::string_view text(begin, static_cast<std::size_t>(p_ - begin));
    if (integer && digits <= 18) {
      aMember.Integer =
          negative ? -static_cast<std::int64_t>(mantissa) : static_cast<std::int64_t>(mantissa);
      aMember.Token = TScanToken::Integer;
      return true;
    }
    if (!exponent && digits <= 15) {
      // At most 15 digits are exact in a double, and so is 10^k for k up to 22: one division
      // rounds correctly, as reading the text does.
      static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
      const double value = static_cast<double>(mantissa) / kPow10[digits - integerDigits];
      aMember.Number = negative ? -value : value;
      aMember.Token = TScanToken::Number;
      return true;
    }
    if (integer) {
      const auto result = std::from_chars(text.data(), text.data() + text.size(), aMember.Integer);
      if (result.ec == std::errc() && result.ptr == text.data() + text.size()) {
        aMember.Token = TScanToken::Integer;
        return true;
      }
    }
    // Whether it is a number at all (a double overflow is not) is the JSON model's call.
    if (!TJsonBase::TryReadNumber(text, aMember.Number)) return false;
    aMember.Token = TScanToken::Number;
    return true;
  }

  const char* const begin_;
  const char* const end_;
  const char* p_;
  const TScannedRecordVisitor* visit_;
  std::vector<TScannedMember> members_;  // the record being read (visiting only)
  struct NameToken {
    std::uint32_t Begin = 0;   // where `"name":` starts in the text
    std::uint32_t Length = 0;  // 0: none to compare with
  };
  std::vector<NameToken> names_;  // by place in the record, from the record before
  bool isArray_ = false;
};

template <bool kVisit>
bool Scan(std::string_view aText, bool& aIsArray, const TScannedRecordVisitor* aVisit) {
  Scanner<kVisit> scanner(aText, aVisit);
  const bool plain = scanner.Run();
  aIsArray = scanner.IsArray();
  return plain;
}

}  // namespace

bool ScanRecords(std::string_view aText, bool& aIsArray, const TScannedRecordVisitor& aVisit) {
  aIsArray = false;
  if (aText.size() > kMaxScannedText) return false;
  return aVisit ? Scan<true>(aText, aIsArray, &aVisit) : Scan<false>(aText, aIsArray, nullptr);
}

}  // namespace bramble
