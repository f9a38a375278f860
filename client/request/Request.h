#pragma once
// The client's fluent HTTP layer: TRequest::New() hands out an IRequest whose setters return
// the same IRequest, so a request is built in one chain; Get, Post, Put, Delete and Patch run
// it synchronously and return its IResponse.
//
// An HTTP status outside 2xx is an answer, not an error: the caller reads StatusCode. A
// failure below HTTP (no connection, unknown host, timeout, broken transfer) raises
// bramble::Exception with the transport's message.
#include <cstdint>
#include <istream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/rest/NameValueList.h"
#include "platform/rest/Types.h"

namespace bramble {

class TDataSet;
class TJsonBase;
class TJson;

// The response of a request: always the view of its last execute. A view keeps its request
// (and so the received answer) alive for as long as the view is held.
class IResponse {
 public:
  using Ptr = std::shared_ptr<IResponse>;
  virtual ~IResponse() = default;

  // The body as UTF-8 text, decoded from the answer's charset (or the fallback charset).
  virtual std::string Content() = 0;
  // The body length that the answer reports in Content-Length (else the body's size).
  virtual std::uint32_t ContentLength() = 0;
  // The media type of the answer ("application/json").
  virtual std::string ContentType() = 0;
  // The Content-Encoding of the answer ("gzip"); the body itself is already decoded.
  virtual std::string ContentEncoding() = 0;
  // A new memory stream with the body's bytes, positioned at its start. The view owns it: it
  // lives until the next ContentStream call or the end of the view; callers never free it.
  virtual std::stringstream* ContentStream() = 0;
  virtual std::int32_t StatusCode() = 0;
  virtual std::string StatusText() = 0;
  virtual std::vector<std::uint8_t> RawBytes() = 0;
  // The body parsed as a JSON array or object; owned by the view until the next call or the
  // end of the view. Raises the JSON model's parse error for any other text.
  virtual TJson* JSONValue() = 0;
  // The answer's headers, one "Name=Value" line each.
  virtual rest::NameValueList Headers() = 0;
};

class IRequest {
 public:
  using Ptr = std::shared_ptr<IRequest>;
  virtual ~IRequest() = default;

  // Blank means empty after removing the characters at or below " " at both ends. Operations
  // that skip blank arguments return the request unchanged; other texts are used untrimmed.

  virtual std::string AcceptEncoding() = 0;
  // "" sends no Accept-Encoding; otherwise gzip and deflate answers come back decoded.
  virtual Ptr AcceptEncoding(const std::string& Value) = 0;
  virtual std::string AcceptCharset() = 0;
  // Resets to "utf-8, *;q=0.8", then takes Value unless it is blank.
  virtual Ptr AcceptCharset(const std::string& Value) = 0;
  virtual std::string Accept() = 0;
  // Resets to "application/json, text/plain; q=0.9, text/html;q=0.8,", then takes Value
  // unless it is blank.
  virtual Ptr Accept(const std::string& Value) = 0;
  // Milliseconds for the whole exchange; 0 or less waits without limit.
  virtual std::int32_t Timeout() = 0;
  virtual Ptr Timeout(std::int32_t Value) = 0;
  // A dataset held for callers (not owned); it changes nothing in the request.
  virtual Ptr DataSetAdapter(TDataSet* Value) = 0;
  virtual TDataSet* DataSetAdapter() = 0;
  // The address that the resource and suffix follow; ":name" segments become "{name}".
  virtual Ptr BaseURL(const std::string& Value) = 0;
  virtual std::string BaseURL() = 0;
  virtual Ptr Resource(const std::string& Value) = 0;
  // When on, an answer of 500 or above raises bramble::Exception (off for a new request).
  virtual bool RaiseExceptionOn500() = 0;
  virtual Ptr RaiseExceptionOn500(bool Value) = 0;
  virtual std::string Resource() = 0;
  virtual Ptr ResourceSuffix(const std::string& Value) = 0;
  virtual std::string ResourceSuffix() = 0;
  // Sends "Authorization: <Value>" unchanged, unless Value is blank.
  virtual Ptr Token(const std::string& Value) = 0;
  // Sends Basic credentials with every execute (taking the place of a Token header).
  virtual Ptr BasicAuthentication(const std::string& Username, const std::string& Password) = 0;
  virtual IResponse::Ptr Get() = 0;
  virtual IResponse::Ptr Post() = 0;
  virtual IResponse::Ptr Put() = 0;
  virtual IResponse::Ptr Delete() = 0;
  virtual IResponse::Ptr Patch() = 0;
  virtual std::string FullRequestURL(bool IncludeParams) = 0;
  virtual Ptr ClearBody() = 0;
  virtual void SynchronizedEvents(bool Value) = 0;
  // Adds or replaces the header Name (skipped when Name or Value is blank). Without
  // poDoNotEncode the value is percent-encoded.
  virtual Ptr AddHeader(const std::string& Name, const std::string& Value,
                        rest::ParameterOptions Options) = 0;
  virtual Ptr AddParam(const std::string& Name, const std::string& Value,
                       rest::ParameterKind Kind) = 0;
  // Adds Content as a body part (skipped when blank).
  virtual Ptr AddBody(const std::string& Content, rest::ContentType ContentType) = 0;
  virtual Ptr FallbackCharsetEncoding(const std::string& Value) = 0;
  // Adds Json's text as a body part without content type; deletes Json when Owns.
  virtual Ptr AddBody(TJsonBase* Json, bool Owns) = 0;
  // Adds Json's text as an application/json body part; deletes Json when Owns.
  virtual Ptr AddJsonBody(TJsonBase* Json, bool Owns) = 0;
  // Adds a copy of Body's whole content as an application/octet-stream part; deletes Body
  // when Owns.
  virtual Ptr AddBody(std::istream* Body, bool Owns) = 0;
  // Fills the "{Name}" placeholder of the address with Value (percent-encoded).
  virtual Ptr AddUrlSegment(const std::string& Name, const std::string& Value) = 0;
  // Removes every header ever added through AddHeader, Token or ContentType.
  virtual Ptr ClearHeaders() = 0;
  // Removes every parameter ever added through AddParam with a name.
  virtual Ptr ClearParams() = 0;
  virtual Ptr UserAgent(const std::string& Value) = 0;
  // The header "Content-Type", sent unchanged.
  virtual Ptr ContentType(const std::string& Value) = 0;
  // Adds each "Name=Value" line as a cookie parameter, blank values included.
  virtual Ptr AddParam(const rest::NameValueList& Params) = 0;
  // Adds a multipart file part with a copy of Stream's content (Stream stays the caller's).
  virtual Ptr AddFile(const std::string& Name, std::istream* Stream) = 0;
  virtual Ptr Proxy(const std::string& Server, const std::string& Password,
                    const std::string& Username, std::int32_t Port) = 0;
  virtual Ptr ClearProxy() = 0;
};

class TRequest {
 public:
  // A fresh request.
  static IRequest::Ptr New();
};

}  // namespace bramble
