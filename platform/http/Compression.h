#pragma once
// Stage that compresses text bodies on the way out when the client accepts it.
#include <cstddef>
#include <string>

#include "platform/http/Pipeline.h"

namespace bramble::http {

inline constexpr std::size_t kDefaultCompressionThreshold = 1024;

enum class Encoding { Deflate, Gzip };

// After the later stages and the handler have run: a text body longer than `threshold` bytes
// is compressed at zlib's highest level, as raw deflate when "Accept-Encoding" mentions
// "deflate", else as gzip when it mentions "gzip", and "Content-Encoding" is set. Stream bodies
// pass untouched.
Stage Compression(std::size_t threshold = kDefaultCompressionThreshold);

// Compresses at zlib's highest level: raw deflate (no zlib header) or the gzip format.
// Throws bramble::Exception when zlib fails.
std::string Compress(std::string_view bytes, Encoding encoding);

}  // namespace bramble::http
