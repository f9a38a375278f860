#pragma once
// TJsonValue: one JSON value of any kind, with conversions between the scalar kinds.
#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "shared/json/JsonBase.h"

namespace bramble {

class TJsonValue final : public TJsonBase {
 public:
  // A new value is empty (jvNone).
  explicit TJsonValue(TJsonBase* AOwner = nullptr);
  ~TJsonValue() override;

  // Any value text: object, array, string, integer, number, boolean or null (letter case of
  // the words ignored). Anything else is a parse error.
  void Parse(std::string_view JsonString) override;
  std::string Stringify() const override;
  void StringifyTo(std::string& Out) const override;
  // Source: a TJsonValue (its kind and payload), a TJsonObject or a TJsonArray (deep copies).
  // Any other node, or none, clears the value and raises the assign error.
  void Assign(const TJsonBase* Source) override;
  using TJsonBase::Assign;
  const char* ClassName() const override { return "TJsonValue"; }

  // Frees a held object or array and makes the value empty (jvNone).
  void Clear();

  TJsonValueType ValueType() const { return FValueType; }

  // Reads convert between the scalar kinds; empty and null read as "", 0, 0.0 and false.
  // Reading a scalar from an object or array is a value type error. Writes change the kind.
  std::string AsString() const;
  void AsString(std::string_view Value);
  std::int64_t AsInteger() const;
  void AsInteger(std::int64_t Value);
  double AsNumber() const;
  void AsNumber(double Value);
  bool AsBoolean() const;
  template <std::same_as<bool> B>
  void AsBoolean(B Value) {
    SetBoolean(Value);
  }

  // The held object. An empty value becomes an empty object first; any other kind is a value
  // type error.
  TJsonObject* AsObject();
  // Makes the value an object holding a deep copy of X (X is left untouched).
  void AsObject(const TJsonObject* X);
  void AsObject(const TJsonObject& X) { AsObject(&X); }
  // The same for arrays.
  TJsonArray* AsArray();
  void AsArray(const TJsonArray* X);
  void AsArray(const TJsonArray& X) { AsArray(&X); }

  // True exactly when the kind is jvNull; writing true makes it null, false makes it empty.
  bool IsNull() const { return FValueType == jvNull; }
  void IsNull(bool Value);
  // True exactly when the kind is jvNone; writing true makes it empty, false makes it null.
  bool IsEmpty() const { return FValueType == jvNone; }
  void IsEmpty(bool Value);

 private:
  friend class TJsonArray;
  friend class TJsonPair;
  friend class TJsonObject;
  friend class TJson;

  // Parse of an already trimmed text at the given nesting depth (containers above it).
  void ParseText(std::string_view T, json_detail::TSkipMemo* Memo, int Depth);
  // Copies Source's kind and payload into this empty value; no checks.
  void CopyFrom(const TJsonValue& Source);
  // The same, with any copied container owned by ContainerOwner.
  void CopyPayload(const TJsonValue& Source, TJsonBase* ContainerOwner);
  void SetBoolean(bool Value);
  // Clears when the kind differs from aType, then sets aType.
  void Retype(TJsonValueType aType);

  TJsonValueType FValueType = jvNone;
  bool FBooleanValue = false;
  std::int64_t FIntegerValue = 0;
  double FNumberValue = 0.0;
  std::string FStringValue;
  std::unique_ptr<TJsonObject> FObjectValue;
  std::unique_ptr<TJsonArray> FArrayValue;
};

}  // namespace bramble
