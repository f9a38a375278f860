#include "shared/convert/IsoText.h"

#include <cstdio>

#include "platform/core/Exception.h"

namespace bramble::iso {
namespace {

void AppendDigits(int aValue, int aWidth, std::string& aOut) {
  char buf[16];
  const int n = std::snprintf(buf, sizeof buf, "%0*d", aWidth, aValue);
  aOut.append(buf, static_cast<std::size_t>(n));
}

// Two-digit numbers are the hot path of the record writer: no formatting call for them.
void Append2(int aValue, std::string& aOut) {
  aOut.push_back(static_cast<char>('0' + aValue / 10));
  aOut.push_back(static_cast<char>('0' + aValue % 10));
}

void Append4(int aValue, std::string& aOut) {
  if (aValue < 0 || aValue > 9999) return AppendDigits(aValue, 4, aOut);
  aOut.push_back(static_cast<char>('0' + aValue / 1000));
  aOut.push_back(static_cast<char>('0' + aValue / 100 % 10));
  aOut.push_back(static_cast<char>('0' + aValue / 10 % 10));
  aOut.push_back(static_cast<char>('0' + aValue % 10));
}

[[noreturn]] void InvalidInteger(std::string_view aText) {
  throw Exception("'" + std::string(aText) + "' is not a valid integer value");
}

// 1-based, clipped substring: the pieces of the fixed-position readers.
std::string_view Copy(std::string_view aText, std::size_t aFrom, std::size_t aCount) {
  if (aFrom - 1 >= aText.size()) return {};
  return aText.substr(aFrom - 1, aCount);
}

// Reads exactly `aCount` decimal digits at `aPos`, advancing it; false when they are not there.
bool Digits(std::string_view aText, std::size_t& aPos, std::size_t aCount, int& aValue) {
  if (aPos > aText.size() || aText.size() - aPos < aCount) return false;
  int value = 0;
  for (std::size_t k = 0; k < aCount; ++k) {
    const char c = aText[aPos + k];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  aPos += aCount;
  aValue = value;
  return true;
}

bool At(std::string_view aText, std::size_t aPos, char aChar) {
  return aPos < aText.size() && aText[aPos] == aChar;
}

// The number that the characters [aFrom, aFrom + aCount) of aText spell when they are all
// decimal digits (what StrToInt reads them as), else -1.
int PlainDigits(std::string_view aText, std::size_t aFrom, std::size_t aCount) {
  int value;
  return Digits(aText, aFrom, aCount, value) ? value : -1;
}

}  // namespace

void InvalidTimeStamp(std::string_view aText) {
  throw Exception("'" + std::string(aText) + "' is not a valid ISO 8601 date and time");
}

void AppendDate(const DateTimeParts& aParts, std::string& aOut) {
  Append4(aParts.Year, aOut);
  aOut.push_back('-');
  Append2(aParts.Month, aOut);
  aOut.push_back('-');
  Append2(aParts.Day, aOut);
}

void AppendTime(const DateTimeParts& aParts, std::string& aOut) {
  Append2(aParts.Hour, aOut);
  aOut.push_back(':');
  Append2(aParts.Minute, aOut);
  aOut.push_back(':');
  Append2(aParts.Second, aOut);
}

void AppendTimeStamp(const DateTimeParts& aParts, std::string& aOut) {
  AppendDate(aParts, aOut);
  aOut.push_back('T');
  AppendTime(aParts, aOut);
  aOut.push_back('.');
  aOut.push_back(static_cast<char>('0' + aParts.MilliSecond / 100));
  Append2(aParts.MilliSecond % 100, aOut);
  aOut.push_back('Z');
}

std::int32_t StrToInt(std::string_view aText) {
  std::size_t i = 0;
  while (i < aText.size() && aText[i] == ' ') ++i;
  bool negative = false;
  if (i < aText.size() && (aText[i] == '+' || aText[i] == '-')) negative = aText[i++] == '-';
  bool hex = false;
  if (i < aText.size() && aText[i] == '$') {
    hex = true, ++i;
  } else if (i + 1 < aText.size() && aText[i] == '0' &&
             (aText[i + 1] == 'x' || aText[i + 1] == 'X')) {
    hex = true, i += 2;
  } else if (i < aText.size() && (aText[i] == 'x' || aText[i] == 'X')) {
    hex = true, ++i;
  }
  if (i == aText.size()) InvalidInteger(aText);
  std::uint64_t value = 0;
  for (; i < aText.size(); ++i) {
    const char c = aText[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      InvalidInteger(aText);
    }
    value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
    if (value > (hex ? 0xFFFFFFFFull : 0x80000000ull)) InvalidInteger(aText);
  }
  if (hex) {
    // A hexadecimal text is a 32-bit pattern: eight F digits read as -1.
    const auto pattern = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    return negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(pattern)) : pattern;
  }
  if (!negative && value > 0x7FFFFFFFull) InvalidInteger(aText);
  return negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(value))
                  : static_cast<std::int32_t>(value);
}

DateTimeParts ReadDate(std::string_view aText) {
  DateTimeParts parts;
  // The usual all-digit pieces need no general integer reading.
  parts.Year = PlainDigits(aText, 0, 4);
  parts.Month = PlainDigits(aText, 5, 2);
  parts.Day = PlainDigits(aText, 8, 2);
  if (parts.Year >= 0 && parts.Month >= 0 && parts.Day >= 0) return parts;
  parts.Year = StrToInt(Copy(aText, 1, 4));
  parts.Month = StrToInt(Copy(aText, 6, 2));
  parts.Day = StrToInt(Copy(aText, 9, 2));
  return parts;
}

DateTimeParts ReadTime(std::string_view aText) {
  DateTimeParts parts;
  parts.Hour = StrToInt(Copy(aText, 1, 2));
  parts.Minute = StrToInt(Copy(aText, 4, 2));
  parts.Second = StrToInt(Copy(aText, 7, 2));
  return parts;
}

DateTimeParts ReadTimeStamp(std::string_view aText, int& aOffsetMinutes) {
  DateTimeParts parts;
  aOffsetMinutes = 0;
  std::size_t pos = 0;
  // Date: extended (YYYY-MM-DD) or basic (YYYYMMDD) form.
  if (!Digits(aText, pos, 4, parts.Year)) InvalidTimeStamp(aText);
  const bool extended = At(aText, pos, '-');
  if (extended) ++pos;
  if (!Digits(aText, pos, 2, parts.Month)) InvalidTimeStamp(aText);
  if (extended && !At(aText, pos++, '-')) InvalidTimeStamp(aText);
  if (!Digits(aText, pos, 2, parts.Day)) InvalidTimeStamp(aText);

  // Time of day: hh:mm[:ss[.fff]] (or without colons), after "T" or a blank.
  if (At(aText, pos, 'T') || At(aText, pos, 't') || At(aText, pos, ' ')) {
    ++pos;
    if (!Digits(aText, pos, 2, parts.Hour)) InvalidTimeStamp(aText);
    const bool colons = At(aText, pos, ':');
    if (colons) ++pos;
    if (!Digits(aText, pos, 2, parts.Minute)) InvalidTimeStamp(aText);
    if (colons ? At(aText, pos, ':')
               : (pos < aText.size() && aText[pos] >= '0' && aText[pos] <= '9')) {
      if (colons) ++pos;
      if (!Digits(aText, pos, 2, parts.Second)) InvalidTimeStamp(aText);
      if (At(aText, pos, '.') || At(aText, pos, ',')) {
        ++pos;
        // Milliseconds are the first three digits of the fraction; further digits are dropped.
        int scale = 100;
        std::size_t fractionDigits = 0;
        while (pos < aText.size() && aText[pos] >= '0' && aText[pos] <= '9') {
          parts.MilliSecond += (aText[pos] - '0') * scale;
          scale /= 10;
          ++pos, ++fractionDigits;
        }
        if (fractionDigits == 0) InvalidTimeStamp(aText);
      }
    }
    // Zone designator.
    if (At(aText, pos, 'Z') || At(aText, pos, 'z')) {
      ++pos;
    } else if (At(aText, pos, '+') || At(aText, pos, '-')) {
      const int sign = aText[pos++] == '-' ? -1 : 1;
      int hours = 0, minutes = 0;
      if (!Digits(aText, pos, 2, hours)) InvalidTimeStamp(aText);
      if (At(aText, pos, ':')) {
        ++pos;
        if (!Digits(aText, pos, 2, minutes)) InvalidTimeStamp(aText);
      } else if (pos < aText.size() && !Digits(aText, pos, 2, minutes)) {
        InvalidTimeStamp(aText);
      }
      if (hours > 23 || minutes > 59) InvalidTimeStamp(aText);
      aOffsetMinutes = sign * (hours * 60 + minutes);
    }
  }
  if (pos != aText.size()) InvalidTimeStamp(aText);
  return parts;
}

}  // namespace bramble::iso
