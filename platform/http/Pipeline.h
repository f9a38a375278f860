#pragma once
// What happens to a request once it has been read: the stages in the order in which they were
// installed, then the route table. A stage may answer and stop the request by not calling
// `next`, or call `next` and then work on the response the later stages and the handler built.
#include <functional>
#include <string>
#include <vector>

#include "platform/http/Request.h"
#include "platform/http/Response.h"

namespace bramble::http {

using Handler = std::function<void(Request&, Response&)>;
using Next = std::function<void()>;
using Stage = std::function<void(Request&, Response&, const Next& next)>;

// Route table: path and method to handler. Paths match exactly; methods are compared as sent.
class Router {
 public:
  // Registers a handler; a later registration of the same path and method replaces it.
  void AddRoute(std::string method, std::string path, Handler handler);
  // Runs the matching handler, or answers 404 "Not Found" for an unknown path and
  // 405 "Method Not Allowed" for a known path with another method.
  void Dispatch(Request& request, Response& response) const;

 private:
  struct Route {
    std::string method;
    std::string path;
    Handler handler;
  };
  std::vector<Route> routes_;
};

class Pipeline {
 public:
  void Use(Stage stage);
  Router& Routes() { return router_; }
  // Runs the stages and the route. An error that escapes them while the status is below 400
  // becomes 500 "Internal Application Error"; with a status of 400 or above the response
  // built so far is kept.
  void Handle(Request& request, Response& response) const;

 private:
  void Run(std::size_t index, Request& request, Response& response) const;

  std::vector<Stage> stages_;
  Router router_;
};

}  // namespace bramble::http
