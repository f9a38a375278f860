#pragma once
// Kinds, tags and limits shared by every node of the JSON document model.
#include <cstdint>

namespace bramble {

// The kind of value a TJsonValue holds. The member names appear in error messages.
enum TJsonValueType : std::uint8_t {
  jvNone,     // empty: no value yet (new or cleared)
  jvNull,     // the JSON null
  jvString,   // text
  jvInteger,  // signed 64-bit integer
  jvNumber,   // 64-bit IEEE 754 double
  jvBoolean,  // true or false
  jvObject,   // a TJsonObject
  jvArray,    // a TJsonArray
};

// What a TJson root holds.
enum TJsonStructType : std::uint8_t {
  jsNone,    // no container yet
  jsArray,   // a TJsonArray
  jsObject,  // a TJsonObject
};

// Tag for the Put overloads that store a JSON null.
enum class TJsonNull : std::uint8_t { null };
// Tag for the Put overloads that leave the new value empty (jvNone).
enum class TJsonEmpty : std::uint8_t { empty };

// "jvNone" ... "jvArray": the member name of a value kind.
const char* JsonValueTypeName(TJsonValueType aType);

// Deepest nesting of objects and arrays that Parse accepts; a deeper text is a parse error
// rather than a recursion that could exhaust the stack.
inline constexpr int kMaxJsonDepth = 512;

class TJsonBase;
class TJsonValue;
class TJsonArray;
class TJsonPair;
class TJsonObject;
class TJson;

namespace json_detail {
class TSkipMemo;
}

}  // namespace bramble
