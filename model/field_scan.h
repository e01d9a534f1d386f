// Finding the bytes that end or cut a field of tab text, eight bytes at a
// time: TAB and CR end a field, NUL ends its text.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gridlet {

namespace detail {
constexpr std::uint64_t kOnes = 0x0101010101010101u;
// A byte of v is zero exactly where the result has its high bit; bits
// above the lowest zero byte may be set falsely, so only the lowest set
// bit may be taken, and it is exact.
constexpr std::uint64_t ZeroBytes(std::uint64_t v) { return (v - kOnes) & ~v & (kOnes * 0x80); }
}  // namespace detail

// The first TAB, CR or NUL in [p, end), or end when there is none. Reads
// nothing outside the range.
inline const std::uint8_t* FindFieldStop(const std::uint8_t* p, const std::uint8_t* end) {
  using detail::kOnes;
  using detail::ZeroBytes;
  if constexpr (std::endian::native == std::endian::little) {
    while (end - p >= 8) {
      std::uint64_t v;
      std::memcpy(&v, p, sizeof v);
      const std::uint64_t stops = ZeroBytes(v ^ (kOnes * '\t')) | ZeroBytes(v ^ (kOnes * '\r')) | ZeroBytes(v);
      if (stops != 0) return p + std::countr_zero(stops) / 8;
      p += 8;
    }
  }
  while (p < end && *p != '\t' && *p != '\r' && *p != 0) ++p;
  return p;
}

// The first `byte` in [p, end), or end. Quicker than memchr on the short
// texts of most fields; reads nothing outside the range.
inline const char* FindByte(const char* p, const char* end, char byte) {
  using detail::kOnes;
  if constexpr (std::endian::native == std::endian::little) {
    while (end - p >= 8) {
      std::uint64_t v;
      std::memcpy(&v, p, sizeof v);
      const std::uint64_t found = detail::ZeroBytes(v ^ (kOnes * static_cast<std::uint8_t>(byte)));
      if (found != 0) return p + std::countr_zero(found) / 8;
      p += 8;
    }
  }
  while (p < end && *p != byte) ++p;
  return p;
}

// Sixteen bytes read at once and held to be stored elsewhere at once,
// with a quick test for the quotes among them.
class SixteenBytes {
 public:
  static constexpr std::size_t kSize = 16;

  // The sixteen bytes from p on, which must all be readable.
  explicit SixteenBytes(const char* p) {
#if defined(__SSE2__)
    bytes_ = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
#else
    std::memcpy(bytes_, p, kSize);
#endif
  }

  // Whether one of the first `count` bytes (at most 16) is a quote.
  bool QuoteAmongFirst(std::size_t count) const {
#if defined(__SSE2__)
    const auto quotes =
        static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes_, _mm_set1_epi8('"'))));
    return (quotes & ((std::uint32_t{1} << count) - 1)) != 0;
#else
    return std::memchr(bytes_, '"', count) != nullptr;
#endif
  }

  void StoreTo(std::uint8_t* at) const {
#if defined(__SSE2__)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), bytes_);
#else
    std::memcpy(at, bytes_, kSize);
#endif
  }

 private:
#if defined(__SSE2__)
  __m128i bytes_;
#else
  unsigned char bytes_[kSize];
#endif
};

// The first TAB or CR in [p, end), or end.
inline const std::uint8_t* FindFieldEnd(const std::uint8_t* p, const std::uint8_t* end) {
  p = FindFieldStop(p, end);
  while (p < end && *p == 0) p = FindFieldStop(p + 1, end);
  return p;
}

// Takes the row end at p, if one is there (a CR, with the LF after it):
// moves p past it and returns true.
[[gnu::always_inline]] inline bool TakeRowEnd(const std::uint8_t*& p, const std::uint8_t* end) {
  if (p >= end || *p != '\r') return false;
  ++p;
  if (p < end && *p == '\n') ++p;
  return true;
}

// The TABs, CRs and NULs of a whole text, found 64 bytes at a time: one
// bit per byte in a mask of the block. The stops are taken in order, each
// the lowest bit left, which is then cleared: finding the next one does
// not wait for the field before it to be measured. For walking a long
// text field by field.
class FieldStops {
 public:
  // Over the text [begin, end), from its start.
  FieldStops(const std::uint8_t* begin, const std::uint8_t* end) : begin_(begin), end_(end) { Seek(begin); }

  // Goes on from p instead, the start of a field.
  void Seek(const std::uint8_t* p) {
    const auto offset = static_cast<std::size_t>(p - begin_);
    Load(begin_ + (offset & ~std::size_t{63}));
    mask_ &= ~std::uint64_t{0} << (offset & 63);
  }

  // Reads the field that starts at p, at or after where the field before
  // it left p (the reader takes a row end's CR and LF): returns its text,
  // up to its first TAB, CR or NUL (or the end), and moves p past the
  // field, which goes on past NULs to its TAB (taken with it) or CR (left
  // at p for the row end).
  std::string_view Field(const std::uint8_t*& p) {
    const std::uint8_t* const start = p;
    const std::uint8_t* textEnd = NextStop();
    // Stops the reader went past (a CR right after a TAB ends the row
    // without a field) are passed over.
    while (textEnd < start) textEnd = NextStop();
    p = textEnd;
    while (p < end_) {
      if (*p != 0) {
        if (*p == '\t') ++p;
        break;
      }
      p = NextStop();
    }
    return std::string_view(reinterpret_cast<const char*>(start), static_cast<std::size_t>(textEnd - start));
  }

 private:
  static bool IsStop(std::uint8_t c) { return c == '\t' || c == '\r' || c == 0; }

  // The next TAB, CR or NUL not yet taken, or end.
  const std::uint8_t* NextStop() {
    while (mask_ == 0) {
      if (end_ - base_ <= 64) return end_;
      Load(base_ + 64);
    }
    const std::uint8_t* const stop = base_ + std::countr_zero(mask_);
    mask_ &= mask_ - 1;
    return stop;
  }

  void Load(const std::uint8_t* base) {
    base_ = base;
    mask_ = 0;
    if (end_ - base < 64) {
      for (std::ptrdiff_t i = 0; i < end_ - base; ++i) mask_ |= std::uint64_t{IsStop(base[i])} << i;
      return;
    }
#if defined(__SSE2__)
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    for (int part = 0; part < 4; ++part) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + 16 * part));
      const __m128i hits =
          _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, tab), _mm_cmpeq_epi8(v, cr)), _mm_cmpeq_epi8(v, zero));
      mask_ |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(hits))) << (16 * part);
    }
#else
    for (int i = 0; i < 64; ++i) mask_ |= std::uint64_t{IsStop(base[i])} << i;
#endif
  }

  const std::uint8_t* begin_;
  const std::uint8_t* end_;
  const std::uint8_t* base_ = nullptr;  // the block whose mask is held
  std::uint64_t mask_ = 0;              // its stops not yet taken
};

}  // namespace gridlet
