#include "platform/http/StreamBody.h"

namespace bramble::http {

Stage StreamBody() {
  return [](Request&, Response& response, const Next& next) {
    next();
    if (!response.HasStream()) return;
    if (Trim(response.ContentType()).empty()) response.ContentType("application/octet-stream");
    if (!response.HasHeader("Content-Disposition")) {
      response.SetHeader("Content-Disposition", "attachment");
    }
  };
}

}  // namespace bramble::http
