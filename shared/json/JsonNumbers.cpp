// Integer and number texts: reading (tolerant forms, 64-bit range, finite doubles) and writing
// (decimal integers; doubles rounded to 15 significant digits). Locale-independent throughout.
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "shared/json/JsonBase.h"

namespace bramble {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Saturating bound for decimal exponents: far beyond any double either way.
constexpr long kExponentCap = 100000;

}  // namespace

bool TJsonBase::TryReadInteger(std::string_view S, std::int64_t& Value) {
  std::size_t i = 0;
  const std::size_t n = S.size();
  while (i < n && S[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (S[i] == '+' || S[i] == '-')) {
    negative = S[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < n && S[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < n && S[i] == '0' && (S[i + 1] == 'x' || S[i + 1] == 'X')) {
    hex = true;
    i += 2;
  } else if (i < n && (S[i] == 'x' || S[i] == 'X')) {
    hex = true;
    ++i;
  }
  if (i >= n) return false;
  std::uint64_t v = 0;
  if (hex) {
    // At most 64 bits: 16 digits after any leading zeros, read as a two's-complement pattern.
    int significant = 0;
    for (; i < n; ++i) {
      const int d = HexDigit(S[i]);
      if (d < 0) return false;
      if (v != 0 || d != 0) ++significant;
      if (significant > 16) return false;
      v = (v << 4) | static_cast<std::uint64_t>(d);
    }
  } else {
    const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
    for (; i < n; ++i) {
      if (!IsDigit(S[i])) return false;
      const auto d = static_cast<std::uint64_t>(S[i] - '0');
      if (v > (limit - d) / 10) return false;
      v = v * 10 + d;
    }
  }
  // Unsigned negation keeps the two's-complement meaning (and -9223372036854775808).
  Value = static_cast<std::int64_t>(negative ? ~v + 1 : v);
  return true;
}

bool TJsonBase::TryReadNumber(std::string_view S, double& Value) {
  const char* p = S.data();
  const char* end = p + S.size();
  while (p < end && *p == ' ') ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  const char* mantissa = p;
  // Decimal exponent of the first significant digit, to tell underflow from overflow.
  long leadExponent = 0;
  bool seenSignificant = false;
  int digits = 0;
  long intDigits = 0;
  for (; p < end && IsDigit(*p); ++p) {
    ++digits;
    if (seenSignificant || *p != '0') {
      seenSignificant = true;
      if (intDigits < kExponentCap) ++intDigits;
    }
  }
  leadExponent = intDigits - 1;
  if (p < end && *p == '.') {
    ++p;
    long zeros = 0;
    for (; p < end && IsDigit(*p); ++p) {
      ++digits;
      if (!seenSignificant) {
        if (*p == '0') {
          if (zeros < kExponentCap) ++zeros;
        } else {
          seenSignificant = true;
          leadExponent = -zeros - 1;
        }
      }
    }
  }
  if (digits == 0) return false;
  const char* mantissaEnd = p;
  const char* numberEnd = p;
  long exponent = 0;
  if (p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    bool expNegative = false;
    if (p < end && (*p == '+' || *p == '-')) {
      expNegative = *p == '-';
      ++p;
    }
    const char* expDigits = p;
    for (; p < end && IsDigit(*p); ++p) {
      if (exponent < kExponentCap) exponent = exponent * 10 + (*p - '0');
    }
    if (expNegative) exponent = -exponent;
    // An exponent without digits counts as 0: the mantissa alone is read.
    numberEnd = p > expDigits ? p : mantissaEnd;
  }
  while (p < end && *p == ' ') ++p;
  if (p != end) return false;

  double v = 0.0;
  const auto result = std::from_chars(mantissa, numberEnd, v, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // Out of range either way: below the smallest denormal reads as zero, above the largest
    // double is no number at all.
    if (!seenSignificant || leadExponent + exponent < 0) {
      v = 0.0;
    } else {
      return false;
    }
  } else if (result.ec != std::errc() || result.ptr != numberEnd) {
    return false;
  }
  if (!std::isfinite(v)) return false;
  Value = negative ? -v : v;
  return true;
}

void TJsonBase::IntegerToText(std::int64_t Value, std::string& Out) {
  char buf[24];
  const auto result = std::to_chars(buf, buf + sizeof buf, Value);
  Out.append(buf, result.ptr);
}

void TJsonBase::NumberToText(double Value, std::string& Out) {
  if (std::isnan(Value)) {
    Out += "NAN";
    return;
  }
  if (std::isinf(Value)) {
    Out += Value > 0 ? "INF" : "-INF";
    return;
  }
  if (Value == 0.0) {
    Out += '0';
    return;
  }
  // Whole numbers below 10^15 are written in full, as integers.
  if (std::fabs(Value) < 1e15 && Value == std::trunc(Value)) {
    IntegerToText(static_cast<std::int64_t>(Value), Out);
    return;
  }
  // The shortest text that reads back as Value has the right digits when it has at most 15
  // of them (a normal double is precise enough for that); otherwise round the exact value.
  char buf[64];
  auto result = std::to_chars(buf, buf + sizeof buf, Value, std::chars_format::scientific);
  const char* e = static_cast<const char*>(std::memchr(buf, 'e', result.ptr - buf));
  const char* first = buf + (buf[0] == '-' ? 1 : 0);
  int significant = static_cast<int>(e - first) - (e - first > 1 ? 1 : 0);
  // Below the normal range a double has fewer digits of precision, and the shortest text
  // can be far coarser than 15 digits of the exact value.
  if (significant > 15 || std::fabs(Value) < std::numeric_limits<double>::min()) {
    result = std::to_chars(buf, buf + sizeof buf, Value, std::chars_format::scientific, 14);
    e = static_cast<const char*>(std::memchr(buf, 'e', result.ptr - buf));
  }
  // Digits without the point, trailing zeros dropped.
  char digits[20];
  int count = 0;
  for (const char* q = first; q < e; ++q) {
    if (*q != '.') digits[count++] = *q;
  }
  while (count > 1 && digits[count - 1] == '0') --count;
  int exponent = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), result.ptr, exponent);
  // A value within rounding distance of the largest double would be written as a text that
  // overflows when read back; such values are cut to 15 digits instead of rounded.
  if (exponent == 308 && count == 15 && std::memcmp(digits, "179769313486232", 15) == 0) {
    std::memcpy(digits, "179769313486231", 15);
  }

  if (Value < 0) Out += '-';
  if (exponent >= -4 && exponent < 15) {
    if (exponent < 0) {
      Out += "0.";
      Out.append(static_cast<std::size_t>(-exponent - 1), '0');
      Out.append(digits, static_cast<std::size_t>(count));
    } else if (count <= exponent + 1) {
      Out.append(digits, static_cast<std::size_t>(count));
      Out.append(static_cast<std::size_t>(exponent + 1 - count), '0');
    } else {
      Out.append(digits, static_cast<std::size_t>(exponent + 1));
      Out += '.';
      Out.append(digits + exponent + 1, static_cast<std::size_t>(count - exponent - 1));
    }
  } else {
    Out += digits[0];
    if (count > 1) {
      Out += '.';
      Out.append(digits + 1, static_cast<std::size_t>(count - 1));
    }
    Out += 'E';
    IntegerToText(exponent, Out);
  }
}

std::string TJsonBase::NumberToText(double Value) {
  std::string out;
  NumberToText(Value, out);
  return out;
}

}  // namespace bramble
