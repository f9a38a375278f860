// TJsonValue: parsing, writing, conversions, kind changes and assignment.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "shared/json/Json.h"
#include "tests/unit/json/JsonTestUtil.h"

namespace bramble {
namespace {

using testing::ErrorOf;

TEST(JsonValue, ParsesAndWritesEveryKind) {
  struct Case {
    std::string text;
    TJsonValueType kind;
    std::string written;
  };
  const Case cases[] = {
      {" 42 ", jvInteger, "42"},
      {"+7", jvInteger, "7"},
      {"007", jvInteger, "7"},
      {"0x1F", jvInteger, "31"},
      {"$1F", jvInteger, "31"},
      {"x1F", jvInteger, "31"},
      {"-$1", jvInteger, "-1"},
      {"1.0", jvNumber, "1"},
      {"12345678901234567890", jvNumber, "1.23456789012346E19"},
      {"-0.5e-3", jvNumber, "-0.0005"},
      {"NULL", jvNull, "null"},
      {"True", jvBoolean, "true"},
      {"FALSE", jvBoolean, "false"},
      {"\"a\"b\"", jvString, "\"a\\\"b\""},  // an unescaped quote inside is kept
      {"\"caf\\u00E9\"", jvString, "\"caf\\u00e9\""},
      {"\"tab\there\"", jvString, "\"tab\\there\""},  // raw control characters are read
      {"\"\"", jvString, "\"\""},
      {"\r\n{ \"a\" : [ 1 , { } ] }\t", jvObject, "{\"a\":[1,{}]}"},
      {"[ ]", jvArray, "[]"},
  };
  for (const auto& c : cases) {
    TJsonValue v;
    v.Parse(c.text);
    EXPECT_EQ(v.ValueType(), c.kind) << "text: " << c.text;
    EXPECT_EQ(v.Stringify(), c.written) << "text: " << c.text;
  }
}

TEST(JsonValue, ParseErrors) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "<TJsonValue>\"\" parse error: "},
      {" \t\r\n ", "<TJsonValue>\"\" parse error: "},
      {"'x'", "<TJsonValue>\"\" parse error: 'x'"},
      {" abc ", "<TJsonValue>\"\" parse error: abc"},
      {"1e400", "<TJsonValue>\"\" parse error: 1e400"},
      {"NAN", "<TJsonValue>\"\" parse error: NAN"},
      {"-INF", "<TJsonValue>\"\" parse error: -INF"},
      {"\"\\uZZZZ\"", "Invalid unicode \\uZZZZ"},
      {"[1,,2]", "<TJsonValue>\"\" parse error: "},
      {"{\"a\":{\"b\":bad}}", "<TJsonValue>\"b\" parse error: bad"},
  };
  for (const auto& [text, message] : cases) {
    TJsonValue v;
    EXPECT_EQ(ErrorOf([&] { v.Parse(text); }), message) << "text: " << text;
  }
  // What a failed parse leaves behind.
  TJsonValue v;
  v.AsInteger(5);
  EXPECT_NE(ErrorOf([&] { v.Parse("nope"); }), "<no error>");
  EXPECT_EQ(v.ValueType(), jvNone);
  EXPECT_NE(ErrorOf([&] { v.Parse("\"ok\\uZZ!\""); }), "<no error>");
  EXPECT_EQ(v.ValueType(), jvString);
  EXPECT_EQ(v.AsString(), "");
  EXPECT_NE(ErrorOf([&] { v.Parse("[1,2,x,3]"); }), "<no error>");
  ASSERT_EQ(v.ValueType(), jvArray);
  EXPECT_EQ(v.AsArray()->Count(), 3);  // the items before the failure and the failing one
}

TEST(JsonValue, NonFiniteNumbersAreWrittenAsWords) {
  TJsonValue v;
  v.AsNumber(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(v.Stringify(), "NAN");
  EXPECT_TRUE(v.AsBoolean());
  v.AsNumber(-std::numeric_limits<double>::infinity());
  EXPECT_EQ(v.Stringify(), "-INF");
  TJsonValue back;
  EXPECT_NE(ErrorOf([&] { back.Parse(v.Stringify()); }), "<no error>");
}

// One row per (kind, stored payload): what each read gives, "!" marking an error.
TEST(JsonValue, ConversionReads) {
  struct Case {
    std::string text;  // parsed to make the value; "" keeps it empty
    std::string asString;
    std::string asInteger;
    std::string asNumber;
    std::string asBoolean;
  };
  const Case cases[] = {
      {"", "", "0", "0", "false"},
      {"null", "", "0", "0", "false"},
      {"\"12\"", "12", "12", "12", "false"},
      {"\"0x10\"", "0x10", "16", "!'0x10' is not a valid floating point value", "false"},
      {"\" 2.5 \"", " 2.5 ", "!' 2.5 ' is not a valid integer value", "2.5", "false"},
      {"\"TRUE\"", "TRUE", "!'TRUE' is not a valid integer value",
       "!'TRUE' is not a valid floating point value", "true"},
      {"\"yes\"", "yes", "!'yes' is not a valid integer value",
       "!'yes' is not a valid floating point value", "false"},
      {"\"1\"", "1", "1", "1", "false"},
      {"\"abc\"", "abc", "!'abc' is not a valid integer value",
       "!'abc' is not a valid floating point value", "false"},
      {"-5", "-5", "-5", "-5", "true"},
      {"0", "0", "0", "0", "false"},
      {"2.5", "2.5", "!'2.5' is not a valid integer value", "2.5", "true"},
      {"3.0", "3", "3", "3", "true"},
      {"1e300", "1E300", "!'1E300' is not a valid integer value", "1E300", "true"},
      {"0.0", "0", "0", "0", "false"},
      {"true", "true", "1", "1", "true"},
      {"false", "false", "0", "0", "false"},
      {"{}", "!<TJsonValue>\"\" value type error: jvObject to jvString",
       "!<TJsonValue>\"\" value type error: jvObject to jvInteger",
       "!<TJsonValue>\"\" value type error: jvObject to jvNumber",
       "!<TJsonValue>\"\" value type error: jvObject to jvBoolean"},
      {"[]", "!<TJsonValue>\"\" value type error: jvArray to jvString",
       "!<TJsonValue>\"\" value type error: jvArray to jvInteger",
       "!<TJsonValue>\"\" value type error: jvArray to jvNumber",
       "!<TJsonValue>\"\" value type error: jvArray to jvBoolean"},
  };
  auto read = [](auto&& f) -> std::string {
    try {
      return f();
    } catch (const Exception& e) {
      return std::string("!") + e.what();
    }
  };
  for (const auto& c : cases) {
    TJsonValue v;
    if (!c.text.empty()) v.Parse(c.text);
    const TJsonValueType before = v.ValueType();
    EXPECT_EQ(read([&] { return v.AsString(); }), c.asString) << c.text;
    EXPECT_EQ(read([&] { return std::to_string(v.AsInteger()); }), c.asInteger) << c.text;
    EXPECT_EQ(read([&] { return TJsonBase::NumberToText(v.AsNumber()); }), c.asNumber) << c.text;
    EXPECT_EQ(read([&] { return std::string(v.AsBoolean() ? "true" : "false"); }), c.asBoolean)
        << c.text;
    EXPECT_EQ(v.ValueType(), before) << "a read changed the kind: " << c.text;
  }
}

TEST(JsonValue, ValueTypeErrorNamesTheEnclosingPair) {
  TJsonObject o;
  o.Put("a", TJsonEmpty::empty)->AsObject()->Put("inner", 1);
  EXPECT_EQ(ErrorOf([&] { o.Values("a")->AsInteger(); }),
            "<TJsonValue>\"a\" value type error: jvObject to jvInteger");
  TJsonValue null;
  null.IsNull(true);
  EXPECT_EQ(ErrorOf([&] { null.AsObject(); }),
            "<TJsonValue>\"\" value type error: jvNull to jvObject");
  EXPECT_EQ(ErrorOf([&] { null.AsArray(); }),
            "<TJsonValue>\"\" value type error: jvNull to jvArray");
  // An array item inside a pair reports that pair too: the nearest pair among the owners.
  TJsonObject outer;
  outer.Put("list", TJsonEmpty::empty)->AsArray()->Add()->AsArray();
  EXPECT_EQ(ErrorOf([&] { outer.Values("list")->AsArray()->Items(0)->AsString(); }),
            "<TJsonValue>\"list\" value type error: jvArray to jvString");
}

TEST(JsonValue, WritesChangeTheKind) {
  TJsonValue v;
  EXPECT_TRUE(v.IsEmpty());
  EXPECT_EQ(v.Stringify(), "null");
  EXPECT_EQ(v.AsString(), "");

  TJsonObject* o = v.AsObject();  // reading on an empty value creates the object
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(v.ValueType(), jvObject);
  EXPECT_EQ(o->Owner(), &v);
  EXPECT_EQ(v.AsObject(), o);
  o->Put("k", 1);
  v.AsString("text");  // frees the object
  EXPECT_EQ(v.Stringify(), "\"text\"");
  v.AsInteger(-3);
  EXPECT_EQ(v.Stringify(), "-3");
  v.AsNumber(0.25);
  EXPECT_EQ(v.Stringify(), "0.25");
  v.AsBoolean(true);
  EXPECT_EQ(v.Stringify(), "true");

  struct Case {
    bool startAsString;  // otherwise null
    bool isNull;         // which property is written
    bool value;
    TJsonValueType after;
  };
  const Case cases[] = {
      {true, true, false, jvNone},   // IsNull := false empties a string
      {true, false, false, jvNull},  // IsEmpty := false makes it null
      {true, true, true, jvNull},   {true, false, true, jvNone},
      {false, true, true, jvNull},  // already null: unchanged
  };
  for (const auto& c : cases) {
    TJsonValue w;
    if (c.startAsString) {
      w.AsString("s");
    } else {
      w.IsNull(true);
    }
    if (c.isNull) {
      w.IsNull(c.value);
    } else {
      w.IsEmpty(c.value);
    }
    EXPECT_EQ(w.ValueType(), c.after);
    EXPECT_EQ(w.AsString(), "");
  }
}

TEST(JsonValue, AssignCopiesKindAndPayload) {
  TJsonValue source;
  source.Parse("{\"a\":[1,\"x\",{\"b\":null}]}");
  TJsonValue copy;
  copy.AsInteger(9);
  copy.Assign(&source);
  EXPECT_EQ(copy.Stringify(), source.Stringify());
  EXPECT_NE(copy.AsObject(), source.AsObject());
  EXPECT_EQ(copy.AsObject()->Owner(), &copy);
  source.AsObject()->Values("a")->AsArray()->Clear();
  EXPECT_EQ(copy.Stringify(), "{\"a\":[1,\"x\",{\"b\":null}]}");

  TJsonArray array;
  array.Parse("[1,2]");
  copy.Assign(&array);
  EXPECT_EQ(copy.ValueType(), jvArray);
  EXPECT_EQ(copy.Stringify(), "[1,2]");

  TJsonValue scalar;
  scalar.AsString("s");
  copy.Assign(scalar);
  EXPECT_EQ(copy.Stringify(), "\"s\"");

  EXPECT_EQ(ErrorOf([&] { copy.Assign(nullptr); }), "<TJsonValue>assign error: nil to TJsonValue");
  EXPECT_TRUE(copy.IsEmpty());
  copy.AsInteger(1);
  TJsonPair pair(nullptr, "p");
  EXPECT_EQ(ErrorOf([&] { copy.Assign(&pair); }),
            "<TJsonValue>assign error: TJsonPair to TJsonValue");
  EXPECT_TRUE(copy.IsEmpty());
  TJson root;
  EXPECT_EQ(ErrorOf([&] { copy.Assign(&root); }), "<TJsonValue>assign error: TJson to TJsonValue");
}

TEST(JsonValue, WritingAContainerCopiesIt) {
  TJsonObject x;
  x.Put("n", 1);
  TJsonValue v;
  v.AsString("old");
  v.AsObject(&x);
  x.Put("later", 2);
  EXPECT_EQ(v.Stringify(), "{\"n\":1}");
  EXPECT_EQ(x.Count(), 2);

  TJsonArray a;
  a.Put("item");
  v.AsArray(a);
  EXPECT_EQ(v.Stringify(), "[\"item\"]");

  // An absent container: the value still becomes an (empty) object and the object complains.
  EXPECT_EQ(ErrorOf([&] { v.AsObject(static_cast<const TJsonObject*>(nullptr)); }),
            "<TJsonObject>assign error: nil to TJsonObject");
  EXPECT_EQ(v.ValueType(), jvObject);
  EXPECT_EQ(v.Stringify(), "{}");
}

}  // namespace
}  // namespace bramble
