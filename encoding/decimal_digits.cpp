#include "encoding/decimal_digits.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace gridlet {

namespace {

constexpr int kMaxDigits = 14;
// The exact decimal expansion of a double has at most 767 significant
// digits; a print with more digits than that is exact and never rounds.
constexpr int kExactPrecision = 780;

// The first count + 1 digits of the exact expansion of `magnitude`, without
// rounding, and the decimal exponent of its first digit.
int TruncatedDigits(double magnitude, int count, char* digits) {
  char buf[kExactPrecision + 16];  // "d." + digits + "e-324"
  auto printed = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific,
                               kExactPrecision);
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
