#pragma once
// TJsonArray: an ordered list of TJsonValue items that it owns.
#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "shared/json/JsonBase.h"

namespace bramble {

class TJsonArray final : public TJsonBase {
 public:
  explicit TJsonArray(TJsonBase* AOwner = nullptr);
  ~TJsonArray() override;

  // "[item,item,...]": blanks allowed around items, a trailing comma accepted.
  void Parse(std::string_view JsonString) override;
  std::string Stringify() const override;
  void StringifyTo(std::string& Out) const override;
  // Empties the array, then copies Source's items when Source is a TJsonArray; otherwise
  // the assign error (the array stays empty).
  void Assign(const TJsonBase* Source) override;
  using TJsonBase::Assign;
  const char* ClassName() const override { return "TJsonArray"; }

  // Appends a deep copy of every item of Addition, in order.
  void Merge(const TJsonArray* Addition);
  void Merge(const TJsonArray& Addition) { Merge(&Addition); }

  // Appends a new empty value and returns it (owned by the array).
  TJsonValue* Add();
  // Inserts a new empty value before Index (0 to Count; Count appends) and returns it.
  TJsonValue* Insert(int Index);

  // Each Put appends a new item, stores the argument in it (node arguments are deep-copied)
  // and returns the item.
  TJsonValue* Put(TJsonEmpty Value);
  TJsonValue* Put(TJsonNull Value);
  template <std::same_as<bool> B>
  TJsonValue* Put(B Value) {
    return PutBoolean(Value);
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
  TJsonValue* Put(const TJsonArray& Value) { return Put(&Value); }
  TJsonValue* Put(const TJsonObject& Value) { return Put(&Value); }
  TJsonValue* Put(const TJsonValue& Value) { return Put(&Value); }

  // Destroys the item at Index and closes the gap.
  void Delete(int Index);
  // Destroys all items.
  void Clear();

  // The item at Index (an index outside the list raises the list index error).
  TJsonValue* GetItems(int Index) const;
  TJsonValue* Items(int Index) const { return GetItems(Index); }
  int Count() const { return static_cast<int>(FList.size()); }

 private:
  friend class TJsonValue;
  friend class TJsonObject;
  friend class TJson;

  void ParseText(std::string_view JsonString, json_detail::TSkipMemo* Memo, int Depth);
  // Appends copies of Source's items; no checks.
  void CopyItemsFrom(const TJsonArray& Source);
  TJsonValue* PutBoolean(bool Value);
  // Refuses (assign error) a node that is this array or one of its owners.
  void CheckNotSelfOrOwner(const TJsonBase* Node) const;

  std::vector<std::unique_ptr<TJsonValue>> FList;
};

}  // namespace bramble
