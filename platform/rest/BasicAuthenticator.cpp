#include "platform/rest/BasicAuthenticator.h"

#include <cstdint>

namespace bramble::rest {

std::string Base64Encode(const std::string& Data) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string Out;
  Out.reserve((Data.size() + 2) / 3 * 4);
  std::size_t I = 0;
  for (; I + 3 <= Data.size(); I += 3) {
    std::uint32_t Group = (std::uint32_t(std::uint8_t(Data[I])) << 16) |
                          (std::uint32_t(std::uint8_t(Data[I + 1])) << 8) |
                          std::uint32_t(std::uint8_t(Data[I + 2]));
    Out += kAlphabet[(Group >> 18) & 63];
    Out += kAlphabet[(Group >> 12) & 63];
    Out += kAlphabet[(Group >> 6) & 63];
    Out += kAlphabet[Group & 63];
  }
  std::size_t Rest = Data.size() - I;
  if (Rest > 0) {
    std::uint32_t Group = std::uint32_t(std::uint8_t(Data[I])) << 16;
    if (Rest == 2) Group |= std::uint32_t(std::uint8_t(Data[I + 1])) << 8;
    Out += kAlphabet[(Group >> 18) & 63];
    Out += kAlphabet[(Group >> 12) & 63];
    Out += Rest == 2 ? kAlphabet[(Group >> 6) & 63] : '=';
    Out += '=';
  }
  return Out;
}

std::string BasicAuthenticator::AuthorizationValue() const {
  return "Basic " + Base64Encode(Username + ":" + Password);
}

}  // namespace bramble::rest
