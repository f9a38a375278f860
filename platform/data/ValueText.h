#pragma once
// Internal to the data layer: reading and writing the text forms of field values.
#include <cstdint>
#include <string>
#include <string_view>

namespace bramble::data_detail {

std::string_view Trim(std::string_view aText);
// Whole number: optional sign, decimal digits, surrounding blanks. Raises bramble::Exception
// "'<text>' is not a valid integer value".
std::int64_t ParseInt64(std::string_view aText);
// "'<text>' is not a valid floating point value" when not a number.
double ParseDouble(std::string_view aText);
long double ParseExtended(std::string_view aText);
// "true"/"false" (any case), "1"/"0". "'<text>' is not a valid boolean value" otherwise.
bool ParseBoolean(std::string_view aText);
// Shortest text that reads back to the same value.
std::string DoubleText(double aValue);
std::string FloatText(float aValue);
std::string ExtendedText(long double aValue);
// Plain decimal text (no exponent) of a finite double, shortest that reads back the same.
std::string DoubleDecimalText(double aValue);
// A decimal in canonical form: optional "-", digits, optional "." and digits. Accepts a
// leading "+", surrounding blanks and a missing integer part (".5" -> "0.5"); a trailing "."
// is dropped. The digits themselves are kept as given (no rounding, trailing zeros stay).
// Raises "'<text>' is not a valid BCD value", and for texts beyond kMaxDecimalText.
std::string CanonicalDecimal(std::string_view aText);
inline constexpr std::size_t kMaxDecimalText = 1024;
// True when `aText` is already in canonical form.
bool IsCanonicalDecimal(std::string_view aText);
// The canonical decimal rounded to a whole number, half to even; raises on overflow.
std::int64_t DecimalToInt64(std::string_view aCanonical);

}  // namespace bramble::data_detail
