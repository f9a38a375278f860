#pragma once
// Conversion of received text from its charset to UTF-8.
#include <string>
#include <string_view>

namespace bramble::rest {

// Bytes in the named charset, converted to UTF-8. "" or an unknown charset name is taken as
// UTF-8. Bytes that are invalid in the charset become U+FFFD, one per byte.
std::string DecodeToUtf8(std::string_view Bytes, std::string_view Charset);

}  // namespace bramble::rest
