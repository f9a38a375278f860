#pragma once
// Run-time loading of database client libraries. A library is opened with dlopen once per
// process and path and stays loaded: client libraries keep global state (thread keys,
// atexit handlers) that does not survive being unloaded.
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace bramble::drivers {

class ClientLibrary {
 public:
  // Opens `path`, or `defaultSoname` when `path` is empty. Raises bramble::Exception
  // "cannot load client library <name>: <reason>" when it cannot be opened.
  static std::shared_ptr<const ClientLibrary> Load(const std::string& path,
                                                   const std::string& defaultSoname);

  const std::string& Name() const { return name_; }

  // Binds a function pointer to the exported symbol `symbol`; raises the same
  // "cannot load client library" error when the symbol is missing.
  template <class Fn>
  void Bind(Fn& fn, const char* symbol) const {
    fn = reinterpret_cast<Fn>(Symbol(symbol));
  }

  // Binds `fn` when the library exports `symbol`; false (and `fn` null) when it does not.
  template <class Fn>
  bool TryBind(Fn& fn, const char* symbol) const {
    fn = reinterpret_cast<Fn>(FindSymbol(symbol));
    return fn != nullptr;
  }

  ClientLibrary(std::string name, void* handle) : name_(std::move(name)), handle_(handle) {}

 private:
  void* Symbol(const char* symbol) const;
  void* FindSymbol(const char* symbol) const;

  std::string name_;
  void* handle_;
};

// A vendor API table (a struct of bound function pointers built from a ClientLibrary) kept
// once per library, so that binding happens only on the first connection.
template <class Api>
std::shared_ptr<const Api> LoadClientApi(const std::string& path,
                                         const std::string& defaultSoname) {
  static std::mutex mutex;
  static std::map<std::string, std::shared_ptr<const Api>> apis;
  const std::string& key = path.empty() ? defaultSoname : path;
  std::lock_guard lock(mutex);
  if (auto found = apis.find(key); found != apis.end()) return found->second;
  auto library = ClientLibrary::Load(path, defaultSoname);
  auto api = std::make_shared<const Api>(*library);
  apis.emplace(key, api);
  return api;
}

// Binds `api.name` to the library's symbol of the same name.
#define BRAMBLE_BIND(library, name) (library).Bind(name, #name)

}  // namespace bramble::drivers
