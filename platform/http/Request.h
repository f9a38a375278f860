#pragma once
// One HTTP request as the stages and route handlers see it.
#include <string>

#include "platform/http/Headers.h"

namespace bramble::http {

class Request {
 public:
  // `target` is the request line's target ("/path?query"); the path and the query parameters
  // are taken from it with their percent escapes decoded.
  Request(std::string method, std::string target, Fields headers, std::string body);

  // The method as sent, e.g. "GET".
  const std::string& Method() const { return method_; }
  const std::string& Target() const { return target_; }
  // The decoded path without the query; an empty path reads as "/".
  const std::string& Path() const { return path_; }

  // A header's value, or an empty text when the request has none.
  std::string Header(std::string_view name) const { return headers_.Get(name); }
  const Fields& Headers() const { return headers_; }
  std::string ContentType() const { return headers_.Get("Content-Type"); }

  // A query-string parameter's decoded value ("+" reads as a blank), or an empty text.
  std::string Query(std::string_view name) const { return query_.Get(name); }
  bool HasQuery(std::string_view name) const { return query_.Has(name); }
  const Fields& QueryParams() const { return query_; }

  // The raw request body.
  const std::string& Body() const { return body_; }

 private:
  std::string method_;
  std::string target_;
  std::string path_;
  Fields headers_;
  Fields query_;
  std::string body_;
};

// Decodes %XX escapes; when `plusIsBlank` is set a "+" becomes a blank. A "%" that is not
// followed by two hexadecimal digits is kept as it is.
std::string PercentDecode(std::string_view text, bool plusIsBlank);

}  // namespace bramble::http
