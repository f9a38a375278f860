#pragma once
// Conversions between the text forms that client libraries hand out and typed values.
// Every parser rejects malformed input with bramble::Exception rather than guessing.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/data/drivers/Driver.h"

namespace bramble::drivers {

std::int64_t ParseInt(std::string_view text);
double ParseFloat(std::string_view text);

// "YYYY-MM-DD", "HH:MM:SS[.fraction]" and "YYYY-MM-DD[ T]HH:MM:SS[.fraction][zone]"; the
// fraction is cut to milliseconds and a trailing zone ("+02", "-03:30", "Z") is ignored.
DateTimeValue ParseDate(std::string_view text);
DateTimeValue ParseTime(std::string_view text);
DateTimeValue ParseDateTime(std::string_view text);

// The decimal text of `unscaled` * 10^-scale, e.g. (-1250, 2) -> "-12.50".
std::string ScaledToDecimal(std::int64_t unscaled, int scale);

// `value` as a decimal text with exactly `scale` decimals (rounded), e.g. (2.5, 2) -> "2.50".
// Raises for NaN and infinities, which no decimal holds.
std::string FixedDecimal(double value, int scale);
// Where FixedDecimal below writes: the usual values go into `digits`, others into `text`.
struct DecimalText {
  char digits[32];
  std::string text;
};
// The same without allocating (for a value per row): the text stays valid until `out` is
// used again.
std::string_view FixedDecimal(double value, int scale, DecimalText& out);

// A decimal text in canonical form: optional "-", digits, optional "." and digits. Accepts a
// leading "+", surrounding blanks and a missing integer part (".5").
std::string CanonicalDecimal(std::string_view text);

// Decodes hexadecimal digit pairs; raises on an odd count or a non-hex digit.
std::string HexDecode(std::string_view hex);

// Text of `text` cut to at most `chars` UTF-8 characters.
std::string_view Utf8Prefix(std::string_view text, size_t chars);

// Days between 0001-01-01 style civil dates (proleptic Gregorian): conversions used by
// libraries that count days from an epoch.
std::int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(std::int64_t days, int& year, int& month, int& day);

// Case-insensitive ASCII equality.
bool EqualsNoCase(std::string_view a, std::string_view b);

// True for the character-set names that mean UTF-8 ("" included).
bool IsUtf8Name(std::string_view name);

}  // namespace bramble::drivers
