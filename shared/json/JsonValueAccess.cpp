// TJsonValue's conversion properties: reading one kind as another, and writes that change
// the kind.
#include <cmath>

#include "platform/core/AsciiCase.h"
#include "platform/core/Exception.h"
#include "shared/json/JsonArray.h"
#include "shared/json/JsonObject.h"
#include "shared/json/JsonTextOps.h"
#include "shared/json/JsonValue.h"

namespace bramble {

std::string TJsonValue::AsString() const {
  switch (FValueType) {
    case jvString:
      return FStringValue;
    case jvInteger: {
      std::string out;
      IntegerToText(FIntegerValue, out);
      return out;
    }
    case jvNumber:
      return NumberToText(FNumberValue);
    case jvBoolean:
      return FBooleanValue ? "true" : "false";
    case jvObject:
    case jvArray:
      RaiseValueTypeError(FValueType, jvString);
    default:
      return {};
  }
}

std::int64_t TJsonValue::AsInteger() const {
  switch (FValueType) {
    case jvString: {
      std::int64_t v = 0;
      if (!TryReadInteger(FStringValue, v)) {
        throw Exception("'" + FStringValue + "' is not a valid integer value");
      }
      return v;
    }
    case jvInteger:
      return FIntegerValue;
    case jvNumber:
      // Only a whole number within the 64-bit range converts; nothing is silently cut.
      if (std::isfinite(FNumberValue) && FNumberValue == std::trunc(FNumberValue) &&
          FNumberValue >= -9223372036854775808.0 && FNumberValue < 9223372036854775808.0) {
        return static_cast<std::int64_t>(FNumberValue);
      }
      throw Exception("'" + NumberToText(FNumberValue) + "' is not a valid integer value");
    case jvBoolean:
      return FBooleanValue ? 1 : 0;
    case jvObject:
    case jvArray:
      RaiseValueTypeError(FValueType, jvInteger);
    default:
      return 0;
  }
}

double TJsonValue::AsNumber() const {
  switch (FValueType) {
    case jvString: {
      double v = 0;
      if (!TryReadNumber(FStringValue, v)) {
        throw Exception("'" + FStringValue + "' is not a valid floating point value");
      }
      return v;
    }
    case jvInteger:
      return static_cast<double>(FIntegerValue);
    case jvNumber:
      return FNumberValue;
    case jvBoolean:
      return FBooleanValue ? 1.0 : 0.0;
    case jvObject:
    case jvArray:
      RaiseValueTypeError(FValueType, jvNumber);
    default:
      return 0.0;
  }
}

bool TJsonValue::AsBoolean() const {
  switch (FValueType) {
    case jvString:
      return EqualsIgnoringCase(FStringValue, "true");
    case jvInteger:
      return FIntegerValue != 0;
    case jvNumber:
      return FNumberValue != 0.0;  // NaN reads as true
    case jvBoolean:
      return FBooleanValue;
    case jvObject:
    case jvArray:
      RaiseValueTypeError(FValueType, jvBoolean);
    default:
      return false;
  }
}

void TJsonValue::AsString(std::string_view Value) {
  if (FValueType == jvString) {
    FStringValue.assign(Value);
    return;
  }
  std::string text(Value);  // Value may lie inside what Clear frees
  Retype(jvString);
  FStringValue = std::move(text);
}

void TJsonValue::AsInteger(std::int64_t Value) {
  Retype(jvInteger);
  FIntegerValue = Value;
}

void TJsonValue::AsNumber(double Value) {
  Retype(jvNumber);
  FNumberValue = Value;
}

void TJsonValue::SetBoolean(bool Value) {
  Retype(jvBoolean);
  FBooleanValue = Value;
}

TJsonObject* TJsonValue::AsObject() {
  if (FValueType == jvNone) {
    FObjectValue = std::make_unique<TJsonObject>(this);
    FValueType = jvObject;
  } else if (FValueType != jvObject) {
    RaiseValueTypeError(FValueType, jvObject);
  }
  return FObjectValue.get();
}

TJsonArray* TJsonValue::AsArray() {
  if (FValueType == jvNone) {
    FArrayValue = std::make_unique<TJsonArray>(this);
    FValueType = jvArray;
  } else if (FValueType != jvArray) {
    RaiseValueTypeError(FValueType, jvArray);
  }
  return FArrayValue.get();
}

void TJsonValue::AsObject(const TJsonObject* X) {
  if (X != nullptr && IsSelfOrOwner(X)) RaiseAssignError(X);
  if (FValueType == jvObject) {
    FObjectValue->Assign(X);
    return;
  }
  // Copied before the value is cleared: X may lie inside what the value holds now.
  auto object = std::make_unique<TJsonObject>(this);
  if (X != nullptr) object->CopyPairsFrom(*X);
  Clear();
  FValueType = jvObject;
  FObjectValue = std::move(object);
  if (X == nullptr) FObjectValue->RaiseAssignError(X);
}

void TJsonValue::AsArray(const TJsonArray* X) {
  if (X != nullptr && IsSelfOrOwner(X)) RaiseAssignError(X);
  if (FValueType == jvArray) {
    FArrayValue->Assign(X);
    return;
  }
  auto array = std::make_unique<TJsonArray>(this);
  if (X != nullptr) array->CopyItemsFrom(*X);
  Clear();
  FValueType = jvArray;
  FArrayValue = std::move(array);
  if (X == nullptr) FArrayValue->RaiseAssignError(X);
}

void TJsonValue::IsNull(bool Value) {
  Retype(Value ? jvNull : jvNone);
}

void TJsonValue::IsEmpty(bool Value) {
  Retype(Value ? jvNone : jvNull);
}

}  // namespace bramble
