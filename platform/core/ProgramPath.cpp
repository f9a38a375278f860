#include "platform/core/ProgramPath.h"

#include <filesystem>
#include <system_error>

#include "platform/core/Exception.h"

namespace bramble {

std::string ProgramFilePath() {
  std::error_code ec;
  const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) throw Exception("Cannot determine the program's path: " + ec.message());
  return path.string();
}

}  // namespace bramble
