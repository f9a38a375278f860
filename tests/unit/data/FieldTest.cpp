// Reading and writing field values of every kind that has a field class.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/core/Exception.h"
#include "tests/unit/data/DataFixtures.h"

namespace bramble {
namespace {

using test::AddField;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

class FieldValues : public ::testing::Test {
 protected:
  TField* Make(TFieldType aType, int aSize = 0) {
    TField* f = AddField(table, "F", aType, aSize);
    table.Open();
    table.Append();
    return f;
  }
  TFDMemTable table;
};

TEST(CreateField, RefusesKindsWithoutFieldClass) {
  for (TFieldType t : {TFieldType::ftUnknown, TFieldType::ftCursor, TFieldType::ftADT,
                       TFieldType::ftArray, TFieldType::ftReference, TFieldType::ftVariant,
                       TFieldType::ftInterface, TFieldType::ftIDispatch, TFieldType::ftConnection,
                       TFieldType::ftParams, TFieldType::ftObject})
    EXPECT_THAT([&] { CreateField(t); }, ThrowsMessage<Exception>(HasSubstr("No field class")))
        << FieldTypeName(t);
  int withClass = 0;
  for (int i = 0; i < kFieldTypeCount; ++i)
    if (StorageOf(*FieldTypeFromOrdinal(i)) != TFieldStorage::None)
      ++withClass, CreateField(*FieldTypeFromOrdinal(i));
  EXPECT_EQ(withClass, kFieldTypeCount - 11);
}

// Every kind starts null, reads its null as the neutral value, keeps what it is given and
// becomes null again on Clear.
TEST_F(FieldValues, EveryKindHoldsAValueAndItsNull) {
  struct Case {
    TFieldType type;
    std::string text;      // set with SetAsString
    std::string expected;  // AsString afterwards
  } cases[] = {
      {TFieldType::ftString, "abc", "abc"},
      {TFieldType::ftWideString, "ação", "ação"},
      {TFieldType::ftMemo, "line1\nline2", "line1\nline2"},
      {TFieldType::ftWideMemo, "", ""},
      {TFieldType::ftFixedChar, "ab  ", "ab  "},
      {TFieldType::ftGuid, "{0}", "{0}"},
      {TFieldType::ftSmallint, "-32768", "-32768"},
      {TFieldType::ftInteger, " 42 ", "42"},
      {TFieldType::ftWord, "65535", "65535"},
      {TFieldType::ftShortint, "-128", "-128"},
      {TFieldType::ftByte, "255", "255"},
      {TFieldType::ftAutoInc, "7", "7"},
      {TFieldType::ftLargeint, "-9223372036854775808", "-9223372036854775808"},
      {TFieldType::ftLongWord, "4294967295", "4294967295"},
      {TFieldType::ftBoolean, "TRUE", "True"},
      {TFieldType::ftFloat, "0.1", "0.1"},
      {TFieldType::ftSingle, "0.1", "0.1"},
      {TFieldType::ftExtended, "1.5", "1.5"},
      {TFieldType::ftCurrency, "-12.3400", "-12.34"},
      {TFieldType::ftBCD, "123456789012345678901234567890.123456789",
       "123456789012345678901234567890.123456789"},
      {TFieldType::ftFMTBcd, "12.50", "12.50"},
      {TFieldType::ftDate, "2024-02-29", "2024-02-29"},
      {TFieldType::ftTime, "23:59:59.999", "23:59:59.999"},
      {TFieldType::ftDateTime, "2024-01-31 13:45:10.123", "2024-01-31 13:45:10.123"},
      {TFieldType::ftTimeStamp, "0001-01-01T00:00:00", "0001-01-01 00:00:00"},
      {TFieldType::ftBlob, std::string("a\0b", 3), std::string("a\0b", 3)},
      {TFieldType::ftStream, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(FieldTypeName(c.type)));
    TFDMemTable t;
    TField* f = AddField(t, "F", c.type, 10);
    t.Open();
    t.Append();
    EXPECT_TRUE(f->IsNull());
    EXPECT_EQ(f->AsString(), "");
    f->SetAsString(c.text);
    const bool textual =
        StorageOf(c.type) == TFieldStorage::Text || StorageOf(c.type) == TFieldStorage::Bytes;
    EXPECT_EQ(f->IsNull(),
              !textual && c.text.empty());  // an empty text is a value only for text kinds
    EXPECT_EQ(f->AsString(), c.expected);
    t.Post();
    EXPECT_EQ(f->AsString(), c.expected);
    t.Edit();
    f->Clear();
    EXPECT_TRUE(f->IsNull());
    EXPECT_EQ(f->AsInteger() + f->AsLargeInt() + f->AsFloat(), 0) << "null reads as 0";
    EXPECT_FALSE(f->AsBoolean());
    EXPECT_EQ(f->AsBytes(), "");
  }
}

TEST_F(FieldValues, IntegersKeepTheirRangeAndConvert) {
  TField* small = AddField(table, "S", TFieldType::ftSmallint);
  TField* big = AddField(table, "B", TFieldType::ftLargeint);
  TField* word = AddField(table, "W", TFieldType::ftLongWord);
  table.Open();
  table.Append();
  EXPECT_THAT([&] { small->SetAsInteger(32768); },
              ThrowsMessage<Exception>(HasSubstr("out of range")));
  EXPECT_TRUE(small->IsNull());
  small->SetAsFloat(2.5);  // half to even
  EXPECT_EQ(small->AsInteger(), 2);
  small->SetAsCurrency(TCurrency::FromText("-3.5"));
  EXPECT_EQ(small->AsInteger(), -4);
  EXPECT_THAT([&] { small->SetAsString("1x"); },
              ThrowsMessage<Exception>("'1x' is not a valid integer value"));
  big->SetAsLargeInt(INT64_MAX);
  EXPECT_EQ(big->AsLargeInt(), INT64_MAX);
  EXPECT_EQ(big->AsString(), "9223372036854775807");
  EXPECT_THROW(big->AsInteger(), Exception);
  EXPECT_THROW(big->AsDateTime(), Exception);
  // An unsigned 32-bit field takes a 32-bit integer's bits as they are.
  word->SetAsInteger(-1);
  EXPECT_EQ(word->AsLargeInt(), 4294967295);
  EXPECT_EQ(word->AsInteger(), -1);
  EXPECT_THROW(word->SetAsLargeInt(-1), Exception);
}

TEST_F(FieldValues, DecimalsStayExact) {
  TField* bcd = Make(TFieldType::ftFMTBcd, 4);
  bcd->SetAsString("-99999999999999999999.9999");
  EXPECT_EQ(bcd->AsString(), "-99999999999999999999.9999");
  bcd->SetAsString("+.5");
  EXPECT_EQ(bcd->AsString(), "0.5");
  EXPECT_EQ(bcd->AsInteger(), 0);  // half to even
  bcd->SetAsString("2.5000001");
  EXPECT_EQ(bcd->AsLargeInt(), 3);
  bcd->SetAsString("9007199254740993");  // beyond a double's integers
  EXPECT_EQ(bcd->AsLargeInt(), 9007199254740993);
  bcd->SetAsFloat(0.1);
  EXPECT_EQ(bcd->AsString(), "0.1");
  bcd->SetAsCurrency(TCurrency::FromScaled(-1));
  EXPECT_EQ(bcd->AsString(), "-0.0001");
  EXPECT_EQ(bcd->AsCurrency().Scaled(), -1);
  for (const char* bad : {"1e5", ".", "abc", "--1", "1 2"})
    EXPECT_THROW(bcd->SetAsString(bad), Exception) << bad;
  EXPECT_THROW(bcd->SetAsString(std::string(2000, '9')), Exception);
}

TEST_F(FieldValues, CurrencyAndFloatsConvert) {
  TField* cur = AddField(table, "C", TFieldType::ftCurrency);
  TField* ext = AddField(table, "E", TFieldType::ftExtended);
  TField* sng = AddField(table, "S", TFieldType::ftSingle);
  table.Open();
  table.Append();
  cur->SetAsFloat(12.34567);
  EXPECT_EQ(cur->AsCurrency().Scaled(), 123457);
  EXPECT_DOUBLE_EQ(cur->AsFloat(), 12.3457);
  EXPECT_EQ(static_cast<double>(cur->AsCurrency()), 12.3457);
  cur->SetAsString("922337203685477.5807");
  EXPECT_EQ(cur->AsCurrency().Scaled(), INT64_MAX);
  const long double third = 1.0L / 3.0L;
  ext->SetAsExtended(third);
  EXPECT_EQ(ext->AsExtended(), third);  // no detour through double
  EXPECT_NE(static_cast<long double>(ext->AsFloat()), third);
  sng->SetAsFloat(0.1f);
  EXPECT_EQ(sng->AsString(), "0.1");
}

TEST_F(FieldValues, DateAndTimeKindsKeepTheirPart) {
  TField* date = AddField(table, "D", TFieldType::ftDate);
  TField* time = AddField(table, "T", TFieldType::ftTime);
  TField* stamp = AddField(table, "S", TFieldType::ftDateTime);
  table.Open();
  table.Append();
  const TDateTime v = EncodeDateTime(2024, 1, 31, 13, 45, 10, 123);
  date->SetAsDateTime(v);
  time->SetAsDateTime(v);
  stamp->SetAsDateTime(v);
  EXPECT_EQ(date->AsDateTime(), EncodeDate(2024, 1, 31));
  EXPECT_EQ(time->AsDateTime(), EncodeTime(13, 45, 10, 123));
  EXPECT_EQ(stamp->AsDateTime(), v);
  EXPECT_THROW(stamp->SetAsDateTime(TDateTime{kMaxDateTimeMs + 1}), Exception);
  EXPECT_THROW(stamp->SetAsInteger(1), Exception);
  stamp->SetAsString("");
  EXPECT_TRUE(stamp->IsNull());
  EXPECT_EQ(stamp->AsDateTime(), TDateTime{});
}

TEST_F(FieldValues, WritesNeedEditStateAndAWritableField) {
  TField* f = AddField(table, "F", TFieldType::ftInteger);
  EXPECT_TRUE(f->IsNull());  // closed: no record, reads as null
  EXPECT_EQ(f->AsInteger(), 0);
  table.Open();
  EXPECT_THAT([&] { f->SetAsInteger(1); },
              ThrowsMessage<Exception>("Dataset not in edit or insert mode"));
  table.Append();
  f->SetReadOnly(true);
  EXPECT_THAT([&] { f->SetAsInteger(1); },
              ThrowsMessage<Exception>("Field 'F' cannot be modified"));
  EXPECT_THAT([&] { CreateField(TFieldType::ftInteger)->SetAsInteger(1); },
              ThrowsMessage<Exception>(HasSubstr("has no dataset")));
}

TEST_F(FieldValues, BooleanAndTextConversions) {
  TField* b = AddField(table, "B", TFieldType::ftBoolean);
  TField* s = AddField(table, "S", TFieldType::ftString, 20);
  table.Open();
  table.Append();
  b->SetAsString("false");
  EXPECT_FALSE(b->IsNull());
  EXPECT_EQ(b->AsString(), "False");
  b->SetAsInteger(5);
  EXPECT_TRUE(b->AsBoolean());
  EXPECT_THROW(b->SetAsString("maybe"), Exception);
  s->SetAsString("123");
  EXPECT_EQ(s->AsInteger(), 123);
  s->SetAsBoolean(true);
  EXPECT_EQ(s->AsString(), "True");
  EXPECT_TRUE(s->AsBoolean());
  s->SetAsString("x");
  EXPECT_THAT([&] { (void)s->AsFloat(); },
              ThrowsMessage<Exception>("'x' is not a valid floating point value"));
}

}  // namespace
}  // namespace bramble
