#pragma once
// Eight bytes of text tested at once in one 64-bit word: each test flags the matching bytes in
// their high bit. A flag can be false only above a true one, so "any flag" is always exact.
#include <bit>
#include <cstdint>
#include <cstring>

namespace bramble::lanes {

inline constexpr std::uint64_t kOnes = 0x0101010101010101u;
inline constexpr std::uint64_t kHighs = 0x8080808080808080u;

// The eight bytes at `p` as one word (any alignment).
inline std::uint64_t Load(const char* p) {
  std::uint64_t x;
  std::memcpy(&x, p, sizeof x);
  return x;
}

// The same with the first byte in the lowest place on any machine, so that the first flagged
// byte is std::countr_zero(flags) / 8.
inline std::uint64_t LoadInOrder(const char* p) {
  std::uint64_t x = Load(p);
  if constexpr (std::endian::native == std::endian::big) x = __builtin_bswap64(x);
  return x;
}

// Bytes of `x` that are zero.
constexpr std::uint64_t ZeroBytes(std::uint64_t x) {
  return (x - kOnes) & ~x & kHighs;
}

// Bytes of `x` equal to `c`.
constexpr std::uint64_t BytesEqual(std::uint64_t x, char c) {
  return ZeroBytes(x ^ (kOnes * static_cast<unsigned char>(c)));
}

// Bytes of `x` below 0x20 (control characters) or from 0x80 up (non-ASCII).
constexpr std::uint64_t ControlOrHighBytes(std::uint64_t x) {
  return (x & kHighs) | ((x - kOnes * 0x20) & ~x & kHighs);
}

}  // namespace bramble::lanes
