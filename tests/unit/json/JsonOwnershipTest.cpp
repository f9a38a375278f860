// Ownership across the tree: deep copies, nodes put into themselves, sources that lie inside
// the receiver, the nesting limit, and a large document.
#include <gtest/gtest.h>

#include <string>

#include "shared/json/Json.h"
#include "tests/unit/json/JsonTestUtil.h"

namespace bramble {
namespace {

using testing::ErrorOf;

TEST(JsonOwnership, NodeIntoItselfOrItsDescendantIsRefused) {
  TJson root;
  root.Parse("{\"a\":{\"b\":[1,{\"c\":2}]}}");
  const std::string before = root.Stringify();
  TJsonObject* top = root.JsonObject();
  TJsonValue* aValue = top->Values("a");
  TJsonObject* a = aValue->AsObject();
  TJsonArray* b = a->Values("b")->AsArray();
  TJsonObject* c = b->Items(1)->AsObject();
  TJsonPair* aPair = top->Items(0);

  const std::pair<std::string, std::function<void()>> attempts[] = {
      {"<TJsonObject>assign error: TJsonObject to TJsonObject", [&] { top->Put("x", top); }},
      {"<TJsonObject>assign error: TJsonObject to TJsonObject", [&] { c->Put("x", a); }},
      {"<TJsonArray>assign error: TJsonObject to TJsonArray", [&] { b->Put(a); }},
      {"<TJsonArray>assign error: TJsonArray to TJsonArray", [&] { b->Put(b); }},
      {"<TJsonArray>assign error: TJsonValue to TJsonArray", [&] { b->Put(aValue); }},
      {"<TJsonObject>assign error: TJsonPair to TJsonObject", [&] { c->Put(aPair); }},
      {"<TJsonObject>assign error: TJsonObject to TJsonObject", [&] { top->Merge(top); }},
      {"<TJsonArray>assign error: TJsonArray to TJsonArray", [&] { b->Merge(b); }},
      {"<TJsonObject>assign error: TJsonObject to TJsonObject", [&] { a->Assign(a); }},
      {"<TJsonObject>assign error: TJsonObject to TJsonObject", [&] { c->Assign(top); }},
      {"<TJsonValue>assign error: TJsonValue to TJsonValue", [&] { aValue->Assign(aValue); }},
      {"<TJsonValue>assign error: TJsonObject to TJsonValue", [&] { b->Items(0)->AsObject(a); }},
      {"<TJsonValue>assign error: TJsonArray to TJsonValue", [&] { b->Items(0)->AsArray(b); }},
      {"<TJsonPair>assign error: TJsonPair to TJsonPair", [&] { aPair->Assign(aPair); }},
      {"<TJson>assign error: TJson to TJson", [&] { root.Assign(&root); }},
      {"<TJson>assign error: TJson to TJson", [&] { root.Put("x", &root); }},
  };
  for (const auto& [message, attempt] : attempts) {
    EXPECT_EQ(ErrorOf(attempt), message);
    EXPECT_EQ(root.Stringify(), before) << "changed by: " << message;
  }
}

TEST(JsonOwnership, SourceInsideTheReceiverIsCopiedFirst) {
  // Assigning a node from one of its own descendants replaces it with a copy of that part.
  TJsonValue v;
  v.Parse("{\"keep\":{\"x\":[1,2]},\"drop\":3}");
  v.Assign(v.AsObject()->Values("keep"));
  EXPECT_EQ(v.Stringify(), "{\"x\":[1,2]}");
  v.Assign(v.AsObject()->Values("x")->AsArray());
  EXPECT_EQ(v.Stringify(), "[1,2]");
  v.Assign(v.AsArray()->Items(1));
  EXPECT_EQ(v.Stringify(), "2");

  TJsonValue holder;
  holder.Parse("[{\"inner\":true}]");
  holder.AsObject(holder.AsArray()->Items(0)->AsObject());
  EXPECT_EQ(holder.Stringify(), "{\"inner\":true}");
  holder.AsString(holder.AsObject()->Items(0)->Name());
  EXPECT_EQ(holder.Stringify(), "\"inner\"");

  TJsonArray list;
  list.Parse("[[1,[2]],3]");
  list.Assign(list.Items(0)->AsArray());
  EXPECT_EQ(list.Stringify(), "[1,[2]]");
  list.Merge(list.Items(1)->AsArray());
  EXPECT_EQ(list.Stringify(), "[1,[2],2]");
  list.Put(list.Items(1));
  EXPECT_EQ(list.Stringify(), "[1,[2],2,[2]]");

  TJsonObject o;
  o.Parse("{\"p\":{\"q\":{\"r\":1}}}");
  o.Items(0)->Assign(o.Items(0)->Value()->AsObject()->Items(0));
  EXPECT_EQ(o.Stringify(), "{\"q\":{\"r\":1}}");

  TJson root;
  root.Parse("{\"arr\":[1]}");
  root.Assign(root.Values("arr"));
  EXPECT_EQ(root.Stringify(), "[1]");
}

TEST(JsonOwnership, CopiesAreDeepAndOwnedByTheirHolder) {
  TJsonObject source;
  source.Parse("{\"list\":[{\"k\":\"v\"}],\"n\":1}");
  TJsonObject copy;
  copy.Assign(source);
  TJsonArray* list = copy.Values("list")->AsArray();
  EXPECT_EQ(list->Owner(), copy.Values("list"));
  EXPECT_EQ(list->Items(0)->Owner(), list);
  EXPECT_EQ(list->Items(0)->AsObject()->Items(0)->Owner(), list->Items(0)->AsObject());
  source.Values("list")->AsArray()->Items(0)->AsObject()->Put("added", 1);
  source.Delete("n");
  EXPECT_EQ(copy.Stringify(), "{\"list\":[{\"k\":\"v\"}],\"n\":1}");

  TJsonArray wrong;
  EXPECT_EQ(ErrorOf([&] { wrong.Assign(&source); }),
            "<TJsonArray>assign error: TJsonObject to TJsonArray");
  TJsonValue holdingArray;
  holdingArray.AsArray()->Put(1);
  wrong.Put(5);
  EXPECT_EQ(ErrorOf([&] { wrong.Assign(&holdingArray); }),
            "<TJsonArray>assign error: TJsonValue to TJsonArray");
  EXPECT_EQ(wrong.Count(), 0);  // emptied before the error
  TJsonObject wrongObject;
  wrongObject.Put("k", 1);
  EXPECT_EQ(ErrorOf([&] { wrongObject.Assign(nullptr); }),
            "<TJsonObject>assign error: nil to TJsonObject");
  EXPECT_EQ(wrongObject.Count(), 0);
}

std::string Nested(int depth) {
  return std::string(depth, '[') + std::string(depth, ']');
}

TEST(JsonOwnership, NestingBeyondTheLimitIsAParseError) {
  TJson ok;
  ok.Parse(Nested(kMaxJsonDepth));
  EXPECT_EQ(ok.Stringify(), Nested(kMaxJsonDepth));
  TJson copy;
  copy.Assign(ok);
  EXPECT_EQ(copy.Stringify(), Nested(kMaxJsonDepth));

  const std::string deep = Nested(kMaxJsonDepth + 1);
  const std::string innermost = Nested(1);
  TJson j;
  EXPECT_EQ(ErrorOf([&] { j.Parse(deep); }), "<TJsonValue>\"\" parse error: " + innermost);
  TJsonValue v;
  EXPECT_EQ(ErrorOf([&] { v.Parse(Nested(kMaxJsonDepth + 1)); }),
            "<TJsonValue>\"\" parse error: " + innermost);
  // Far deeper texts, terminated or not, fail quickly without exhausting the stack.
  EXPECT_NE(ErrorOf([&] { j.Parse(Nested(200000)); }), "<no error>");
  EXPECT_NE(ErrorOf([&] { j.Parse(std::string(200000, '[') + "]"); }), "<no error>");
  std::string objects;
  for (int i = 0; i < 100000; ++i) objects += "{\"a\":";
  objects += "1";
  objects += std::string(100000, '}');
  EXPECT_NE(ErrorOf([&] { j.Parse(objects); }), "<no error>");
}

TEST(JsonOwnership, LargeResultDocumentRoundTrips) {
  TJson j;
  TJsonArray* data = j.Put("data", TJsonEmpty::empty)->AsArray();
  for (int i = 0; i < 20000; ++i) {
    TJsonObject* rec = data->Add()->AsObject();
    rec->Put("id", i);
    rec->Put("name", "name " + std::to_string(i) + " \xC3\xA9");
    rec->Put("value", i / 7.0);
    rec->Put("flag", i % 2 == 0);
    rec->Put("none", TJsonNull::null);
  }
  const std::string text = j.Stringify();
  TJson back;
  back.Parse(text);
  EXPECT_EQ(back.Values("data")->AsArray()->Count(), 20000);
  EXPECT_EQ(back.Stringify(), text);
  EXPECT_EQ(back.Values("data")->AsArray()->Items(19999)->AsObject()->Values("id")->AsInteger(),
            19999);
}

}  // namespace
}  // namespace bramble
