#include <gtest/gtest.h>

#include "platform/data/FieldType.h"

namespace bramble {
namespace {

TEST(FieldType, NamesFollowTheOrdinalsBothWays) {
  EXPECT_EQ(FieldTypeName(TFieldType::ftUnknown), "ftUnknown");
  EXPECT_EQ(static_cast<int>(TFieldType::ftDataSet), 29);
  EXPECT_EQ(static_cast<int>(TFieldType::ftFMTBcd), 37);
  EXPECT_EQ(FieldTypeName(TFieldType::ftSingle), "ftSingle");
  for (int i = 0; i < kFieldTypeCount; ++i) {
    const auto type = *FieldTypeFromOrdinal(i);
    const auto back = FindFieldType(FieldTypeName(type));
    ASSERT_TRUE(back.has_value()) << i;
    EXPECT_EQ(static_cast<int>(*back), i);
  }
  EXPECT_FALSE(FieldTypeFromOrdinal(kFieldTypeCount).has_value());
  EXPECT_FALSE(FieldTypeFromOrdinal(-1).has_value());
}

TEST(FieldType, LookupIgnoresAsciiCaseAndRejectsUnknownNames) {
  TFieldType t = TFieldType::ftUnknown;
  EXPECT_TRUE(FieldTypeFromName("FTWIDESTRING", t));
  EXPECT_EQ(t, TFieldType::ftWideString);
  EXPECT_FALSE(FieldTypeFromName("ftWideStrin", t));
  EXPECT_FALSE(FieldTypeFromName("", t));
  EXPECT_EQ(t, TFieldType::ftWideString);  // untouched on failure
}

}  // namespace
}  // namespace bramble
