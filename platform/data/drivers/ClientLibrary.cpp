#include "platform/data/drivers/ClientLibrary.h"

#include <dlfcn.h>

#include "platform/core/Exception.h"

namespace bramble::drivers {

namespace {

std::string LastDlError() {
  const char* text = dlerror();
  return text ? text : "unknown error";
}

}  // namespace

std::shared_ptr<const ClientLibrary> ClientLibrary::Load(const std::string& path,
                                                         const std::string& defaultSoname) {
  static std::mutex mutex;
  static std::map<std::string, std::shared_ptr<const ClientLibrary>> loaded;
  const std::string name = path.empty() ? defaultSoname : path;
  std::lock_guard lock(mutex);
  if (auto found = loaded.find(name); found != loaded.end()) return found->second;
  dlerror();
  void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) throw Exception("cannot load client library " + name + ": " + LastDlError());
  auto library = std::make_shared<const ClientLibrary>(name, handle);
  loaded.emplace(name, library);
  return library;
}

void* ClientLibrary::Symbol(const char* symbol) const {
  dlerror();
  void* address = dlsym(handle_, symbol);
  if (!address) throw Exception("cannot load client library " + name_ + ": " + LastDlError());
  return address;
}

void* ClientLibrary::FindSymbol(const char* symbol) const {
  return dlsym(handle_, symbol);
}

}  // namespace bramble::drivers
