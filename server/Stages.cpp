#include "server/Stages.h"

#include "platform/http/BasicAuthentication.h"
#include "platform/http/Compression.h"
#include "platform/http/StreamBody.h"
#include "server/CheckCredentials.h"

namespace bramble {

namespace {
constexpr std::size_t kCompressionThreshold = 1024;
}

void InstallStages(http::Server& aApp) {
  http::BasicAuthConfig config;
  config.header = "Authorization";
  config.realm = "Enter credentials";
  config.skippedPaths = {"/"};
  aApp.Use(http::BasicAuthentication(std::move(config), CheckCredentials));
  aApp.Use(http::Compression(kCompressionThreshold));
  aApp.Use(http::StreamBody());
}

}  // namespace bramble
