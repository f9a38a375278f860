#include "shared/settings/u_Consts.h"

namespace bramble {

// The toolchain both programs are built with; one word, the same in both programs.
std::string IdeName() { return "GCC"; }

std::string PlatformBits() { return "Plataforma 64 Bits"; }

std::string PlatformDescription() {
#if defined(_WIN32)
  constexpr const char* kSystem = " Windows ";
#else
  constexpr const char* kSystem = " Linux ";
#endif
  return IdeName() + kSystem + PlatformBits();
}

}  // namespace bramble
