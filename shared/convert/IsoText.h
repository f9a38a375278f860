#pragma once
// Text forms of dates, times and time stamps, on a calendar date and time of day held in parts.
// Turning parts into date-time values (and checking them) is the data layer's encoding, done in
// ConverterUtil.cpp; everything here is plain work on text and numbers.
#include <cstdint>
#include <string>
#include <string_view>

namespace bramble::iso {

struct DateTimeParts {
  int Year = 0, Month = 0, Day = 0;
  int Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
};

// "YYYY-MM-DDThh:nn:ss.zzzZ", "YYYY-MM-DD" and "hh:nn:ss", appended to `aOut`.
void AppendTimeStamp(const DateTimeParts& aParts, std::string& aOut);
void AppendDate(const DateTimeParts& aParts, std::string& aOut);
void AppendTime(const DateTimeParts& aParts, std::string& aOut);

// The text as an integer the way the integer conversion reads it (leading blanks, a sign,
// decimal digits or a "$", "0x" or "x" hexadecimal prefix); raises
// "'%s' is not a valid integer value" otherwise.
std::int32_t StrToInt(std::string_view aText);

// Fixed-position readers: "YYYY?MM?DD" and "hh?nn?ss" (the separators are not looked at).
// The pieces are only converted to numbers; whether they make a date or time is not checked.
DateTimeParts ReadDate(std::string_view aText);
DateTimeParts ReadTime(std::string_view aText);

// An ISO 8601 date with optional time of day and zone designator. `aOffsetMinutes` receives the
// numeric offset that the text carries (0 for "Z" or none); the parts are as written and not
// checked beyond their digit counts.
DateTimeParts ReadTimeStamp(std::string_view aText, int& aOffsetMinutes);

// Raises "'<aText>' is not a valid ISO 8601 date and time".
[[noreturn]] void InvalidTimeStamp(std::string_view aText);

}  // namespace bramble::iso
