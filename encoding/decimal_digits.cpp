#include "encoding/decimal_digits.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace gridlet {

namespace {

constexpr int kMaxDigits = 14;
// The exact decimal expansion of a double has at most 767 significant
// digits; a print with more digits than that is exact and never rounds.
constexpr int kExactPrecision = 780;

// A count of significant digits that the exact decimal expansion of the
// finite, positive `magnitude` does not exceed. With magnitude = m x 2^e
// and m odd, the expansion is m x 2^e (e >= 0) or m x 5^-e / 10^-e
// (e < 0): its digits number at most those of m plus e log10(2), or plus
// -e log10(5). Printing that many digits is exact, and far cheaper than
// printing the most any double can need.
int ExactDigitBound(double magnitude) {
  int exponent = 0;
  const double fraction = std::frexp(magnitude, &exponent);
  auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  exponent -= 53;
  if (mantissa == 0) return 1;
  const int zeros = std::countr_zero(mantissa);
  mantissa >>= zeros;
  exponent += zeros;
  const int bits = std::bit_width(mantissa);
  const double digits = exponent >= 0 ? (bits + exponent) * 0.30103 : bits * 0.30103 - exponent * 0.69898;
  return std::min(kExactPrecision, static_cast<int>(digits) + 2);
}

// The first count + 1 digits of the exact expansion of `magnitude`, without
// rounding, and the decimal exponent of its first digit.
int TruncatedDigits(double magnitude, int count, char* digits) {
  char buf[kExactPrecision + 16];  // "d." + digits + "e-324"
  const int precision = std::max(count + 1, ExactDigitBound(magnitude));
  auto printed = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific,
                               precision);
  int n = 0;
  const char* p = buf;
  for (; p < printed.ptr && *p != 'e'; ++p) {
    if (*p != '.' && n <= count) digits[n++] = *p;
  }
  int exponent = 0;
  if (p < printed.ptr) std::from_chars(p + (p[1] == '+' ? 2 : 1), printed.ptr, exponent);
  return exponent;
}

}  // namespace

DecimalDigits ToDecimalDigits(double value, int count) {
  count = std::clamp(count, 1, kMaxDigits);
  DecimalDigits result{};
  std::fill(result.digits, result.digits + count, '0');
  result.digits[count] = '\0';
  if (std::isnan(value)) return result;
  if (std::isinf(value)) value = std::copysign(std::numeric_limits<double>::max(), value);
  result.negative = std::signbit(value);
  if (value == 0) return result;

  char digits[kMaxDigits + 1];
  int exponent = TruncatedDigits(std::fabs(value), count, digits);
  if (digits[count] >= '5') {
    int i = count - 1;
    for (; i >= 0 && digits[i] == '9'; --i) digits[i] = '0';
    if (i >= 0) {
      ++digits[i];
    } else {  // 99...9 rounded up to 100...0
      digits[0] = '1';
      ++exponent;
    }
  }
  std::copy(digits, digits + count, result.digits);
  result.pointPosition = exponent + 1;
  return result;
}

}  // namespace gridlet
