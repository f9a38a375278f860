#include "platform/data/drivers/Transcoder.h"

#include <cctype>
#include <cerrno>

#include "platform/core/Exception.h"
#include "platform/data/drivers/ValueText.h"

namespace bramble::drivers {

namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// The iconv name of a database's character-set name; empty for sets that carry raw bytes.
std::string IconvName(const std::string& name, CharsetDialect dialect) {
  std::string n = Upper(name);
  if (n == "NONE" || n == "SQL_ASCII" || n == "OCTETS" || n == "BINARY") return "";
  if (n == "UTF8MB3" || n == "UNICODE_FSS") return "UTF-8";
  // MySQL's "latin1" is in fact Windows code page 1252
  if (dialect == CharsetDialect::kMySQL && n == "LATIN1") return "CP1252";
  static const struct {
    const char* name;
    const char* iconv;
  } latin[] = {{"LATIN1", "ISO-8859-1"},   {"LATIN2", "ISO-8859-2"},  {"LATIN3", "ISO-8859-3"},
               {"LATIN4", "ISO-8859-4"},   {"LATIN5", "ISO-8859-9"},  {"LATIN6", "ISO-8859-10"},
               {"LATIN7", "ISO-8859-13"},  {"LATIN8", "ISO-8859-14"}, {"LATIN9", "ISO-8859-15"},
               {"LATIN10", "ISO-8859-16"}, {"KOI8R", "KOI8-R"},       {"KOI8U", "KOI8-U"},
               {"SJIS", "SHIFT_JIS"},      {"UJIS", "EUC-JP"},        {"EUCKR", "EUC-KR"},
               {"GREEK", "ISO-8859-7"},    {"HEBREW", "ISO-8859-8"},  {"UHC", "CP949"}};
  for (const auto& entry : latin)
    if (n == entry.name) return entry.iconv;
  if (n.starts_with("WIN")) return "CP" + n.substr(3);              // WIN1252
  if (n.starts_with("DOS")) return "CP" + n.substr(3);              // DOS437
  if (n.starts_with("ISO8859_")) return "ISO-8859-" + n.substr(8);  // ISO8859_1
  if (n.starts_with("ISO_8859_")) return "ISO-8859-" + n.substr(9);
  return n;
}

}  // namespace

Transcoder::Transcoder(const std::string& clientCharset, CharsetDialect dialect)
    : name_(clientCharset) {
  if (IsUtf8Name(clientCharset)) return;
  std::string iconvName = IconvName(clientCharset, dialect);
  if (iconvName.empty() || iconvName == "UTF-8") return;
  toUtf8_ = iconv_open("UTF-8", iconvName.c_str());
  if (toUtf8_ != kNone) fromUtf8_ = iconv_open(iconvName.c_str(), "UTF-8");
  if (toUtf8_ == kNone || fromUtf8_ == kNone) {
    if (toUtf8_ != kNone) iconv_close(toUtf8_);
    toUtf8_ = kNone;
    throw Exception("character set " + clientCharset + " is not supported");
  }
}

Transcoder::~Transcoder() {
  if (toUtf8_ != kNone) iconv_close(toUtf8_);
  if (fromUtf8_ != kNone) iconv_close(fromUtf8_);
}

namespace {

// Converts all of `in`; false when a character cannot be represented or is malformed.
bool Convert(iconv_t cd, std::string_view in, std::string& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  out.resize(in.size() * 4 + 16);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  size_t done = 0;
  for (;;) {
    char* dst = out.data() + done;
    size_t dstLeft = out.size() - done;
    size_t rc = iconv(cd, srcLeft ? &src : nullptr, &srcLeft, &dst, &dstLeft);
    done = out.size() - dstLeft;
    if (rc != static_cast<size_t>(-1) && srcLeft == 0) break;
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) return false;
    out.resize(out.size() * 2);
  }
  out.resize(done);
  return true;
}

}  // namespace

std::string_view Transcoder::ToUtf8(std::string_view text) {
  if (toUtf8_ == kNone) return text;
  if (!Convert(toUtf8_, text, buffer_))
    throw Exception("text is not valid in character set " + name_);
  return buffer_;
}

std::string Transcoder::FromUtf8(std::string_view text) {
  if (fromUtf8_ == kNone) return std::string(text);
  std::string out;
  if (!Convert(fromUtf8_, text, out))
    throw Exception("text has characters that character set " + name_ + " lacks");
  return out;
}

}  // namespace bramble::drivers
