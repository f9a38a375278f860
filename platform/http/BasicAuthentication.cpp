#include "platform/http/BasicAuthentication.h"

#include "platform/core/Base64.h"
#include "platform/core/Exception.h"

namespace bramble::http {

namespace {

constexpr std::string_view kScheme = "basic ";

void Answer(Response& response, int status, std::string text) {
  response.Status(status).ContentType("text/plain").Send(std::move(text));
}

}  // namespace

Stage BasicAuthentication(BasicAuthConfig config, CredentialCheck check) {
  return [config = std::move(config), check = std::move(check)](
             Request& request, Response& response, const Next& next) {
    for (const auto& skipped : config.skippedPaths) {
      if (EqualsIgnoringCase(request.Path(), skipped)) {
        next();
        return;
      }
    }

    std::string credentials = Trim(request.Header(config.header));
    if (credentials.empty()) credentials = Trim(request.Query(config.header));
    if (credentials.empty()) {
      response.SetHeader("WWW-Authenticate", "Basic realm=\"" + config.realm + "\"");
      Answer(response, 401, "Authorization not found");
      return;
    }
    if (!EqualsIgnoringCase(std::string_view(credentials).substr(0, kScheme.size()), kScheme)) {
      Answer(response, 401, "Invalid authorization type");
      return;
    }

    bool accepted = false;
    try {
      const std::string decoded =
          Base64Decode(std::string_view(credentials).substr(kScheme.size()));
      // The user name ends at the first ":" and the password at the next one.
      const auto first = decoded.find(':');
      if (first == std::string::npos) throw Exception("Credentials without a password");
      const auto second = decoded.find(':', first + 1);
      const std::string user = decoded.substr(0, first);
      const std::string password = decoded.substr(
          first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
      accepted = check(user, password);
    } catch (const std::exception& e) {
      Answer(response, 500, e.what());
      return;
    }
    if (!accepted) {
      Answer(response, 401, "Unauthorized");
      return;
    }
    next();
  };
}

}  // namespace bramble::http
