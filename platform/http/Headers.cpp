#include "platform/http/Headers.h"

#include <algorithm>

namespace bramble::http {

namespace {
bool IsBlankChar(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
}  // namespace

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), LowerAscii);
  return out;
}

std::string Trim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlankChar(text[begin])) ++begin;
  while (end > begin && IsBlankChar(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string Fields::Get(std::string_view name) const {
  for (const auto& [key, value] : entries_) {
    if (EqualsIgnoringCase(key, name)) return value;
  }
  return {};
}

bool Fields::Has(std::string_view name) const {
  return std::any_of(entries_.begin(), entries_.end(),
                     [&](const Entry& e) { return EqualsIgnoringCase(e.first, name); });
}

void Fields::Set(std::string_view name, std::string value) {
  Remove(name);
  entries_.emplace_back(std::string(name), std::move(value));
}

void Fields::Add(std::string name, std::string value) {
  entries_.emplace_back(std::move(name), std::move(value));
}

void Fields::Remove(std::string_view name) {
  std::erase_if(entries_, [&](const Entry& e) { return EqualsIgnoringCase(e.first, name); });
}

}  // namespace bramble::http
