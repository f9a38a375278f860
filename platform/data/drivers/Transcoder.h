#pragma once
// Converts text between UTF-8 (the program's own text) and a connection's client character
// set, for connections opened with a character set other than UTF-8.
#include <iconv.h>

#include <string>
#include <string_view>

namespace bramble::drivers {

// How character-set names of a database kind are read.
enum class CharsetDialect { kPostgres, kMySQL, kFirebird };

class Transcoder {
 public:
  // `clientCharset` is the name the database knows; a UTF-8 name (or empty) means no
  // conversion, as do the names of "raw bytes" sets (NONE, SQL_ASCII, OCTETS, binary).
  // Raises bramble::Exception for a set the system cannot convert.
  Transcoder(const std::string& clientCharset, CharsetDialect dialect);
  ~Transcoder();
  Transcoder(const Transcoder&) = delete;
  Transcoder& operator=(const Transcoder&) = delete;

  bool Identity() const { return toUtf8_ == kNone; }
  // The text in UTF-8; a view of `text` itself when no conversion applies, else of an
  // internal buffer that the next call overwrites.
  std::string_view ToUtf8(std::string_view text);
  std::string ToUtf8String(std::string_view text) { return std::string(ToUtf8(text)); }
  // UTF-8 text in the client character set; raises when a character has no equivalent.
  std::string FromUtf8(std::string_view text);

 private:
  static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);
  std::string name_;
  iconv_t toUtf8_ = kNone;
  iconv_t fromUtf8_ = kNone;
  std::string buffer_;
};

}  // namespace bramble::drivers
