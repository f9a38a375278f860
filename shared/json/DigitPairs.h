#pragma once
// "00" to "99" in one table: number writers form two digits at a time from it.
#include <cstring>

namespace bramble {

inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The two digits of `aValue` (0 to 99, a leading zero below 10) at `aOut`; returns their end.
inline char* PutTwoDigits(char* aOut, unsigned aValue) {
  std::memcpy(aOut, kDigitPairs + 2 * aValue, 2);
  return aOut + 2;
}

}  // namespace bramble
