#include "shared/json/JsonPair.h"

#include "shared/json/JsonScan.h"
#include "shared/json/JsonTextOps.h"

namespace bramble {

using json_detail::TSkipMemo;

TJsonPair::TJsonPair(TJsonBase* AOwner, std::string_view AName)
    : TJsonBase(AOwner, TNodeKind::Pair), FName(AName), FValue(this) {}

TJsonPair::~TJsonPair() = default;

void TJsonPair::Parse(std::string_view JsonString) {
  TSkipMemo memo(JsonString.size());
  ParseText(JsonString, &memo, 0);
}

void TJsonPair::ParseText(std::string_view JsonString, TSkipMemo* Memo, int Depth) {
  const std::string_view t = json_detail::TrimView(JsonString);
  // Name and value are the two top-level pieces around a colon; a third piece is an error
  // whatever follows, so the scan stops there.
  std::string_view pieces[2];
  int count = 0;
  json_detail::ForEachPiece(t, ':', Memo, [&](std::string_view piece) {
    if (count < 2) pieces[count] = piece;
    return ++count < 3;
  });
  if (count != 2) RaiseParseError(t);
  const std::string_view name = pieces[0];
  if (name.size() < 2 || name.front() != '"' || name.back() != '"') RaiseParseError(name);
  std::string decoded;
  json_detail::DecodeTo(name.substr(1, name.size() - 2), decoded);
  FName = std::move(decoded);
  FValue.ParseText(pieces[1], Memo, Depth);
}

void TJsonPair::StringifyTo(std::string& Out) const {
  Out += '"';
  EncodeTo(FName, Out);
  Out += "\":";
  FValue.StringifyTo(Out);
}

std::string TJsonPair::Stringify() const {
  std::string out;
  StringifyTo(out);
  return out;
}

void TJsonPair::CopyFrom(const TJsonPair& Source) {
  FName = Source.FName;
  FValue.CopyFrom(Source.FValue);
}

void TJsonPair::Assign(const TJsonBase* Source) {
  if (Source != nullptr && IsSelfOrOwner(Source)) RaiseAssignError(Source);
  if (Source == nullptr || KindOf(Source) != TNodeKind::Pair) RaiseAssignError(Source);
  const auto* source = static_cast<const TJsonPair*>(Source);
  std::string name = source->FName;  // read before the value changes: Source may lie inside it
  FValue.Assign(&source->FValue);
  FName = std::move(name);
}

}  // namespace bramble
