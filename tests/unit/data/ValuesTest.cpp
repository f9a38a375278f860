// Date-time and currency values.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/core/Exception.h"
#include "platform/data/Currency.h"
#include "platform/data/DateTime.h"

namespace bramble {
namespace {

using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

TEST(DateTime, EncodesAndDecodesAcrossTheWholeRange) {
  struct Case {
    int y, m, d, h, n, s, ms;
  } cases[] = {{1899, 12, 30, 0, 0, 0, 0},      {1, 1, 1, 0, 0, 0, 0},
               {9999, 12, 31, 23, 59, 59, 999}, {2024, 2, 29, 13, 45, 10, 123},
               {1600, 3, 1, 7, 8, 9, 1},        {1899, 12, 29, 23, 59, 59, 999}};
  for (const Case& c : cases) {
    const TDateTime v = EncodeDateTime(c.y, c.m, c.d, c.h, c.n, c.s, c.ms);
    EXPECT_TRUE(IsValidDateTime(v));
    int y, m, d, h, n, s, ms;
    DecodeDateTime(v, y, m, d, h, n, s, ms);
    EXPECT_EQ((std::array{y, m, d, h, n, s, ms}), (std::array{c.y, c.m, c.d, c.h, c.n, c.s, c.ms}));
  }
  EXPECT_EQ(EncodeDate(1899, 12, 30).Milliseconds, 0);
  EXPECT_EQ(EncodeDate(1900, 1, 1).Milliseconds, 2 * kMillisecondsPerDay);
  // A time alone has the date part 0; so does a date-time given year, month and day 0.
  EXPECT_EQ(EncodeTime(1, 0, 0, 0).Milliseconds, 3600000);
  EXPECT_EQ(EncodeDateTime(0, 0, 0, 1, 0, 0, 0), EncodeTime(1, 0, 0, 0));
}

TEST(DateTime, DecodesEveryDayOfTheRange) {
  // Walks the calendar from 0001-01-01 to 9999-12-31 by hand and checks each day's decoding,
  // at the first and the last millisecond of the day.
  int y = 1, m = 1, d = 1;
  const auto daysIn = [](int aYear, int aMonth) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (aYear % 4 == 0 && aYear % 100 != 0) || aYear % 400 == 0;
    return aMonth == 2 && leap ? 29 : kDays[aMonth - 1];
  };
  int failures = 0;
  for (std::int64_t day = kMinDateTimeDays; day <= kMaxDateTimeDays; ++day) {
    for (const std::int64_t ms : {std::int64_t{0}, kMillisecondsPerDay - 1}) {
      int yy, mm, dd, h, n, s, z;
      DecodeDateTime(TDateTime{day * kMillisecondsPerDay + ms}, yy, mm, dd, h, n, s, z);
      if ((std::array{yy, mm, dd}) != (std::array{y, m, d}) ||
          (ms != 0 && (std::array{h, n, s, z}) != (std::array{23, 59, 59, 999}))) {
        if (++failures <= 5) ADD_FAILURE() << "day " << day << ": " << yy << "-" << mm << "-" << dd;
      }
    }
    if (++d > daysIn(y, m)) d = 1, m == 12 ? (m = 1, ++y) : ++m;
  }
  EXPECT_EQ(y, 10000);
}

TEST(DateTime, RejectsInvalidParts) {
  EXPECT_THAT([] { EncodeDate(2023, 2, 29); },
              ThrowsMessage<Exception>("Invalid argument to date encode"));
  EXPECT_THROW(EncodeDate(0, 1, 1), Exception);
  EXPECT_THROW(EncodeDate(10000, 1, 1), Exception);
  EXPECT_THROW(EncodeDate(2024, 13, 1), Exception);
  EXPECT_THAT([] { EncodeTime(24, 0, 0, 0); },
              ThrowsMessage<Exception>("Invalid argument to time encode"));
  EXPECT_THROW(EncodeTime(0, 60, 0, 0), Exception);
  EXPECT_THROW(EncodeTime(0, 0, 0, 1000), Exception);
}

TEST(DateTime, TextFormsReadBack) {
  const TDateTime v = EncodeDateTime(987, 3, 5, 7, 8, 9, 10);
  EXPECT_EQ(DateToText(v), "0987-03-05");
  EXPECT_EQ(TimeToText(v), "07:08:09.010");
  EXPECT_EQ(DateTimeToText(v), "0987-03-05 07:08:09.010");
  EXPECT_EQ(TextToDateTime(DateTimeToText(v)), v);
  EXPECT_EQ(TextToDateTime("2024-01-31T13:45:10.1239"),
            EncodeDateTime(2024, 1, 31, 13, 45, 10, 123));
  EXPECT_EQ(TextToDateTime("07:08"), EncodeTime(7, 8, 0, 0));
  for (const char* bad : {"", "2024-02-30", "2024-1-5", "25:00:00", "2024-01-01 10", "x"})
    EXPECT_THROW(TextToDateTime(bad), Exception) << bad;
}

TEST(Currency, TextIsExactAndRoundsHalfToEven) {
  struct Case {
    const char* text;
    std::int64_t scaled;
  } cases[] = {{"12.5", 125000},
               {"-0.0001", -1},
               {"+3", 30000},
               {" .5 ", 5000},
               {"1.00005", 10000},
               {"1.00015", 10002},
               {"1.000051", 10001},
               {"-1.00005", -10000},
               {"922337203685477.5807", INT64_MAX},
               {"-922337203685477.5808", INT64_MIN}};
  for (const Case& c : cases) EXPECT_EQ(TCurrency::FromText(c.text).Scaled(), c.scaled) << c.text;
  for (const char* bad : {"", "-", ".", "1e5", "1.2.3", "922337203685477.5808", "abc"})
    EXPECT_THAT([&] { TCurrency::FromText(bad); },
                ThrowsMessage<Exception>(HasSubstr("is not a valid currency value")))
        << bad;
  EXPECT_EQ(TCurrency::FromScaled(125000).ToString(), "12.5");
  EXPECT_EQ(TCurrency::FromScaled(-1).ToString(), "-0.0001");
  EXPECT_EQ(TCurrency::FromScaled(INT64_MIN).ToString(), "-922337203685477.5808");
  EXPECT_EQ(TCurrency::FromDouble(1.23456).Scaled(), 12346);
  EXPECT_EQ(TCurrency::FromDouble(2.5).Scaled(), 25000);
  EXPECT_THROW(TCurrency::FromDouble(1e300), Exception);
}

}  // namespace
}  // namespace bramble
