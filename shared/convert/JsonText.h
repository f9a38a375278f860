#pragma once
// Pieces of JSON text for the converters' direct text output, written by the JSON model's own
// rules so that the text equals what Stringify of the corresponding tree gives.
#include <cstdint>
#include <string>
#include <string_view>

#include "shared/json/JsonBase.h"

namespace bramble {

// A double quote, the escaped text, a double quote.
inline void AppendJsonString(std::string_view aText, std::string& aOut) {
  aOut.push_back('"');
  TJsonBase::EncodeTo(aText, aOut);
  aOut.push_back('"');
}

inline void AppendJsonInteger(std::int64_t aValue, std::string& aOut) {
  TJsonBase::IntegerToText(aValue, aOut);
}

inline void AppendNumberText(double aValue, std::string& aOut) {
  TJsonBase::NumberToText(aValue, aOut);
}

}  // namespace bramble
