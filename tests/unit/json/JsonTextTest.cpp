// The text layer: classification, integer and number texts, number writing, escaping,
// splitting.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "shared/json/Json.h"
#include "tests/unit/json/JsonTestUtil.h"

namespace bramble {
namespace {

using testing::ErrorOf;

TEST(JsonText, ClassifiesValueTexts) {
  struct Case {
    std::string text;
    TJsonValueType kind;
  };
  const Case cases[] = {
      {"{}", jvObject},
      {" \t{\"a\":1}\r\n", jvObject},
      {"{broken", jvNone},
      {"[1,2]", jvArray},
      {"[}", jvNone},
      {"\"x\"", jvString},
      {"\"a\"b\"", jvString},  // only the ends are looked at
      {"\"", jvNone},
      {"'x'", jvNone},
      {"null", jvNull},
      {"NULL", jvNull},
      {"True", jvBoolean},
      {"FALSE", jvBoolean},
      {"truex", jvNone},
      {"7", jvInteger},
      {" 42 ", jvInteger},
      {"$1F", jvInteger},
      {"1.0", jvNumber},
      {".5", jvNumber},
      {"5.", jvNumber},
      {"1e5", jvNumber},
      {"12345678901234567890", jvNumber},  // beyond 64 bits
      {"1e400", jvNone},                   // overflows a double
      {"", jvNone},
      {"\x01\x02 ", jvNone},
      {"-", jvNone},
      {"abc", jvNone},
      {std::string("\0 5", 3), jvInteger},  // U+0000 is trimmed like a blank
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TJsonBase::AnalyzeJsonValueType(c.text), c.kind) << "text: " << c.text;
  }
}

TEST(JsonText, ContainerAndWordTests) {
  EXPECT_TRUE(TJsonBase::IsJsonObject("  {x}  "));
  EXPECT_FALSE(TJsonBase::IsJsonObject("{"));
  EXPECT_TRUE(TJsonBase::IsJsonArray("\n[]"));
  EXPECT_FALSE(TJsonBase::IsJsonArray("[1"));
  EXPECT_TRUE(TJsonBase::IsJsonString(" \"\" "));
  EXPECT_FALSE(TJsonBase::IsJsonString("\""));
  // Words are compared untrimmed.
  EXPECT_TRUE(TJsonBase::IsJsonBoolean("tRuE"));
  EXPECT_FALSE(TJsonBase::IsJsonBoolean(" true"));
  EXPECT_TRUE(TJsonBase::IsJsonNull("Null"));
  EXPECT_FALSE(TJsonBase::IsJsonNull("null "));
}

TEST(JsonText, IntegerTexts) {
  struct Case {
    std::string text;
    bool ok;
    std::int64_t value;
  };
  const Case cases[] = {
      {"0", true, 0},
      {"+7", true, 7},
      {"007", true, 7},
      {"-12", true, -12},
      {"   5", true, 5},  // leading spaces only
      {"5 ", false, 0},
      {"\t5", false, 0},
      {"0x1F", true, 31},
      {"0X1f", true, 31},
      {"$1F", true, 31},
      {"x1F", true, 31},
      {"X1f", true, 31},
      {"-$1", true, -1},
      {"-0x10", true, -16},
      {"$FFFFFFFF", true, 4294967295},
      {"$FFFFFFFFFFFFFFFF", true, -1},  // a 64-bit two's-complement pattern
      {"$000000000000000000000001", true, 1},
      {"$10000000000000000", false, 0},  // 17 significant digits
      {"$8000000000000000", true, std::numeric_limits<std::int64_t>::min()},
      {"9223372036854775807", true, std::numeric_limits<std::int64_t>::max()},
      {"-9223372036854775808", true, std::numeric_limits<std::int64_t>::min()},
      {"9223372036854775808", false, 0},
      {"-9223372036854775809", false, 0},
      {"0x", false, 0},
      {"$", false, 0},
      {"x", false, 0},
      {"+", false, 0},
      {"", false, 0},
      {"1.0", false, 0},
      {"$G1", false, 0},
      {"--1", false, 0},
      {"1_000", false, 0},
  };
  for (const auto& c : cases) {
    std::int64_t v = 99;
    EXPECT_EQ(TJsonBase::TryReadInteger(c.text, v), c.ok) << "text: " << c.text;
    EXPECT_EQ(TJsonBase::IsJsonInteger(c.text), c.ok) << "text: " << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << "text: " << c.text;
    }
  }
}

TEST(JsonText, NumberTexts) {
  struct Case {
    std::string text;
    bool ok;
    double value;
  };
  const Case cases[] = {
      {"1.5", true, 1.5},
      {"  -2.25  ", true, -2.25},
      {"+3", true, 3},
      {".5", true, 0.5},
      {"5.", true, 5},
      {"1e3", true, 1000},
      {"1E+3", true, 1000},
      {"25e-6", true, 0.000025},
      {"5e", true, 5},  // an exponent without digits counts as 0
      {"5e-", true, 5},
      {"5.e2", true, 500},
      {"0001.5000", true, 1.5},
      {"1e-400", true, 0},  // underflow reads as zero
      {"1.7976931348623157e308", true, 1.7976931348623157e308},
      {"1e400", false, 0},
      {"-1e400", false, 0},
      {".", false, 0},
      {"e5", false, 0},
      {"1,5", false, 0},  // no group or comma separators
      {"1 000", false, 0},
      {"\t1", false, 0},
      {"NAN", false, 0},
      {"INF", false, 0},
      {"0x10", false, 0},
      {"", false, 0},
  };
  for (const auto& c : cases) {
    double v = -99;
    EXPECT_EQ(TJsonBase::TryReadNumber(c.text, v), c.ok) << "text: " << c.text;
    EXPECT_EQ(TJsonBase::IsJsonNumber(c.text), c.ok) << "text: " << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value) << "text: " << c.text;
    }
  }
}

TEST(JsonText, WritesNumbersWithFifteenDigitsWhateverTheLocale) {
  // A locale with a decimal comma must not change what is read or written.
  const char* locale = std::setlocale(LC_ALL, "de_DE.UTF-8");
  if (locale == nullptr) locale = std::setlocale(LC_ALL, "fr_FR.UTF-8");
  struct Case {
    double value;
    std::string text;
  };
  const Case cases[] = {
      {0.1, "0.1"},
      {1.0, "1"},
      {-2.5, "-2.5"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {0.000025, "2.5E-5"},
      {0.0001, "0.0001"},
      {0.00012345, "0.00012345"},
      {1e15, "1E15"},
      {123456789012345.0, "123456789012345"},
      {999999999999999.0, "999999999999999"},
      {9999999999999999.0, "1E16"},
      {99999999999999.99, "100000000000000"},  // rounding carries into a 15th digit
      {12345678901234567890.0, "1.23456789012346E19"},
      {1e21, "1E21"},
      {1.5e-10, "1.5E-10"},
      {-1e-7, "-1E-7"},
      {0.0, "0"},
      {-0.0, "0"},
      {5e-324, "4.94065645841247E-324"},
      {123.456, "123.456"},
      {std::numeric_limits<double>::quiet_NaN(), "NAN"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
      // Rounding the largest doubles to 15 digits would overflow when read back.
      {1.7976931348623157e308, "1.79769313486231E308"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TJsonBase::NumberToText(c.value), c.text) << c.value;
  }
  double v = 0;
  EXPECT_TRUE(TJsonBase::TryReadNumber("1.25", v));
  EXPECT_EQ(v, 1.25);
  std::setlocale(LC_ALL, "C");
}

// The text a double must get, from the C library's correctly rounded 15-digit form: digits
// without trailing zeros, plain notation for exponents -4 to 14, else "dE-n".
std::string ReferenceNumberText(double aValue) {
  if (aValue == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", std::fabs(aValue));
  std::string digits;
  for (const char* p = buf; *p != 'e'; ++p)
    if (*p != '.') digits += *p;
  const int exponent = std::atoi(std::strchr(buf, 'e') + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string text = aValue < 0 ? "-" : "";
  const int count = static_cast<int>(digits.size());
  if (exponent >= -4 && exponent < 15) {
    if (exponent < 0) return text + "0." + std::string(-exponent - 1, '0') + digits;
    if (count <= exponent + 1) return text + digits + std::string(exponent + 1 - count, '0');
    return text + digits.substr(0, exponent + 1) + "." + digits.substr(exponent + 1);
  }
  text += digits.substr(0, 1);
  if (count > 1) text += "." + digits.substr(1);
  return text + "E" + std::to_string(exponent);
}

TEST(JsonText, NumberTextMatchesCorrectRoundingOnManyValues) {
  std::mt19937_64 random(20261211);
  std::vector<double> values;
  for (int i = 0; i < 200000; ++i) {
    // Every bit pattern of finite doubles from 1e-6 to 1e17, and decimal fractions as a
    // database column holds them (n / 10^k), with their neighbours.
    const double uniform = std::ldexp(1.0 + static_cast<double>(random() >> 11) * 0x1p-53,
                                      static_cast<int>(random() % 77) - 20);
    const double decimal =
        static_cast<double>(static_cast<std::int64_t>(random() % 1000000000000000)) /
        std::pow(10.0, static_cast<double>(random() % 19));
    values.push_back(uniform);
    values.push_back(-decimal);
    values.push_back(std::nextafter(decimal, 0.0));
    values.push_back(std::nextafter(decimal, 1e300));
  }
  // Ties and near-ties at the 16th digit, and roundings that carry into a new decade.
  for (double v :
       {123456789012345.5, 12345678901234.55, 0.1234567890123455, 0.00099999999999999995,
        9.9999999999999995, 99999999999999.95, 0.000123456789012345, 1e-4, 1e14, 0.3, 2.675, 1.005})
    values.push_back(v);
  int mismatches = 0;
  for (double v : values) {
    const std::string text = TJsonBase::NumberToText(v);
    if (text != ReferenceNumberText(v) && ++mismatches <= 10)
      ADD_FAILURE() << std::hexfloat << v << ": " << text << " vs " << ReferenceNumberText(v);
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(JsonText, Encode) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"plain text 123", "plain text 123"},
      {"\xC3\xA9", "\\u00e9"},  // é
      {"/", "\\/"},
      {"\"\\", "\\\"\\\\"},
      {"\b\t\n\f\r", "\\b\\t\\n\\f\\r"},
      {"\x01", "\\u0001"},
      {std::string("\0", 1), "\\u0000"},
      {"\x1f", "\\u001f"},
      {"\x7f", "\x7f"},
      {"\xE2\x82\xAC", "\\u20ac"},             // €
      {"\xF0\x9F\x98\x80", "\\ud83d\\ude00"},  // outside the BMP: one escape per surrogate
      {"\xED\xA0\xBD", "\\ud83d"},             // a lone surrogate (WTF-8)
      {"a\xFF"
       "b",
       "a\\ufffdb"},                              // a byte that is no UTF-8
      {"\xC3", "\\ufffd"},                        // a truncated sequence
      {"\xE0\x80\xAF", "\\ufffd\\ufffd\\ufffd"},  // an overlong form
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TJsonBase::Encode(c.in), c.out) << "in: " << c.in;
  }
}

TEST(JsonText, Decode) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"plain", "plain"},
      {"\\u00E9", "\xC3\xA9"},
      {"\\u00e9x", "\xC3\xA9x"},
      {"\\q", "q"},
      {"\\/\\\"\\\\", "/\"\\"},
      {"\\b\\f\\n\\r\\t", "\b\f\n\r\t"},
      {"ab\\", std::string("ab\0", 3)},  // a final backslash stands for U+0000
      {"\\u41", "A"},                    // short only where the text ends
      {"\\ud83d\\ude00", "\xF0\x9F\x98\x80"},
      {"\\ud83d", "\xED\xA0\xBD"},  // a lone surrogate stays a lone code unit
      {"\\ude00\\ud83d", "\xED\xB8\x80\xED\xA0\xBD"},
      {"\xC3\xA9", "\xC3\xA9"},  // raw characters pass unchanged
      {"\\\xC3\xA9", "\xC3\xA9"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TJsonBase::Decode(c.in), c.out) << "in: " << c.in;
  }
  const std::pair<std::string, std::string> errors[] = {
      {"\\uZZZZ", "Invalid unicode \\uZZZZ"},
      {"\\u12G4rest", "Invalid unicode \\u12G4"},
      {"\\u12 more", "Invalid unicode \\u12 m"},
      {"ab\\u", "Invalid unicode \\u"},
  };
  for (const auto& [in, message] : errors) {
    EXPECT_EQ(ErrorOf([&] { TJsonBase::Decode(in); }), message) << "in: " << in;
  }
}

TEST(JsonText, EncodeDecodeRoundTripKeepsEveryCodeUnit) {
  const std::string texts[] = {
      "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \"quoted\" /path\\ \t\n\x01\x7f",
      "\xED\xA0\xBD alone",  // lone high surrogate
      "x\xED\xB8\x80",       // lone low surrogate
  };
  for (const auto& text : texts) {
    const std::string encoded = TJsonBase::Encode(text);
    for (const char c : encoded) {
      EXPECT_TRUE(c >= 0x20 && c <= 0x7f) << "encoded: " << encoded;
    }
    EXPECT_EQ(TJsonBase::Decode(encoded), text);
  }
}

TEST(JsonText, Split) {
  struct Case {
    std::string text;
    char delimiter;
    std::vector<std::string> pieces;
  };
  const Case cases[] = {
      {"a,,b", ',', {"a", "", "b"}},
      {"a,b,", ',', {"a", "b"}},
      {"", ',', {}},
      {"  ,  ", ',', {""}},
      {" a , b ", ',', {"a", "b"}},
      {"[1,2],{\"x\":1,\"y\":2},\"c,d\"", ',', {"[1,2]", "{\"x\":1,\"y\":2}", "\"c,d\""}},
      {"\"a\\\",b\",c", ',', {"\"a\\\",b\"", "c"}},  // escaped quote inside a string
      {"\"a\\\\\",b", ',', {"\"a\\\\\"", "b"}},      // escaped backslash before the quote
      {"[\"]\",1],2", ',', {"[\"]\",1]", "2"}},      // brackets inside strings do not count
      {"[{],1}],2", ',', {"[{],1}]", "2"}},          // closers of the other kind are ordinary
      {"a],b", ',', {"a]", "b"}},                    // a stray closer is ordinary
      {"x,[1,2", ',', {"x", "[1,2"}},                // unterminated: runs to the end
      {"x,\"ab", ',', {"x", "\"ab"}},
      {"\"k\":{\"a\":1}", ':', {"\"k\"", "{\"a\":1}"}},
      {"\"a:b\":1:", ':', {"\"a:b\"", "1"}},
      {std::string("a,b\0,c", 6), ',', {"a", "b"}},  // U+0000 at top level ends the text
      {std::string("\"a\0,\",b", 7), ',', {std::string("\"a\0,\"", 5), "b"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> pieces;
    TJsonBase::Split(c.text, c.delimiter, pieces);
    EXPECT_EQ(pieces, c.pieces) << "text: " << c.text;
  }
  std::vector<std::string> kept = {"first"};
  TJsonBase::Split("second", ',', kept);
  EXPECT_EQ(kept, (std::vector<std::string>{"first", "second"}));
}

}  // namespace
}  // namespace bramble
