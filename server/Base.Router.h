#pragma once
// The query server's routes and their handlers.
#include "platform/http/Server.h"

namespace bramble {

class TBase {
 public:
  // Registers every route of the query server with the application. Called once, after the
  // stages are installed and before listening starts. To add a route: declare its handler
  // here as a static member and register it in Router.
  static void Router(http::Server& aApp);

  // GET "/": one-line HTML status page with the platform description and the local time.
  static void Status(http::Request& aReq, http::Response& aRes);
};

// The local date and time as "dd-mm-yyyy hh:nn:ss" (24-hour clock).
std::string LocalDateTimeText();

}  // namespace bramble
