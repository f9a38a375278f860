#pragma once
// An ordered list of name/value pairs whose names compare without regard to letter case, as
// HTTP header names and this framework's query parameter names do.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/core/AsciiCase.h"

namespace bramble::http {

// The text with ASCII letters lower-cased.
std::string AsciiLower(std::string_view text);
// The text without leading and trailing blanks, tabs and line breaks.
std::string Trim(std::string_view text);

class Fields {
 public:
  using Entry = std::pair<std::string, std::string>;

  // Value of the first entry with that name, or an empty text.
  std::string Get(std::string_view name) const;
  bool Has(std::string_view name) const;
  // Replaces every entry of that name with one entry holding the value.
  void Set(std::string_view name, std::string value);
  // Adds an entry, keeping entries of the same name.
  void Add(std::string name, std::string value);
  void Remove(std::string_view name);

  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
};

}  // namespace bramble::http
