#include "platform/rest/NameValueList.h"

#include "platform/core/AsciiCase.h"

namespace bramble::rest {

void NameValueList::Add(std::string_view Name, std::string_view Value) {
  std::string Line(Name);
  Line += '=';
  Line += Value;
  Lines.push_back(std::move(Line));
}

std::string NameValueList::Name(std::size_t Index) const {
  const std::string& Line = Lines.at(Index);
  return Line.substr(0, Line.find('='));
}

std::string NameValueList::ValueFromIndex(std::size_t Index) const {
  const std::string& Line = Lines.at(Index);
  std::size_t Eq = Line.find('=');
  return Eq == std::string::npos ? std::string() : Line.substr(Eq + 1);
}

int NameValueList::IndexOfName(std::string_view AName) const {
  for (std::size_t I = 0; I < Lines.size(); ++I) {
    std::string_view Line = Lines[I];
    if (EqualsIgnoringCase(Line.substr(0, Line.find('=')), AName)) return static_cast<int>(I);
  }
  return -1;
}

std::string NameValueList::Values(std::string_view AName) const {
  int Index = IndexOfName(AName);
  return Index < 0 ? std::string() : ValueFromIndex(static_cast<std::size_t>(Index));
}

std::string NameValueList::Text() const {
  std::string Out;
  for (const std::string& Line : Lines) {
    Out += Line;
    Out += "\r\n";
  }
  return Out;
}

}  // namespace bramble::rest
