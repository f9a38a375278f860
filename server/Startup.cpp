#include "server/Startup.h"

#include <cstdio>
#include <exception>
#include <iostream>
#include <limits>
#include <string>

#include "platform/http/Server.h"
#include "server/Base.Router.h"
#include "server/Stages.h"
#include "shared/settings/u_Consts.h"
#include "shared/settings/u_ParamsSrv.h"

namespace bramble {

namespace {

constexpr const char* kListenAddress = "0.0.0.0";
// Used when the settings hold a port below 1.
constexpr int kFallbackPort = 9000;
constexpr int kMaxPort = std::numeric_limits<std::uint16_t>::max();

void PrintBanner(int port) {
  std::printf("Servidor ativo %s:%d - %s\n", kListenAddress, port, PlatformDescription().c_str());
  std::fflush(stdout);
}

// Prints why listening could not start, then leaves it on screen until the operator answers
// (or the input ends). Returns the program's exit code.
int ReportStartFailure(const char* kind, const std::exception& error) {
  std::printf("%s: %s\n", kind, error.what());
  std::fflush(stdout);
  std::string line;
  std::getline(std::cin, line);
  return 1;
}

}  // namespace

int RunServer() {
  http::Server app;
  InstallStages(app);
  TBase::Router(app);

  int port = 0;
  try {
    port = TParamsSrv::New("srv")->ReadIni()->Port();
  } catch (const std::exception& e) {
    std::printf("%s\n", e.what());
    std::fflush(stdout);
    return 1;
  }
  if (port < 1) port = kFallbackPort;

  try {
    // A port beyond the TCP range would otherwise be cut to some other port without notice.
    if (port > kMaxPort) throw http::ListenError("Invalid port " + std::to_string(port));
    http::ServerOptions options;
    options.address = kListenAddress;
    options.port = static_cast<std::uint16_t>(port);
    app.Start(options, [port] { PrintBanner(port); });
  } catch (const http::ListenError& e) {
    return ReportStartFailure("ListenError", e);
  } catch (const std::exception& e) {
    return ReportStartFailure("Exception", e);
  }
  app.Wait();
  return 0;
}

}  // namespace bramble
