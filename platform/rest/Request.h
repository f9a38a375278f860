#pragma once
// A REST request: resource and suffix below the client's base address, accept headers,
// timeout, parameters of every kind, body parts and method. Execute runs it synchronously
// and fills the bound response.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rest/Types.h"

namespace bramble::rest {

class Client;
class Response;

struct Parameter {
  std::string Name;
  std::string Value;  // text; for a file part, its file name
  ParameterKind Kind = ParameterKind::GetOrPost;
  ParameterOptions Options;
  rest::ContentType ContentType = rest::ContentType::None;
  std::string Content;  // bytes of a body part given as a stream, or of a file part
  bool HasContent = false;
};

class Request {
 public:
  static constexpr const char* kDefaultAccept =
      "application/json, text/plain; q=0.9, text/html;q=0.8,";
  static constexpr const char* kDefaultAcceptCharset = "utf-8, *;q=0.8";
  static constexpr std::int32_t kDefaultTimeoutMs = 30000;

  // Largest body accepted from a server; a longer answer fails the execute.
  static constexpr std::size_t kMaxResponseBodyBytes = std::size_t(1) << 30;
  // Largest total size of the response headers accepted.
  static constexpr std::size_t kMaxResponseHeaderBytes = std::size_t(1) << 20;
  // Redirects followed before giving up.
  static constexpr long kMaxRedirects = 10;

  rest::Client* Client = nullptr;      // not owned; required by Execute
  rest::Response* Response = nullptr;  // not owned; required by Execute
  std::string Resource;
  std::string ResourceSuffix;
  std::string Accept = kDefaultAccept;
  std::string AcceptCharset = kDefaultAcceptCharset;
  // "" sends no Accept-Encoding and takes the body as it comes; otherwise the value is sent
  // and answers in gzip or deflate (zlib or raw) are decoded.
  std::string AcceptEncoding;
  // Limit in milliseconds for the whole exchange; 0 or less waits without limit.
  std::int32_t Timeout = kDefaultTimeoutMs;
  rest::Method Method = rest::Method::Get;
  bool SynchronizedEvents = true;
  // Largest body taken from the server for this request (at most kMaxResponseBodyBytes).
  std::size_t MaxResponseBodyBytes = kMaxResponseBodyBytes;

  // Called after every completed exchange, whatever its status.
  std::function<void()> OnAfterExecute;
  // Called after an exchange that ended with a status of 400 or above.
  std::function<void()> OnHTTPProtocolError;

  // --- Parameters ---
  // Adds a parameter, or replaces the value, kind and options of the one of that name (ASCII
  // case ignored).
  Parameter& AddItem(std::string_view Name, std::string_view Value, ParameterKind Kind,
                     ParameterOptions Options = {});
  // The parameter of that name, or nullptr.
  Parameter* ParameterByName(std::string_view Name);
  // Removes every parameter of that name.
  void DeleteParameter(std::string_view Name);
  const std::vector<Parameter>& Params() const { return FParams; }

  // Appends a body part (parts are never merged).
  void AddBody(std::string Content, rest::ContentType Type);
  // Appends a file part of a multipart form.
  void AddFile(std::string_view Name, std::string FileName, std::string Content,
               rest::ContentType Type);
  // Removes every body part.
  void ClearBody();

  // Base address, resource and suffix joined by single "/", URL segments filled, and with
  // IncludeParams the query string.
  std::string FullRequestURL(bool IncludeParams) const;

  // Sends the request and waits for the answer. Fills Response, then raises
  // bramble::Exception for a failure below HTTP (with the transport's message) or, when the
  // client says so, for a status of 500 or above.
  void Execute();

 private:
  std::vector<Parameter> FParams;
  std::uint64_t FBodyCounter = 0;
};

// Percent-encodes every byte except the unreserved ASCII letters, digits and "-._~".
std::string UrlEncode(std::string_view Text);

}  // namespace bramble::rest
