#include "platform/data/ValueText.h"

#include <charconv>
#include <cmath>

#include "platform/core/Exception.h"

namespace bramble::data_detail {

std::string_view Trim(std::string_view aText) {
  while (!aText.empty() && (aText.front() == ' ' || aText.front() == '\t')) aText.remove_prefix(1);
  while (!aText.empty() && (aText.back() == ' ' || aText.back() == '\t')) aText.remove_suffix(1);
  return aText;
}

std::int64_t ParseInt64(std::string_view aText) {
  std::string_view t = Trim(aText);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  std::int64_t v = 0;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (t.empty() || ec != std::errc() || p != t.data() + t.size())
    throw Exception("'" + std::string(aText) + "' is not a valid integer value");
  return v;
}

double ParseDouble(std::string_view aText) {
  std::string_view t = Trim(aText);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  double v = 0;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (t.empty() || ec != std::errc() || p != t.data() + t.size())
    throw Exception("'" + std::string(aText) + "' is not a valid floating point value");
  return v;
}

long double ParseExtended(std::string_view aText) {
  std::string_view t = Trim(aText);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  long double v = 0;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (t.empty() || ec != std::errc() || p != t.data() + t.size())
    throw Exception("'" + std::string(aText) + "' is not a valid floating point value");
  return v;
}

bool ParseBoolean(std::string_view aText) {
  const std::string_view t = Trim(aText);
  auto same = [&](std::string_view w) {
    if (t.size() != w.size()) return false;
    for (std::size_t i = 0; i < t.size(); ++i)
      if ((t[i] | 0x20) != w[i]) return false;
    return true;
  };
  if (same("true") || t == "1") return true;
  if (same("false") || t == "0") return false;
  throw Exception("'" + std::string(aText) + "' is not a valid boolean value");
}

template <typename T>
static std::string ShortestText(T aValue) {
  char buf[128];
  auto [p, ec] = std::to_chars(buf, buf + sizeof buf, aValue);
  return ec == std::errc() ? std::string(buf, p) : std::string();
}

std::string DoubleText(double aValue) {
  return ShortestText(aValue);
}
std::string FloatText(float aValue) {
  return ShortestText(aValue);
}
std::string ExtendedText(long double aValue) {
  return ShortestText(aValue);
}

std::string DoubleDecimalText(double aValue) {
  if (!std::isfinite(aValue))
    throw Exception("'" + DoubleText(aValue) + "' is not a valid BCD value");
  char buf[400];  // the longest fixed form of a double is about 330 characters
  auto [p, ec] = std::to_chars(buf, buf + sizeof buf, aValue, std::chars_format::fixed);
  if (ec != std::errc()) throw Exception("'" + DoubleText(aValue) + "' is not a valid BCD value");
  return CanonicalDecimal(std::string_view(buf, static_cast<std::size_t>(p - buf)));
}

bool IsCanonicalDecimal(std::string_view t) {
  std::size_t i = 0;
  if (i < t.size() && t[i] == '-') ++i;
  const std::size_t intStart = i;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
  if (i == intStart) return false;
  if (i < t.size() && t[i] == '.') {
    const std::size_t fracStart = ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    if (i == fracStart) return false;
  }
  return i == t.size() && t.size() <= kMaxDecimalText;
}

std::string CanonicalDecimal(std::string_view aText) {
  auto fail = [&]() -> std::string {
    if (aText.size() > kMaxDecimalText) throw Exception("Decimal value is too long");
    throw Exception("'" + std::string(aText) + "' is not a valid BCD value");
  };
  std::string_view t = Trim(aText);
  std::string out;
  if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
    if (t.front() == '-') out.push_back('-');
    t.remove_prefix(1);
  }
  const std::size_t dot = t.find('.');
  std::string_view intPart = t.substr(0, dot);
  std::string_view fracPart =
      dot == std::string_view::npos ? std::string_view{} : t.substr(dot + 1);
  if (intPart.empty() && fracPart.empty()) return fail();
  for (char c : intPart)
    if (c < '0' || c > '9') return fail();
  for (char c : fracPart)
    if (c < '0' || c > '9') return fail();
  out += intPart.empty() ? std::string_view("0") : intPart;
  if (!fracPart.empty()) {
    out.push_back('.');
    out += fracPart;
  }
  if (out.size() > kMaxDecimalText) return fail();
  return out;
}

std::int64_t DecimalToInt64(std::string_view aCanonical) {
  std::string_view t = aCanonical;
  const bool negative = !t.empty() && t.front() == '-';
  if (negative) t.remove_prefix(1);
  const std::size_t dot = t.find('.');
  const std::string_view intPart = t.substr(0, dot);
  const std::string_view frac =
      dot == std::string_view::npos ? std::string_view{} : t.substr(dot + 1);
  std::uint64_t mag = 0;
  auto fail = [&]() -> std::int64_t {
    throw Exception("'" + std::string(aCanonical) + "' is out of the integer range");
  };
  for (char c : intPart) {
    const auto d = static_cast<std::uint64_t>(c - '0');
    if (mag > (UINT64_MAX - d) / 10) return fail();
    mag = mag * 10 + d;
  }
  if (!frac.empty()) {
    const int first = frac[0] - '0';
    bool rest = false;
    for (std::size_t i = 1; i < frac.size(); ++i) rest = rest || frac[i] != '0';
    if (first > 5 || (first == 5 && (rest || (mag & 1) != 0))) {
      if (mag == UINT64_MAX) return fail();
      ++mag;
    }
  }
  if (negative) {
    if (mag > std::uint64_t{1} << 63) return fail();
    return static_cast<std::int64_t>(0 - mag);
  }
  if (mag > static_cast<std::uint64_t>(INT64_MAX)) return fail();
  return static_cast<std::int64_t>(mag);
}

}  // namespace bramble::data_detail
