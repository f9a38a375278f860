#pragma once
// Linguistic lower-casing of UTF-8 text, every letter (not only A to Z).
#include <string>
#include <string_view>

namespace bramble {

// `aText` with every letter mapped to its lower-case form by the system's Unicode case tables
// (one code point to one code point). Other characters, malformed bytes and lone surrogates are
// kept as they are; nothing is raised to upper case.
std::string LinguisticLowerCase(std::string_view aText);

}  // namespace bramble
