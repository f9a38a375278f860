// The text-to-value conversions every driver relies on: dates and times as servers print
// them, exact decimals from scaled integers, bytea hex, UTF-8 cutting.
#include "platform/data/drivers/ValueText.h"

#include <gtest/gtest.h>

#include <charconv>
#include <limits>

#include "platform/core/Exception.h"

namespace bramble::drivers {
namespace {

std::string Show(const DateTimeValue& v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", v.year, v.month, v.day,
                v.hour, v.minute, v.second, v.millisecond);
  return buffer;
}

TEST(ValueTextTest, ParsesServerDateAndTimeTexts) {
  struct Case {
    const char* text;
    DateTimeValue (*parse)(std::string_view);
    const char* expected;
  } cases[] = {
      {"2024-02-29", ParseDate, "2024-02-29 00:00:00.000"},
      {"10:11:12", ParseTime, "0000-00-00 10:11:12.000"},
      {"10:11:12.3456789", ParseTime,
       "0000-00-00 10:11:12.345"},  // cut, not rounded past the second
      {"10:11:12.5+02", ParseTime, "0000-00-00 10:11:12.500"},
      {"2024-01-02 03:04:05.678", ParseDateTime, "2024-01-02 03:04:05.678"},
      {"2024-01-02T03:04:05Z", ParseDateTime, "2024-01-02 03:04:05.000"},
      {"2024-01-02 03:04:05-03:30", ParseDateTime, "2024-01-02 03:04:05.000"},
      {"2024-01-02", ParseDateTime, "2024-01-02 00:00:00.000"},
  };
  for (const auto& c : cases) EXPECT_EQ(Show(c.parse(c.text)), c.expected) << c.text;
}

TEST(ValueTextTest, RejectsMalformedDatesInsteadOfGuessing) {
  for (const char* text :
       {"", "2024-13-01", "2024-1-01", "infinity", "2024-01-02 25:00:00", "2024-01-02x"})
    EXPECT_THROW(ParseDateTime(text), Exception) << text;
  EXPECT_THROW(ParseTime("838:59:59"), Exception);
}

// The fixed-width forms are read by a shortcut that must accept and refuse what the general
// parser does.
TEST(ValueTextTest, FixedWidthDatesAndTimesReadAsTheGeneralForms) {
  EXPECT_EQ(Show(ParseDateTime("2024-01-02 03:04:05")), "2024-01-02 03:04:05.000");
  EXPECT_EQ(Show(ParseDateTime("9999-12-31T23:59:60")), "9999-12-31 23:59:60.000");
  EXPECT_EQ(Show(ParseDate("0001-01-01")), "0001-01-01 00:00:00.000");
  EXPECT_EQ(Show(ParseTime("23:59:59")), "0000-00-00 23:59:59.000");
  for (const char* text :
       {"2024-01-02 03:04:5x", "2024-01-02_03:04:05", "2024-00-02 03:04:05", "2024-01-32 03:04:05",
        "2024-01-02 03:60:05", "2024-01-02 03:04:61", "2024/01/02", "2024-01-0a", "-024-01-02"})
    EXPECT_THROW(ParseDateTime(text), Exception) << text;
  for (const char* text : {"24:00:00", "12-00-00", "1a:00:00"})
    EXPECT_THROW(ParseTime(text), Exception) << text;
  EXPECT_THROW(ParseDate("2024-02-3x"), Exception);
}

TEST(ValueTextTest, ScaledIntegersBecomeExactDecimalTexts) {
  struct Case {
    std::int64_t unscaled;
    int scale;
    const char* expected;
  } cases[] = {
      {-1250, 2, "-12.50"}, {5, 3, "0.005"}, {-5, 3, "-0.005"},
      {0, 2, "0.00"},       {42, 0, "42"},   {INT64_MIN, 4, "-922337203685477.5808"},
  };
  for (const auto& c : cases) EXPECT_EQ(ScaledToDecimal(c.unscaled, c.scale), c.expected);
}

TEST(ValueTextTest, FixedDecimalPrintsRealsAtTheColumnsScale) {
  EXPECT_EQ(FixedDecimal(2.5, 2), "2.50");
  EXPECT_EQ(FixedDecimal(3, 2), "3.00");
  EXPECT_EQ(FixedDecimal(0.1 + 0.2, 2), "0.30");  // more digits than the scale: rounded
  EXPECT_EQ(FixedDecimal(2.675, 0), "3");
  EXPECT_EQ(FixedDecimal(1234567890.12, 2), "1234567890.12");
  EXPECT_EQ(FixedDecimal(-0.004, 2), "-0.00");
  EXPECT_EQ(FixedDecimal(1e20, 0), "100000000000000000000");
  EXPECT_THROW(FixedDecimal(std::numeric_limits<double>::quiet_NaN(), 2), Exception);
}

// Values whose decimal at the scale reads back exactly take a shortcut; every value must still
// print as the exact rounding of the double to the scale.
TEST(ValueTextTest, FixedDecimalMatchesExactRoundingAcrossValues) {
  auto exact = [](double value, int scale) {
    char buffer[64];
    auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, scale);
    return std::string(buffer, end);
  };
  for (int scale : {0, 1, 2, 4, 6}) {
    for (int i = -2000; i <= 2000; i += 7) {
      for (double value : {i / 100.0, i / 7.0, i * 1000003.0 / 1000.0, i * 1e-7, i * 1e9 + 0.5}) {
        if (value == 0) continue;  // -0 and 0 keep their own spelling
        EXPECT_EQ(FixedDecimal(value, scale), exact(value, scale)) << value << " scale " << scale;
      }
    }
  }
  // Scaled values about 2^51, where the rounding to whole numbers changes method.
  for (int i = -2000; i <= 2000; i += 7) {
    for (int scale : {2, 4}) {
      const double value = (2251799813685248.0 + i) / (scale == 2 ? 1e2 : 1e4);
      EXPECT_EQ(FixedDecimal(value, scale), exact(value, scale)) << value << " scale " << scale;
    }
  }
  EXPECT_EQ(FixedDecimal(-0.05, 2), "-0.05");
}

TEST(ValueTextTest, CanonicalDecimalNormalisesOrRejects) {
  EXPECT_EQ(CanonicalDecimal(" +12.50 "), "12.50");
  EXPECT_EQ(CanonicalDecimal("-.5"), "-0.5");
  for (const char* bad : {"", "-", ".", "1,5", "1e5", "NaN"})
    EXPECT_THROW(CanonicalDecimal(bad), Exception) << bad;
}

TEST(ValueTextTest, HexDecodeAndUtf8Prefix) {
  EXPECT_EQ(HexDecode("00ff41"), std::string("\0\xff"
                                             "A",
                                             3));
  EXPECT_THROW(HexDecode("abc"), Exception);
  EXPECT_THROW(HexDecode("zz"), Exception);
  // Five characters of which three take two bytes: cutting counts characters, not bytes
  EXPECT_EQ(Utf8Prefix("ãéî  ", 4), "ãéî ");
  EXPECT_EQ(Utf8Prefix("ab", 10), "ab");
}

TEST(ValueTextTest, CivilDayCountsRoundTrip) {
  for (std::int64_t days : {-719468LL, -141427LL, -1LL, 0LL, 11016LL, 19782LL, 2932896LL}) {
    int y, m, d;
    CivilFromDays(days, y, m, d);
    EXPECT_EQ(DaysFromCivil(y, m, d), days);
  }
  EXPECT_EQ(DaysFromCivil(1858, 11, 17), -40587);  // the Firebird epoch
  EXPECT_EQ(DaysFromCivil(1900, 1, 1), -25567);    // the TDS epoch
}

}  // namespace
}  // namespace bramble::drivers
