#pragma once
// INI file access by section and key, with a fallback for every read.
//
// Each read loads the file as it is at that moment; each write reaches the file at once,
// through a temporary file in the same folder that is renamed over the old one. A reader
// never sees half a file, and a write that fails leaves the previous file whole. Writes from
// several threads of one process to the same file are serialised, so none is lost.
#include <cstdint>
#include <string>

namespace bramble::ini {

// Largest settings file that is read; a larger one is refused rather than loaded.
inline constexpr std::uintmax_t kMaxIniFileBytes = 1 << 20;

class IniFile {
 public:
  explicit IniFile(std::string path);

  const std::string& Path() const { return path_; }
  bool Exists() const;

  // The key's text, or `fallback` when the file, the section or the key is missing.
  // Throws bramble::Exception when the file exists but cannot be read.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fallback) const;
  // The key's value as a whole number; text that is not a whole number reads as `fallback`.
  std::int32_t ReadInteger(const std::string& section, const std::string& key,
                           std::int32_t fallback) const;

  // Stores the value, creating the file and the section when missing; other sections and
  // keys keep their text and order. Throws bramble::Exception when the file cannot be written.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);

 private:
  std::string path_;
};

}  // namespace bramble::ini
