#include "platform/http/Request.h"

namespace bramble::http {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Drops "scheme://authority" from an absolute-form target so that only the path remains.
std::string_view OriginForm(std::string_view target) {
  const auto scheme = target.find("://");
  if (scheme == std::string_view::npos ||
      target.substr(0, scheme).find('/') != std::string_view::npos) {
    return target;
  }
  const auto pathStart = target.find_first_of("/?", scheme + 3);
  return pathStart == std::string_view::npos ? std::string_view{} : target.substr(pathStart);
}

Fields ParseQuery(std::string_view query) {
  Fields params;
  while (!query.empty()) {
    const auto amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
    if (pair.empty()) continue;
    const auto eq = pair.find('=');
    if (eq == std::string_view::npos) {
      params.Add(PercentDecode(pair, true), {});
    } else {
      params.Add(PercentDecode(pair.substr(0, eq), true), PercentDecode(pair.substr(eq + 1), true));
    }
  }
  return params;
}

}  // namespace

std::string PercentDecode(std::string_view text, bool plusIsBlank) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%' && i + 2 < text.size()) {
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    out.push_back(plusIsBlank && c == '+' ? ' ' : c);
  }
  return out;
}

Request::Request(std::string method, std::string target, Fields headers, std::string body)
    : method_(std::move(method)),
      target_(std::move(target)),
      headers_(std::move(headers)),
      body_(std::move(body)) {
  const std::string_view origin = OriginForm(target_);
  const auto question = origin.find('?');
  path_ = PercentDecode(origin.substr(0, question), false);
  if (path_.empty()) path_.push_back('/');
  if (question != std::string_view::npos) query_ = ParseQuery(origin.substr(question + 1));
}

}  // namespace bramble::http
