// JSON to dataset: building fields from a description, appending and editing records, nested
// datasets, and the failure of each check with its message.
#include "shared/convert/JsonConverter.h"

#include <gtest/gtest.h>

#include "shared/convert/RecordScanner.h"
#include "tests/unit/convert/ConvertFixtures.h"

namespace bramble {
namespace {

using test::AddField;
using test::AppendRow;
using test::ConverterError;
using test::GeneralError;
using test::kExampleFields;
using test::kExampleRecords;

// A table with the given field description.
void Build(TDataSet& aTable, const std::string& aFields) {
  TConverter::New()->FromJson(aFields)->BuildFields(&aTable);
}

TEST(JsonConverter, WorkedExampleRebuildsTheTable) {
  TFDMemTable table;
  AddField(table, "OLD", TFieldType::ftInteger);  // replaced by the description
  table.Open();
  Build(table, kExampleFields);
  ASSERT_EQ(table.FieldCount(), 4);
  const struct {
    const char* name;
    TFieldType kind;
    int size;
  } expected[] = {{"id", TFieldType::ftInteger, 0},
                  {"nome", TFieldType::ftWideString, 60},
                  {"nasc", TFieldType::ftDate, 0},
                  {"saldo", TFieldType::ftCurrency, 0}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(table.Fields(i)->FieldName(), expected[i].name);
    EXPECT_EQ(table.Fields(i)->DataType(), expected[i].kind);
    EXPECT_EQ(table.Fields(i)->Size(), expected[i].size);
  }
  EXPECT_FALSE(table.Active());

  TConverter::New()->FromJson(kExampleRecords)->AppendToDataSet(&table);
  ASSERT_TRUE(table.Active());
  ASSERT_EQ(table.RecordCount(), 2);
  EXPECT_EQ(table.RecNo(), 2);  // the last record written is current
  table.First();
  EXPECT_EQ(table.Fields(1)->AsString(), "Ana");
  EXPECT_EQ(table.Fields(2)->AsDateTime(), EncodeDate(1990, 5, 17));
  EXPECT_EQ(table.Fields(3)->AsCurrency(), TCurrency::FromScaled(125000));
  table.Next();
  EXPECT_EQ(table.Fields(0)->AsInteger(), 2);
  for (int i = 1; i < 4; ++i) EXPECT_TRUE(table.Fields(i)->IsNull()) << i;
  EXPECT_EQ(test::RecordsText(table), kExampleRecords);
  EXPECT_EQ(test::FieldsText(table), kExampleFields);
}

TEST(JsonConverter, FailureMessages) {
  EXPECT_EQ(GeneralError([] { TConverter::New()->FromJson(std::string()); }),
            "JSON string Uninformed.");

  TFDMemTable table;
  TJsonObject object;
  EXPECT_EQ(ConverterError([&] { TConverter::New()->FromJson(&object)->BuildFields(&table); }),
            "To convert a structure only JSONArray is allowed.");
  EXPECT_EQ(ConverterError([&] { TConverter::New()->FromJson("{}")->BuildFields(&table); }),
            "To convert a structure only JSONArray is allowed.");
  // With both sources set, BuildFields refuses the object.
  TJsonArray array;
  EXPECT_EQ(ConverterError([&] {
              TJsonConverter::New()->UseArray(&array)->UseObject(&object)->BuildFields(&table);
            }),
            "To convert a structure only JSONArray is allowed.");
  const auto empty = TConverter::New()->FromJson();
  EXPECT_EQ(ConverterError([&] { empty->BuildFields(&table); }), "JSON Value Uninformed.");

  // "DataSet without Fields." comes before the source check.
  EXPECT_EQ(ConverterError([&] { empty->AppendToDataSet(&table); }), "DataSet without Fields.");
  EXPECT_EQ(ConverterError([&] { empty->UpdateDataSet(&table); }), "DataSet without Fields.");
  AddField(table, "A", TFieldType::ftInteger);
  EXPECT_EQ(ConverterError([&] { empty->AppendToDataSet(&table); }), "JSON Value Uninformed.");
  EXPECT_EQ(ConverterError([&] { empty->UpdateDataSet(&table); }), "JSON Value Uninformed.");

  // An empty description fails after the fields and definitions were cleared.
  table.FieldDefs().Add("B", TFieldType::ftInteger);
  EXPECT_EQ(ConverterError([&] { Build(table, " [ ] "); }), "The JSON is Empty.");
  EXPECT_EQ(table.FieldCount(), 0);
  EXPECT_EQ(table.FieldDefs().Count(), 0);

  // A bounded text kind without a size: the field is added, then refused.
  EXPECT_EQ(ConverterError([&] {
              Build(table, R"([{"fieldName":"id","dataType":"ftInteger","size":0},)"
                           R"({"fieldName":"nome","dataType":"ftWideString","size":0}])");
            }),
            "Size not defined for field \"nome\".");
  EXPECT_EQ(table.FieldCount(), 2);

  // A kind name that names no kind: refused before a field is made for it.
  EXPECT_FALSE(ConverterError([&] {
                 Build(table, R"([{"fieldName":"a","dataType":"ftInteger","size":0},)"
                              R"({"fieldName":"b","dataType":"ftNada","size":0}])");
               }).empty());
  EXPECT_EQ(table.FieldCount(), 1);

  // A size beyond 32 bits is refused, not cut down to a different size.
  EXPECT_EQ(ConverterError([&] {
              Build(table, R"([{"fieldName":"a","dataType":"ftWideString","size":4294967356}])");
            }),
            "Size out of range for field \"a\".");
  EXPECT_EQ(table.FieldCount(), 0);

  // A kind without a field class is refused before a field is made for it, too.
  EXPECT_FALSE(GeneralError([&] {
                 Build(table, R"([{"fieldName":"v","dataType":"ftVariant","size":0}])");
               }).empty());
  EXPECT_EQ(table.FieldCount(), 0);

  // A writable field of a kind without a record form, named as in the dataset.
  TFDMemTable fixed;
  AddField(fixed, "CÓDIGO", TFieldType::ftFixedChar, 3);
  EXPECT_EQ(
      ConverterError([&] { TConverter::New()->FromJson(R"([{"x":1}])")->AppendToDataSet(&fixed); }),
      "Cannot find type for field \"C\xC3\x93"
      "DIGO\"");
  // Read-only, it is skipped.
  fixed.Cancel();
  fixed.Fields(0)->SetReadOnly(true);
  TConverter::New()->FromJson(R"([{"x":1}])")->AppendToDataSet(&fixed);
  EXPECT_EQ(fixed.RecordCount(), 1);

  // The JSON model's errors pass through unchanged.
  EXPECT_EQ(GeneralError([] { TConverter::New()->FromJson("[1,,2]"); }),
            "<TJsonValue>\"\" parse error: ");
  TFDMemTable ints;
  AddField(ints, "A", TFieldType::ftInteger);
  EXPECT_EQ(GeneralError([&] { TConverter::New()->FromJson("[1]")->AppendToDataSet(&ints); }),
            "<TJsonValue>\"\" value type error: jvInteger to jvObject");
  EXPECT_EQ(GeneralError(
                [&] { TConverter::New()->FromJson(R"([{"a":"abc"}])")->AppendToDataSet(&ints); }),
            "'abc' is not a valid integer value");
}

TEST(JsonConverter, MissingDataSetIsAnErrorNotACrash) {
  const auto converter = TConverter::New()->FromJson(kExampleRecords);
  EXPECT_EQ(ConverterError([&] { converter->AppendToDataSet(nullptr); }), "DataSet Uninformed.");
  EXPECT_EQ(ConverterError([&] { converter->UpdateDataSet(nullptr); }), "DataSet Uninformed.");
  EXPECT_EQ(
      ConverterError([&] { TConverter::New()->FromJson(kExampleFields)->BuildFields(nullptr); }),
      "DataSet Uninformed.");
}

TEST(JsonConverter, ASourceFromAReplacedTextIsDropped) {
  // The array of the first text dies with it; clearing the object afterwards must not bring
  // the dead array back as the source.
  TFDMemTable table;
  AddField(table, "A", TFieldType::ftInteger);
  const auto converter = TJsonConverter::New();
  converter->UseText(R"([{"a":1},{"a":2}])")->UseText(R"({"a":3})")->UseObject(nullptr);
  EXPECT_EQ(ConverterError([&] { converter->AppendToDataSet(&table); }), "JSON Value Uninformed.");
  converter->UseText(R"([{"a":4}])")->UseText("[ {\"a\":5} ,]");  // the second goes the slow way
  converter->AppendToDataSet(&table);
  EXPECT_EQ(test::RecordsText(table), R"([{"a":5}])");
}

TEST(JsonConverter, RecordsArrayForms) {
  TFDMemTable table;
  Build(table, R"([{"fieldName":"id","dataType":"ftAutoInc","size":0},)"
               R"({"fieldName":"nome","dataType":"ftWideString","size":10},)"
               R"({"fieldName":"nasc","dataType":"ftDate","size":0},)"
               R"({"fieldName":"n","dataType":"ftLongWord","size":0}])");
  // An empty array appends nothing and leaves the table open with its fields.
  TConverter::New()->FromJson("[]")->AppendToDataSet(&table);
  EXPECT_TRUE(table.Active());
  EXPECT_EQ(table.FieldCount(), 4);
  EXPECT_EQ(table.RecordCount(), 0);

  // Nested arrays of records are flattened; ftAutoInc digits arrive as a string; the unsigned
  // 32-bit kind keeps its full range; member names match without regard to ASCII case.
  TConverter::New()
      ->FromJson(R"([[{"id":"7","NOME":"a","nasc":"2024-05-17","n":"4294967295"}],)"
                 R"([[{"id":8,"nasc":"2024-05-18","n":1}]],{"id":9,"nasc":null,"n":null}])")
      ->AppendToDataSet(&table);
  EXPECT_EQ(test::RecordsText(table),
            R"([{"id":"7","nome":"a","nasc":"2024-05-17","n":"4294967295"},)"
            R"({"id":"8","nome":"","nasc":"2024-05-18","n":"1"},)"
            R"({"id":"9","nome":"","nasc":null,"n":null}])");
  // An absent text member stores the empty text, not null.
  table.SetRecNo(2);
  EXPECT_FALSE(table.Fields(1)->IsNull());

  // An absent date member fails on the empty text; the record stays pending, earlier ones stay.
  EXPECT_EQ(GeneralError([&] {
              TConverter::New()
                  ->FromJson(R"([{"id":10,"nasc":"2024-01-01"},{"id":11}])")
                  ->AppendToDataSet(&table);
            }),
            "'' is not a valid integer value");
  EXPECT_EQ(table.State(), TDataSetState::dsInsert);
  EXPECT_FALSE(table.ControlsDisabled());
  table.Cancel();
  EXPECT_EQ(table.RecordCount(), 4);
}

TEST(JsonConverter, AbsentMembersAreAddedToACallersObject) {
  TFDMemTable table;
  AddField(table, "A", TFieldType::ftInteger);
  AddField(table, "B", TFieldType::ftWideString, 5);
  TJsonObject record;
  record.Put("a", std::int64_t{1});
  TConverter::New()->FromJson(&record)->AppendToDataSet(&table);
  EXPECT_EQ(record.Stringify(), R"({"a":1,"B":null})");
  EXPECT_EQ(test::RecordsText(table), R"([{"a":1,"b":""}])");
}

TEST(JsonConverter, ReadOnlyFieldsKeepTheirValues) {
  TFDMemTable table;
  AddField(table, "A", TFieldType::ftInteger);
  AddField(table, "B", TFieldType::ftInteger);
  table.Open();
  AppendRow(table, {"1", "2"});
  table.Fields(1)->SetReadOnly(true);
  TConverter::New()->FromJson(R"({"a":10,"b":20})")->UpdateDataSet(&table);
  EXPECT_EQ(test::RecordsText(table), R"([{"a":10,"b":2}])");
  TConverter::New()->FromJson(R"([{"a":11,"b":21}])")->AppendToDataSet(&table);
  EXPECT_EQ(test::RecordsText(table), R"([{"a":10,"b":2},{"a":11,"b":null}])");
}

TEST(JsonConverter, UpdateEditsByPosition) {
  auto fiveRecords = [](TFDMemTable& aTable) {
    AddField(aTable, "A", TFieldType::ftInteger);
    aTable.Open();
    for (const char* v : {"1", "2", "3", "4", "5"}) AppendRow(aTable, {v});
  };
  {
    // One object edits the current record only.
    TFDMemTable table;
    fiveRecords(table);
    table.SetRecNo(3);
    const auto converter = TConverter::New()->FromJson(R"({"a":30})");
    converter->UpdateDataSet(&table);
    EXPECT_EQ(test::RecordsText(table), R"([{"a":1},{"a":2},{"a":30},{"a":4},{"a":5}])");
    // Append mode is back after the update.
    converter->AppendToDataSet(&table);
    EXPECT_EQ(table.RecordCount(), 6);
  }
  {
    // Item k edits record k, whatever record was current; the tree source behaves alike.
    TFDMemTable table;
    fiveRecords(table);
    table.SetRecNo(5);
    TConverter::New()->FromJson(R"([{"a":10},{"a":20},{"a":30}])")->UpdateDataSet(&table);
    EXPECT_EQ(test::RecordsText(table), R"([{"a":10},{"a":20},{"a":30},{"a":4},{"a":5}])");
    EXPECT_EQ(table.RecNo(), 3);
    TJson tree;
    tree.Parse(R"([{"a":100},{"a":200}])");
    TConverter::New()->FromJson(tree.JsonArray())->UpdateDataSet(&table);
    EXPECT_EQ(test::RecordsText(table), R"([{"a":100},{"a":200},{"a":30},{"a":4},{"a":5}])");
  }
  {
    // With a single record, every item edits it.
    TFDMemTable table;
    AddField(table, "A", TFieldType::ftInteger);
    table.Open();
    AppendRow(table, {"1"});
    TConverter::New()->FromJson(R"([{"a":10},{"a":20}])")->UpdateDataSet(&table);
    EXPECT_EQ(test::RecordsText(table), R"([{"a":20}])");
  }
}

TEST(JsonConverter, NestedDataSets) {
  TFDMemTable table;
  AddField(table, "ID", TFieldType::ftInteger);
  TField* itens = AddField(table, "itens", TFieldType::ftDataSet);
  itens->SetOrigin("JSONArray");
  TField* dono = AddField(table, "dono", TFieldType::ftDataSet);
  dono->SetOrigin("jsonobject");
  TField* nada = AddField(table, "nada", TFieldType::ftDataSet);
  AddField(*itens->NestedDataSet(), "qtd", TFieldType::ftInteger);
  AddField(*dono->NestedDataSet(), "nome", TFieldType::ftWideString, 10);
  AddField(*nada->NestedDataSet(), "x", TFieldType::ftInteger);
  const std::string text = R"([{"id":1,"itens":[{"qtd":10},{"qtd":11}],"dono":{"nome":"Ana"}},)"
                           R"({"id":2,"itens":[],"dono":{}}])";
  TConverter::New()->FromJson(text)->AppendToDataSet(&table);
  ASSERT_EQ(table.RecordCount(), 2);
  // The second record's nested object was written as an empty record.
  EXPECT_EQ(test::RecordsText(table),
            R"([{"id":1,"itens":[{"qtd":10},{"qtd":11}],"dono":{"nome":"Ana"}},)"
            R"({"id":2,"itens":[],"dono":{"nome":""}}])");
  // Updating replaces the nested array's records and edits the nested object's record.
  table.First();
  TConverter::New()
      ->FromJson(R"({"itens":[{"qtd":12}],"dono":{"nome":"Bia"}})")
      ->UpdateDataSet(&table);
  table.First();
  EXPECT_EQ(TConverter::New()->FromDataSet(&table)->RecordToText(),
            R"({"id":0,"itens":[{"qtd":12}],"dono":{"nome":"Bia"}})");
  EXPECT_EQ(dono->NestedDataSet()->RecordCount(), 1);
}

TEST(JsonConverter, CurrencyRoundsToEvenTenThousandths) {
  TFDMemTable table;
  AddField(table, "C", TFieldType::ftCurrency);
  // 1 + 1/32 and 1 + 3/32 are exact binary values halfway between two ten-thousandths.
  TConverter::New()
      ->FromJson(R"([{"c":1.03125},{"c":1.09375},{"c":"-2.00004"}])")
      ->AppendToDataSet(&table);
  EXPECT_EQ(test::RecordsText(table), R"([{"c":1.0312},{"c":1.0938},{"c":-2}])");
  EXPECT_FALSE(GeneralError([&] {
                 TConverter::New()->FromJson(R"([{"c":1e300}])")->AppendToDataSet(&table);
               }).empty());
}

// A text in the plain shape is written without a JSON tree; every value and every error must
// come out as through the tree.
TEST(JsonConverter, PlainTextsAndTreesWriteAlike) {
  const std::string fields = R"([{"fieldName":"i","dataType":"ftInteger","size":0},)"
                             R"({"fieldName":"l","dataType":"ftLargeint","size":0},)"
                             R"({"fieldName":"s","dataType":"ftWideMemo","size":0},)"
                             R"({"fieldName":"f","dataType":"ftFloat","size":0},)"
                             R"({"fieldName":"b","dataType":"ftBoolean","size":0},)"
                             R"({"fieldName":"c","dataType":"ftCurrency","size":0},)"
                             R"({"fieldName":"t","dataType":"ftDateTime","size":0},)"
                             R"({"fieldName":"x","dataType":"ftBlob","size":0},)"
                             R"({"fieldName":"a","dataType":"ftAutoInc","size":0}])";
  const struct {
    const char* text;
    bool plain;  // whether the text has the shape that skips the tree
  } cases[] = {
      {R"([{"i":"+7","l":"0x1F","s":-0,"f":"1.5","b":"TRUE","c":"2","t":"2024-01-31T13:45:10+02:00","x":"YW\r\nJj","a":"7"}])",
       true},
      {R"([{"i":7,"l":-9223372036854775808,"s":1.50,"f":-1.5e-7,"b":true,"c":0.1,"t":null,"x":null,"a":null}])",
       true},
      {R"([{"s":true,"f":12,"b":1,"t":"2024-01-31"},{"s":false,"b":0},{"s":null,"b":0.0},{"b":"yes"}])",
       true},
      {R"([{"s":"caf\u00e9 \ud83d\ude00 \"q\" \/ \\"},{"s":"a\u00E7\u00e3o"}])", true},
      {"[{\"s\":\"a\xC3\xA7\xC3\xA3o \xF0\x9F\x98\x80\"}]", true},
      {R"([{"i":1e2},{"i":1.5},{"l":12345678901234567890}])", true},
      {R"([{"I":5,"i":6},{"S":"x","s":"y"}])", true},
      {R"({"i":3,"s":"obj"})", true},
      {R"([{"i":"abc"}])", true},
      {R"([{"f":"abc"}])", true},
      {R"([{"l":"99999999999999999999"}])", true},
      {R"([{"i":"x"},{"t":"2024-13-01T00:00:00"}])", true},
      {R"([{"t":""}])", true},
      {R"([{"c":1e300}])", true},
      // Numbers read without the general reader, and those that still need it.
      {R"([{"i":2147483648,"l":-0,"f":-0.0,"c":123.4567,"a":2147483647},{"a":2147483648}])", true},
      {R"([{"f":1234567890.1234567,"c":-0.00005},{"f":0.000001},{"f":999999999999999.9}])", true},
      {R"([{"l":123456789012345678,"f":100000000000000000000.5}])", true},
      // Members out of the fields' order, missing, and dates at the ends of the range.
      {R"([{"t":"2024-02-29T23:59:59.999Z","f":0.1,"i":1},{"i":2},{"t":"0001-01-01T00:00:00.000Z"}])",
       true},
      {R"([{"t":"9999-12-31T23:59:59.999Z"},{"t":"2024-02-30T00:00:00.000Z"}])", true},
      {R"([{"s":{"nested":1}}])", false},
      {R"([{"i":0x1F,"s":'q'}])", false},
      {R"([{"i":007, "b":True},])", false},
      {R"([[{"i":1}],{"i":2}])", false},
      {R"([{"i":1},null])", false},
      {R"([{"i":1},3])", false},
      {"[{\"s\":\"a\tb\"}]", false},
      {"[{\"s\":\"\xFF\"}]", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ScanRecords(c.text), c.plain);

    auto run = [&](bool aFromText) {
      TFDMemTable table;
      Build(table, fields);
      std::string outcome;
      TJson tree;
      try {
        if (aFromText) {
          TConverter::New()->FromJson(std::string(c.text))->AppendToDataSet(&table);
        } else {
          tree.Parse(c.text);
          const auto converter = tree.StructType() == jsObject
                                     ? TConverter::New()->FromJson(tree.JsonObject())
                                     : TConverter::New()->FromJson(tree.JsonArray());
          converter->AppendToDataSet(&table);
        }
      } catch (const std::exception& e) {
        outcome = std::string("error: ") + e.what() + " | ";
        if (table.State() != TDataSetState::dsBrowse) table.Cancel();
      }
      return outcome + test::RecordsText(table);
    };
    EXPECT_EQ(run(true), run(false));
  }
}

}  // namespace
}  // namespace bramble
