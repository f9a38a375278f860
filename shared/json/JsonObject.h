#pragma once
// TJsonObject: an ordered list of TJsonPair that it owns, with lookup by name.
//
// Names are not kept unique: every Put and Add appends a pair, so a name may occur several
// times; lookups (Find, Values, Delete by name) find the first, ignoring ASCII letter case.
#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "shared/json/JsonBase.h"
#include "shared/json/JsonPair.h"
#include "shared/json/JsonValue.h"

namespace bramble {

class TJsonObject final : public TJsonBase {
 public:
  explicit TJsonObject(TJsonBase* AOwner = nullptr);
  ~TJsonObject() override;

  // "{\"name\":value,...}": blanks allowed, a trailing comma accepted, repeated names kept.
  void Parse(std::string_view JsonString) override;
  std::string Stringify() const override;
  void StringifyTo(std::string& Out) const override;
  // Empties the object, then copies Source's pairs when Source is a TJsonObject; otherwise
  // the assign error (the object stays empty).
  void Assign(const TJsonBase* Source) override;
  using TJsonBase::Assign;
  const char* ClassName() const override { return "TJsonObject"; }

  // Appends a copy of every pair of Addition, in order; pairs already present stay as they
  // are, so a shared name occurs twice afterwards.
  void Merge(const TJsonObject* Addition);
  void Merge(const TJsonObject& Addition) { Merge(&Addition); }

  // Appends a new pair with that name and an empty value and returns the pair.
  TJsonPair* Add(std::string_view Name);
  // Inserts such a pair before Index (0 to Count) and returns it.
  TJsonPair* Insert(int Index, std::string_view Name);

  // Each Put appends a new pair named Name, stores the argument in its value (node arguments
  // are deep-copied) and returns that value. None of them replaces an existing pair.
  TJsonValue* Put(std::string_view Name, TJsonEmpty Value);
  TJsonValue* Put(std::string_view Name, TJsonNull Value);
  template <std::same_as<bool> B>
  TJsonValue* Put(std::string_view Name, B Value) {
    return PutBoolean(Name, Value);
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
  TJsonValue* Put(std::string_view Name, const TJsonArray& Value) { return Put(Name, &Value); }
  TJsonValue* Put(std::string_view Name, const TJsonObject& Value) { return Put(Name, &Value); }
  TJsonValue* Put(std::string_view Name, const TJsonValue& Value) { return Put(Name, &Value); }
  // Appends a copy of the pair (name and value) and returns the new pair's value.
  TJsonValue* Put(const TJsonPair* Value);
  TJsonValue* Put(const TJsonPair& Value) { return Put(&Value); }

  // Index of the first pair whose name equals Name (ASCII case ignored), or -1.
  int Find(std::string_view Name) const;

  // Destroys the pair at Index and closes the gap.
  void Delete(int Index);
  // Destroys the first pair named Name; "\"<Name>\" not found" when there is none.
  void Delete(std::string_view Name);
  // Destroys all pairs.
  void Clear();

  // The pair at Index (an index outside the list raises the list index error).
  TJsonPair* GetItems(int Index) const;
  TJsonPair* Items(int Index) const { return GetItems(Index); }
  // The value of the first pair named Name. When there is none: with AutoAdd, a new pair of
  // that name is appended and its (empty) value returned; without, "<Name> not found".
  TJsonValue* GetValues(std::string_view Name);
  TJsonValue* Values(std::string_view Name) { return GetValues(Name); }
  int Count() const { return static_cast<int>(FList.size()); }

  bool AutoAdd() const { return FAutoAdd; }
  void AutoAdd(bool Value) { FAutoAdd = Value; }

 private:
  friend class TJsonValue;
  friend class TJson;

  void ParseText(std::string_view JsonString, json_detail::TSkipMemo* Memo, int Depth);
  // Appends copies of Source's pairs; no checks.
  void CopyPairsFrom(const TJsonObject& Source);
  TJsonValue* PutBoolean(std::string_view Name, bool Value);
  void CheckNotSelfOrOwner(const TJsonBase* Node) const;

  std::vector<std::unique_ptr<TJsonPair>> FList;
  bool FAutoAdd = true;
};

}  // namespace bramble
