#include "platform/rest/Response.h"

#include <charconv>

#include "platform/core/AsciiCase.h"
#include "platform/rest/Charset.h"

namespace bramble::rest {

namespace {

std::string_view TrimBlanks(std::string_view S) {
  while (!S.empty() && static_cast<unsigned char>(S.front()) <= ' ') S.remove_prefix(1);
  while (!S.empty() && static_cast<unsigned char>(S.back()) <= ' ') S.remove_suffix(1);
  return S;
}

}  // namespace

void Response::Reset() {
  FStatusCode = 0;
  FStatusText.clear();
  FHeaders.Clear();
  FRawBytes.clear();
}

void Response::SetStatus(int Code, std::string Text) {
  FStatusCode = Code;
  FStatusText = std::move(Text);
}

std::string Response::ContentType() const {
  std::string Value = FHeaders.Values("Content-Type");
  return std::string(TrimBlanks(std::string_view(Value).substr(0, Value.find(';'))));
}

std::string Response::ContentCharset() const {
  std::string Value = FHeaders.Values("Content-Type");
  std::string_view Rest(Value);
  std::size_t Semi = Rest.find(';');
  while (Semi != std::string_view::npos) {
    Rest.remove_prefix(Semi + 1);
    Semi = Rest.find(';');
    std::string_view Param = TrimBlanks(Rest.substr(0, Semi));
    std::size_t Eq = Param.find('=');
    if (Eq == std::string_view::npos ||
        !EqualsIgnoringCase(TrimBlanks(Param.substr(0, Eq)), "charset"))
      continue;
    std::string_view Charset = TrimBlanks(Param.substr(Eq + 1));
    if (Charset.size() >= 2 && Charset.front() == '"' && Charset.back() == '"')
      Charset = Charset.substr(1, Charset.size() - 2);
    return std::string(Charset);
  }
  return std::string();
}

std::uint64_t Response::ContentLength() const {
  std::string Value = FHeaders.Values("Content-Length");
  std::string_view Digits = TrimBlanks(Value);
  std::uint64_t Length = 0;
  auto [End, Error] = std::from_chars(Digits.data(), Digits.data() + Digits.size(), Length);
  if (Digits.empty() || Error != std::errc() || End != Digits.data() + Digits.size())
    return FRawBytes.size();
  return Length;
}

std::string Response::Content() const {
  std::string Charset = ContentCharset();
  if (Charset.empty()) Charset = FFallbackCharset;
  std::string_view Bytes(reinterpret_cast<const char*>(FRawBytes.data()), FRawBytes.size());
  return DecodeToUtf8(Bytes, Charset);
}

}  // namespace bramble::rest
