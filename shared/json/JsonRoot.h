#pragma once
// TJson: the root holder of a JSON text, which is either an array or an object.
//
// Its operations use the root in one of two forms: the array form creates an empty array when
// the root holds nothing yet and then requires an array; the object form does the same with
// an object. The root never changes between the two except through Clear (which Parse and
// Assign do first).
#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "shared/json/JsonArray.h"
#include "shared/json/JsonBase.h"
#include "shared/json/JsonObject.h"
#include "shared/json/JsonPair.h"
#include "shared/json/JsonValue.h"

namespace bramble {

class TJson final : public TJsonBase {
 public:
  TJson();
  ~TJson() override;

  // An array or object text (blanks around it allowed); a bare scalar is a parse error.
  void Parse(std::string_view JsonString) override;
  // The held container's text; "" when the root holds nothing.
  std::string Stringify() const override;
  void StringifyTo(std::string& Out) const override;
  // Source: a TJson, a TJsonArray, a TJsonObject, or a TJsonValue holding an array or an
  // object (deep copies). Anything else raises the assign error and leaves the root empty.
  void Assign(const TJsonBase* Source) override;
  using TJsonBase::Assign;
  const char* ClassName() const override { return "TJson"; }

  // Destroys the item or pair at Index; "json struct type is jsNone" when empty.
  void Delete(int Index);
  // The held object's Delete(Name); "json struct type is not jsObject" unless an object.
  void Delete(std::string_view Name);
  // Destroys the held container; the root holds nothing afterwards.
  void Clear();

  // The array's item at Index, or the value of the object's pair at Index.
  TJsonValue* Get(int Index);
  // Object form, then the object's Values(Name).
  TJsonValue* Get(std::string_view Name);
  TJsonValue* GetValues(std::string_view Name) { return Get(Name); }
  TJsonValue* Values(std::string_view Name) { return Get(Name); }

  // Array form, then the array's Put.
  TJsonValue* Put(TJsonEmpty Value);
  TJsonValue* Put(TJsonNull Value);
  template <std::same_as<bool> B>
  TJsonValue* Put(B Value) {
    return JsonArray()->Put(Value);
  }
  TJsonValue* Put(std::int64_t Value);
  template <std::integral I>
  requires(!std::same_as<I, bool> && !std::same_as<I, std::int64_t>) TJsonValue* Put(I Value) {
    return Put(static_cast<std::int64_t>(Value));
  }
  TJsonValue* Put(double Value);
  TJsonValue* Put(std::string_view Value);
  TJsonValue* Put(const TJsonArray* Value);
  TJsonValue* Put(const TJsonObject* Value);
  TJsonValue* Put(const TJsonValue* Value);
  // Appends a copy of Value's container; nothing (and nullptr) when Value holds none.
  TJsonValue* Put(const TJson* Value);
  TJsonValue* Put(const TJsonArray& Value) { return Put(&Value); }
  TJsonValue* Put(const TJsonObject& Value) { return Put(&Value); }
  TJsonValue* Put(const TJsonValue& Value) { return Put(&Value); }
  TJsonValue* Put(const TJson& Value) { return Put(&Value); }

  // Object form, then the object's Put.
  TJsonValue* Put(std::string_view Name, TJsonEmpty Value);
  TJsonValue* Put(std::string_view Name, TJsonNull Value);
  template <std::same_as<bool> B>
  TJsonValue* Put(std::string_view Name, B Value) {
    return JsonObject()->Put(Name, Value);
  }
  TJsonValue* Put(std::string_view Name, std::int64_t Value);
  template <std::integral I>
  requires(!std::same_as<I, bool> &&
           !std::same_as<I, std::int64_t>) TJsonValue* Put(std::string_view Name, I Value) {
    return Put(Name, static_cast<std::int64_t>(Value));
  }
  TJsonValue* Put(std::string_view Name, double Value);
  TJsonValue* Put(std::string_view Name, std::string_view Value);
  TJsonValue* Put(std::string_view Name, const TJsonArray* Value);
  TJsonValue* Put(std::string_view Name, const TJsonObject* Value);
  TJsonValue* Put(std::string_view Name, const TJsonValue* Value);
  // Adds a copy of Value's container under Name; nothing (and nullptr) when Value holds none.
  TJsonValue* Put(std::string_view Name, const TJson* Value);
  TJsonValue* Put(std::string_view Name, const TJsonArray& Value) { return Put(Name, &Value); }
  TJsonValue* Put(std::string_view Name, const TJsonObject& Value) { return Put(Name, &Value); }
  TJsonValue* Put(std::string_view Name, const TJsonValue& Value) { return Put(Name, &Value); }
  TJsonValue* Put(std::string_view Name, const TJson& Value) { return Put(Name, &Value); }
  TJsonValue* Put(const TJsonPair* Value);
  TJsonValue* Put(const TJsonPair& Value) { return Put(&Value); }

  TJsonStructType StructType() const { return FStructType; }
  // Object form, then the held object.
  TJsonObject* JsonObject();
  // Array form, then the held array.
  TJsonArray* JsonArray();
  // Items or pairs of the held container; 0 when it holds none.
  int Count() const;

 private:
  std::unique_ptr<TJsonArray> FJsonArray;
  std::unique_ptr<TJsonObject> FJsonObject;
  TJsonStructType FStructType = jsNone;
};

}  // namespace bramble
