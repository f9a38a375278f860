#include "shared/json/JsonValue.h"

#include <cmath>

#include "platform/core/Exception.h"
#include "shared/json/JsonArray.h"
#include "shared/json/JsonObject.h"
#include "shared/json/JsonScan.h"
#include "shared/json/JsonTextOps.h"

namespace bramble {

using json_detail::TSkipMemo;

TJsonValue::TJsonValue(TJsonBase* AOwner) : TJsonBase(AOwner, TNodeKind::Value) {}

TJsonValue::~TJsonValue() {
  Clear();
}

void TJsonValue::Clear() {
  FObjectValue.reset();
  FArrayValue.reset();
  if (!FStringValue.empty()) std::string().swap(FStringValue);
  FIntegerValue = 0;
  FNumberValue = 0.0;
  FBooleanValue = false;
  FValueType = jvNone;
}

void TJsonValue::Retype(TJsonValueType aType) {
  if (FValueType != aType) {
    Clear();
    FValueType = aType;
  }
}

void TJsonValue::Parse(std::string_view JsonString) {
  const std::string_view t = json_detail::TrimView(JsonString);
  TSkipMemo memo(t.size());
  ParseText(t, &memo, 0);
}

void TJsonValue::ParseText(std::string_view T, TSkipMemo* Memo, int Depth) {
  Clear();
  std::int64_t integer = 0;
  double number = 0.0;
  const TJsonValueType kind = json_detail::ClassifyTrimmed(T, integer, number);
  switch (kind) {
    case jvNone:
      RaiseParseError(T);
    case jvNull:
      break;
    case jvString:
      FValueType = jvString;
      try {
        json_detail::DecodeTo(T.substr(1, T.size() - 2), FStringValue);
      } catch (...) {
        FStringValue.clear();  // a failed escape leaves the string empty
        throw;
      }
      return;
    case jvInteger:
      FIntegerValue = integer;
      break;
    case jvNumber:
      FNumberValue = number;
      break;
    case jvBoolean:
      FBooleanValue = T[0] == 't' || T[0] == 'T';
      break;
    case jvObject:
      if (Depth >= kMaxJsonDepth) RaiseParseError(T);
      FValueType = jvObject;
      FObjectValue = std::make_unique<TJsonObject>(this);
      FObjectValue->ParseText(T, Memo, Depth + 1);
      return;
    case jvArray:
      if (Depth >= kMaxJsonDepth) RaiseParseError(T);
      FValueType = jvArray;
      FArrayValue = std::make_unique<TJsonArray>(this);
      FArrayValue->ParseText(T, Memo, Depth + 1);
      return;
  }
  FValueType = kind;
}

void TJsonValue::StringifyTo(std::string& Out) const {
  switch (FValueType) {
    case jvNone:
    case jvNull:
      Out += "null";
      break;
    case jvString:
      Out += '"';
      EncodeTo(FStringValue, Out);
      Out += '"';
      break;
    case jvInteger:
      IntegerToText(FIntegerValue, Out);
      break;
    case jvNumber:
      NumberToText(FNumberValue, Out);
      break;
    case jvBoolean:
      Out += FBooleanValue ? "true" : "false";
      break;
    case jvObject:
      FObjectValue->StringifyTo(Out);
      break;
    case jvArray:
      FArrayValue->StringifyTo(Out);
      break;
  }
}

std::string TJsonValue::Stringify() const {
  std::string out;
  StringifyTo(out);
  return out;
}

void TJsonValue::CopyFrom(const TJsonValue& Source) {
  CopyPayload(Source, this);
}

void TJsonValue::CopyPayload(const TJsonValue& Source, TJsonBase* ContainerOwner) {
  FValueType = Source.FValueType;
  switch (Source.FValueType) {
    case jvString:
      FStringValue = Source.FStringValue;
      break;
    case jvInteger:
      FIntegerValue = Source.FIntegerValue;
      break;
    case jvNumber:
      FNumberValue = Source.FNumberValue;
      break;
    case jvBoolean:
      FBooleanValue = Source.FBooleanValue;
      break;
    case jvObject:
      FObjectValue = std::make_unique<TJsonObject>(ContainerOwner);
      FObjectValue->CopyPairsFrom(*Source.FObjectValue);
      break;
    case jvArray:
      FArrayValue = std::make_unique<TJsonArray>(ContainerOwner);
      FArrayValue->CopyItemsFrom(*Source.FArrayValue);
      break;
    default:
      break;
  }
}

void TJsonValue::Assign(const TJsonBase* Source) {
  if (Source != nullptr && IsSelfOrOwner(Source)) RaiseAssignError(Source);
  // The copy is made before this value is cleared: Source may lie inside what it holds.
  TJsonValue copy(this);
  switch (Source == nullptr ? TNodeKind::Pair : KindOf(Source)) {
    case TNodeKind::Object:
      copy.FValueType = jvObject;
      copy.FObjectValue = std::make_unique<TJsonObject>(this);
      copy.FObjectValue->CopyPairsFrom(*static_cast<const TJsonObject*>(Source));
      break;
    case TNodeKind::Array:
      copy.FValueType = jvArray;
      copy.FArrayValue = std::make_unique<TJsonArray>(this);
      copy.FArrayValue->CopyItemsFrom(*static_cast<const TJsonArray*>(Source));
      break;
    case TNodeKind::Value:
      copy.CopyPayload(*static_cast<const TJsonValue*>(Source), this);
      break;
    default:
      Clear();
      RaiseAssignError(Source);
  }
  Clear();
  FValueType = copy.FValueType;
  FStringValue.swap(copy.FStringValue);
  FIntegerValue = copy.FIntegerValue;
  FNumberValue = copy.FNumberValue;
  FBooleanValue = copy.FBooleanValue;
  FObjectValue = std::move(copy.FObjectValue);
  FArrayValue = std::move(copy.FArrayValue);
  copy.FValueType = jvNone;
}

}  // namespace bramble
