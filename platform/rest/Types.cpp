#include "platform/rest/Types.h"

namespace bramble::rest {

std::string_view ContentTypeText(ContentType Type) {
  switch (Type) {
    case ContentType::None:
      return "";
    case ContentType::ApplicationJson:
      return "application/json";
    case ContentType::ApplicationOctetStream:
      return "application/octet-stream";
    case ContentType::ApplicationXml:
      return "application/xml";
    case ContentType::ApplicationFormUrlEncoded:
      return "application/x-www-form-urlencoded";
    case ContentType::MultipartFormData:
      return "multipart/form-data";
    case ContentType::TextPlain:
      return "text/plain";
    case ContentType::TextHtml:
      return "text/html";
    case ContentType::TextXml:
      return "text/xml";
    case ContentType::TextCsv:
      return "text/csv";
  }
  return "";
}

std::string_view MethodText(Method AMethod) {
  switch (AMethod) {
    case Method::Get:
      return "GET";
    case Method::Post:
      return "POST";
    case Method::Put:
      return "PUT";
    case Method::Delete:
      return "DELETE";
    case Method::Patch:
      return "PATCH";
  }
  return "GET";
}

}  // namespace bramble::rest
