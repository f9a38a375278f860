#include "platform/data/Currency.h"

#include <cmath>

#include "platform/core/Exception.h"

namespace bramble {

TCurrency TCurrency::FromDouble(double aValue) {
  const double scaled = std::nearbyint(aValue * 10000.0);  // default rounding: ties to even
  if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0))
    throw Exception("Value is out of the currency range");
  return FromScaled(static_cast<std::int64_t>(scaled));
}

TCurrency TCurrency::FromText(std::string_view aText) {
  auto fail = [&]() -> TCurrency {
    throw Exception("'" + std::string(aText) + "' is not a valid currency value");
  };
  std::string_view t = aText;
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  bool negative = false;
  if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
    negative = t.front() == '-';
    t.remove_prefix(1);
  }
  // Accumulate as a negative number so that the most negative amount fits.
  std::int64_t acc = 0;
  std::size_t i = 0;
  int intDigits = 0, fracDigits = 0;
  auto push = [&](int digit) -> bool {
    if (acc < (INT64_MIN + digit) / 10) return false;
    acc = acc * 10 - digit;
    return true;
  };
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, ++intDigits)
    if (!push(t[i] - '0')) return fail();
  int roundDigit = -1;
  bool stickyBeyond = false;
  if (i < t.size() && t[i] == '.') {
    ++i;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, ++fracDigits) {
      if (fracDigits < 4) {
        if (!push(t[i] - '0')) return fail();
      } else if (fracDigits == 4) {
        roundDigit = t[i] - '0';
      } else if (t[i] != '0') {
        stickyBeyond = true;
      }
    }
  }
  if (i != t.size() || intDigits + fracDigits == 0) return fail();
  for (int k = fracDigits; k < 4; ++k)
    if (!push(0)) return fail();
  // Round half to even on the fifth decimal and beyond.
  if (roundDigit > 5 || (roundDigit == 5 && (stickyBeyond || (acc % 2) != 0))) {
    if (acc == INT64_MIN) return fail();
    --acc;
  }
  return negative ? FromScaled(acc) : (acc == INT64_MIN ? fail() : FromScaled(-acc));
}

std::string TCurrency::ToString() const {
  const bool negative = scaled_ < 0;
  // Work with the magnitude as unsigned so that the most negative value is handled.
  const std::uint64_t mag =
      negative ? 0 - static_cast<std::uint64_t>(scaled_) : static_cast<std::uint64_t>(scaled_);
  std::string text = std::to_string(mag / 10000);
  std::uint64_t frac = mag % 10000;
  if (frac != 0) {
    std::string f = std::to_string(frac);
    f.insert(0, 4 - f.size(), '0');
    while (f.back() == '0') f.pop_back();
    text += "." + f;
  }
  return negative ? "-" + text : text;
}

}  // namespace bramble
