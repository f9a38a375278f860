#include "shared/json/JsonBase.h"

#include "platform/core/AsciiCase.h"
#include "platform/core/Exception.h"
#include "shared/json/JsonPair.h"
#include "shared/json/JsonScan.h"
#include "shared/json/JsonTextOps.h"

namespace bramble {

const char* JsonValueTypeName(TJsonValueType aType) {
  switch (aType) {
    case jvNone:
      return "jvNone";
    case jvNull:
      return "jvNull";
    case jvString:
      return "jvString";
    case jvInteger:
      return "jvInteger";
    case jvNumber:
      return "jvNumber";
    case jvBoolean:
      return "jvBoolean";
    case jvObject:
      return "jvObject";
    case jvArray:
      return "jvArray";
  }
  return "jvNone";
}

void RaiseJsonListIndexError(int Index) {
  throw Exception("List index out of bounds (" + std::to_string(Index) + ")");
}

namespace json_detail {

TJsonValueType ClassifyTrimmed(std::string_view T, std::int64_t& Integer, double& Number) {
  if (T.size() >= 2) {
    const char first = T.front();
    const char last = T.back();
    if (first == '{' && last == '}') return jvObject;
    if (first == '[' && last == ']') return jvArray;
    if (first == '"' && last == '"') return jvString;
    if (EqualsIgnoringCase(T, "null")) return jvNull;
    if (EqualsIgnoringCase(T, "true") || EqualsIgnoringCase(T, "false")) return jvBoolean;
  }
  if (TJsonBase::TryReadInteger(T, Integer)) return jvInteger;
  if (TJsonBase::TryReadNumber(T, Number)) return jvNumber;
  return jvNone;
}

}  // namespace json_detail

using json_detail::TrimView;

TJsonBase::~TJsonBase() = default;

std::string_view TJsonBase::Trim(std::string_view S) {
  return TrimView(S);
}

void TJsonBase::Split(std::string_view S, char Delimiter, std::vector<std::string>& Strings) {
  json_detail::ForEachPiece(S, Delimiter, nullptr, [&](std::string_view piece) {
    Strings.emplace_back(piece);
    return true;
  });
}

namespace {
bool Enclosed(std::string_view S, char First, char Last) {
  const std::string_view t = TrimView(S);
  return t.size() >= 2 && t.front() == First && t.back() == Last;
}
}  // namespace

bool TJsonBase::IsJsonObject(std::string_view S) {
  return Enclosed(S, '{', '}');
}
bool TJsonBase::IsJsonArray(std::string_view S) {
  return Enclosed(S, '[', ']');
}
bool TJsonBase::IsJsonString(std::string_view S) {
  return Enclosed(S, '"', '"');
}

bool TJsonBase::IsJsonInteger(std::string_view S) {
  std::int64_t v = 0;
  return TryReadInteger(S, v);
}

bool TJsonBase::IsJsonNumber(std::string_view S) {
  double v = 0;
  return TryReadNumber(S, v);
}

bool TJsonBase::IsJsonBoolean(std::string_view S) {
  return EqualsIgnoringCase(S, "true") || EqualsIgnoringCase(S, "false");
}

bool TJsonBase::IsJsonNull(std::string_view S) {
  return EqualsIgnoringCase(S, "null");
}

TJsonValueType TJsonBase::AnalyzeJsonValueType(std::string_view S) {
  std::int64_t i = 0;
  double d = 0;
  return json_detail::ClassifyTrimmed(TrimView(S), i, d);
}

bool TJsonBase::IsSelfOrOwner(const TJsonBase* Node) const {
  for (const TJsonBase* p = this; p != nullptr; p = p->FOwner) {
    if (p == Node) return true;
  }
  return false;
}

std::string TJsonBase::EnclosingPairName() const {
  for (const TJsonBase* p = FOwner; p != nullptr; p = p->FOwner) {
    if (p->FKind == TNodeKind::Pair) return static_cast<const TJsonPair*>(p)->Name();
  }
  return {};
}

void TJsonBase::RaiseError(std::string_view Text) const {
  std::string message = "<";
  message += ClassName();
  message += '>';
  message += Text;
  throw Exception(message);
}

void TJsonBase::RaiseParseError(std::string_view Text) const {
  std::string text = "\"" + EnclosingPairName() + "\" parse error: ";
  text += Text;
  RaiseError(text);
}

void TJsonBase::RaiseValueTypeError(TJsonValueType Current, TJsonValueType Target) const {
  RaiseError("\"" + EnclosingPairName() + "\" value type error: " + JsonValueTypeName(Current) +
             " to " + JsonValueTypeName(Target));
}

void TJsonBase::RaiseAssignError(const TJsonBase* Source) const {
  RaiseError(std::string("assign error: ") + (Source != nullptr ? Source->ClassName() : "nil") +
             " to " + ClassName());
}

}  // namespace bramble
