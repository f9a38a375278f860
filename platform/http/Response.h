#pragma once
// The response that the stages and the route handler build together. It starts as status 200
// without a body; a handler sends either a text body or a stream body.
#include <istream>
#include <memory>
#include <string>
#include <utility>

#include "platform/http/Headers.h"

namespace bramble::http {

class Response {
 public:
  int Status() const { return status_; }
  Response& Status(int status);

  // Sets a text body (any bytes held in a string); drops a stream body.
  Response& Send(std::string text);
  // Sets a stream body, sent from its first byte; drops a text body.
  Response& SendStream(std::unique_ptr<std::istream> stream);

  bool HasStream() const { return stream_ != nullptr; }
  std::istream* Stream() const { return stream_.get(); }
  // Hands the stream body over to the caller; the response is then without a body.
  std::unique_ptr<std::istream> TakeStream() { return std::move(stream_); }
  const std::string& Text() const { return text_; }
  // Hands the text body over to the caller; the response is then without a body.
  std::string TakeText() { return std::exchange(text_, {}); }

  // The content type, or an empty text when none was set.
  std::string ContentType() const { return headers_.Get("Content-Type"); }
  Response& ContentType(std::string value);

  std::string Header(std::string_view name) const { return headers_.Get(name); }
  bool HasHeader(std::string_view name) const { return headers_.Has(name); }
  Response& SetHeader(std::string_view name, std::string value);
  Response& AddHeader(std::string name, std::string value);
  Response& RemoveHeader(std::string_view name);
  const Fields& Headers() const { return headers_; }

 private:
  int status_ = 200;
  std::string text_;
  std::unique_ptr<std::istream> stream_;
  Fields headers_;
};

}  // namespace bramble::http
