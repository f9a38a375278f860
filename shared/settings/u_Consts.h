#pragma once
// Constant texts compiled into both programs. The client compares the server's IdeName with
// its own (ignoring case) before it asks for the binary result transport, so both programs
// must return the same word.
#include <string>

namespace bramble {

std::string IdeName();
std::string PlatformBits();
// IdeName, the operating system the program was built for between blanks, then PlatformBits.
std::string PlatformDescription();

}  // namespace bramble
