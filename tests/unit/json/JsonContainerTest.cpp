// TJsonArray, TJsonPair and TJsonObject: parsing, writing, lookups and list operations.
#include <gtest/gtest.h>

#include <string>

#include "shared/json/Json.h"
#include "tests/unit/json/JsonTestUtil.h"

namespace bramble {
namespace {

using testing::ErrorOf;

TEST(JsonContainers, ParseAndWrite) {
  struct Case {
    std::string text;
    bool object;
    int count;
    std::string written;
  };
  const Case cases[] = {
      {"[]", false, 0, "[]"},
      {"[ \t\n ]", false, 0, "[]"},
      {"[1,]", false, 1, "[1]"},  // a trailing comma is accepted
      {"[1,2,3,]", false, 3, "[1,2,3]"},
      {" [ \"a,b\" , [1,[2]] , {\"k\":\"]\"} ] ", false, 3, "[\"a,b\",[1,[2]],{\"k\":\"]\"}]"},
      {"{}", true, 0, "{}"},
      {"{\"a\":1,}", true, 1, "{\"a\":1}"},
      {"{\"a\":1,\"a\":2}", true, 2, "{\"a\":1,\"a\":2}"},  // repeated names are kept in order
      {"{ \"a:b\" : \"c:d\" , \"n\":{\"x\":[1,2]} }", true, 2,
       "{\"a:b\":\"c:d\",\"n\":{\"x\":[1,2]}}"},
      {"{\"esc\\u00e9\\/\":\"\\u00e9\"}", true, 1, "{\"esc\\u00e9\\/\":\"\\u00e9\"}"},
      {"{\"\":null}", true, 1, "{\"\":null}"},
      {"{\"a\":1:}", true, 1, "{\"a\":1}"},  // the empty piece after a second colon is dropped
  };
  for (const auto& c : cases) {
    if (c.object) {
      TJsonObject o;
      o.Parse(c.text);
      EXPECT_EQ(o.Count(), c.count) << c.text;
      EXPECT_EQ(o.Stringify(), c.written) << c.text;
    } else {
      TJsonArray a;
      a.Parse(c.text);
      EXPECT_EQ(a.Count(), c.count) << c.text;
      EXPECT_EQ(a.Stringify(), c.written) << c.text;
    }
  }
}

TEST(JsonContainers, ParseErrors) {
  struct Case {
    std::string text;
    bool object;
    std::string message;
  };
  const Case cases[] = {
      {"{}", false, "<TJsonArray>\"\" parse error: {}"},
      {" [1 ", false, "<TJsonArray>\"\" parse error: [1"},
      {"[,1]", false, "<TJsonValue>\"\" parse error: "},
      {"[1,,2]", false, "<TJsonValue>\"\" parse error: "},
      {"[1 2]", false, "<TJsonValue>\"\" parse error: 1 2"},
      {"[]", true, "<TJsonObject>\"\" parse error: []"},
      {"{a:1}", true, "<TJsonPair>\"\" parse error: a"},
      {"{'a':1}", true, "<TJsonPair>\"\" parse error: 'a'"},
      {"{\"a\":}", true, "<TJsonPair>\"\" parse error: \"a\":"},
      {"{\"a\"}", true, "<TJsonPair>\"\" parse error: \"a\""},
      {"{\"a\":1:2}", true, "<TJsonPair>\"\" parse error: \"a\":1:2"},
      {"{,\"a\":1}", true, "<TJsonPair>\"\" parse error: "},
      {"{\"a\":1,,\"b\":2}", true, "<TJsonPair>\"\" parse error: "},
      {"{\"a\":[1,2}", true, "<TJsonValue>\"a\" parse error: [1,2"},
      // The failing value reports its own pair, not the pair above it.
      {"{\"p\":{\"q\":nope}}", true, "<TJsonValue>\"q\" parse error: nope"},
      // A pair that fails reports the pair that encloses its object.
      {"{\"p\":{\"q\"}}", true, "<TJsonPair>\"p\" parse error: \"q\""},
      {"{\"p\":[{\"q\":1},{\"r\":[x]}]}", true, "<TJsonValue>\"r\" parse error: x"},
      {"{\"\\uZZZZ\":1}", true, "Invalid unicode \\uZZZZ"},
  };
  for (const auto& c : cases) {
    if (c.object) {
      TJsonObject o;
      EXPECT_EQ(ErrorOf([&] { o.Parse(c.text); }), c.message) << c.text;
    } else {
      TJsonArray a;
      EXPECT_EQ(ErrorOf([&] { a.Parse(c.text); }), c.message) << c.text;
    }
  }
  // A failed parse keeps what came before the failure, the failing item included.
  TJsonObject o;
  o.Put("old", 1);
  EXPECT_NE(ErrorOf([&] { o.Parse("{\"a\":1,\"b\":x,\"c\":3}"); }), "<no error>");
  EXPECT_EQ(o.Count(), 2);
  EXPECT_EQ(o.Items(0)->Name(), "a");
}

TEST(JsonContainers, PairParseAndAssign) {
  TJsonPair p(nullptr, "before");
  p.Parse(" \"name\" : [1, 2] ");
  EXPECT_EQ(p.Name(), "name");
  EXPECT_EQ(p.Stringify(), "\"name\":[1,2]");
  EXPECT_EQ(p.Value()->Owner(), &p);
  EXPECT_EQ(ErrorOf([&] { p.Parse("\"x\":"); }), "<TJsonPair>\"\" parse error: \"x\":");
  EXPECT_EQ(p.Name(), "name");  // unchanged by the failure

  TJsonPair copy(nullptr, "c");
  copy.Assign(&p);
  EXPECT_EQ(copy.Stringify(), "\"name\":[1,2]");
  p.Value()->AsArray()->Clear();
  EXPECT_EQ(copy.Stringify(), "\"name\":[1,2]");
  TJsonValue v;
  EXPECT_EQ(ErrorOf([&] { copy.Assign(&v); }), "<TJsonPair>assign error: TJsonValue to TJsonPair");
  EXPECT_EQ(copy.Stringify(), "\"name\":[1,2]");  // a pair is left unchanged
  EXPECT_EQ(ErrorOf([&] { copy.Assign(nullptr); }), "<TJsonPair>assign error: nil to TJsonPair");
}

TEST(JsonContainers, ArrayOperations) {
  TJsonArray a;
  a.Put(TJsonEmpty::empty);
  a.Put(TJsonNull::null);
  a.Put(true);
  a.Put(std::int64_t{-5});
  a.Put(7);  // any integer type
  a.Put(2.5);
  a.Put("text");
  a.Put(std::string("str"));
  EXPECT_EQ(a.Stringify(), "[null,null,true,-5,7,2.5,\"text\",\"str\"]");
  EXPECT_EQ(a.Items(0)->ValueType(), jvNone);
  EXPECT_EQ(a.Items(1)->ValueType(), jvNull);

  a.Insert(0)->AsString("first");
  a.Insert(a.Count())->AsString("last");  // at Count: appends
  EXPECT_EQ(a.Items(0)->AsString(), "first");
  EXPECT_EQ(a.Items(a.Count() - 1)->AsString(), "last");
  const int count = a.Count();
  EXPECT_EQ(ErrorOf([&] { a.Insert(count + 1); }),
            "List index out of bounds (" + std::to_string(count + 1) + ")");
  EXPECT_EQ(ErrorOf([&] { a.Insert(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(ErrorOf([&] { a.Items(count); }),
            "List index out of bounds (" + std::to_string(count) + ")");
  EXPECT_EQ(ErrorOf([&] { a.Delete(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(a.Count(), count);
  a.Delete(0);
  EXPECT_EQ(a.Items(0)->ValueType(), jvNone);
  a.Clear();
  EXPECT_EQ(a.Stringify(), "[]");

  TJsonArray b;
  b.Parse("[1,[2]]");
  a.Put(1);
  a.Merge(&b);
  a.Merge(b);
  EXPECT_EQ(a.Stringify(), "[1,1,[2],1,[2]]");
  EXPECT_EQ(a.Items(2)->AsArray()->Owner(), a.Items(2));
  EXPECT_EQ(a.Items(2)->Owner(), &a);

  // A Put of an absent node appends the item, then fails to fill it.
  EXPECT_EQ(ErrorOf([&] { a.Put(static_cast<const TJsonObject*>(nullptr)); }),
            "<TJsonValue>assign error: nil to TJsonValue");
  EXPECT_EQ(a.Count(), 6);
  EXPECT_TRUE(a.Items(5)->IsEmpty());
}

TEST(JsonContainers, ObjectLookups) {
  TJsonObject o;
  o.Put("a", 1);
  o.Put("a", 1);
  EXPECT_EQ(o.Stringify(), "{\"a\":1,\"a\":1}");
  EXPECT_EQ(o.Find("A"), 0);
  EXPECT_EQ(o.Values("a"), o.Items(0)->Value());
  EXPECT_EQ(o.Find("b"), -1);
  EXPECT_EQ(o.Find("\xC3\xA9"), -1);

  // Only ASCII letters are folded.
  o.Put("\xC3\xA9t\xC3\xA9", 2);
  EXPECT_EQ(o.Find("\xC3\xA9T\xC3\xA9"), 2);
  EXPECT_EQ(o.Find("\xC3\x89T\xC3\x89"), -1);

  // Empty names are equal to each other.
  o.Put("", 3);
  EXPECT_EQ(o.Find(""), 3);

  // Reading a missing name adds it (and it is written as null)...
  TJsonObject fresh;
  TJsonValue* added = fresh.Values("missing");
  EXPECT_TRUE(added->IsEmpty());
  EXPECT_EQ(fresh.Count(), 1);
  EXPECT_EQ(fresh.Stringify(), "{\"missing\":null}");
  // ...unless AutoAdd is off.
  TJsonObject strict;
  strict.AutoAdd(false);
  EXPECT_FALSE(strict.AutoAdd());
  EXPECT_EQ(ErrorOf([&] { strict.Values("missing"); }), "<TJsonObject>missing not found");
  EXPECT_EQ(strict.Count(), 0);

  // Delete by name takes the first pair only; a missing name is quoted in the error.
  TJsonObject d;
  d.Parse("{\"x\":1,\"y\":2,\"X\":3}");
  d.Delete("x");
  EXPECT_EQ(d.Stringify(), "{\"y\":2,\"X\":3}");
  EXPECT_EQ(ErrorOf([&] { d.Delete("zz"); }), "<TJsonObject>\"zz\" not found");
  d.Delete(0);
  EXPECT_EQ(d.Stringify(), "{\"X\":3}");
  EXPECT_EQ(ErrorOf([&] { d.Delete(1); }), "List index out of bounds (1)");
  EXPECT_EQ(ErrorOf([&] { d.Items(5); }), "List index out of bounds (5)");
}

TEST(JsonContainers, ObjectPutsAndMerge) {
  TJsonObject o;
  o.Put("e", TJsonEmpty::empty);
  o.Put("n", TJsonNull::null);
  o.Put("b", false);
  o.Put("i", std::int64_t{9223372036854775807});
  o.Put("u", 42u);
  o.Put("d", 0.000025);
  o.Put("s", "\xE2\x82\xAC/\"");
  EXPECT_EQ(o.Stringify(),
            "{\"e\":null,\"n\":null,\"b\":false,\"i\":9223372036854775807,\"u\":42,"
            "\"d\":2.5E-5,\"s\":\"\\u20ac\\/\\\"\"}");

  TJsonObject inner;
  inner.Put("k", "v");
  TJsonArray list;
  list.Put(1);
  TJsonValue scalar;
  scalar.AsInteger(3);
  o.Clear();
  o.Put("obj", &inner);
  o.Put("arr", list);
  o.Put("val", &scalar);
  inner.Put("k2", "later");
  list.Put(2);
  EXPECT_EQ(o.Stringify(), "{\"obj\":{\"k\":\"v\"},\"arr\":[1],\"val\":3}");

  // A Put of a pair copies its name and value; the argument stays the caller's.
  TJsonPair pair(nullptr, "p");
  pair.Value()->AsString("one");
  TJsonValue* put = o.Put(&pair);
  pair.Name("changed");
  pair.Value()->AsString("two");
  EXPECT_EQ(put->AsString(), "one");
  EXPECT_EQ(o.Items(3)->Name(), "p");

  o.Insert(0, "front")->Value()->AsInteger(0);
  EXPECT_EQ(o.Items(0)->Name(), "front");
  EXPECT_EQ(ErrorOf([&] { o.Insert(o.Count() + 1, "x"); }),
            "List index out of bounds (" + std::to_string(o.Count() + 1) + ")");

  TJsonObject a;
  a.Parse("{\"x\":1,\"y\":2}");
  TJsonObject b;
  b.Parse("{\"y\":3}");
  a.Merge(&b);
  EXPECT_EQ(a.Stringify(), "{\"x\":1,\"y\":2,\"y\":3}");
  EXPECT_EQ(a.Values("y")->AsInteger(), 2);
}

}  // namespace
}  // namespace bramble
