#include "shared/json/JsonRoot.h"

#include "shared/json/JsonScan.h"

namespace bramble {

using json_detail::TSkipMemo;

TJson::TJson() : TJsonBase(nullptr, TNodeKind::Root) {}

TJson::~TJson() {
  Clear();
}

void TJson::Clear() {
  FJsonArray.reset();
  FJsonObject.reset();
  FStructType = jsNone;
}

TJsonArray* TJson::JsonArray() {
  if (FStructType == jsNone) {
    FJsonArray = std::make_unique<TJsonArray>(this);
    FStructType = jsArray;
  }
  if (FStructType != jsArray) RaiseError("json struct type is not jsArray");
  return FJsonArray.get();
}

TJsonObject* TJson::JsonObject() {
  if (FStructType == jsNone) {
    FJsonObject = std::make_unique<TJsonObject>(this);
    FStructType = jsObject;
  }
  if (FStructType != jsObject) RaiseError("json struct type is not jsObject");
  return FJsonObject.get();
}

int TJson::Count() const {
  switch (FStructType) {
    case jsArray:
      return FJsonArray->Count();
    case jsObject:
      return FJsonObject->Count();
    default:
      return 0;
  }
}

void TJson::Parse(std::string_view JsonString) {
  Clear();
  const std::string_view t = json_detail::TrimView(JsonString);
  TSkipMemo memo(t.size());
  if (IsJsonArray(t)) {
    JsonArray()->ParseText(t, &memo, 1);
  } else if (IsJsonObject(t)) {
    JsonObject()->ParseText(t, &memo, 1);
  } else {
    RaiseParseError(t);
  }
}

void TJson::StringifyTo(std::string& Out) const {
  if (FStructType == jsArray) {
    FJsonArray->StringifyTo(Out);
  } else if (FStructType == jsObject) {
    FJsonObject->StringifyTo(Out);
  }
}

std::string TJson::Stringify() const {
  std::string out;
  StringifyTo(out);
  return out;
}

void TJson::Assign(const TJsonBase* Source) {
  if (Source == this) RaiseAssignError(Source);
  // Find what to copy before clearing: Source may lie inside this root.
  const TJsonArray* array = nullptr;
  const TJsonObject* object = nullptr;
  switch (Source == nullptr ? TNodeKind::Pair : KindOf(Source)) {
    case TNodeKind::Root: {
      const auto* root = static_cast<const TJson*>(Source);
      array = root->FJsonArray.get();
      object = root->FJsonObject.get();
      break;
    }
    case TNodeKind::Array:
      array = static_cast<const TJsonArray*>(Source);
      break;
    case TNodeKind::Object:
      object = static_cast<const TJsonObject*>(Source);
      break;
    case TNodeKind::Value: {
      const auto* value = static_cast<const TJsonValue*>(Source);
      array = value->FArrayValue.get();
      object = value->FObjectValue.get();
      if (array == nullptr && object == nullptr) {
        Clear();
        RaiseAssignError(Source);
      }
      break;
    }
    default:
      Clear();
      RaiseAssignError(Source);
  }
  if (array != nullptr) {
    auto copy = std::make_unique<TJsonArray>(this);
    copy->CopyItemsFrom(*array);
    Clear();
    FJsonArray = std::move(copy);
    FStructType = jsArray;
  } else if (object != nullptr) {
    auto copy = std::make_unique<TJsonObject>(this);
    copy->CopyPairsFrom(*object);
    Clear();
    FJsonObject = std::move(copy);
    FStructType = jsObject;
  } else {
    Clear();  // a TJson that holds nothing
  }
}

void TJson::Delete(int Index) {
  switch (FStructType) {
    case jsArray:
      FJsonArray->Delete(Index);
      break;
    case jsObject:
      FJsonObject->Delete(Index);
      break;
    default:
      RaiseError("json struct type is jsNone");
  }
}

void TJson::Delete(std::string_view Name) {
  if (FStructType != jsObject) RaiseError("json struct type is not jsObject");
  FJsonObject->Delete(Name);
}

TJsonValue* TJson::Get(int Index) {
  switch (FStructType) {
    case jsArray:
      return FJsonArray->GetItems(Index);
    case jsObject:
      return FJsonObject->GetItems(Index)->Value();
    default:
      RaiseError("json struct type is jsNone");
  }
}

TJsonValue* TJson::Get(std::string_view Name) {
  return JsonObject()->GetValues(Name);
}

TJsonValue* TJson::Put(TJsonEmpty Value) {
  return JsonArray()->Put(Value);
}
TJsonValue* TJson::Put(TJsonNull Value) {
  return JsonArray()->Put(Value);
}
TJsonValue* TJson::Put(std::int64_t Value) {
  return JsonArray()->Put(Value);
}
TJsonValue* TJson::Put(double Value) {
  return JsonArray()->Put(Value);
}
TJsonValue* TJson::Put(std::string_view Value) {
  return JsonArray()->Put(Value);
}
TJsonValue* TJson::Put(const TJsonArray* Value) {
  return JsonArray()->Put(Value);
}
TJsonValue* TJson::Put(const TJsonObject* Value) {
  return JsonArray()->Put(Value);
}
TJsonValue* TJson::Put(const TJsonValue* Value) {
  return JsonArray()->Put(Value);
}

TJsonValue* TJson::Put(const TJson* Value) {
  if (Value == this) RaiseAssignError(Value);
  TJsonArray* array = JsonArray();
  if (Value == nullptr) RaiseAssignError(Value);
  switch (Value->FStructType) {
    case jsArray:
      return array->Put(Value->FJsonArray.get());
    case jsObject:
      return array->Put(Value->FJsonObject.get());
    default:
      return nullptr;
  }
}

TJsonValue* TJson::Put(std::string_view Name, TJsonEmpty Value) {
  return JsonObject()->Put(Name, Value);
}
TJsonValue* TJson::Put(std::string_view Name, TJsonNull Value) {
  return JsonObject()->Put(Name, Value);
}
TJsonValue* TJson::Put(std::string_view Name, std::int64_t Value) {
  return JsonObject()->Put(Name, Value);
}
TJsonValue* TJson::Put(std::string_view Name, double Value) {
  return JsonObject()->Put(Name, Value);
}
TJsonValue* TJson::Put(std::string_view Name, std::string_view Value) {
  return JsonObject()->Put(Name, Value);
}
TJsonValue* TJson::Put(std::string_view Name, const TJsonArray* Value) {
  return JsonObject()->Put(Name, Value);
}
TJsonValue* TJson::Put(std::string_view Name, const TJsonObject* Value) {
  return JsonObject()->Put(Name, Value);
}
TJsonValue* TJson::Put(std::string_view Name, const TJsonValue* Value) {
  return JsonObject()->Put(Name, Value);
}

TJsonValue* TJson::Put(std::string_view Name, const TJson* Value) {
  if (Value == this) RaiseAssignError(Value);
  TJsonObject* object = JsonObject();
  if (Value == nullptr) RaiseAssignError(Value);
  switch (Value->FStructType) {
    case jsArray:
      return object->Put(Name, Value->FJsonArray.get());
    case jsObject:
      return object->Put(Name, Value->FJsonObject.get());
    default:
      return nullptr;
  }
}

TJsonValue* TJson::Put(const TJsonPair* Value) {
  return JsonObject()->Put(Value);
}

}  // namespace bramble
