#include "shared/convert/Base64.h"

#include <gtest/gtest.h>

#include <string>

namespace bramble {
namespace {

TEST(Base64, EncodesWithMimeLineBreaks) {
  EXPECT_EQ(Base64EncodeMime("abc"), "YWJj");
  EXPECT_EQ(Base64EncodeMime("a"), "YQ==");
  EXPECT_EQ(Base64EncodeMime("ab"), "YWI=");
  EXPECT_EQ(Base64EncodeMime(""), "");
  // 57 bytes fill one line exactly, which still ends with CR LF; 58 bytes spill four characters
  // (two of them padding) onto a second, unterminated line.
  const std::string e57 = Base64EncodeMime(std::string(57, 'x'));
  ASSERT_EQ(e57.size(), 78u);
  EXPECT_EQ(e57.substr(76), "\r\n");
  EXPECT_EQ(e57.find('\r'), 76u);
  const std::string e58 = Base64EncodeMime(std::string(58, 'x'));
  ASSERT_EQ(e58.size(), 82u);
  EXPECT_EQ(e58.substr(76), "\r\neA==");
  const std::string e114 = Base64EncodeMime(std::string(114, 'x'));
  EXPECT_EQ(e114.size(), 156u);
  EXPECT_EQ(e114.substr(154), "\r\n");
  EXPECT_EQ(e114.substr(76, 2), "\r\n");
}

TEST(Base64, LengthMatchesEncoding) {
  for (std::size_t n = 0; n < 300; ++n) {
    EXPECT_EQ(Base64EncodeMime(std::string(n, '\xA5')).size(), Base64EncodedLength(n)) << n;
  }
}

TEST(Base64, DecodeRoundTripsEveryByteAndSkipsForeignCharacters) {
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  for (std::size_t n = 0; n <= all.size(); n += 37) {
    const std::string bytes = all.substr(0, n);
    EXPECT_EQ(Base64DecodeMime(Base64EncodeMime(bytes)), bytes) << n;
  }
  EXPECT_EQ(Base64DecodeMime(" Y W\r\nJ j "), "abc");
  EXPECT_EQ(Base64DecodeMime("YQ"), "a");  // padding is optional
  EXPECT_EQ(Base64DecodeMime("YWI"), "ab");
  EXPECT_EQ(Base64DecodeMime("Y"), "");  // six bits make no byte
  EXPECT_EQ(Base64DecodeMime("!!@@"), "");
}

}  // namespace
}  // namespace bramble
