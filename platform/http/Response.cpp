#include "platform/http/Response.h"

namespace bramble::http {

Response& Response::Status(int status) {
  status_ = status;
  return *this;
}

Response& Response::Send(std::string text) {
  text_ = std::move(text);
  stream_.reset();
  return *this;
}

Response& Response::SendStream(std::unique_ptr<std::istream> stream) {
  stream_ = std::move(stream);
  text_.clear();
  return *this;
}

Response& Response::ContentType(std::string value) {
  headers_.Set("Content-Type", std::move(value));
  return *this;
}

Response& Response::SetHeader(std::string_view name, std::string value) {
  headers_.Set(name, std::move(value));
  return *this;
}

Response& Response::AddHeader(std::string name, std::string value) {
  headers_.Add(std::move(name), std::move(value));
  return *this;
}

Response& Response::RemoveHeader(std::string_view name) {
  headers_.Remove(name);
  return *this;
}

}  // namespace bramble::http
