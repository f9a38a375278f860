#include "shared/convert/Base64.h"

#include <array>
#include <cstdint>

namespace bramble {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint8_t kNotInAlphabet = 0xFF;

constexpr std::array<std::uint8_t, 256> MakeDecodeTable() {
  std::array<std::uint8_t, 256> table{};
  for (auto& entry : table) entry = kNotInAlphabet;
  for (std::uint8_t i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = i;
  return table;
}
constexpr std::array<std::uint8_t, 256> kDecodeTable = MakeDecodeTable();

}  // namespace

std::size_t Base64EncodedLength(std::size_t aLength) {
  const std::size_t chars = (aLength + 2) / 3 * 4;
  return chars + chars / kBase64LineLength * 2;
}

void Base64EncodeMime(std::string_view aBytes, std::string& aOut) {
  const std::size_t start = aOut.size();
  aOut.resize(start + Base64EncodedLength(aBytes.size()));
  char* out = aOut.data() + start;
  std::size_t column = 0;
  // Writes one output character and the line break that may follow it.
  auto put = [&](char c) {
    *out++ = c;
    if (++column == kBase64LineLength) {
      *out++ = '\r';
      *out++ = '\n';
      column = 0;
    }
  };
  const auto* bytes = reinterpret_cast<const unsigned char*>(aBytes.data());
  std::size_t i = 0;
  const std::size_t n = aBytes.size();
  for (; i + 3 <= n; i += 3) {
    const std::uint32_t triple =
        (std::uint32_t{bytes[i]} << 16) | (std::uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
    put(kAlphabet[(triple >> 18) & 63]);
    put(kAlphabet[(triple >> 12) & 63]);
    put(kAlphabet[(triple >> 6) & 63]);
    put(kAlphabet[triple & 63]);
  }
  if (n - i == 1) {
    const std::uint32_t triple = std::uint32_t{bytes[i]} << 16;
    put(kAlphabet[(triple >> 18) & 63]);
    put(kAlphabet[(triple >> 12) & 63]);
    put('=');
    put('=');
  } else if (n - i == 2) {
    const std::uint32_t triple =
        (std::uint32_t{bytes[i]} << 16) | (std::uint32_t{bytes[i + 1]} << 8);
    put(kAlphabet[(triple >> 18) & 63]);
    put(kAlphabet[(triple >> 12) & 63]);
    put(kAlphabet[(triple >> 6) & 63]);
    put('=');
  }
}

std::string Base64EncodeMime(std::string_view aBytes) {
  std::string out;
  Base64EncodeMime(aBytes, out);
  return out;
}

std::string Base64DecodeMime(std::string_view aText) {
  std::string out;
  out.reserve(aText.size() / 4 * 3 + 3);
  std::uint32_t bits = 0;
  int count = 0;
  for (const char c : aText) {
    const std::uint8_t sextet = kDecodeTable[static_cast<unsigned char>(c)];
    if (sextet == kNotInAlphabet) continue;
    bits = (bits << 6) | sextet;
    if (++count == 4) {
      out.push_back(static_cast<char>((bits >> 16) & 0xFF));
      out.push_back(static_cast<char>((bits >> 8) & 0xFF));
      out.push_back(static_cast<char>(bits & 0xFF));
      bits = 0;
      count = 0;
    }
  }
  if (count == 2) {
    out.push_back(static_cast<char>((bits >> 4) & 0xFF));
  } else if (count == 3) {
    out.push_back(static_cast<char>((bits >> 10) & 0xFF));
    out.push_back(static_cast<char>((bits >> 2) & 0xFF));
  }
  return out;
}

}  // namespace bramble
