#include "shared/convert/RecordScanner.h"

#include "shared/json/JsonBase.h"

#include <array>
#include <charconv>
#include <system_error>
#include <vector>

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

class Scanner {
 public:
  Scanner(std::string_view aText, const TScannedRecordVisitor& aVisit)
      : s_(aText), visit_(aVisit) {}

  bool IsArray() const { return isArray_; }

  bool Run() {
    SkipBlanks();
    if (At('[')) {
      isArray_ = true;
      ++pos_;
      SkipBlanks();
      if (At(']')) {
        ++pos_;
      } else {
        for (;;) {
          SkipBlanks();
          if (!Object()) return false;
          SkipBlanks();
          if (At(',')) {
            ++pos_;
            continue;
          }
          if (!At(']')) return false;
          ++pos_;
          break;
        }
      }
    } else if (!Object()) {
      return false;
    }
    SkipBlanks();
    return pos_ == s_.size();
  }

 private:
  bool At(char c) const { return pos_ < s_.size() && s_[pos_] == c; }

  void SkipBlanks() {
    while (pos_ < s_.size() &&
           (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r'))
      ++pos_;
  }

  bool Object() {
    if (!At('{')) return false;
    ++pos_;
    members_.clear();
    SkipBlanks();
    if (At('}')) {
      ++pos_;
      if (visit_) visit_(members_);
      return true;
    }
    for (;;) {
      SkipBlanks();
      TScannedMember member{};
      TScanToken nameToken;
      std::size_t nameBegin = pos_;
      if (!String(nameToken)) return false;
      // Names are compared as they stand, so they must need no decoding.
      if (nameToken != TScanToken::String) return false;
      member.NameBegin = static_cast<std::uint32_t>(nameBegin + 1);
      member.NameLength = static_cast<std::uint32_t>(pos_ - nameBegin - 2);
      SkipBlanks();
      if (!At(':')) return false;
      ++pos_;
      SkipBlanks();
      member.ValueBegin = static_cast<std::uint32_t>(pos_);
      if (!Value(member)) return false;
      member.ValueLength = static_cast<std::uint32_t>(pos_ - member.ValueBegin);
      members_.push_back(member);
      SkipBlanks();
      if (At(',')) {
        ++pos_;
        continue;
      }
      if (!At('}')) return false;
      ++pos_;
      if (visit_) visit_(members_);
      return true;
    }
  }

  bool Literal(std::string_view aWord) {
    if (s_.substr(pos_, aWord.size()) != aWord) return false;
    pos_ += aWord.size();
    return true;
  }

  bool Value(TScannedMember& aMember) {
    TScanToken& aToken = aMember.Token;
    if (pos_ >= s_.size()) return false;
    switch (s_[pos_]) {
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

  static bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  }

  // A strict JSON string; plain when it holds only printable ASCII without escapes.
  bool String(TScanToken& aToken) {
    if (!At('"')) return false;
    ++pos_;
    bool plain = true;
    const char* data = s_.data();
    const std::size_t size = s_.size();
    while (pos_ < size) {
      // Ordinary characters are passed over in a tight loop; only the few that matter stop it.
      while (pos_ < size && !kStops[static_cast<unsigned char>(data[pos_])]) ++pos_;
      if (pos_ >= size) break;
      const auto c = static_cast<unsigned char>(s_[pos_]);
      if (c == '"') {
        ++pos_;
        aToken = plain ? TScanToken::String : TScanToken::Complex;
        return true;
      }
      if (c < 0x20) return false;
      if (c == '\\') {
        plain = false;
        if (pos_ + 1 >= s_.size()) return false;
        const char e = s_[pos_ + 1];
        if (e == 'u') {
          if (pos_ + 6 > s_.size()) return false;
          for (std::size_t k = 2; k < 6; ++k)
            if (!IsHex(s_[pos_ + k])) return false;
          pos_ += 6;
          continue;
        }
        if (e != '"' && e != '\\' && e != '/' && e != 'b' && e != 'f' && e != 'n' && e != 'r' &&
            e != 't')
          return false;
        pos_ += 2;
        continue;
      }
      if (c >= 0x80) {
        plain = false;
        if (!Utf8Sequence()) return false;
        continue;
      }
      ++pos_;
    }
    return false;
  }

  // One well-formed UTF-8 sequence (surrogate halves included, as a WTF-8 text may carry).
  bool Utf8Sequence() {
    const auto b0 = static_cast<unsigned char>(s_[pos_]);
    std::size_t length;
    std::uint32_t cp, min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      length = 2, cp = b0 & 0x1Fu, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      length = 3, cp = b0 & 0x0Fu, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      length = 4, cp = b0 & 0x07u, min = 0x10000;
    } else {
      return false;
    }
    if (s_.size() - pos_ < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto b = static_cast<unsigned char>(s_[pos_ + k]);
      if ((b & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (b & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF) return false;
    pos_ += length;
    return true;
  }

  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

  // -?(0|[1-9]digits)(.digits)?([eE][+-]?digits)?, finite.
  bool Number(TScannedMember& aMember) {
    const std::size_t begin = pos_;
    if (At('-')) ++pos_;
    if (pos_ >= s_.size() || !IsDigit(s_[pos_])) return false;
    if (s_[pos_] == '0') {
      ++pos_;
    } else {
      while (pos_ < s_.size() && IsDigit(s_[pos_])) ++pos_;
    }
    bool integer = true;
    if (At('.')) {
      integer = false;
      ++pos_;
      if (pos_ >= s_.size() || !IsDigit(s_[pos_])) return false;
      while (pos_ < s_.size() && IsDigit(s_[pos_])) ++pos_;
    }
    if (At('e') || At('E')) {
      integer = false;
      ++pos_;
      if (At('+') || At('-')) ++pos_;
      if (pos_ >= s_.size() || !IsDigit(s_[pos_])) return false;
      while (pos_ < s_.size() && IsDigit(s_[pos_])) ++pos_;
    }
    const std::string_view text = s_.substr(begin, pos_ - begin);
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

  std::string_view s_;
  const TScannedRecordVisitor& visit_;
  std::vector<TScannedMember> members_;  // the record being read
  bool isArray_ = false;
  std::size_t pos_ = 0;
};

}  // namespace

bool ScanRecords(std::string_view aText, bool& aIsArray, const TScannedRecordVisitor& aVisit) {
  aIsArray = false;
  if (aText.size() > kMaxScannedText) return false;
  Scanner scanner(aText, aVisit);
  const bool plain = scanner.Run();
  aIsArray = scanner.IsArray();
  return plain;
}

}  // namespace bramble
