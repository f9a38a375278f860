#pragma once
// Text comparisons of the converters: ASCII letter case ignored, nothing else folded.
#include <string_view>

namespace bramble {

inline bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

// The text without the characters at or below the blank at either end.
inline std::string_view TrimBlanks(std::string_view aText) {
  std::size_t begin = 0, end = aText.size();
  while (begin < end && static_cast<unsigned char>(aText[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(aText[end - 1]) <= ' ') --end;
  return aText.substr(begin, end - begin);
}

}  // namespace bramble
