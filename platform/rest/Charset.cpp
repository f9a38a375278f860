#include "platform/rest/Charset.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace bramble::rest {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::size_t kChunk = 16 * 1024;

struct IconvCloser {
  void operator()(void* Cd) const { iconv_close(static_cast<iconv_t>(Cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle Open(std::string_view Charset) {
  std::string Name(Charset.empty() ? std::string_view("UTF-8") : Charset);
  iconv_t Cd = iconv_open("UTF-8", Name.c_str());
  if (Cd == reinterpret_cast<iconv_t>(-1)) Cd = iconv_open("UTF-8", "UTF-8");
  if (Cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
  return IconvHandle(Cd);
}

}  // namespace

std::string DecodeToUtf8(std::string_view Bytes, std::string_view Charset) {
  IconvHandle Cd = Open(Charset);
  if (!Cd) return std::string(Bytes);
  iconv_t Handle = static_cast<iconv_t>(Cd.get());

  std::string Out;
  Out.reserve(Bytes.size());
  char Buffer[kChunk];
  char* In = const_cast<char*>(Bytes.data());
  std::size_t InLeft = Bytes.size();
  while (InLeft > 0) {
    char* OutPtr = Buffer;
    std::size_t OutLeft = sizeof Buffer;
    std::size_t Result = iconv(Handle, &In, &InLeft, &OutPtr, &OutLeft);
    Out.append(Buffer, static_cast<std::size_t>(OutPtr - Buffer));
    if (Result != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // An invalid or truncated sequence: mark it and go on after its first byte.
    Out += kReplacement;
    ++In;
    --InLeft;
    iconv(Handle, nullptr, nullptr, nullptr, nullptr);
  }
  return Out;
}

}  // namespace bramble::rest
