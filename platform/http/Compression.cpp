#include "platform/http/Compression.h"

#include <zlib.h>

#include <limits>

#include "platform/core/Exception.h"

namespace bramble::http {

namespace {
constexpr int kRawDeflateWindowBits = -15;
constexpr int kGzipWindowBits = 31;  // 15 bits of window, plus 16 for the gzip wrapper
constexpr int kMemLevel = 8;
}  // namespace

std::string Compress(std::string_view bytes, Encoding encoding) {
  if (bytes.size() > std::numeric_limits<uInt>::max())
    throw Exception("Body too large to compress");
  z_stream zs{};
  const int windowBits = encoding == Encoding::Deflate ? kRawDeflateWindowBits : kGzipWindowBits;
  if (deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, kMemLevel,
                   Z_DEFAULT_STRATEGY) != Z_OK) {
    throw Exception("Compression could not start");
  }
  std::string out(deflateBound(&zs, static_cast<uLong>(bytes.size())), '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  zs.avail_in = static_cast<uInt>(bytes.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&zs, Z_FINISH);
  const auto written = zs.total_out;
  deflateEnd(&zs);
  if (result != Z_STREAM_END) throw Exception("Compression failed");
  out.resize(written);
  return out;
}

Stage Compression(std::size_t threshold) {
  return [threshold](Request& request, Response& response, const Next& next) {
    next();
    if (response.HasStream() || response.Text().size() <= threshold) return;
    const std::string accepted = AsciiLower(request.Header("Accept-Encoding"));
    Encoding encoding;
    if (accepted.find("deflate") != std::string::npos) {
      encoding = Encoding::Deflate;
    } else if (accepted.find("gzip") != std::string::npos) {
      encoding = Encoding::Gzip;
    } else {
      return;
    }
    response.Send(Compress(response.Text(), encoding));
    response.SetHeader("Content-Encoding", encoding == Encoding::Deflate ? "deflate" : "gzip");
  };
}

}  // namespace bramble::http
