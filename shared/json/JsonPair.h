#pragma once
// TJsonPair: a name and the one TJsonValue that belongs to it.
#include <string>
#include <string_view>

#include "shared/json/JsonBase.h"
#include "shared/json/JsonValue.h"

namespace bramble {

class TJsonPair final : public TJsonBase {
 public:
  explicit TJsonPair(TJsonBase* AOwner = nullptr, std::string_view AName = {});
  ~TJsonPair() override;

  // "\"name\":value" (blanks allowed around both).
  void Parse(std::string_view JsonString) override;
  std::string Stringify() const override;
  void StringifyTo(std::string& Out) const override;
  // Copies the name and a deep copy of the value of a TJsonPair; anything else raises the
  // assign error and leaves the pair unchanged.
  void Assign(const TJsonBase* Source) override;
  using TJsonBase::Assign;
  const char* ClassName() const override { return "TJsonPair"; }

  // The name, unescaped; may be empty.
  const std::string& Name() const { return FName; }
  void Name(std::string_view Value) { FName.assign(Value); }
  // The value; created with the pair and never replaced.
  TJsonValue* Value() { return &FValue; }
  const TJsonValue* Value() const { return &FValue; }

 private:
  friend class TJsonObject;

  void ParseText(std::string_view JsonString, json_detail::TSkipMemo* Memo, int Depth);
  void CopyFrom(const TJsonPair& Source);

  std::string FName;
  TJsonValue FValue;
};

}  // namespace bramble
