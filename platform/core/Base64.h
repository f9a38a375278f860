#pragma once
// Standard Base64 (RFC 4648 alphabet, "=" padding), as HTTP Basic credentials use it.
#include <string>
#include <string_view>

namespace bramble {

// Decodes `text`; padding is optional and blanks and line breaks are ignored.
// Throws bramble::Exception on any other character or a truncated final group.
std::string Base64Decode(std::string_view text);
std::string Base64Encode(std::string_view bytes);

}  // namespace bramble
