#pragma once
// Text helpers shared by the node classes (not part of the public interface).
#include <cstdint>
#include <string>
#include <string_view>

#include "shared/json/JsonTypes.h"

namespace bramble::json_detail {

// The kind a trimmed value text denotes; for jvInteger and jvNumber the value is read into
// Integer or Number on the way.
TJsonValueType ClassifyTrimmed(std::string_view T, std::int64_t& Integer, double& Number);

// Appends Decode(S) to Out.
void DecodeTo(std::string_view S, std::string& Out);

}  // namespace bramble::json_detail
