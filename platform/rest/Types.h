#pragma once
// Vocabulary of the REST client: parameter kinds and options, body content types, methods.
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace bramble::rest {

// Where a request parameter travels.
enum class ParameterKind : std::uint8_t {
  Cookie,       // in the "Cookie" header
  GetOrPost,    // in the query string, or in a form body for methods that carry a body
  UrlSegment,   // fills the "{name}" placeholder of the address
  HttpHeader,   // a request header
  RequestBody,  // a body part
  File,         // a file part of a multipart form
  Query,        // always in the query string
};

// One option of a parameter.
enum class ParameterOption : std::uint8_t {
  poDoNotEncode,  // the value is sent unchanged instead of percent-encoded
};

// A set of parameter options, written like a set literal: {} or {ParameterOption::poDoNotEncode}.
class ParameterOptions {
 public:
  ParameterOptions() = default;
  ParameterOptions(std::initializer_list<ParameterOption> Options) {
    for (ParameterOption Option : Options) Bits |= Bit(Option);
  }
  bool Contains(ParameterOption Option) const { return (Bits & Bit(Option)) != 0; }
  bool Empty() const { return Bits == 0; }
  bool operator==(const ParameterOptions&) const = default;

 private:
  static std::uint8_t Bit(ParameterOption Option) {
    return static_cast<std::uint8_t>(1u << static_cast<unsigned>(Option));
  }
  std::uint8_t Bits = 0;
};

// Content type of a body part. None sends the part without a Content-Type of its own.
enum class ContentType : std::uint8_t {
  None,
  ApplicationJson,
  ApplicationOctetStream,
  ApplicationXml,
  ApplicationFormUrlEncoded,
  MultipartFormData,
  TextPlain,
  TextHtml,
  TextXml,
  TextCsv,
};

// The media type text ("application/json"); "" for None.
std::string_view ContentTypeText(ContentType Type);

enum class Method : std::uint8_t { Get, Post, Put, Delete, Patch };

// "GET", "POST", "PUT", "DELETE", "PATCH".
std::string_view MethodText(Method AMethod);

}  // namespace bramble::rest
