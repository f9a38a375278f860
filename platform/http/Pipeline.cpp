#include "platform/http/Pipeline.h"

namespace bramble::http {

namespace {
constexpr const char* kTextPlain = "text/plain";
}

void Router::AddRoute(std::string method, std::string path, Handler handler) {
  for (auto& route : routes_) {
    if (route.method == method && route.path == path) {
      route.handler = std::move(handler);
      return;
    }
  }
  routes_.push_back(Route{std::move(method), std::move(path), std::move(handler)});
}

void Router::Dispatch(Request& request, Response& response) const {
  bool pathKnown = false;
  for (const auto& route : routes_) {
    if (route.path != request.Path()) continue;
    pathKnown = true;
    if (route.method == request.Method()) {
      route.handler(request, response);
      return;
    }
  }
  if (pathKnown) {
    response.Status(405).ContentType(kTextPlain).Send("Method Not Allowed");
  } else {
    response.Status(404).ContentType(kTextPlain).Send("Not Found");
  }
}

void Pipeline::Use(Stage stage) {
  stages_.push_back(std::move(stage));
}

void Pipeline::Run(std::size_t index, Request& request, Response& response) const {
  if (index == stages_.size()) {
    router_.Dispatch(request, response);
    return;
  }
  stages_[index](request, response, [&, index] { Run(index + 1, request, response); });
}

void Pipeline::Handle(Request& request, Response& response) const {
  try {
    Run(0, request, response);
  } catch (...) {
    if (response.Status() < 400) {
      response.Status(500).ContentType(kTextPlain).Send("Internal Application Error");
    }
  }
}

}  // namespace bramble::http
