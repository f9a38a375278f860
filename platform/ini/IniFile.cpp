#include "platform/ini/IniFile.h"

// SimpleIni as Debian ships it: the implementation is compiled here, in this one file, and
// text is kept as UTF-8 bytes without conversion.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "platform/core/Exception.h"

namespace bramble::ini {
namespace {

namespace fs = std::filesystem;

std::string SystemError(const std::string& what, const std::string& path, int err) {
  return what + " \"" + path + "\": " + std::strerror(err);
}

// Loads the whole file into `ini`. A missing file is an empty document.
void Load(const std::string& path, CSimpleIniA& ini) {
  std::error_code ec;
  const auto status = fs::status(path, ec);
  if (ec || status.type() == fs::file_type::not_found) {
    if (ec && ec != std::errc::no_such_file_or_directory) {
      throw Exception(SystemError("Cannot read settings file", path, ec.value()));
    }
    return;
  }
  if (status.type() != fs::file_type::regular) {
    throw Exception("Cannot read settings file \"" + path + "\": not a regular file");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Exception(SystemError("Cannot open settings file", path, errno));
  std::string text;
  char buffer[8192];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxIniFileBytes) {
      throw Exception("Settings file \"" + path + "\" is larger than " +
                      std::to_string(kMaxIniFileBytes) + " bytes");
    }
  }
  if (in.bad()) throw Exception(SystemError("Cannot read settings file", path, errno));
  if (ini.LoadData(text) < 0) throw Exception("Cannot parse settings file \"" + path + "\"");
}

// Writes `ini` to a temporary file beside `path`, flushes it and renames it over `path`.
void Save(const std::string& path, const CSimpleIniA& ini) {
  std::string text;
  if (ini.Save(text) < 0) throw Exception("Cannot format settings file \"" + path + "\"");
  const fs::path target(path);
  std::string tmpl = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) throw Exception(SystemError("Cannot write settings file", path, errno));
  const char* p = text.data();
  std::size_t left = text.size();
  int err = 0;
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      break;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  ::fchmod(fd, 0644);
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(tmpl.c_str(), path.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(tmpl.c_str());
    throw Exception(SystemError("Cannot write settings file", path, err));
  }
}

// One lock per file path: read-modify-write cycles of one process never interleave.
std::mutex& WriteLock(const std::string& path) {
  static std::mutex registry_lock;
  static std::map<std::string, std::mutex> locks;
  std::lock_guard guard(registry_lock);
  return locks[path];
}

void PrepareDocument(CSimpleIniA& ini) {
  ini.SetUnicode(true);
  ini.SetMultiKey(false);
  ini.SetSpaces(false);
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

bool IniFile::Exists() const {
  std::error_code ec;
  return fs::exists(path_, ec);
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& fallback) const {
  CSimpleIniA ini;
  PrepareDocument(ini);
  Load(path_, ini);
  const char* value = ini.GetValue(section.c_str(), key.c_str(), nullptr);
  return value ? std::string(value) : fallback;
}

std::int32_t IniFile::ReadInteger(const std::string& section, const std::string& key,
                                  std::int32_t fallback) const {
  std::string text = ReadString(section, key, "");
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return fallback;
  const auto last = text.find_last_not_of(" \t");
  text = text.substr(first, last - first + 1);
  const char* begin = text.data();
  if (*begin == '+') ++begin;
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || begin == end) return fallback;
  return value;
}

void IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
  std::lock_guard guard(WriteLock(path_));
  CSimpleIniA ini;
  PrepareDocument(ini);
  Load(path_, ini);
  if (ini.SetValue(section.c_str(), key.c_str(), value.c_str()) < 0) {
    throw Exception("Cannot store key \"" + key + "\" in settings file \"" + path_ + "\"");
  }
  Save(path_, ini);
}

void IniFile::WriteInteger(const std::string& section, const std::string& key,
                           std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

}  // namespace bramble::ini
