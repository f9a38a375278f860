#pragma once
// TJsonBase: the abstract node of the JSON tree, and the text operations every node shares
// (classification of value texts, integer and number texts, escaping, splitting).
//
// Text is UTF-8 in std::string. Escapes work on UTF-16 code units: Encode writes a character
// outside the Basic Multilingual Plane as two \u escapes, Decode joins such a pair again, and
// a lone surrogate travels as its 3-byte (WTF-8) form.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "shared/json/JsonTypes.h"

namespace bramble {

class TJsonBase {
 public:
  virtual ~TJsonBase();
  TJsonBase(const TJsonBase&) = delete;
  TJsonBase& operator=(const TJsonBase&) = delete;

  // The node that holds this one (nullptr for a node created on its own). A back link for
  // error messages only: it owns nothing.
  TJsonBase* Owner() const { return FOwner; }

  // Replaces the node's content with what the text describes. Errors are bramble::Exception;
  // a container that fails part-way keeps the items read before the failure.
  virtual void Parse(std::string_view JsonString) = 0;
  // The node's compact, pure-ASCII JSON text.
  virtual std::string Stringify() const = 0;
  // Replaces the node's content with a deep copy of Source's (Source is never taken over).
  // Assigning a node into itself or into one of its own descendants is refused with the
  // assign error and changes nothing.
  virtual void Assign(const TJsonBase* Source) = 0;
  void Assign(const TJsonBase& Source) { Assign(&Source); }

  // Appends Stringify()'s text to Out (one buffer for a whole tree).
  virtual void StringifyTo(std::string& Out) const = 0;
  // "TJsonValue", "TJsonArray", "TJsonPair", "TJsonObject" or "TJson".
  virtual const char* ClassName() const = 0;

  // --- Text operations (they neither read nor change any node) ---

  // S escaped for use inside a JSON string, without quotes; the result is pure ASCII.
  static std::string Encode(std::string_view S);
  // Appends Encode(S) to Out.
  static void EncodeTo(std::string_view S, std::string& Out);
  // Resolves the escapes of the inside of a JSON string. A \u escape whose following units
  // are not hexadecimal digits raises "Invalid unicode \u%s".
  static std::string Decode(std::string_view S);
  // Appends the top-level pieces of S, cut at Delimiter and trimmed, to Strings (which is not
  // emptied first). Delimiters inside strings, arrays and objects do not cut; a last piece
  // that is empty is dropped.
  static void Split(std::string_view S, char Delimiter, std::vector<std::string>& Strings);

  static bool IsJsonObject(std::string_view S);   // Trim(S) is "{...}"
  static bool IsJsonArray(std::string_view S);    // Trim(S) is "[...]"
  static bool IsJsonString(std::string_view S);   // Trim(S) is quoted at both ends
  static bool IsJsonInteger(std::string_view S);  // an integer text, untrimmed
  static bool IsJsonNumber(std::string_view S);   // a number text
  static bool IsJsonBoolean(std::string_view S);  // "true" or "false", ASCII case ignored
  static bool IsJsonNull(std::string_view S);     // "null", ASCII case ignored
  // The kind of value that the text denotes (jvNone when it denotes none).
  static TJsonValueType AnalyzeJsonValueType(std::string_view S);

  // S without the code units at or below U+0020 at both ends.
  static std::string_view Trim(std::string_view S);
  // Reads an integer text: leading spaces, optional sign, decimal digits or a hexadecimal
  // prefix ("$", "0x", "0X", "x", "X") and digits; the value must fit 64 bits.
  static bool TryReadInteger(std::string_view S, std::int64_t& Value);
  // Reads a number text ("." as decimal separator whatever the locale); the value must be
  // finite.
  static bool TryReadNumber(std::string_view S, double& Value);
  // The text written for a double: 15 significant digits, "." separator, scientific notation
  // below 0.0001 and from 10^15 up ("2.5E-5", "1E15"); NAN, INF and -INF when not finite.
  static std::string NumberToText(double Value);
  static void NumberToText(double Value, std::string& Out);  // appends
  // The same text written at Out; returns its end. Out must have room for kMaxNumberChars:
  // the bytes between the end and that limit may be used as scratch.
  static constexpr std::size_t kMaxNumberChars = 32;
  static char* NumberToChars(double Value, char* Out);
  // Decimal digits with "-" before negative values.
  static void IntegerToText(std::int64_t Value, std::string& Out);  // appends
  // The same digits written at Out (room for kMaxNumberChars needed, as above); returns their
  // end.
  static char* IntegerToChars(std::int64_t Value, char* Out);

 protected:
  enum class TNodeKind : std::uint8_t { Value, Array, Pair, Object, Root };

  TJsonBase(TJsonBase* AOwner, TNodeKind AKind) : FOwner(AOwner), FKind(AKind) {}
  TNodeKind Kind() const { return FKind; }
  static TNodeKind KindOf(const TJsonBase* Node) { return Node->FKind; }

  // True when Node is this node or one of its owners: such a node must not be copied into
  // this one.
  bool IsSelfOrOwner(const TJsonBase* Node) const;

  // Errors, raised as bramble::Exception with the message "<ClassName>text".
  [[noreturn]] void RaiseError(std::string_view Text) const;
  // "\"<pair>\" parse error: <text>"
  [[noreturn]] void RaiseParseError(std::string_view Text) const;
  // "\"<pair>\" value type error: <current> to <target>"
  [[noreturn]] void RaiseValueTypeError(TJsonValueType Current, TJsonValueType Target) const;
  // "assign error: <Source class or nil> to <this class>"
  [[noreturn]] void RaiseAssignError(const TJsonBase* Source) const;
  // Name of the nearest TJsonPair among the owners (the node itself not included), or "".
  std::string EnclosingPairName() const;

 private:
  TJsonBase* FOwner;
  TNodeKind FKind;
};

// The list index error: "List index out of bounds (%d)".
[[noreturn]] void RaiseJsonListIndexError(int Index);

}  // namespace bramble
