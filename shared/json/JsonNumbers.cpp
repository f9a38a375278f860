// Integer and number texts: reading (tolerant forms, 64-bit range, finite doubles) and writing
// (decimal integers; doubles rounded to 15 significant digits). Locale-independent throughout.
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "shared/json/DigitPairs.h"
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

namespace {

constexpr std::uint64_t kPow10[] = {1u,
                                    10u,
                                    100u,
                                    1000u,
                                    10000u,
                                    100000u,
                                    1000000u,
                                    10000000u,
                                    100000000u,
                                    1000000000u,
                                    10000000000u,
                                    100000000000u,
                                    1000000000000u,
                                    10000000000000u,
                                    100000000000000u,
                                    1000000000000000u,
                                    10000000000000000u,
                                    100000000000000000u,
                                    1000000000000000000u,
                                    10000000000000000000u};

int DigitCount(std::uint64_t v) {
  // log10 from the bit length (one too small at most), then one compare.
  if (v < 10) return 1;
  const int guess = (std::bit_width(v) * 1233) >> 12;
  return guess + (v >= kPow10[guess] ? 1 : 0);
}

// The eight decimal digits of v (below 10^8, leading zeros included) as the bytes of a
// little-endian word, most significant digit first: the value is split into 4-digit halves,
// then 2-digit quarters, then single digits, every lane at once by multiplying with scaled
// reciprocals (exact for these ranges).
std::uint64_t EightDigits(std::uint32_t v) {
  const std::uint64_t halves = (v / 10000) | (static_cast<std::uint64_t>(v % 10000) << 32);
  const std::uint64_t hundreds = ((halves * 10486) >> 20) & 0x0000007F0000007Fu;
  const std::uint64_t quarters = hundreds | ((halves - hundreds * 100) << 16);
  const std::uint64_t tens = ((quarters * 103) >> 10) & 0x000F000F000F000Fu;
  const std::uint64_t digits = tens | ((quarters - tens * 10) << 8);
  return digits | 0x3030303030303030u;
}

// The `aCount` (1 to 8) low digits of v (below 10^8) at Out, leading zeros when v has fewer.
// Always stores 8 bytes: those past the digits are scratch for the caller to overwrite.
void StoreDigits8(std::uint32_t v, int aCount, char* Out) {
  if constexpr (std::endian::native == std::endian::little) {
    const std::uint64_t word = EightDigits(v) >> (8 * (8 - aCount));
    std::memcpy(Out, &word, sizeof word);
  } else {
    std::memset(Out, 0, 8);
    char* p = Out + aCount;
    while (p - Out >= 2) {
      p -= 2;
      PutTwoDigits(p, v % 100);
      v /= 100;
    }
    if (p > Out) *--p = static_cast<char>('0' + v % 10);
  }
}

// The digits of v, exactly `aCount` (1 to 20) of them (leading zeros when v has fewer), at
// Out, eight at a time in 32-bit arithmetic. Stores up to Out + max(aCount, 8): the bytes
// past the digits are scratch.
void WriteDigits(std::uint64_t v, int aCount, char* Out) {
  constexpr std::uint64_t k8 = 100000000;
  if (aCount <= 8) {
    StoreDigits8(static_cast<std::uint32_t>(v), aCount, Out);
  } else if (aCount <= 16) {
    StoreDigits8(static_cast<std::uint32_t>(v / k8), aCount - 8, Out);
    StoreDigits8(static_cast<std::uint32_t>(v % k8), 8, Out + aCount - 8);
  } else {
    const std::uint64_t low16 = v % (k8 * k8);
    StoreDigits8(static_cast<std::uint32_t>(v / (k8 * k8)), aCount - 16, Out);
    StoreDigits8(static_cast<std::uint32_t>(low16 / k8), 8, Out + aCount - 16);
    StoreDigits8(static_cast<std::uint32_t>(low16 % k8), 8, Out + aCount - 8);
  }
}

// How many of the eight digits of v (below 10^8) are zeros at its end (8 for 0).
int TrailingZeroDigits(std::uint32_t v) {
  if constexpr (std::endian::native == std::endian::little) {
    // A '0' digit becomes a zero byte; the last digits are the word's high bytes.
    const std::uint64_t nonZero = EightDigits(v) ^ 0x3030303030303030u;
    return nonZero == 0 ? 8 : std::countl_zero(nonZero) / 8;
  } else {
    if (v == 0) return 8;
    int zeros = 0;
    while (v % 10 == 0) v /= 10, ++zeros;
    return zeros;
  }
}

// Any double: its shortest round-trip digits when there are at most 15 of them, else the exact
// value rounded to 15 digits.
void ExactNumberText(double Value, std::string& Out) {
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
    TJsonBase::IntegerToText(static_cast<std::int64_t>(Value), Out);
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
    TJsonBase::IntegerToText(exponent, Out);
  }
}

// The common case of NumberToChars: a finite, non-whole |Value| in [1e-4, 1e15), written in
// plain notation. The value times a power of ten is computed exactly in 128-bit integers, so
// its rounding to 15 digits is exact; an exact tie (and an exponent that leaves the plain range)
// returns null and takes the general path.
char* PlainNumberToChars(double Value, char* Out) {
  std::uint64_t bits;
  std::memcpy(&bits, &Value, sizeof bits);
  const int biased = static_cast<int>(bits >> 52 & 0x7FF);
  const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) | std::uint64_t{1} << 52;
  const int shift = 1075 - biased;  // |Value| = mantissa / 2^shift
  if (shift < 1 || shift > 120) return nullptr;
  // The decimal exponent, from the binary one; one too small at most.
  int exponent = ((biased - 1023) * 78913) >> 18;
  std::uint64_t m = 0;
  for (int attempt = 0;; ++attempt) {
    if (exponent < -5 || exponent > 14 || attempt == 2) return nullptr;
    const unsigned __int128 y = static_cast<unsigned __int128>(mantissa) * kPow10[14 - exponent];
    const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
    const unsigned __int128 rest = y & ((half << 1) - 1);
    if (rest == half) return nullptr;
    m = static_cast<std::uint64_t>(y >> shift) + (rest > half ? 1 : 0);
    if (m < 1000000000000000u) break;
    if (m == 1000000000000000u) {
      m = 100000000000000u;
      ++exponent;
      break;
    }
    ++exponent;
  }
  if (exponent < -4 || exponent > 14 || m < 100000000000000u) return nullptr;
  // 15 digits: 7 high, 8 low; the scratch bytes after them are never copied out whole.
  char digits[32] = {};
  const auto high = static_cast<std::uint32_t>(m / 100000000);
  const auto low = static_cast<std::uint32_t>(m % 100000000);
  StoreDigits8(high, 7, digits);
  StoreDigits8(low, 8, digits + 7);
  const int lowZeros = TrailingZeroDigits(low);
  const int count = lowZeros < 8 ? 15 - lowZeros : 7 - TrailingZeroDigits(high);
  // Fixed-size copies of 16 bytes: the output's room covers them (see kMaxNumberChars).
  char* p = Out;
  if (Value < 0) *p++ = '-';
  if (exponent < 0) {
    std::memcpy(p, "0.000", 5);
    p += 1 - exponent;
    std::memcpy(p, digits, 16);
    return p + count;
  }
  if (count <= exponent + 1) {
    std::memcpy(p, digits, 16);
    p += count;
    std::memcpy(p, "0000000000000000", 16);
    return p + (exponent + 1 - count);
  }
  std::memcpy(p, digits, 16);
  p += exponent + 1;
  *p++ = '.';
  std::memcpy(p, digits + exponent + 1, 16);
  return p + (count - exponent - 1);
}

}  // namespace

char* TJsonBase::IntegerToChars(std::int64_t Value, char* Out) {
  std::uint64_t magnitude = static_cast<std::uint64_t>(Value);
  if (Value < 0) {
    *Out++ = '-';
    magnitude = 0 - magnitude;
  }
  const int count = DigitCount(magnitude);
  WriteDigits(magnitude, count, Out);
  return Out + count;
}

void TJsonBase::IntegerToText(std::int64_t Value, std::string& Out) {
  char buf[24];
  Out.append(buf, IntegerToChars(Value, buf));
}

char* TJsonBase::NumberToChars(double Value, char* Out) {
  const double a = std::fabs(Value);
  if (a >= 1e-4 && a < 1e15) {
    // Whole numbers below 10^15 are written in full, as integers.
    if (Value == std::trunc(Value)) return IntegerToChars(static_cast<std::int64_t>(Value), Out);
    if (char* end = PlainNumberToChars(Value, Out)) return end;
  }
  std::string text;
  ExactNumberText(Value, text);
  std::memcpy(Out, text.data(), text.size());
  return Out + text.size();
}

void TJsonBase::NumberToText(double Value, std::string& Out) {
  char buf[kMaxNumberChars];
  Out.append(buf, NumberToChars(Value, buf));
}

std::string TJsonBase::NumberToText(double Value) {
  std::string out;
  NumberToText(Value, out);
  return out;
}

}  // namespace bramble
