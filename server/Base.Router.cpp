#include "server/Base.Router.h"

#include <ctime>

#include "shared/settings/u_Consts.h"

namespace bramble {

void TBase::Router(http::Server& aApp) {
  aApp.Get("/", &TBase::Status);
}

std::string LocalDateTimeText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%d-%m-%Y %H:%M:%S", &local);
  return text;
}

void TBase::Status(http::Request&, http::Response& aRes) {
  aRes.ContentType("text/html");
  aRes.Send("<h2>Servidor Bramble Ativo! - " + PlatformDescription() + " - " + LocalDateTimeText() +
            "</h2>");
}

}  // namespace bramble
