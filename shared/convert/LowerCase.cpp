#include "shared/convert/LowerCase.h"

#include <locale.h>
#include <wctype.h>

#include <cstdint>

#include "shared/convert/Utf8.h"

namespace bramble {
namespace {

// The locale whose case tables map letters. C.UTF-8 carries the full Unicode simple case mapping
// and, unlike a language locale, has no language-specific rules (a dotted capital I lowers to a
// plain i, as the default casing of most languages wants). When it is missing, the user's own
// locale from the environment is tried; without either only A to Z are lowered.
locale_t CaseLocale() {
  static const locale_t locale = [] {
    locale_t found = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (found == nullptr) found = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    return found;
  }();
  return locale;
}

char32_t LowerCodePoint(char32_t cp) {
  if (cp < 0x80) return (cp >= 'A' && cp <= 'Z') ? cp + ('a' - 'A') : cp;
  const locale_t locale = CaseLocale();
  if (locale == nullptr) return cp;
  return static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), locale));
}

void AppendUtf8(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

std::string LinguisticLowerCase(std::string_view aText) {
  std::string out;
  out.reserve(aText.size());
  std::size_t i = 0;
  while (i < aText.size()) {
    const auto b0 = static_cast<unsigned char>(aText[i]);
    if (b0 < 0x80) {
      out.push_back(static_cast<char>(b0 >= 'A' && b0 <= 'Z' ? b0 + ('a' - 'A') : b0));
      ++i;
      continue;
    }
    char32_t cp = 0;
    const std::size_t length = DecodeUtf8(aText.substr(i), cp);
    if (length == 0) {
      out.push_back(static_cast<char>(b0));
      ++i;
      continue;
    }
    const char32_t lower = LowerCodePoint(cp);
    // Surrogates (lone halves kept in their 3-byte form) never map to anything else.
    if (lower == cp || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.append(aText.substr(i, length));
    } else {
      AppendUtf8(lower, out);
    }
    i += length;
  }
  return out;
}

}  // namespace bramble
