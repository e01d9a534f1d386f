// Finding the bytes that end or cut a field of tab text, eight bytes at a
// time: TAB and CR end a field, NUL ends its text.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace gridlet {

// The first TAB, CR or NUL in [p, end), or end when there is none. Reads
// nothing outside the range.
inline const std::uint8_t* FindFieldStop(const std::uint8_t* p, const std::uint8_t* end) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighs = 0x8080808080808080u;
  // A byte of v is zero exactly where the mask has its high bit; bits above
  // the lowest zero byte may be set falsely, so only the lowest set bit is
  // taken, and it is exact.
  const auto zeroBytes = [](std::uint64_t v) { return (v - kOnes) & ~v & kHighs; };
  if constexpr (std::endian::native == std::endian::little) {
    while (end - p >= 8) {
      std::uint64_t v;
      std::memcpy(&v, p, sizeof v);
      const std::uint64_t stops =
          zeroBytes(v ^ (kOnes * '\t')) | zeroBytes(v ^ (kOnes * '\r')) | zeroBytes(v);
      if (stops != 0) return p + std::countr_zero(stops) / 8;
      p += 8;
    }
  }
  while (p < end && *p != '\t' && *p != '\r' && *p != 0) ++p;
  return p;
}

// The first TAB or CR in [p, end), or end.
inline const std::uint8_t* FindFieldEnd(const std::uint8_t* p, const std::uint8_t* end) {
  p = FindFieldStop(p, end);
  while (p < end && *p == 0) p = FindFieldStop(p + 1, end);
  return p;
}

}  // namespace gridlet
