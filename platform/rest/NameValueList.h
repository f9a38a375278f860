#pragma once
// An ordered list of "Name=Value" lines, as response headers are handed out and as several
// parameters are passed in at once. Lookups by name ignore ASCII letter case.
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace bramble::rest {

class NameValueList {
 public:
  NameValueList() = default;
  NameValueList(std::initializer_list<std::string> ALines) : Lines(ALines) {}

  void Add(std::string_view Line) { Lines.emplace_back(Line); }
  void Add(std::string_view Name, std::string_view Value);
  void Clear() { Lines.clear(); }

  std::size_t Count() const { return Lines.size(); }
  bool Empty() const { return Lines.empty(); }
  const std::string& operator[](std::size_t Index) const { return Lines.at(Index); }
  auto begin() const { return Lines.begin(); }
  auto end() const { return Lines.end(); }

  // The text before the first "=" of the line at Index (the whole line when it has none).
  std::string Name(std::size_t Index) const;
  // The text after the first "=" of the line at Index ("" when it has none).
  std::string ValueFromIndex(std::size_t Index) const;
  // Value of the first line whose name equals Name (ASCII case ignored); "" when none does.
  std::string Values(std::string_view Name) const;
  // Index of that line, or -1.
  int IndexOfName(std::string_view Name) const;
  // The lines joined with "\r\n" after each one.
  std::string Text() const;

 private:
  std::vector<std::string> Lines;
};

}  // namespace bramble::rest
