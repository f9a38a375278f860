#include "platform/data/DateTime.h"

#include <cstdint>
#include <cstdio>

#include "platform/core/Exception.h"

namespace bramble {
namespace {

// Day 0 (1899-12-30) counted from 1970-01-01.
constexpr std::int64_t kDay0FromUnix = -25569;

// Days from 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

bool IsLeap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

}  // namespace

std::int64_t TDateTime::Days() const {
  return FloorDiv(Milliseconds, kMillisecondsPerDay);
}
std::int64_t TDateTime::TimeOfDay() const {
  return Milliseconds - Days() * kMillisecondsPerDay;
}

bool IsValidDateTime(TDateTime aValue) {
  return aValue.Milliseconds >= kMinDateTimeMs && aValue.Milliseconds <= kMaxDateTimeMs;
}

bool TryEncodeDate(int aYear, int aMonth, int aDay, TDateTime& aResult) {
  if (aYear < 1 || aYear > 9999 || aMonth < 1 || aMonth > 12 || aDay < 1 ||
      aDay > DaysInMonth(aYear, aMonth))
    return false;
  const std::int64_t days =
      DaysFromCivil(aYear, static_cast<unsigned>(aMonth), static_cast<unsigned>(aDay)) -
      kDay0FromUnix;
  aResult = TDateTime{days * kMillisecondsPerDay};
  return true;
}

bool TryEncodeTime(int aHour, int aMinute, int aSecond, int aMilliSecond, TDateTime& aResult) {
  if (aHour < 0 || aHour > 23 || aMinute < 0 || aMinute > 59 || aSecond < 0 || aSecond > 59 ||
      aMilliSecond < 0 || aMilliSecond > 999)
    return false;
  aResult = TDateTime{((aHour * 60LL + aMinute) * 60 + aSecond) * 1000 + aMilliSecond};
  return true;
}

TDateTime EncodeDate(int aYear, int aMonth, int aDay) {
  TDateTime result;
  if (!TryEncodeDate(aYear, aMonth, aDay, result))
    throw Exception("Invalid argument to date encode");
  return result;
}

TDateTime EncodeTime(int aHour, int aMinute, int aSecond, int aMilliSecond) {
  TDateTime result;
  if (!TryEncodeTime(aHour, aMinute, aSecond, aMilliSecond, result))
    throw Exception("Invalid argument to time encode");
  return result;
}

TDateTime EncodeDateTime(int aYear, int aMonth, int aDay, int aHour, int aMinute, int aSecond,
                         int aMilliSecond) {
  const TDateTime date =
      aYear == 0 && aMonth == 0 && aDay == 0 ? TDateTime{} : EncodeDate(aYear, aMonth, aDay);
  return TDateTime{date.Milliseconds +
                   EncodeTime(aHour, aMinute, aSecond, aMilliSecond).Milliseconds};
}

namespace {

// Year, month and day of a day counted from 1970-01-01. Days from 0000-03-01 on take a 32-bit
// path where every division is by a constant (the date writers call this per value).
void DateFromUnixDays(std::int64_t aDays, int& aYear, int& aMonth, int& aDay) {
  const std::int64_t fromMarch = aDays + 719468;  // days from 0000-03-01
  if (fromMarch < 0 || fromMarch > INT32_MAX) {
    std::int64_t y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(aDays, y, m, d);
    aYear = static_cast<int>(y);
    aMonth = static_cast<int>(m);
    aDay = static_cast<int>(d);
    return;
  }
  const auto z = static_cast<std::uint32_t>(fromMarch);
  const std::uint32_t era = z / 146097;
  const std::uint32_t doe = z - era * 146097;
  const std::uint32_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::uint32_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::uint32_t mp = (5 * doy + 2) / 153;
  const std::uint32_t m = mp < 10 ? mp + 3 : mp - 9;
  aDay = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  aMonth = static_cast<int>(m);
  aYear = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

void TimeFromMilliseconds(std::int64_t aTimeOfDay, int& aHour, int& aMinute, int& aSecond,
                          int& aMilliSecond) {
  const auto t = static_cast<std::uint32_t>(aTimeOfDay);  // 0 .. 86399999
  aMilliSecond = static_cast<int>(t % 1000);
  aSecond = static_cast<int>(t / 1000 % 60);
  aMinute = static_cast<int>(t / 60000 % 60);
  aHour = static_cast<int>(t / 3600000);
}

}  // namespace

void DecodeDate(TDateTime aValue, int& aYear, int& aMonth, int& aDay) {
  DateFromUnixDays(aValue.Days() + kDay0FromUnix, aYear, aMonth, aDay);
}

void DecodeTime(TDateTime aValue, int& aHour, int& aMinute, int& aSecond, int& aMilliSecond) {
  TimeFromMilliseconds(aValue.TimeOfDay(), aHour, aMinute, aSecond, aMilliSecond);
}

void DecodeDateTime(TDateTime aValue, int& aYear, int& aMonth, int& aDay, int& aHour, int& aMinute,
                    int& aSecond, int& aMilliSecond) {
  const std::int64_t days = aValue.Days();
  DateFromUnixDays(days + kDay0FromUnix, aYear, aMonth, aDay);
  TimeFromMilliseconds(aValue.Milliseconds - days * kMillisecondsPerDay, aHour, aMinute, aSecond,
                       aMilliSecond);
}

std::string DateToText(TDateTime aValue) {
  int y, m, d;
  DecodeDate(aValue, y, m, d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
  return buf;
}

std::string TimeToText(TDateTime aValue) {
  int h, n, s, ms;
  DecodeTime(aValue, h, n, s, ms);
  char buf[32];
  if (ms != 0)
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", h, n, s, ms);
  else
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, n, s);
  return buf;
}

std::string DateTimeToText(TDateTime aValue) {
  return DateToText(aValue) + " " + TimeToText(aValue);
}

namespace {

struct TextReader {
  std::string_view s;
  std::size_t i = 0;
  bool Digits(int aCount, int& aValue) {
    aValue = 0;
    for (int k = 0; k < aCount; ++k) {
      if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
      aValue = aValue * 10 + (s[i++] - '0');
    }
    return true;
  }
  bool Char(char c) {
    if (i < s.size() && s[i] == c) {
      ++i;
      return true;
    }
    return false;
  }
  bool Time(TDateTime& aOut) {
    int h, n, sec = 0, ms = 0;
    if (!Digits(2, h) || !Char(':') || !Digits(2, n)) return false;
    if (Char(':')) {
      if (!Digits(2, sec)) return false;
      if (Char('.')) {
        // Fraction of seconds: the first three digits are milliseconds, the rest is cut.
        int digits = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
          if (digits < 3) ms = ms * 10 + (s[i] - '0');
          ++digits, ++i;
        }
        if (digits == 0) return false;
        for (int k = digits; k < 3; ++k) ms *= 10;
      }
    }
    return TryEncodeTime(h, n, sec, ms, aOut);
  }
};

}  // namespace

TDateTime TextToDateTime(std::string_view aText) {
  std::string_view t = aText;
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  TextReader r{t};
  TDateTime result;
  bool ok = false;
  if (t.size() >= 3 && t[2] == ':') {
    ok = r.Time(result) && r.i == t.size();
  } else {
    int y, m, d;
    TDateTime date, time;
    if (r.Digits(4, y) && r.Char('-') && r.Digits(2, m) && r.Char('-') && r.Digits(2, d) &&
        TryEncodeDate(y, m, d, date)) {
      if (r.i == t.size()) {
        result = date;
        ok = true;
      } else if ((r.Char(' ') || r.Char('T')) && r.Time(time) && r.i == t.size()) {
        result = TDateTime{date.Milliseconds + time.Milliseconds};
        ok = true;
      }
    }
  }
  if (!ok) throw Exception("'" + std::string(aText) + "' is not a valid date and time");
  return result;
}

}  // namespace bramble
