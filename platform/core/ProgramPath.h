#pragma once
// Where the running program lives; settings files are kept beside it.
#include <string>

namespace bramble {

// Full path of the running program's file (resolved through /proc/self/exe).
// Throws bramble::Exception when the operating system cannot tell.
std::string ProgramFilePath();

}  // namespace bramble
