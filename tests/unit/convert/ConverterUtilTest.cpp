#include "shared/convert/ConverterUtil.h"

#include <gtest/gtest.h>

#include "platform/core/Exception.h"
#include "platform/data/MemTable.h"
#include "shared/convert/DataSetConverterException.h"
#include "tests/unit/convert/ConvertFixtures.h"

namespace bramble {
namespace {

using test::GeneralError;

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return EncodeDateTime(y, mo, d, h, mi, s, ms);
}

TEST(ConverterUtil, ToLowerCamelCaseLowersEveryLetterAndKeepsTheRest) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"CLIENTE_ID", "cliente_id"},
      {"Nome Completo", "nome completo"},
      {"AÇÃO", "ação"},
      {"ÉÈÊËÎÏÔÖÙÛÜŸÆŒ", "éèêëîïôöùûüÿæœ"},
      {"ΣΩ ДЖ", "σω дж"},  // Greek and Cyrillic capitals
      {"Valor1-2.3/x", "valor1-2.3/x"},
      {"ß ǅ", "ß ǆ"},  // no letter is raised: ß stays, the title-case digraph lowers
      {"\xFF"
       "A",
       "\xFF"
       "a"},  // a stray byte passes through untouched
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TConverterUtil::ToLowerCamelCase(c.in), c.out) << c.in;
}

TEST(ConverterUtil, IsoWriters) {
  EXPECT_EQ(TConverterUtil::DateTimeToISOTimeStamp(At(2024, 1, 31, 13, 45, 10, 123)),
            "2024-01-31T13:45:10.123Z");
  EXPECT_EQ(TConverterUtil::DateTimeToISOTimeStamp(At(1, 2, 3, 4, 5, 6, 7)),
            "0001-02-03T04:05:06.007Z");
  EXPECT_EQ(TConverterUtil::DateToISODate(At(987, 3, 5, 23, 59, 59, 999)), "0987-03-05");
  EXPECT_EQ(TConverterUtil::TimeToISOTime(At(2000, 1, 1, 7, 8, 9, 999)), "07:08:09");
}

TEST(ConverterUtil, IsoReaders) {
  EXPECT_EQ(TConverterUtil::ISODateToDate("2024/02/29"), At(2024, 2, 29));
  EXPECT_EQ(TConverterUtil::ISODateToDate("2024-05-17"), At(2024, 5, 17));
  EXPECT_EQ(TConverterUtil::ISOTimeToTime("23:59:59"), At(1899, 12, 30, 23, 59, 59));
  EXPECT_EQ(TConverterUtil::ISOTimeStampToDateTime("2024-01-31T13:45:10.123Z"),
            At(2024, 1, 31, 13, 45, 10, 123));
  EXPECT_EQ(TConverterUtil::ISOTimeStampToDateTime("2024-01-31T13:45:10+02:00"),
            At(2024, 1, 31, 11, 45, 10));
  EXPECT_EQ(TConverterUtil::ISOTimeStampToDateTime("2024-01-31T13:45:10"),
            At(2024, 1, 31, 13, 45, 10));
  // An offset can move the date: across a day, a month and a year.
  EXPECT_EQ(TConverterUtil::ISOTimeStampToDateTime("2024-01-01T01:00:00.5+03:00"),
            At(2023, 12, 31, 22, 0, 0, 500));
  EXPECT_EQ(TConverterUtil::ISOTimeStampToDateTime("2024-02-29T23:30:00-01:00"),
            At(2024, 3, 1, 0, 30));
  EXPECT_EQ(TConverterUtil::ISOTimeStampToDateTime("2024-03-01"), At(2024, 3, 1));
  // Whatever the writer produces reads back to the same value.
  const TDateTime value = At(1999, 12, 31, 23, 59, 58, 7);
  EXPECT_EQ(TConverterUtil::ISOTimeStampToDateTime(TConverterUtil::DateTimeToISOTimeStamp(value)),
            value);
}

TEST(ConverterUtil, IsoReadersRaiseConversionAndEncodingErrors) {
  const std::string dateEncode = GeneralError([] { TConverterUtil::ISODateToDate("2023-02-29"); });
  EXPECT_FALSE(dateEncode.empty());
  EXPECT_EQ(GeneralError([] { TConverterUtil::ISODateToDate("2024-1-5"); }),
            "'1-' is not a valid integer value");
  EXPECT_EQ(GeneralError([] { TConverterUtil::ISODateToDate(""); }),
            "'' is not a valid integer value");
  EXPECT_EQ(GeneralError([] { TConverterUtil::ISODateToDate("2024-13-01"); }), dateEncode);
  EXPECT_EQ(GeneralError([] { TConverterUtil::ISOTimeToTime("12:3"); }),
            "'' is not a valid integer value");  // the second's piece is empty
  EXPECT_EQ(GeneralError([] { TConverterUtil::ISOTimeToTime("1a:00:00"); }),
            "'1a' is not a valid integer value");
  const std::string timeEncode = GeneralError([] { TConverterUtil::ISOTimeToTime("24:00:00"); });
  EXPECT_FALSE(timeEncode.empty());
  EXPECT_NE(timeEncode, dateEncode);
  EXPECT_EQ(GeneralError([] { TConverterUtil::ISOTimeToTime("12:60:00"); }), timeEncode);
  EXPECT_EQ(GeneralError([] { TConverterUtil::ISOTimeToTime("12:00:60"); }), timeEncode);
  for (const char* bad : {"", "2024", "2024-01-31T", "2024-01-31T13", "2024-01-31T13:45:10Q",
                          "2024-01-31T13:45:10+2", "31/01/2024", "2024-01-31T13:45:10.Z"}) {
    EXPECT_FALSE(GeneralError([&] { TConverterUtil::ISOTimeStampToDateTime(bad); }).empty()) << bad;
  }
  EXPECT_EQ(GeneralError([] { TConverterUtil::ISOTimeStampToDateTime("2023-02-29T00:00:00Z"); }),
            dateEncode);
}

TEST(ConverterUtil, MakeValidIdent) {
  EXPECT_EQ(TConverterUtil::MakeValidIdent("FDMemTablenome completo"), "FDMemTablenomecompleto");
  EXPECT_EQ(TConverterUtil::MakeValidIdent("1abc"), "_1abc");
  EXPECT_EQ(TConverterUtil::MakeValidIdent("ÇÃÉ"), "_");
  EXPECT_EQ(TConverterUtil::MakeValidIdent(""), "_");
  EXPECT_EQ(TConverterUtil::MakeValidIdent("a-b_c9"), "ab_c9");
}

}  // namespace
}  // namespace bramble

namespace bramble {
namespace {

TEST(ConverterUtil, NewDataSetField) {
  TFDMemTable table;
  table.SetName("FDMemTable");
  TField* nome = TConverterUtil::NewDataSetField(&table, TFieldType::ftWideString, "nome completo",
                                                 40, "origem", "Nome");
  EXPECT_EQ(nome->FieldName(), "nome completo");
  EXPECT_EQ(nome->Name(), "FDMemTablenomecompleto");
  EXPECT_EQ(nome->FieldKind(), TFieldKind::fkData);
  EXPECT_EQ(nome->Size(), 40);
  EXPECT_EQ(nome->Origin(), "origem");
  EXPECT_EQ(nome->DisplayLabel(), "Nome");
  EXPECT_EQ(table.Fields(0), nome);

  // An empty name is numbered after the fields already there.
  TField* second = TConverterUtil::NewDataSetField(&table, TFieldType::ftInteger, "", 0, "", "");
  EXPECT_EQ(second->FieldName(), "Field2");
  EXPECT_EQ(second->Name(), "FDMemTableField2");
  EXPECT_EQ(second->DisplayLabel(), "Field2");

  // A bounded text kind without a size is added, then refused; other kinds need no size.
  for (TFieldType kind : {TFieldType::ftWideString, TFieldType::ftString}) {
    const int before = table.FieldCount();
    try {
      TConverterUtil::NewDataSetField(&table, kind, "nome", 0, "", "");
      ADD_FAILURE() << "no error";
    } catch (const EDataSetConverterException& e) {
      EXPECT_STREQ(e.what(), "Size not defined for field \"nome\".");
    }
    EXPECT_EQ(table.FieldCount(), before + 1);
  }
  // A kind without a field class leaves the fields as they were.
  const int before = table.FieldCount();
  EXPECT_THROW(TConverterUtil::NewDataSetField(&table, TFieldType::ftADT, "x", 0, "", ""),
               Exception);
  EXPECT_EQ(table.FieldCount(), before);
}

TEST(ConverterUtil, DataSetFieldToType) {
  const struct {
    const char* origin;
    TDataSetFieldType type;
  } cases[] = {{" jsonarray ", TDataSetFieldType::dfJSONArray},
               {"JSONObject", TDataSetFieldType::dfJSONObject},
               {"\tJsonObject\n", TDataSetFieldType::dfJSONObject},
               {"unknown", TDataSetFieldType::dfUnknown},
               {"", TDataSetFieldType::dfUnknown},
               {"JSON Array", TDataSetFieldType::dfUnknown}};
  for (const auto& c : cases) {
    auto field = CreateField(TFieldType::ftDataSet);
    field->SetOrigin(c.origin);
    EXPECT_EQ(TConverterUtil::DataSetFieldToType(field.get()), c.type) << c.origin;
  }
}

}  // namespace
}  // namespace bramble
