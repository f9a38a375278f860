#include "shared/settings/u_ParamsSrv.h"

#include <filesystem>

#include "platform/core/Exception.h"
#include "platform/core/ProgramPath.h"
#include "platform/ini/IniFile.h"

namespace bramble {

namespace {
constexpr std::int32_t kDefaultPort = 9095;
constexpr const char* kDefaultUser = "admin";
constexpr const char* kDefaultPassword = "plovr";
}  // namespace

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(" \t\r\n\f\v") == std::string::npos;
}

std::string SettingsFilePath(std::string& aIniFile) {
  namespace fs = std::filesystem;
  const fs::path program(ProgramFilePath());
  if (IsBlank(aIniFile)) {
    aIniFile = program.filename().replace_extension(".ini").string();
  }
  return (program.parent_path() / aIniFile).string();
}

iParamsSrv::Ptr TParamsSrv::New(const std::string& aSecao) {
  return std::make_shared<TParamsSrv>(aSecao);
}

TParamsSrv::TParamsSrv(std::string aSecao) : FSecao(std::move(aSecao)) {}

std::string TParamsSrv::IniFilePath() { return SettingsFilePath(FIniFile); }

iParamsSrv::Ptr TParamsSrv::setIniFile(const std::string& Value) {
  FIniFile = Value;
  return Self();
}

iParamsSrv::Ptr TParamsSrv::ReadIni() {
  try {
    ini::IniFile file(IniFilePath());
    if (!file.Exists()) WriteIni();
    FHost = file.ReadString(FSecao, "Host", "");
    FPort = file.ReadInteger(FSecao, "Port", 0);
    FUser = file.ReadString(FSecao, "User", "");
    FPassword = file.ReadString(FSecao, "Pass", "");
  } catch (const std::exception& e) {
    throw Exception(e.what());
  }
  return Self();
}

iParamsSrv::Ptr TParamsSrv::WriteIni() {
  try {
    ini::IniFile file(IniFilePath());
    file.WriteString(FSecao, "Host", FHost);
    file.WriteInteger(FSecao, "Port", FPort);
    file.WriteString(FSecao, "User", FUser);
    file.WriteString(FSecao, "Pass", FPassword);
  } catch (const std::exception& e) {
    throw Exception(e.what());
  }
  return Self();
}

std::string TParamsSrv::Host() { return FHost; }

iParamsSrv::Ptr TParamsSrv::Host(const std::string& Value) {
  FHost = Value;
  return Self();
}

std::int32_t TParamsSrv::Port() {
  if (FPort == 0) FPort = kDefaultPort;
  return FPort;
}

iParamsSrv::Ptr TParamsSrv::Port(std::int32_t Value) {
  FPort = Value;
  return Self();
}

std::string TParamsSrv::User() {
  if (IsBlank(FUser)) FUser = kDefaultUser;
  return FUser;
}

iParamsSrv::Ptr TParamsSrv::User(const std::string& Value) {
  FUser = Value;
  return Self();
}

std::string TParamsSrv::Password() {
  if (IsBlank(FPassword)) FPassword = kDefaultPassword;
  return FPassword;
}

iParamsSrv::Ptr TParamsSrv::Password(const std::string& Value) {
  FPassword = Value;
  return Self();
}

}  // namespace bramble
