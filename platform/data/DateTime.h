#pragma once
// Date-time values of the data layer: a calendar date and a time of day to the millisecond,
// with no time zone. Held as whole milliseconds since 1899-12-30 00:00:00.000 (day 0), so a
// time of day alone has the date part 0 and a date alone the time part 0. The valid range is
// 0001-01-01 00:00:00.000 to 9999-12-31 23:59:59.999.
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace bramble {

struct TDateTime {
  std::int64_t Milliseconds = 0;  // since 1899-12-30 00:00:00.000

  static constexpr TDateTime FromMilliseconds(std::int64_t aMs) { return TDateTime{aMs}; }
  // Days since day 0 (negative before it); the time of day is dropped.
  std::int64_t Days() const;
  // Milliseconds since midnight, 0 .. 86399999.
  std::int64_t TimeOfDay() const;

  friend constexpr auto operator<=>(const TDateTime&, const TDateTime&) = default;
};

inline constexpr std::int64_t kMillisecondsPerDay = 86400000;
// Day numbers of 0001-01-01 and 9999-12-31 relative to day 0.
inline constexpr std::int64_t kMinDateTimeDays = -693593;
inline constexpr std::int64_t kMaxDateTimeDays = 2958465;
inline constexpr std::int64_t kMinDateTimeMs = kMinDateTimeDays * kMillisecondsPerDay;
inline constexpr std::int64_t kMaxDateTimeMs = (kMaxDateTimeDays + 1) * kMillisecondsPerDay - 1;

// True when the value lies in the valid range.
bool IsValidDateTime(TDateTime aValue);

// Year 1 .. 9999, month 1 .. 12, day 1 .. days of that month; otherwise raises
// bramble::Exception("Invalid argument to date encode").
TDateTime EncodeDate(int aYear, int aMonth, int aDay);
// Hour 0 .. 23, minute and second 0 .. 59, millisecond 0 .. 999; otherwise raises
// bramble::Exception("Invalid argument to time encode"). The date part is 0.
TDateTime EncodeTime(int aHour, int aMinute, int aSecond, int aMilliSecond);
// Date plus time. Year, month and day all 0 mean "no date" (the date part 0), which is how
// time-only values are written by callers that keep date and time in one record.
TDateTime EncodeDateTime(int aYear, int aMonth, int aDay, int aHour, int aMinute, int aSecond,
                         int aMilliSecond);
bool TryEncodeDate(int aYear, int aMonth, int aDay, TDateTime& aResult);
bool TryEncodeTime(int aHour, int aMinute, int aSecond, int aMilliSecond, TDateTime& aResult);

void DecodeDate(TDateTime aValue, int& aYear, int& aMonth, int& aDay);
void DecodeTime(TDateTime aValue, int& aHour, int& aMinute, int& aSecond, int& aMilliSecond);
void DecodeDateTime(TDateTime aValue, int& aYear, int& aMonth, int& aDay, int& aHour, int& aMinute,
                    int& aSecond, int& aMilliSecond);

// Texts used for a date-time field's AsString: "YYYY-MM-DD", "hh:nn:ss[.zzz]" and
// "YYYY-MM-DD hh:nn:ss[.zzz]" (milliseconds only when not 0).
std::string DateToText(TDateTime aValue);
std::string TimeToText(TDateTime aValue);
std::string DateTimeToText(TDateTime aValue);
// Reads the three forms above (a date, a time, or a date and a time separated by a blank or
// "T"; fraction of seconds optional, cut to milliseconds). Raises bramble::Exception
// "'<text>' is not a valid date and time" otherwise.
TDateTime TextToDateTime(std::string_view aText);

}  // namespace bramble
