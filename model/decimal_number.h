// Decimal numbers as texts write them: an optional sign, digits with at
// most one point, and an optional exponent (E or e, an optional sign,
// digits). Both calculators keep fourteen significant digits; a number is
// rounded to them from its decimal digits, never through a binary double,
// so that every digit written survives.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gridlet {

inline constexpr int kCalculatorDigits = 14;

struct DecimalNumber {
  bool negative = false;
  // The significant digits, most significant first, rounded to the
  // precision asked for (halves away from zero); count 0 for zero.
  std::array<std::uint8_t, kCalculatorDigits> digits{};
  int count = 0;
  // The decimal exponent of the first digit: value = d1.d2... x 10^exponent.
  // Exponents far beyond any calculator's are held at +-2^40.
  std::int64_t exponent = 0;

  bool IsZero() const { return count == 0; }
};

// The length of the well-formed decimal number at the start of `text`
// (0 when none begins there).
std::size_t DecimalNumberLength(std::string_view text);

inline bool IsDecimalDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// Whether the whole text is one well-formed decimal number: "12", "-0.5",
// ".5", "5.", "+1.5E-7"; not "1.2.3", "2024-01-15", "-", "1,5" or "1e".
// (The same as DecimalNumberLength(text) == text.size() for a text that is
// not empty, without taking the number apart; inline, since every field of
// a text file is asked.)
inline bool IsDecimalNumber(std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  if (p < end && (*p == '+' || *p == '-')) ++p;
  const char* const digitsAt = p;
  while (p < end && IsDecimalDigit(*p)) ++p;
  std::size_t digits = static_cast<std::size_t>(p - digitsAt);
  if (p < end && *p == '.') {
    const char* const fractionAt = ++p;
    while (p < end && IsDecimalDigit(*p)) ++p;
    digits += static_cast<std::size_t>(p - fractionAt);
  }
  if (digits == 0) return false;
  if (p == end) return true;
  // The rest must be an exponent: its mark, a sign perhaps, and digits.
  if (*p != 'E' && *p != 'e') return false;
  ++p;
  if (p < end && (*p == '+' || *p == '-')) ++p;
  if (p == end || !IsDecimalDigit(*p)) return false;
  while (p < end && IsDecimalDigit(*p)) ++p;
  return p == end;
}

#if defined(__SSE2__)
// The bytes of a short text that may make a decimal number, one bit per
// byte of the sixteen from its start.
struct NumberMarks {
  std::uint32_t digits;
  std::uint32_t points;
  std::uint32_t signs;
  std::uint32_t exponents;  // E or e

  explicit NumberMarks(__m128i v) {
    const __m128i fromZero = _mm_sub_epi8(v, _mm_set1_epi8('0'));
    const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(fromZero, _mm_set1_epi8(9)), fromZero);
    const __m128i sign = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('+')), _mm_cmpeq_epi8(v, _mm_set1_epi8('-')));
    const __m128i mark = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('e')), _mm_cmpeq_epi8(v, _mm_set1_epi8('E')));
    digits = Bits(digit);
    points = Bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('.')));
    signs = Bits(sign);
    exponents = Bits(mark);
  }

  // Whether the bytes in `text` (a run of low bits) are one decimal
  // number, as IsDecimalNumber tells; worked out without a branch.
  bool Number(std::uint32_t text) const {
    // Before the first exponent mark (or without one, the whole text):
    // digits with at most one point among them, a sign perhaps first.
    const std::uint32_t marks = exponents & text;
    const std::uint32_t mark = marks & (0 - marks);
    const std::uint32_t mantissa = marks == 0 ? text : mark - 1;
    const std::uint32_t d = digits & mantissa;
    const std::uint32_t p = points & mantissa;
    const bool mantissaIsNumber = (d != 0) & ((p & (p - 1)) == 0) & ((d | p | (signs & 1)) == mantissa);
    // After the mark: a sign perhaps, then one digit or more.
    const std::uint32_t after = text & ~(mantissa | mark);
    const std::uint32_t exponentDigits = after & ~(signs & after & (0 - after));
    const bool exponentIsNumber = (marks == 0) | ((exponentDigits != 0) & ((digits & exponentDigits) == exponentDigits));
    return mantissaIsNumber & exponentIsNumber;
  }

 private:
  static std::uint32_t Bits(__m128i m) { return static_cast<std::uint32_t>(_mm_movemask_epi8(m)); }
};
#endif

// The same, for a text within a buffer that may be read up to
// `readableEnd`: a text of at most 16 bytes with 16 readable bytes from its
// start is judged all at once, without a branch per byte.
inline bool IsDecimalNumberWithin(std::string_view text, const char* readableEnd) {
#if defined(__SSE2__)
  const std::size_t n = text.size();
  if (readableEnd != nullptr && n != 0 && n <= 16 && readableEnd - text.data() >= 16) {
    const NumberMarks marks(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data())));
    return marks.Number((std::uint32_t{1} << n) - 1);
  }
#endif
  (void)readableEnd;
  return IsDecimalNumber(text);
}

// The number at the start of `text`, rounded to `precision` (1..14)
// significant digits; nothing when no number begins there.
std::optional<DecimalNumber> ParseDecimalNumber(std::string_view text,
                                                int precision = kCalculatorDigits);

// A well-formed number in the exponent form with every significant digit
// it has, none rounded: "-0.00120" gives "-1.2E-3", "1000" gives "1E3".
// Any other text is given back as it stands.
std::string ExactScientificForm(std::string_view number);

}  // namespace gridlet
