#include "platform/data/drivers/ValueText.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/core/Exception.h"

namespace bramble::drivers {

namespace {

// Room for the largest double in fixed notation (309 digits) with any scale servers use.
constexpr size_t kFixedBuffer = 400;

[[noreturn]] void Malformed(const char* what, std::string_view text) {
  throw Exception(std::string("cannot read ") + what + " value '" +
                  std::string(text.substr(0, 64)) + "'");
}

// Reads exactly `count` digits at `pos`, advancing it.
bool Digits(std::string_view text, size_t& pos, size_t count, int& value) {
  if (pos + count > text.size()) return false;
  value = 0;
  for (size_t i = 0; i < count; ++i) {
    char c = text[pos + i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  pos += count;
  return true;
}

bool ReadDate(std::string_view text, size_t& pos, DateTimeValue& v) {
  // Years may have more than four digits only in theory; four is what servers print.
  return Digits(text, pos, 4, v.year) && pos < text.size() && text[pos++] == '-' &&
         Digits(text, pos, 2, v.month) && pos < text.size() && text[pos++] == '-' &&
         Digits(text, pos, 2, v.day) && v.month >= 1 && v.month <= 12 && v.day >= 1 && v.day <= 31;
}

bool ReadTime(std::string_view text, size_t& pos, DateTimeValue& v) {
  if (!(Digits(text, pos, 2, v.hour) && pos < text.size() && text[pos++] == ':' &&
        Digits(text, pos, 2, v.minute) && pos < text.size() && text[pos++] == ':' &&
        Digits(text, pos, 2, v.second)))
    return false;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    int ms = 0, digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      if (digits < 3) ms = ms * 10 + (text[pos] - '0');
      ++digits;
      ++pos;
    }
    if (digits == 0) return false;
    for (; digits < 3; ++digits) ms *= 10;
    v.millisecond = ms;
  }
  return v.hour <= 23 && v.minute <= 59 && v.second <= 60;
}

bool ZoneOrEnd(std::string_view text, size_t pos) {
  if (pos == text.size()) return true;
  char c = text[pos];
  if (c == 'Z' && pos + 1 == text.size()) return true;
  if (c != '+' && c != '-') return false;
  for (++pos; pos < text.size(); ++pos)
    if (!std::isdigit(static_cast<unsigned char>(text[pos])) && text[pos] != ':') return false;
  return true;
}

// The two digits at `p` as a number, -1 when either is not a digit.
[[gnu::always_inline]] inline int TwoDigits(const char* p) {
  const unsigned a = static_cast<unsigned char>(p[0]) - unsigned{'0'};
  const unsigned b = static_cast<unsigned char>(p[1]) - unsigned{'0'};
  return a <= 9 && b <= 9 ? static_cast<int>(a * 10 + b) : -1;
}

// The fixed-width forms servers print most, "YYYY-MM-DD" at `p` and "HH:MM:SS" at `p`, read
// in one step with the checks of ReadDate and ReadTime. False leaves the general parser to
// decide (and to report).
[[gnu::always_inline]] inline bool FixedWidthDate(const char* p, DateTimeValue& v) {
  const int century = TwoDigits(p), year = TwoDigits(p + 2);
  const int month = TwoDigits(p + 5), day = TwoDigits(p + 8);
  if (century < 0 || year < 0 || p[4] != '-' || p[7] != '-' || month < 1 || month > 12 || day < 1 ||
      day > 31)
    return false;
  v.year = century * 100 + year;
  v.month = month;
  v.day = day;
  return true;
}

[[gnu::always_inline]] inline bool FixedWidthTime(const char* p, DateTimeValue& v) {
  const int hour = TwoDigits(p), minute = TwoDigits(p + 3), second = TwoDigits(p + 6);
  if (hour < 0 || minute < 0 || second < 0 || p[2] != ':' || p[5] != ':' || hour > 23 ||
      minute > 59 || second > 60)
    return false;
  v.hour = hour;
  v.minute = minute;
  v.second = second;
  return true;
}

constexpr size_t kDateWidth = 10;      // YYYY-MM-DD
constexpr size_t kTimeWidth = 8;       // HH:MM:SS
constexpr size_t kDateTimeWidth = 19;  // YYYY-MM-DD HH:MM:SS

// Scales the fast decimal printing handles, and the bound below which decimals at such a scale
// are further apart than neighbouring doubles (so at most one of them reads back as a value).
constexpr int kFastScaleMax = 15;
constexpr double kFastScaledLimit = 4503599627370496.0;  // 2^52
constexpr double kPowersOf10[kFastScaleMax + 1] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Rounds to the nearest whole number, ties to even (as std::nearbyint in the default rounding
// mode). Adding and taking away 1.5 * 2^52 leaves no fraction bits for numbers below 2^51, and
// costs two additions where std::nearbyint is a library call on the baseline instruction set.
double RoundToWhole(double value) {
  constexpr double kNoFractionBits = 6755399441055744.0;  // 1.5 * 2^52
  if (std::fabs(value) < 2251799813685248.0)              // 2^51
    return (value + kNoFractionBits) - kNoFractionBits;
  return std::nearbyint(value);
}

// Prints `value` at `scale` without a general double-to-text conversion when the nearest
// decimal of that scale reads back as exactly `value`: that decimal is then the only one
// of the scale that does, so it is also what the shortest text padded to the scale gives.
// Returns false (nothing written) when the slow path must decide.
bool FastFixedDecimal(double value, int scale, DecimalText& out, std::string_view& text) {
  if (scale < 0 || scale > kFastScaleMax || value == 0) return false;
  const double scaled = value * kPowersOf10[scale];
  if (!(std::fabs(scaled) < kFastScaledLimit)) return false;  // also NaN and infinities
  const double whole = RoundToWhole(scaled);
  if (whole / kPowersOf10[scale] != value) return false;
  const bool negative = whole < 0;
  auto magnitude = static_cast<std::uint64_t>(negative ? -whole : whole);
  // Digits right-aligned in the buffer, the point and leading zeros put in front of them
  // (at most 16 digits, a point, a leading zero and a sign)
  static_assert(sizeof out.digits >= 20);
  char* const last = out.digits + sizeof out.digits;
  char* p = last;
  const auto places = static_cast<size_t>(scale);
  for (size_t written = 0; magnitude != 0 || written <= places; ++written) {
    if (written == places && places > 0) *--p = '.';
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  }
  if (negative) *--p = '-';
  text = std::string_view(p, static_cast<size_t>(last - p));
  return true;
}

}  // namespace

std::int64_t ParseInt(std::string_view text) {
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) Malformed("integer", text);
  return value;
}

double ParseFloat(std::string_view text) {
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec == std::errc() && end == text.data() + text.size()) return value;
  // Spellings of the special values that servers print
  if (EqualsNoCase(text, "NaN")) return std::numeric_limits<double>::quiet_NaN();
  if (EqualsNoCase(text, "Infinity") || EqualsNoCase(text, "inf"))
    return std::numeric_limits<double>::infinity();
  if (EqualsNoCase(text, "-Infinity") || EqualsNoCase(text, "-inf"))
    return -std::numeric_limits<double>::infinity();
  Malformed("floating-point", text);
}

DateTimeValue ParseDate(std::string_view text) {
  DateTimeValue v;
  if (text.size() == kDateWidth && FixedWidthDate(text.data(), v)) return v;
  size_t pos = 0;
  if (!ReadDate(text, pos, v) || pos != text.size()) Malformed("date", text);
  return v;
}

DateTimeValue ParseTime(std::string_view text) {
  DateTimeValue v;
  if (text.size() == kTimeWidth && FixedWidthTime(text.data(), v)) return v;
  size_t pos = 0;
  if (!ReadTime(text, pos, v) || !ZoneOrEnd(text, pos)) Malformed("time", text);
  return v;
}

DateTimeValue ParseDateTime(std::string_view text) {
  if (DateTimeValue fast;
      (text.size() == kDateWidth && FixedWidthDate(text.data(), fast)) ||
      (text.size() == kDateTimeWidth && (text[kDateWidth] == ' ' || text[kDateWidth] == 'T') &&
       FixedWidthDate(text.data(), fast) && FixedWidthTime(text.data() + kDateWidth + 1, fast)))
    return fast;
  DateTimeValue v;
  size_t pos = 0;
  if (!ReadDate(text, pos, v)) Malformed("date-time", text);
  if (pos == text.size()) return v;
  if ((text[pos] != ' ' && text[pos] != 'T') || !ReadTime(text, ++pos, v) || !ZoneOrEnd(text, pos))
    Malformed("date-time", text);
  return v;
}

std::string ScaledToDecimal(std::int64_t unscaled, int scale) {
  bool negative = unscaled < 0;
  // Magnitude as unsigned so that INT64_MIN does not overflow
  std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(unscaled) : static_cast<std::uint64_t>(unscaled);
  std::string digits = std::to_string(magnitude);
  if (scale > 0) {
    if (digits.size() <= static_cast<size_t>(scale))
      digits.insert(0, scale + 1 - digits.size(), '0');
    digits.insert(digits.size() - scale, 1, '.');
  } else if (scale < 0 && magnitude != 0) {
    digits.append(static_cast<size_t>(-scale), '0');
  }
  return negative ? "-" + digits : digits;
}

std::string FixedDecimal(double value, int scale) {
  DecimalText out;
  return std::string(FixedDecimal(value, scale, out));
}

std::string_view FixedDecimal(double value, int scale, DecimalText& decimal) {
  if (!std::isfinite(value))
    throw Exception("cannot store " + std::to_string(value) + " as a decimal");
  if (std::string_view fast; FastFixedDecimal(value, scale, decimal, fast)) return fast;
  std::string& out = decimal.text;
  char buffer[kFixedBuffer];
  // The shortest text that reads back as `value` is usually the decimal that was stored
  // ("1234.5" for 1234.5) and is much cheaper to make than a rounded one: pad it when it
  // has no more decimals than the scale, round only when it has more.
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (ec == std::errc()) {
    std::string_view text(buffer, static_cast<size_t>(end - buffer));
    size_t point = text.find('.');
    size_t decimals = point == std::string_view::npos ? 0 : text.size() - point - 1;
    if (decimals <= static_cast<size_t>(scale)) {
      out.assign(text);
      if (scale > 0 && point == std::string_view::npos) out += '.';
      out.append(static_cast<size_t>(scale) - decimals, '0');
      return out;
    }
  }
  auto [roundedEnd, roundedEc] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, scale);
  if (roundedEc != std::errc())
    throw Exception("cannot store " + std::to_string(value) + " as a decimal");
  out.assign(buffer, roundedEnd);
  return out;
}

std::string CanonicalDecimal(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  std::string out;
  size_t pos = 0;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
    if (text[pos] == '-') out.push_back('-');
    ++pos;
  }
  size_t intStart = pos;
  while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) ++pos;
  size_t intDigits = pos - intStart;
  if (intDigits == 0) out.push_back('0');
  out.append(text.substr(intStart, intDigits));
  size_t fracDigits = 0;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    size_t fracStart = pos;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) ++pos;
    fracDigits = pos - fracStart;
    if (fracDigits) out.append(".").append(text.substr(fracStart, fracDigits));
  }
  if (pos != text.size() || (intDigits == 0 && fracDigits == 0)) Malformed("decimal", text);
  return out;
}

std::string HexDecode(std::string_view hex) {
  auto nibble = [&](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    Malformed("hexadecimal", hex);
  };
  if (hex.size() % 2) Malformed("hexadecimal", hex);
  std::string out(hex.size() / 2, '\0');
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char>(nibble(hex[2 * i]) << 4 | nibble(hex[2 * i + 1]));
  return out;
}

std::string_view Utf8Prefix(std::string_view text, size_t chars) {
  size_t pos = 0;
  for (size_t n = 0; n < chars && pos < text.size(); ++n) {
    ++pos;
    while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) ++pos;
  }
  return text.substr(0, pos);
}

std::int64_t DaysFromCivil(int year, int month, int day) {
  // Howard Hinnant's days_from_civil: days since 1970-01-01
  std::int64_t y = year - (month <= 2);
  std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  std::int64_t yoe = y - era * 400;
  std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
  days += 719468;
  std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  std::int64_t doe = days - era * 146097;
  std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  std::int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool IsUtf8Name(std::string_view name) {
  return name.empty() || EqualsNoCase(name, "UTF8") || EqualsNoCase(name, "UTF-8") ||
         EqualsNoCase(name, "utf8mb4") || EqualsNoCase(name, "AL32UTF8") ||
         EqualsNoCase(name, "Unicode");
}

}  // namespace bramble::drivers
