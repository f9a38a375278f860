// TJson: the root holder's two forms, its errors, Put of another root, and Assign.
#include <gtest/gtest.h>

#include <string>

#include "shared/json/Json.h"
#include "tests/unit/json/JsonTestUtil.h"

namespace bramble {
namespace {

using testing::ErrorOf;

TEST(JsonRoot, ParsesArraysAndObjectsOnly) {
  TJson j;
  EXPECT_EQ(j.StructType(), jsNone);
  EXPECT_EQ(j.Stringify(), "");
  EXPECT_EQ(j.Count(), 0);

  j.Parse("  [1, {\"a\":2}]  ");
  EXPECT_EQ(j.StructType(), jsArray);
  EXPECT_EQ(j.Count(), 2);
  EXPECT_EQ(j.Stringify(), "[1,{\"a\":2}]");
  EXPECT_EQ(j.JsonArray()->Owner(), &j);
  EXPECT_EQ(j.Get(1)->AsObject()->Values("a")->AsInteger(), 2);

  j.Parse("{\"x\":\"y\",\"z\":[true]}");
  EXPECT_EQ(j.StructType(), jsObject);
  EXPECT_EQ(j.Get(1)->Stringify(), "[true]");  // by index: the value of the pair
  EXPECT_EQ(j.Values("x")->AsString(), "y");

  const std::pair<std::string, std::string> errors[] = {
      {"42", "<TJson>\"\" parse error: 42"},
      {"\"text\"", "<TJson>\"\" parse error: \"text\""},
      {"", "<TJson>\"\" parse error: "},
      {" null ", "<TJson>\"\" parse error: null"},
      {"[1,x]", "<TJsonValue>\"\" parse error: x"},
  };
  for (const auto& [text, message] : errors) {
    TJson r;
    EXPECT_EQ(ErrorOf([&] { r.Parse(text); }), message) << text;
  }
  TJson failed;
  failed.Parse("{}");
  EXPECT_NE(ErrorOf([&] { failed.Parse("nope"); }), "<no error>");
  EXPECT_EQ(failed.StructType(), jsNone);
}

TEST(JsonRoot, FormErrors) {
  TJson j;
  j.Put(1);
  EXPECT_EQ(j.StructType(), jsArray);
  EXPECT_EQ(ErrorOf([&] { j.Put("name", 1); }), "<TJson>json struct type is not jsObject");
  EXPECT_EQ(ErrorOf([&] { j.JsonObject(); }), "<TJson>json struct type is not jsObject");
  EXPECT_EQ(ErrorOf([&] { j.Values("a"); }), "<TJson>json struct type is not jsObject");
  EXPECT_EQ(ErrorOf([&] { j.Delete("a"); }), "<TJson>json struct type is not jsObject");
  EXPECT_EQ(ErrorOf([&] { j.Get(3); }), "List index out of bounds (3)");
  EXPECT_EQ(j.Stringify(), "[1]");

  TJson fresh;
  EXPECT_EQ(ErrorOf([&] { fresh.Get(0); }), "<TJson>json struct type is jsNone");
  EXPECT_EQ(ErrorOf([&] { fresh.Delete(0); }), "<TJson>json struct type is jsNone");
  EXPECT_EQ(ErrorOf([&] { fresh.Delete("a"); }), "<TJson>json struct type is not jsObject");
  EXPECT_EQ(fresh.StructType(), jsNone);  // none of these creates a container
  fresh.JsonObject();
  EXPECT_EQ(fresh.StructType(), jsObject);
  EXPECT_EQ(fresh.Stringify(), "{}");
  EXPECT_EQ(ErrorOf([&] { fresh.Put(true); }), "<TJson>json struct type is not jsArray");
  EXPECT_EQ(ErrorOf([&] { fresh.JsonArray(); }), "<TJson>json struct type is not jsArray");

  fresh.Put("a", 1);
  fresh.Put("b", 2);
  fresh.Delete("a");
  fresh.Delete(0);
  EXPECT_EQ(fresh.Count(), 0);
  fresh.Clear();
  EXPECT_EQ(fresh.StructType(), jsNone);
  fresh.Put(TJsonNull::null);  // after Clear either form can be taken
  EXPECT_EQ(fresh.Stringify(), "[null]");
}

TEST(JsonRoot, PutOverloads) {
  TJson arr;
  TJsonObject o;
  o.Put("k", 1);
  TJsonArray a;
  a.Put("x");
  TJsonValue v;
  v.AsBoolean(true);
  arr.Put(TJsonEmpty::empty);
  arr.Put(TJsonNull::null);
  arr.Put(false);
  arr.Put(std::int64_t{1});
  arr.Put(1.5);
  arr.Put("s");
  arr.Put(&a);
  arr.Put(&o);
  arr.Put(&v);
  EXPECT_EQ(arr.Stringify(), "[null,null,false,1,1.5,\"s\",[\"x\"],{\"k\":1},true]");

  TJson obj;
  obj.Put("e", TJsonEmpty::empty);
  obj.Put("n", TJsonNull::null);
  obj.Put("b", true);
  obj.Put("i", 2);
  obj.Put("d", 0.5);
  obj.Put("s", "t");
  obj.Put("a", a);
  obj.Put("o", o);
  obj.Put("v", v);
  TJsonPair p(nullptr, "p");
  obj.Put(&p);
  EXPECT_EQ(obj.Stringify(),
            "{\"e\":null,\"n\":null,\"b\":true,\"i\":2,\"d\":0.5,\"s\":\"t\",\"a\":[\"x\"],"
            "\"o\":{\"k\":1},\"v\":true,\"p\":null}");

  // Put of another root copies its container; of an empty root, nothing, but the form holds.
  TJson target;
  EXPECT_EQ(target.Put(&arr)->Stringify(), arr.Stringify());
  EXPECT_NE(target.Put(obj), nullptr);
  EXPECT_EQ(target.Count(), 2);
  TJson empty;
  TJson receiver;
  EXPECT_EQ(receiver.Put(&empty), nullptr);
  EXPECT_EQ(receiver.StructType(), jsArray);
  EXPECT_EQ(receiver.Count(), 0);
  EXPECT_EQ(empty.StructType(), jsNone);  // the argument gets no container
  TJson named;
  EXPECT_EQ(named.Put("n", &empty), nullptr);
  EXPECT_EQ(named.StructType(), jsObject);
  EXPECT_EQ(named.Count(), 0);
  EXPECT_EQ(named.Put("n", &arr)->AsArray()->Count(), 9);
}

TEST(JsonRoot, Assign) {
  TJson source;
  source.Parse("{\"a\":[1,2]}");
  TJson j;
  j.Put(1);
  j.Assign(&source);
  EXPECT_EQ(j.StructType(), jsObject);
  EXPECT_EQ(j.Stringify(), "{\"a\":[1,2]}");
  EXPECT_NE(j.JsonObject(), source.JsonObject());

  TJsonArray a;
  a.Put(1);
  j.Assign(&a);
  EXPECT_EQ(j.Stringify(), "[1]");
  TJsonValue holder;
  holder.AsObject()->Put("h", true);
  j.Assign(&holder);
  EXPECT_EQ(j.Stringify(), "{\"h\":true}");
  TJson none;
  j.Assign(none);
  EXPECT_EQ(j.StructType(), jsNone);

  const std::pair<const TJsonBase*, std::string> errors[] = {
      {nullptr, "<TJson>assign error: nil to TJson"},
  };
  for (const auto& [node, message] : errors) {
    j.Put(1);
    EXPECT_EQ(ErrorOf([&] { j.Assign(node); }), message);
    EXPECT_EQ(j.StructType(), jsNone);
  }
  TJsonValue scalar;
  scalar.AsInteger(1);
  TJsonPair pair;
  for (const TJsonBase* node :
       {static_cast<const TJsonBase*>(&scalar), static_cast<const TJsonBase*>(&pair)}) {
    j.Put(1);
    EXPECT_EQ(ErrorOf([&] { j.Assign(node); }),
              std::string("<TJson>assign error: ") + node->ClassName() + " to TJson");
    EXPECT_EQ(j.StructType(), jsNone);
  }
}

}  // namespace
}  // namespace bramble
