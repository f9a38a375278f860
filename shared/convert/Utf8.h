#pragma once
// Reading one UTF-8 sequence, as the converters' text checks and case mapping need it.
#include <cstddef>
#include <string_view>

namespace bramble {

// Length of the UTF-8 sequence that `aText` starts with, and its code point in `aCodePoint`;
// 0 when the bytes there do not form a complete, shortest-form sequence up to U+10FFFF.
// Surrogate halves in their 3-byte form count as sequences, as a WTF-8 text carries them.
inline std::size_t DecodeUtf8(std::string_view aText, char32_t& aCodePoint) {
  if (aText.empty()) return 0;
  const auto b0 = static_cast<unsigned char>(aText[0]);
  std::size_t length;
  char32_t cp, min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2, cp = b0 & 0x1Fu, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3, cp = b0 & 0x0Fu, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4, cp = b0 & 0x07u, min = 0x10000;
  } else {
    return 0;
  }
  if (aText.size() < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(aText[k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3Fu);
  }
  if (cp < min || cp > 0x10FFFF) return 0;
  aCodePoint = cp;
  return length;
}

}  // namespace bramble
