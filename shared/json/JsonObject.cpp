#include "shared/json/JsonObject.h"

#include "platform/core/AsciiCase.h"
#include "shared/json/JsonArray.h"
#include "shared/json/JsonScan.h"
#include "shared/json/JsonTextOps.h"

namespace bramble {

using json_detail::TSkipMemo;

TJsonObject::TJsonObject(TJsonBase* AOwner) : TJsonBase(AOwner, TNodeKind::Object) {}

TJsonObject::~TJsonObject() {
  Clear();
}

void TJsonObject::Clear() {
  FList.clear();
}

void TJsonObject::Parse(std::string_view JsonString) {
  TSkipMemo memo(JsonString.size());
  ParseText(JsonString, &memo, 1);
}

void TJsonObject::ParseText(std::string_view JsonString, TSkipMemo* Memo, int Depth) {
  Clear();
  const std::string_view t = json_detail::TrimView(JsonString);
  if (t.size() < 2 || t.front() != '{' || t.back() != '}') RaiseParseError(t);
  const std::string_view inner = json_detail::TrimView(t.substr(1, t.size() - 2));
  json_detail::TPieces pieces;
  json_detail::ForEachPiece(inner, ',', Memo, [&](std::string_view piece) {
    pieces.Add(piece);
    return true;
  });
  FList.reserve(pieces.Count());
  for (std::size_t i = 0; i < pieces.Count(); ++i) Add({})->ParseText(pieces[i], Memo, Depth);
}

void TJsonObject::StringifyTo(std::string& Out) const {
  Out += '{';
  bool first = true;
  for (const auto& pair : FList) {
    if (!first) Out += ',';
    first = false;
    pair->StringifyTo(Out);
  }
  Out += '}';
}

std::string TJsonObject::Stringify() const {
  std::string out;
  StringifyTo(out);
  return out;
}

void TJsonObject::CopyPairsFrom(const TJsonObject& Source) {
  if (FList.empty()) FList.reserve(Source.FList.size());
  for (const auto& pair : Source.FList) {
    auto copy = std::make_unique<TJsonPair>(this);
    copy->CopyFrom(*pair);
    FList.push_back(std::move(copy));
  }
}

void TJsonObject::CheckNotSelfOrOwner(const TJsonBase* Node) const {
  if (Node != nullptr && IsSelfOrOwner(Node)) RaiseAssignError(Node);
}

void TJsonObject::Assign(const TJsonBase* Source) {
  CheckNotSelfOrOwner(Source);
  if (Source == nullptr || KindOf(Source) != TNodeKind::Object) {
    Clear();
    RaiseAssignError(Source);
  }
  // Copied before clearing: Source may be one of this object's descendants.
  std::vector<std::unique_ptr<TJsonPair>> pairs;
  pairs.reserve(static_cast<const TJsonObject*>(Source)->FList.size());
  for (const auto& pair : static_cast<const TJsonObject*>(Source)->FList) {
    auto copy = std::make_unique<TJsonPair>(this);
    copy->CopyFrom(*pair);
    pairs.push_back(std::move(copy));
  }
  Clear();
  FList = std::move(pairs);
}

void TJsonObject::Merge(const TJsonObject* Addition) {
  CheckNotSelfOrOwner(Addition);
  if (Addition == nullptr) RaiseAssignError(Addition);
  CopyPairsFrom(*Addition);
}

TJsonPair* TJsonObject::Add(std::string_view Name) {
  FList.push_back(std::make_unique<TJsonPair>(this, Name));
  return FList.back().get();
}

TJsonPair* TJsonObject::Insert(int Index, std::string_view Name) {
  if (Index < 0 || Index > Count()) RaiseJsonListIndexError(Index);
  return FList.insert(FList.begin() + Index, std::make_unique<TJsonPair>(this, Name))->get();
}

TJsonValue* TJsonObject::Put(std::string_view Name, TJsonEmpty) {
  return Add(Name)->Value();
}

TJsonValue* TJsonObject::Put(std::string_view Name, TJsonNull) {
  TJsonValue* v = Add(Name)->Value();
  v->IsNull(true);
  return v;
}

TJsonValue* TJsonObject::PutBoolean(std::string_view Name, bool Value) {
  TJsonValue* v = Add(Name)->Value();
  v->AsBoolean(Value);
  return v;
}

TJsonValue* TJsonObject::Put(std::string_view Name, std::int64_t Value) {
  TJsonValue* v = Add(Name)->Value();
  v->AsInteger(Value);
  return v;
}

TJsonValue* TJsonObject::Put(std::string_view Name, double Value) {
  TJsonValue* v = Add(Name)->Value();
  v->AsNumber(Value);
  return v;
}

TJsonValue* TJsonObject::Put(std::string_view Name, std::string_view Value) {
  TJsonValue* v = Add(Name)->Value();
  v->AsString(Value);
  return v;
}

TJsonValue* TJsonObject::Put(std::string_view Name, const TJsonArray* Value) {
  CheckNotSelfOrOwner(Value);
  TJsonValue* v = Add(Name)->Value();
  v->Assign(Value);
  return v;
}

TJsonValue* TJsonObject::Put(std::string_view Name, const TJsonObject* Value) {
  CheckNotSelfOrOwner(Value);
  TJsonValue* v = Add(Name)->Value();
  v->Assign(Value);
  return v;
}

TJsonValue* TJsonObject::Put(std::string_view Name, const TJsonValue* Value) {
  CheckNotSelfOrOwner(Value);
  TJsonValue* v = Add(Name)->Value();
  v->Assign(Value);
  return v;
}

TJsonValue* TJsonObject::Put(const TJsonPair* Value) {
  CheckNotSelfOrOwner(Value);
  TJsonPair* pair = Add({});
  pair->Assign(Value);
  return pair->Value();
}

int TJsonObject::Find(std::string_view Name) const {
  for (std::size_t i = 0; i < FList.size(); ++i) {
    if (EqualsIgnoringCase(FList[i]->Name(), Name)) return static_cast<int>(i);
  }
  return -1;
}

void TJsonObject::Delete(int Index) {
  if (Index < 0 || Index >= Count()) RaiseJsonListIndexError(Index);
  FList.erase(FList.begin() + Index);
}

void TJsonObject::Delete(std::string_view Name) {
  const int i = Find(Name);
  if (i < 0) RaiseError("\"" + std::string(Name) + "\" not found");
  Delete(i);
}

TJsonPair* TJsonObject::GetItems(int Index) const {
  if (Index < 0 || Index >= Count()) RaiseJsonListIndexError(Index);
  return FList[static_cast<std::size_t>(Index)].get();
}

TJsonValue* TJsonObject::GetValues(std::string_view Name) {
  const int i = Find(Name);
  if (i >= 0) return FList[static_cast<std::size_t>(i)]->Value();
  if (!FAutoAdd) RaiseError(std::string(Name) + " not found");
  return Add(Name)->Value();
}

}  // namespace bramble
