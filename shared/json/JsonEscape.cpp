// Encode and Decode: between UTF-8 text and the inside of a JSON string, where escapes stand
// for UTF-16 code units.
#include <array>
#include <cstring>

#include "platform/core/Exception.h"
#include "shared/json/JsonBase.h"
#include "shared/json/JsonTextOps.h"

namespace bramble {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// For each ASCII character: 0 when it is written as itself, the letter of its two-character
// escape, or 'u' for a \u escape.
constexpr std::array<char, 128> MakeEscapes() {
  std::array<char, 128> t{};
  for (int c = 0; c < 0x20; ++c) t[c] = 'u';
  t['\b'] = 'b';
  t['\t'] = 't';
  t['\n'] = 'n';
  t['\f'] = 'f';
  t['\r'] = 'r';
  t['"'] = '"';
  t['/'] = '/';
  t['\\'] = '\\';
  return t;
}
constexpr std::array<char, 128> kEscapes = MakeEscapes();

void AppendUnitEscape(unsigned Unit, std::string& Out) {
  const char esc[6] = {'\\',
                       'u',
                       kHexDigits[(Unit >> 12) & 15],
                       kHexDigits[(Unit >> 8) & 15],
                       kHexDigits[(Unit >> 4) & 15],
                       kHexDigits[Unit & 15]};
  Out.append(esc, 6);
}

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// Reads one UTF-8 sequence starting at S[i] (a byte >= 0x80). Returns its length and sets
// CodePoint. A 3-byte surrogate (the WTF-8 form of a lone surrogate) is accepted; any other
// malformed byte is one character, U+FFFD.
std::size_t ReadUtf8(std::string_view S, std::size_t i, unsigned& CodePoint) {
  const auto b0 = static_cast<unsigned char>(S[i]);
  const std::size_t left = S.size() - i;
  auto at = [&](std::size_t k) { return static_cast<unsigned char>(S[i + k]); };
  if (b0 >= 0xC2 && b0 <= 0xDF && left >= 2 && IsContinuation(at(1))) {
    CodePoint = ((b0 & 0x1Fu) << 6) | (at(1) & 0x3Fu);
    return 2;
  }
  if (b0 >= 0xE0 && b0 <= 0xEF && left >= 3 && IsContinuation(at(1)) && IsContinuation(at(2)) &&
      (b0 != 0xE0 || at(1) >= 0xA0)) {
    CodePoint = ((b0 & 0x0Fu) << 12) | ((at(1) & 0x3Fu) << 6) | (at(2) & 0x3Fu);
    return 3;
  }
  if (b0 >= 0xF0 && b0 <= 0xF4 && left >= 4 && IsContinuation(at(1)) && IsContinuation(at(2)) &&
      IsContinuation(at(3)) && (b0 != 0xF0 || at(1) >= 0x90) && (b0 != 0xF4 || at(1) < 0x90)) {
    CodePoint =
        ((b0 & 0x07u) << 18) | ((at(1) & 0x3Fu) << 12) | ((at(2) & 0x3Fu) << 6) | (at(3) & 0x3Fu);
    return 4;
  }
  CodePoint = 0xFFFD;
  return 1;
}

// Appends one UTF-16 code unit as UTF-8. A low surrogate that follows a high surrogate
// already in Out completes the pair into one 4-byte character; any other surrogate is kept
// alone in its 3-byte form.
void AppendCodeUnit(unsigned Unit, std::string& Out) {
  if (Unit < 0x80) {
    Out += static_cast<char>(Unit);
  } else if (Unit < 0x800) {
    Out += static_cast<char>(0xC0 | (Unit >> 6));
    Out += static_cast<char>(0x80 | (Unit & 0x3F));
  } else {
    if (Unit >= 0xDC00 && Unit <= 0xDFFF && Out.size() >= 3) {
      const auto* tail = reinterpret_cast<const unsigned char*>(Out.data() + Out.size() - 3);
      if (tail[0] == 0xED && tail[1] >= 0xA0 && tail[1] <= 0xAF && IsContinuation(tail[2])) {
        const unsigned high = 0xD000u | ((tail[1] & 0x3Fu) << 6) | (tail[2] & 0x3Fu);
        const unsigned cp = 0x10000 + ((high - 0xD800) << 10) + (Unit - 0xDC00);
        Out.resize(Out.size() - 3);
        Out += static_cast<char>(0xF0 | (cp >> 18));
        Out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        Out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (cp & 0x3F));
        return;
      }
    }
    Out += static_cast<char>(0xE0 | (Unit >> 12));
    Out += static_cast<char>(0x80 | ((Unit >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (Unit & 0x3F));
  }
}

// The next (at most) four UTF-16 code units of S from i, as UTF-8: the text quoted by the
// error of a malformed \u escape.
std::string NextFourUnits(std::string_view S, std::size_t i) {
  std::string units;
  int taken = 0;
  while (taken < 4 && i < S.size()) {
    if (static_cast<unsigned char>(S[i]) < 0x80) {
      units += S[i++];
      ++taken;
      continue;
    }
    unsigned cp = 0;
    const std::size_t len = ReadUtf8(S, i, cp);
    if (cp >= 0x10000 && taken == 3) {
      AppendCodeUnit(0xD800 + ((cp - 0x10000) >> 10), units);  // only its first half fits
      break;
    }
    units.append(S.substr(i, len));
    taken += cp >= 0x10000 ? 2 : 1;
    i += len;
  }
  return units;
}

}  // namespace

void TJsonBase::EncodeTo(std::string_view S, std::string& Out) {
  const std::size_t n = S.size();
  std::size_t run = 0;  // start of the characters not yet copied
  std::size_t i = 0;
  while (i < n) {
    const auto c = static_cast<unsigned char>(S[i]);
    if (c < 0x80) {
      const char escape = kEscapes[c];
      if (escape == 0) {
        ++i;
        continue;
      }
      Out.append(S.data() + run, i - run);
      if (escape == 'u') {
        AppendUnitEscape(c, Out);
      } else {
        Out += '\\';
        Out += escape;
      }
      run = ++i;
      continue;
    }
    Out.append(S.data() + run, i - run);
    unsigned cp = 0;
    i += ReadUtf8(S, i, cp);
    if (cp >= 0x10000) {
      AppendUnitEscape(0xD800 + ((cp - 0x10000) >> 10), Out);
      AppendUnitEscape(0xDC00 + ((cp - 0x10000) & 0x3FF), Out);
    } else {
      AppendUnitEscape(cp, Out);
    }
    run = i;
  }
  Out.append(S.data() + run, n - run);
}

std::string TJsonBase::Encode(std::string_view S) {
  std::string out;
  EncodeTo(S, out);
  return out;
}

namespace json_detail {

void DecodeTo(std::string_view S, std::string& Out) {
  if (Out.empty()) Out.reserve(S.size());
  const std::size_t n = S.size();
  std::size_t i = 0;
  while (i < n) {
    const void* slash = std::memchr(S.data() + i, '\\', n - i);
    if (slash == nullptr) {
      Out.append(S.data() + i, n - i);
      return;
    }
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(slash) - S.data());
    Out.append(S.data() + i, at - i);
    i = at + 1;
    if (i >= n) {
      Out += '\0';  // a backslash at the very end escapes U+0000
      return;
    }
    const char e = S[i++];
    switch (e) {
      case 'b':
        Out += '\b';
        break;
      case 'f':
        Out += '\f';
        break;
      case 'n':
        Out += '\n';
        break;
      case 'r':
        Out += '\r';
        break;
      case 't':
        Out += '\t';
        break;
      case 'u': {
        // Four hexadecimal digits; fewer only where the text ends first.
        unsigned unit = 0;
        std::size_t j = i;
        while (j < n && j - i < 4) {
          const char h = S[j];
          int d = -1;
          if (h >= '0' && h <= '9')
            d = h - '0';
          else if (h >= 'a' && h <= 'f')
            d = h - 'a' + 10;
          else if (h >= 'A' && h <= 'F')
            d = h - 'A' + 10;
          if (d < 0) break;
          unit = unit * 16 + static_cast<unsigned>(d);
          ++j;
        }
        if (j == i || (j - i < 4 && j < n)) {
          throw Exception("Invalid unicode \\u" + NextFourUnits(S, i));
        }
        AppendCodeUnit(unit, Out);
        i = j;
        break;
      }
      default:
        Out += e;
        break;  // the escaped character itself
    }
  }
}

}  // namespace json_detail

std::string TJsonBase::Decode(std::string_view S) {
  std::string out;
  json_detail::DecodeTo(S, out);
  return out;
}

}  // namespace bramble
