// Dataset to JSON: the field description, the record forms of every kind, nested datasets and
// the position and notification state a conversion leaves behind.
#include "shared/convert/DataSetConverter.h"

#include <gtest/gtest.h>

#include <iterator>

#include "tests/unit/convert/ConvertFixtures.h"

namespace bramble {
namespace {

using test::AddField;
using test::AppendRow;
using test::ConverterError;
using test::kExampleFields;
using test::kExampleRecords;

TEST(DataSetConverter, WorkedExampleByteForByte) {
  TFDMemTable table;
  AddField(table, "ID", TFieldType::ftInteger);
  AddField(table, "NOME", TFieldType::ftWideString, 60);
  AddField(table, "NASC", TFieldType::ftDate);
  AddField(table, "SALDO", TFieldType::ftCurrency);
  table.Open();
  AppendRow(table, {"1", "Ana", "1990-05-17", "12.5"});
  AppendRow(table, {"2", nullptr, nullptr, nullptr});

  const auto converter = TConverter::New()->FromDataSet(&table);
  EXPECT_EQ(converter->FieldsToJson()->Stringify(), kExampleFields);
  EXPECT_EQ(converter->RecordsToJson()->Stringify(), kExampleRecords);
  EXPECT_EQ(converter->FieldsToText(), kExampleFields);
  EXPECT_EQ(converter->RecordsToText(), kExampleRecords);
  table.First();
  EXPECT_EQ(converter->RecordToJson()->Stringify(),
            R"({"id":1,"nome":"Ana","nasc":"1990-05-17","saldo":12.5})");
  EXPECT_EQ(converter->RecordToText(), R"({"id":1,"nome":"Ana","nasc":"1990-05-17","saldo":12.5})");
}

// One field of each kind with a record form: its value and its null, as written.
struct KindCase {
  TFieldType kind;
  int size;
  const char* value;  // set with SetAsString
  const char* json;   // the member's value in the record text
};

const KindCase kKinds[] = {
    {TFieldType::ftString, 10, "Ol\xC3\xA1", R"("Ol\u00e1")"},
    {TFieldType::ftMemo, 0, "a\"b\\c", R"("a\"b\\c")"},
    {TFieldType::ftWideString, 20, "x/y", R"("x\/y")"},
    {TFieldType::ftWideMemo, 0, "linha\r\n\t", R"("linha\r\n\t")"},
    {TFieldType::ftSmallint, 0, "-32768", "-32768"},
    {TFieldType::ftInteger, 0, "2147483647", "2147483647"},
    {TFieldType::ftShortint, 0, "-128", "-128"},
    {TFieldType::ftLargeint, 0, "-9223372036854775808", "-9223372036854775808"},
    {TFieldType::ftAutoInc, 0, "7", R"("7")"},
    {TFieldType::ftLongWord, 0, "4294967295", R"("4294967295")"},
    {TFieldType::ftBoolean, 0, "True", "true"},
    {TFieldType::ftFloat, 0, "0.000025", "2.5E-5"},
    {TFieldType::ftSingle, 0, "0.5", "0.5"},
    {TFieldType::ftBCD, 2, "12.34", "12.34"},
    {TFieldType::ftFMTBcd, 3, "123456.789", "123456.789"},
    {TFieldType::ftExtended, 0, "1E15", "1E15"},
    {TFieldType::ftCurrency, 0, "-12.3456", "-12.3456"},
    {TFieldType::ftDate, 0, "0987-03-05", R"("0987-03-05")"},
    {TFieldType::ftTime, 0, "07:08:09", R"("07:08:09")"},
    {TFieldType::ftDateTime, 0, "2024-01-31 13:45:10.123", R"("2024-01-31T13:45:10.123Z")"},
    {TFieldType::ftTimeStamp, 0, "0001-01-01 00:00:00", R"("0001-01-01T00:00:00.000Z")"},
    {TFieldType::ftBlob, 0, "abc", R"("YWJj")"},
    {TFieldType::ftGraphic, 0, "\x01\x02", R"("AQI=")"},
    {TFieldType::ftStream, 0, "", R"("")"},
};

// 'f' floating kinds, 't' text kinds, 'b' binary kinds, '-' the rest.
char WriteFormOfTest(TFieldType aKind) {
  switch (aKind) {
    case TFieldType::ftFloat:
    case TFieldType::ftSingle:
    case TFieldType::ftExtended:
      return 'f';
    case TFieldType::ftMemo:
    case TFieldType::ftWideMemo:
      return 't';
    case TFieldType::ftBlob:
    case TFieldType::ftGraphic:
    case TFieldType::ftStream:
      return 'b';
    default:
      return '-';
  }
}

TEST(DataSetConverter, EveryKindWithValueAndNullBothWays) {
  for (const KindCase& c : kKinds) {
    SCOPED_TRACE(std::string(FieldTypeName(c.kind)));
    TFDMemTable table;
    AddField(table, "V", c.kind, c.size);
    table.Open();
    AppendRow(table, {c.value});
    AppendRow(table, {nullptr});
    const std::string text = test::RecordsText(table);
    // A null of every kind travels as JSON null, so the reader restores a null, not 0 or "".
    EXPECT_EQ(text, std::string("[{\"v\":") + c.json + "},{\"v\":null}]");
    EXPECT_EQ(TConverter::New()->FromDataSet(&table)->RecordsToJson()->Stringify(), text);

    // Read back into a table built from the description: same values, same nulls.
    TFDMemTable copy;
    const auto converter = TConverter::New();
    converter->FromJson(test::FieldsText(table))->BuildFields(&copy);
    converter->FromJson(text)->AppendToDataSet(&copy);
    ASSERT_EQ(copy.RecordCount(), 2);
    copy.First();
    EXPECT_FALSE(copy.Fields(0)->IsNull());
    copy.Next();
    EXPECT_TRUE(copy.Fields(0)->IsNull());
    EXPECT_EQ(test::RecordsText(copy), text);
  }
}

TEST(DataSetConverter, DescriptionListsHiddenFieldsRecordsLeaveThemOut) {
  TFDMemTable table;
  AddField(table, "CLIENTE_ID", TFieldType::ftInteger);
  AddField(table, "Segredo", TFieldType::ftWideString, 5)->SetVisible(false);
  AddField(table, "Nome Completo", TFieldType::ftWideString, 30);
  table.Open();
  AppendRow(table, {"1", "x", "Ana Lima"});
  EXPECT_EQ(test::FieldsText(table),
            R"([{"fieldName":"cliente_id","dataType":"ftInteger","size":0},)"
            R"({"fieldName":"segredo","dataType":"ftWideString","size":5},)"
            R"({"fieldName":"nome completo","dataType":"ftWideString","size":30}])");
  EXPECT_EQ(test::RecordsText(table), R"([{"cliente_id":1,"nome completo":"Ana Lima"}])");
  // With every field hidden each record is an empty object.
  for (int i = 0; i < table.FieldCount(); ++i) table.Fields(i)->SetVisible(false);
  EXPECT_EQ(test::RecordsText(table), "[{}]");
}

TEST(DataSetConverter, EmptyDataSet) {
  TFDMemTable table;
  AddField(table, "A", TFieldType::ftInteger);
  AddField(table, "B", TFieldType::ftFixedChar, 3);  // no record form, but no record either
  table.Open();
  const auto converter = TConverter::New()->FromDataSet(&table);
  EXPECT_EQ(converter->FieldsToJson()->Count(), 2);
  EXPECT_EQ(converter->RecordsToJson()->Stringify(), "[]");
  EXPECT_EQ(converter->RecordToJson()->Stringify(), "{}");
  EXPECT_EQ(converter->RecordsToText(), "[]");
  EXPECT_EQ(converter->RecordToText(), "{}");
}

TEST(DataSetConverter, Failures) {
  const auto converter = TDataSetConverter::New();
  EXPECT_EQ(ConverterError([&] { converter->RecordToJson(); }), "DataSet Uninformed.");
  EXPECT_EQ(ConverterError([&] { converter->RecordsToJson(); }), "DataSet Uninformed.");
  EXPECT_EQ(ConverterError([&] { converter->FieldsToJson(); }), "DataSet Uninformed.");
  EXPECT_EQ(ConverterError([&] { converter->RecordsToText(); }), "DataSet Uninformed.");

  // A kind without a record form stops the conversion at that field, named as its member; the
  // description accepts it.
  for (TFieldType kind :
       {TFieldType::ftFixedChar, TFieldType::ftGuid, TFieldType::ftWord, TFieldType::ftByte,
        TFieldType::ftBytes, TFieldType::ftVarBytes, TFieldType::ftFmtMemo,
        TFieldType::ftFixedWideChar, TFieldType::ftTimeStampOffset}) {
    SCOPED_TRACE(std::string(FieldTypeName(kind)));
    TFDMemTable table;
    AddField(table, "A", TFieldType::ftInteger);
    AddField(table, "CÓDIGO", kind, 4);
    table.Open();
    AppendRow(table, {"1"});
    converter->UseDataSet(&table);
    EXPECT_EQ(ConverterError([&] { converter->RecordsToJson(); }),
              "Cannot find type for field \"c\xC3\xB3"
              "digo\"");
    EXPECT_EQ(ConverterError([&] { converter->RecordsToText(); }),
              "Cannot find type for field \"c\xC3\xB3"
              "digo\"");
    EXPECT_EQ(ConverterError([&] { converter->RecordToText(); }),
              "Cannot find type for field \"c\xC3\xB3"
              "digo\"");
    EXPECT_EQ(converter->FieldsToJson()->Count(), 2);
  }
}

TEST(DataSetConverter, WorkingArrayIsSharedBetweenFieldsAndRecords) {
  TFDMemTable table;
  AddField(table, "A", TFieldType::ftInteger);
  table.Open();
  AppendRow(table, {"5"});
  const auto converter = TConverter::New()->FromDataSet(&table);
  TJsonArray* fields = converter->FieldsToJson();
  TJsonArray* records = converter->RecordsToJson();
  EXPECT_EQ(fields, records);
  EXPECT_EQ(fields->Stringify(), R"([{"a":5}])");
}

TEST(DataSetConverter, RecordsLeaveThePositionAndNotificationsAsTheyWere) {
  TFDMemTable table;
  AddField(table, "A", TFieldType::ftInteger);
  AddField(table, "B", TFieldType::ftFixedChar, 2);
  table.Open();
  for (const char* v : {"1", "2", "3"}) AppendRow(table, {v});
  table.Fields(1)->SetVisible(false);
  table.SetRecNo(2);
  test::Recorder listener;  // the events a bound control would receive
  table.AddListener(&listener);
  const auto converter = TConverter::New()->FromDataSet(&table);
  EXPECT_EQ(converter->RecordsToText(), R"([{"a":1},{"a":2},{"a":3}])");
  EXPECT_EQ(table.RecNo(), 2);
  EXPECT_FALSE(table.ControlsDisabled());
  // No scroll event per record reached the control while the records were walked.
  EXPECT_LE(listener.events.size(), 2u);

  // Also when the conversion fails half-way.
  table.Fields(1)->SetVisible(true);
  EXPECT_FALSE(ConverterError([&] { converter->RecordsToJson(); }).empty());
  EXPECT_EQ(table.RecNo(), 2);
  EXPECT_FALSE(table.ControlsDisabled());
  table.RemoveListener(&listener);
}

TEST(DataSetConverter, Base64LinesBreakAfter76Characters) {
  TFDMemTable table;
  AddField(table, "B", TFieldType::ftBlob);
  table.Open();
  AppendRow(table, {std::string(57, 'x').c_str()});
  AppendRow(table, {std::string(58, 'x').c_str()});
  const std::string text = test::RecordsText(table);
  // 57 bytes "xxx..." make 19 groups "eHh4": one full line, which still ends with CR LF;
  // 58 bytes add a second line of four characters, two of them padding.
  std::string line76;
  for (int i = 0; i < 19; ++i) line76 += "eHh4";
  EXPECT_EQ(text, "[{\"b\":\"" + line76 + "\\r\\n\"},{\"b\":\"" + line76 + "\\r\\neA==\"}]");
}

TEST(DataSetConverter, NestedDataSetsAsObjectArrayOrNothing) {
  TFDMemTable table;
  AddField(table, "ID", TFieldType::ftInteger);
  TField* itens = AddField(table, "ITENS", TFieldType::ftDataSet);
  itens->SetOrigin(" jsonarray ");
  TField* dono = AddField(table, "DONO", TFieldType::ftDataSet);
  dono->SetOrigin("JSONObject");
  TField* nada = AddField(table, "NADA", TFieldType::ftDataSet);
  TDataSet& itensSet = *itens->NestedDataSet();
  AddField(itensSet, "QTD", TFieldType::ftInteger);
  AddField(itensSet, "OCULTO", TFieldType::ftInteger)->SetVisible(false);
  AddField(*dono->NestedDataSet(), "NOME", TFieldType::ftWideString, 10);
  AddField(*nada->NestedDataSet(), "X", TFieldType::ftInteger);
  table.Open();

  table.Append();
  table.Fields(0)->SetAsInteger(1);
  for (int q : {10, 11}) AppendRow(itensSet, {std::to_string(q).c_str(), "0"});
  AppendRow(*dono->NestedDataSet(), {"Ana"});
  table.Post();
  AppendRow(table, {"2"});  // no nested records at all

  const char* expected = R"([{"id":1,"itens":[{"qtd":10},{"qtd":11}],"dono":{"nome":"Ana"}},)"
                         R"({"id":2,"itens":[],"dono":{}}])";
  table.First();
  itensSet.SetRecNo(2);
  const auto converter = TConverter::New()->FromDataSet(&table);
  EXPECT_EQ(converter->RecordsToJson()->Stringify(), expected);
  EXPECT_EQ(converter->RecordsToText(), expected);
  EXPECT_EQ(table.RecNo(), 1);
  // Writing the nested array walks the nested records and returns to where they were.
  itensSet.SetRecNo(2);
  EXPECT_EQ(converter->RecordToText(),
            R"({"id":1,"itens":[{"qtd":10},{"qtd":11}],"dono":{"nome":"Ana"}})");
  EXPECT_EQ(itensSet.RecNo(), 2);
  EXPECT_EQ(converter->FieldsToText(), R"([{"fieldName":"id","dataType":"ftInteger","size":0},)"
                                       R"({"fieldName":"itens","dataType":"ftDataSet","size":0},)"
                                       R"({"fieldName":"dono","dataType":"ftDataSet","size":0},)"
                                       R"({"fieldName":"nada","dataType":"ftDataSet","size":0}])");
}

}  // namespace
}  // namespace bramble

namespace bramble {
namespace {

// Plain tables are written column by column, tables with nested datasets record by record:
// both must give the tree's text.
TEST(DataSetConverter, TextWriterMatchesTheTreeOnEveryKind) {
  for (const bool nested : {true, false}) {
    SCOPED_TRACE(nested ? "with nested datasets" : "plain");
    TFDMemTable table;
    for (const KindCase& c : kKinds) {
      AddField(table, "Campo_" + std::string(FieldTypeName(c.kind)).substr(2) + "_Ç", c.kind,
               c.size);
    }
    AddField(table, "OCULTO", TFieldType::ftInteger)->SetVisible(false);
    TField* lista = nullptr;
    TField* um = nullptr;
    if (nested) {
      lista = AddField(table, "LISTA", TFieldType::ftDataSet);
      lista->SetOrigin("JSONArray");
      AddField(*lista->NestedDataSet(), "V", TFieldType::ftFloat);
      um = AddField(table, "UM", TFieldType::ftDataSet);
      um->SetOrigin("JSONObject");
      AddField(*um->NestedDataSet(), "T", TFieldType::ftWideMemo);
    }
    table.Open();

    const double floats[] = {0.1,    1.0 / 3, 1e15,   123456789012345.0, 2.5e-5, -0.0001,
                             1e-300, 1e300,   -2.675, 99999999999999.99, 0.3,    7.0};
    const char* texts[] = {"", "ação ☃ \xF0\x9F\x98\x80", "\x01\x1F\x7F", "</script>"};
    const char* moneys[] = {"0.0001", "-922337203685477.5807", "123.45", "-0.5", "100000000000"};
    const char* stamps[] = {"0001-01-01 00:00:00", "9999-12-31 23:59:59.999",
                            "1899-12-29 23:59:59.001", "2024-02-29 12:00:00.010"};
    for (int r = 0; r < 12; ++r) {
      table.Append();
      for (int i = 0; i < static_cast<int>(std::size(kKinds)); ++i) {
        TField& field = *table.Fields(i);
        if ((r + i) % 3 == 0) continue;  // null
        field.SetAsString(kKinds[i].value);
        if (WriteFormOfTest(kKinds[i].kind) == 'f') field.SetAsFloat(floats[(r + i) % 12]);
        if (WriteFormOfTest(kKinds[i].kind) == 't' && kKinds[i].size == 0)
          field.SetAsString(texts[(r + i) % 4]);
        if (WriteFormOfTest(kKinds[i].kind) == 'b')
          field.SetAsBytes(std::string(static_cast<std::size_t>(r * 9), static_cast<char>(r * 37)));
        if (kKinds[i].kind == TFieldType::ftCurrency) field.SetAsString(moneys[r % 5]);
        if (field.Storage() == TFieldStorage::DateTime) field.SetAsString(stamps[r % 4]);
      }
      if (nested) {
        for (int k = 0; k < r % 3; ++k)
          AppendRow(*lista->NestedDataSet(), {std::to_string(k * 0.25).c_str()});
        if (r % 2 == 0) AppendRow(*um->NestedDataSet(), {texts[r % 4]});
      }
      table.Post();
    }
    table.SetRecNo(4);
    const auto converter = TConverter::New()->FromDataSet(&table);
    const std::string text = converter->RecordsToText();
    EXPECT_EQ(converter->RecordsToJson()->Stringify(), text);
    EXPECT_EQ(converter->FieldsToJson()->Stringify(), converter->FieldsToText());
    EXPECT_EQ(converter->RecordToJson()->Stringify(), converter->RecordToText());
    EXPECT_EQ(table.RecNo(), 4);
  }
}

// A record being edited is posted before the records are written, and stays current.
TEST(DataSetConverter, RecordsTextPostsThePendingEdit) {
  TFDMemTable table;
  AddField(table, "N", TFieldType::ftInteger);
  table.Open();
  AppendRow(table, {"1"});
  AppendRow(table, {"2"});
  table.First();
  table.Edit();
  table.Fields(0)->SetAsInteger(7);
  EXPECT_EQ(TConverter::New()->FromDataSet(&table)->RecordsToText(), R"([{"n":7},{"n":2}])");
  EXPECT_EQ(table.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(table.RecNo(), 1);
}

}  // namespace
}  // namespace bramble
