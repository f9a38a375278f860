#pragma once
// ASCII letter case of protocol texts (header and parameter names, schemes): only A-Z and a-z
// are folded, whatever the locale, so that every byte outside them compares as it is.
#include <cstddef>
#include <string_view>

namespace bramble {

constexpr char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when both texts are equal, ASCII letters compared without regard to case.
constexpr bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

}  // namespace bramble
