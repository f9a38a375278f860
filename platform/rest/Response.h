#pragma once
// What one executed request received: status line, headers and body. A request fills it on
// every execute (emptying it first), so it always shows the last answer.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/rest/NameValueList.h"

namespace bramble::rest {

class Response {
 public:
  int StatusCode() const { return FStatusCode; }
  // The reason phrase of the status line ("Not Found"); "" when the server sent none.
  const std::string& StatusText() const { return FStatusText; }
  // The headers of the final answer (after redirects), one "Name=Value" line each, in the
  // order received.
  const NameValueList& Headers() const { return FHeaders; }
  // The media type of the Content-Type header, without its parameters ("text/html").
  std::string ContentType() const;
  // The charset parameter of the Content-Type header; "" when none is named.
  std::string ContentCharset() const;
  // The Content-Encoding header ("gzip"); the body itself is already decoded.
  std::string ContentEncoding() const { return FHeaders.Values("Content-Encoding"); }
  // The Content-Length header when it holds a number, otherwise the size of the body.
  std::uint64_t ContentLength() const;
  // The body bytes as received (after content decoding).
  const std::vector<std::uint8_t>& RawBytes() const { return FRawBytes; }
  // The body as UTF-8 text: decoded from the charset that the answer names, or from the
  // fallback charset when it names none, or taken as UTF-8 when neither is known.
  std::string Content() const;

  // --- Filled by the request ---
  void Reset();
  void SetStatus(int Code, std::string Text);
  void AddHeader(std::string_view Name, std::string_view Value) { FHeaders.Add(Name, Value); }
  void ClearHeaders() { FHeaders.Clear(); }
  void AppendBody(const char* Data, std::size_t Size) {
    FRawBytes.insert(FRawBytes.end(), Data, Data + Size);
  }
  void SetFallbackCharset(std::string Charset) { FFallbackCharset = std::move(Charset); }

 private:
  int FStatusCode = 0;
  std::string FStatusText;
  NameValueList FHeaders;
  std::vector<std::uint8_t> FRawBytes;
  std::string FFallbackCharset;
};

}  // namespace bramble::rest
