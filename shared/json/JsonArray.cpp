#include "shared/json/JsonArray.h"

#include "shared/json/JsonObject.h"
#include "shared/json/JsonScan.h"
#include "shared/json/JsonValue.h"

namespace bramble {

using json_detail::TSkipMemo;

TJsonArray::TJsonArray(TJsonBase* AOwner) : TJsonBase(AOwner, TNodeKind::Array) {}

TJsonArray::~TJsonArray() {
  Clear();
}

void TJsonArray::Clear() {
  FList.clear();
}

void TJsonArray::Parse(std::string_view JsonString) {
  TSkipMemo memo(JsonString.size());
  ParseText(JsonString, &memo, 1);
}

void TJsonArray::ParseText(std::string_view JsonString, TSkipMemo* Memo, int Depth) {
  Clear();
  const std::string_view t = json_detail::TrimView(JsonString);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') RaiseParseError(t);
  const std::string_view inner = json_detail::TrimView(t.substr(1, t.size() - 2));
  json_detail::TPieces pieces;
  json_detail::ForEachPiece(inner, ',', Memo, [&](std::string_view piece) {
    pieces.Add(piece);
    return true;
  });
  FList.reserve(pieces.Count());
  for (std::size_t i = 0; i < pieces.Count(); ++i) Add()->ParseText(pieces[i], Memo, Depth);
}

void TJsonArray::StringifyTo(std::string& Out) const {
  Out += '[';
  bool first = true;
  for (const auto& item : FList) {
    if (!first) Out += ',';
    first = false;
    item->StringifyTo(Out);
  }
  Out += ']';
}

std::string TJsonArray::Stringify() const {
  std::string out;
  StringifyTo(out);
  return out;
}

void TJsonArray::CopyItemsFrom(const TJsonArray& Source) {
  if (FList.empty()) FList.reserve(Source.FList.size());
  for (const auto& item : Source.FList) {
    auto copy = std::make_unique<TJsonValue>(this);
    copy->CopyFrom(*item);
    FList.push_back(std::move(copy));
  }
}

void TJsonArray::CheckNotSelfOrOwner(const TJsonBase* Node) const {
  if (Node != nullptr && IsSelfOrOwner(Node)) RaiseAssignError(Node);
}

void TJsonArray::Assign(const TJsonBase* Source) {
  CheckNotSelfOrOwner(Source);
  if (Source == nullptr || KindOf(Source) != TNodeKind::Array) {
    Clear();
    RaiseAssignError(Source);
  }
  // Copied before clearing: Source may be one of this array's descendants.
  std::vector<std::unique_ptr<TJsonValue>> items;
  items.reserve(static_cast<const TJsonArray*>(Source)->FList.size());
  for (const auto& item : static_cast<const TJsonArray*>(Source)->FList) {
    auto value = std::make_unique<TJsonValue>(this);
    value->CopyFrom(*item);
    items.push_back(std::move(value));
  }
  Clear();
  FList = std::move(items);
}

void TJsonArray::Merge(const TJsonArray* Addition) {
  CheckNotSelfOrOwner(Addition);
  if (Addition == nullptr) RaiseAssignError(Addition);
  CopyItemsFrom(*Addition);
}

TJsonValue* TJsonArray::Add() {
  FList.push_back(std::make_unique<TJsonValue>(this));
  return FList.back().get();
}

TJsonValue* TJsonArray::Insert(int Index) {
  if (Index < 0 || Index > Count()) RaiseJsonListIndexError(Index);
  return FList.insert(FList.begin() + Index, std::make_unique<TJsonValue>(this))->get();
}

TJsonValue* TJsonArray::Put(TJsonEmpty) {
  return Add();
}

TJsonValue* TJsonArray::Put(TJsonNull) {
  TJsonValue* v = Add();
  v->IsNull(true);
  return v;
}

TJsonValue* TJsonArray::PutBoolean(bool Value) {
  TJsonValue* v = Add();
  v->AsBoolean(Value);
  return v;
}

TJsonValue* TJsonArray::Put(std::int64_t Value) {
  TJsonValue* v = Add();
  v->AsInteger(Value);
  return v;
}

TJsonValue* TJsonArray::Put(double Value) {
  TJsonValue* v = Add();
  v->AsNumber(Value);
  return v;
}

TJsonValue* TJsonArray::Put(std::string_view Value) {
  TJsonValue* v = Add();
  v->AsString(Value);
  return v;
}

TJsonValue* TJsonArray::Put(const TJsonArray* Value) {
  CheckNotSelfOrOwner(Value);
  TJsonValue* v = Add();
  v->Assign(Value);
  return v;
}

TJsonValue* TJsonArray::Put(const TJsonObject* Value) {
  CheckNotSelfOrOwner(Value);
  TJsonValue* v = Add();
  v->Assign(Value);
  return v;
}

TJsonValue* TJsonArray::Put(const TJsonValue* Value) {
  CheckNotSelfOrOwner(Value);
  TJsonValue* v = Add();
  v->Assign(Value);
  return v;
}

void TJsonArray::Delete(int Index) {
  if (Index < 0 || Index >= Count()) RaiseJsonListIndexError(Index);
  FList.erase(FList.begin() + Index);
}

TJsonValue* TJsonArray::GetItems(int Index) const {
  if (Index < 0 || Index >= Count()) RaiseJsonListIndexError(Index);
  return FList[static_cast<std::size_t>(Index)].get();
}

}  // namespace bramble
