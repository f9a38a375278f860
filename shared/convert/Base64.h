#pragma once
// Base64 of binary field values: the standard alphabet with "=" padding, broken into lines the
// MIME way so that stored payloads keep the layout that peers already read.
#include <cstddef>
#include <string>
#include <string_view>

namespace bramble {

// Output characters per line; a CR LF follows each full line, the last one included.
inline constexpr std::size_t kBase64LineLength = 76;

// Encodes `aBytes`, appending to `aOut`. A CR LF follows every 76th output character, also when
// the output ends right there; the padding comes after the last full line.
void Base64EncodeMime(std::string_view aBytes, std::string& aOut);
std::string Base64EncodeMime(std::string_view aBytes);

// Number of characters that Base64EncodeMime produces for `aLength` bytes.
std::size_t Base64EncodedLength(std::size_t aLength);

// Decodes `aText`, skipping every character outside the alphabet (line breaks, padding, blanks).
// A trailing group of one character carries fewer than 8 bits and gives no byte.
std::string Base64DecodeMime(std::string_view aText);

}  // namespace bramble
