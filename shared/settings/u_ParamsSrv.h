#pragma once
// The query server's address, port and Basic credentials, kept in one section ("srv") of the
// program's settings file. Defaults apply in the getters only; the file holds the raw values.
#include <cstdint>
#include <memory>
#include <string>

namespace bramble {

class iParamsSrv {
 public:
  using Ptr = std::shared_ptr<iParamsSrv>;
  virtual ~iParamsSrv() = default;

  // Name of the settings file inside the program's folder (empty: derived from the program).
  virtual Ptr setIniFile(const std::string& Value) = 0;
  // Loads Host, Port, User and Pass from the file, creating the file first when it is missing.
  virtual Ptr ReadIni() = 0;
  // Writes the raw Host, Port, User and Pass values to the file; other keys stay untouched.
  virtual Ptr WriteIni() = 0;

  virtual std::string Host() = 0;
  virtual Ptr Host(const std::string& Value) = 0;
  // The stored port, or 9095 when it is 0 (which is then stored).
  virtual std::int32_t Port() = 0;
  virtual Ptr Port(std::int32_t Value) = 0;
  // The stored user name, or "admin" when it is blank (which is then stored).
  virtual std::string User() = 0;
  virtual Ptr User(const std::string& Value) = 0;
  // The stored password, or "plovr" when it is blank (which is then stored).
  virtual std::string Password() = 0;
  virtual Ptr Password(const std::string& Value) = 0;
};

class TParamsSrv final : public iParamsSrv, public std::enable_shared_from_this<TParamsSrv> {
 public:
  static iParamsSrv::Ptr New(const std::string& aSecao);
  explicit TParamsSrv(std::string aSecao);

  Ptr setIniFile(const std::string& Value) override;
  Ptr ReadIni() override;
  Ptr WriteIni() override;
  std::string Host() override;
  Ptr Host(const std::string& Value) override;
  std::int32_t Port() override;
  Ptr Port(std::int32_t Value) override;
  std::string User() override;
  Ptr User(const std::string& Value) override;
  std::string Password() override;
  Ptr Password(const std::string& Value) override;

 private:
  std::string IniFilePath();
  Ptr Self() { return shared_from_this(); }

  std::string FIniFile;
  std::string FHost;
  std::int32_t FPort = 0;
  std::string FUser;
  std::string FPassword;
  std::string FSecao;
};

// Full path of a settings file named `aIniFile` in the running program's folder; an empty or
// blank name stands for the program's own file name with its extension replaced by ".ini".
// Updates `aIniFile` to the name used.
std::string SettingsFilePath(std::string& aIniFile);

// True when the text holds nothing but blanks.
bool IsBlank(const std::string& text);

}  // namespace bramble
