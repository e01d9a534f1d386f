#include "encoding/calculator_numbers.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

namespace gridlet {

namespace {

constexpr int kBcdBytes = 7;
constexpr int kMantissaDigits = 14;
constexpr int kXbExponentBias = 0x80;
constexpr int kFloat68kExponentBias = 0x4000;
constexpr int kFloat68kPrecision = 14;  // significant digits of "%.14LG"
constexpr char kCalcMinus = '\xAD';
constexpr char kCalcExponent = '\x95';

// ---- BCD mantissas ----

// The mantissa digits of a real, with nibbles above 9 carried into their
// neighbours and leading zeros dropped: value = digits[0].digits[1]... x
// 10^exponent. A carry out of the units digit adds a fifteenth digit.
struct Mantissa {
  std::uint8_t digits[kMantissaDigits + 1];
  int count;  // 0 for a zero mantissa
  int exponent;
};

Mantissa UnpackBcd(const std::uint8_t* bcd, int exponent) {
  // d[0] takes the carry out of the units digit d[1].
  int d[kMantissaDigits + 1] = {};
  for (int i = 0; i < kBcdBytes; ++i) {
    d[1 + 2 * i] = bcd[i] >> 4;
    d[2 + 2 * i] = bcd[i] & 0x0F;
  }
  int carry = 0;
  for (int k = kMantissaDigits; k >= 1; --k) {
    d[k] += carry;
    carry = d[k] / 10;
    d[k] %= 10;
  }
  d[0] = carry;

  Mantissa m{};
  int first = 0;
  while (first <= kMantissaDigits && d[first] == 0) ++first;
  if (first > kMantissaDigits) return m;
  m.count = kMantissaDigits + 1 - first;
  for (int i = 0; i < m.count; ++i) m.digits[i] = static_cast<std::uint8_t>(d[first + i]);
  m.exponent = exponent + 1 - first;
  return m;
}

// Count of digits up to the last non-zero one (at least 1).
int SignificantCount(const Mantissa& m) {
  int n = m.count;
  while (n > 1 && m.digits[n - 1] == 0) --n;
  return n;
}

void PackBcd(const char* digits, std::uint8_t* bcd) {
  for (int i = 0; i < kBcdBytes; ++i) {
    bcd[i] = static_cast<std::uint8_t>(((digits[2 * i] - '0') << 4) | (digits[2 * i + 1] - '0'));
  }
}

void AppendDigits(std::string& text, const std::uint8_t* digits, int count) {
  for (int i = 0; i < count; ++i) text += static_cast<char>('0' + digits[i]);
}

// ---- XB Plus reals ----

void WriteXbReal(double value, std::uint8_t* out) {
  DecimalDigits dd = ToDecimalDigits(value, kMantissaDigits);
  int exponent = dd.digits[0] == '0' ? 0 : dd.pointPosition - 1;
  if (exponent < kXbRealMinExponent) {
    std::fill(dd.digits, dd.digits + kMantissaDigits, '0');
    exponent = 0;
  }
  out[0] = dd.negative ? 0x80 : 0x00;
  out[1] = static_cast<std::uint8_t>(kXbExponentBias + exponent);
  PackBcd(dd.digits, out + 2);
}

bool InXbRange(double value) { return std::isfinite(value) && std::fabs(value) <= kXbRealMax; }

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The BCD bytes of a decimal number's digits, zeros after its last.
void PackDigits(const DecimalNumber& number, std::uint8_t* bcd) {
  std::uint8_t d[kMantissaDigits] = {};
  std::copy_n(number.digits.begin(), number.count, d);
  for (int i = 0; i < kBcdBytes; ++i) bcd[i] = static_cast<std::uint8_t>(d[2 * i] << 4 | d[2 * i + 1]);
}

NumberFit FitExponent(const DecimalNumber& number, int maxExponent) {
  if (number.IsZero()) return NumberFit::Fits;
  if (number.exponent > maxExponent) return NumberFit::TooLarge;
  if (number.exponent < -maxExponent) return NumberFit::TooSmall;
  return NumberFit::Fits;
}

// ---- 68k floats ----

long double PowerOfTen(int exponent) {
  long double result = 1.0L;
  long double base = 10.0L;
  for (unsigned e = static_cast<unsigned>(exponent); e != 0; e >>= 1) {
    if (e & 1) result *= base;
    base *= base;
  }
  return result;
}

struct Float68kFields {
  bool negative;
  int exponent;
  const std::uint8_t* bcd;
};

Float68kFields ReadFloat68k(const std::uint8_t* data, std::ptrdiff_t tagPos) {
  const std::uint8_t* f = data + (tagPos - 9);
  const int word = (f[0] << 8) | f[1];
  return {(word & 0x8000) != 0, (word & 0x7FFF) - kFloat68kExponentBias, f + 2};
}

// Rounds a fifteen-digit mantissa (from carried nibbles) to the fourteen
// digits that "%.14LG" shows, halves away from zero.
void RoundToPrecision(Mantissa& m) {
  if (m.count <= kFloat68kPrecision) return;
  const bool up = m.digits[kFloat68kPrecision] >= 5;
  m.count = kFloat68kPrecision;
  if (!up) return;
  int i = m.count - 1;
  for (; i >= 0 && m.digits[i] == 9; --i) m.digits[i] = 0;
  if (i >= 0) {
    ++m.digits[i];
  } else {
    m.digits[0] = 1;
    ++m.exponent;
  }
}

// The text "%.14LG" gives for a non-zero value of at most 14 digits.
void AppendGeneralForm(std::string& text, const Mantissa& m) {
  const int n = SignificantCount(m);
  const int x = m.exponent;
  if (x < -4 || x >= kFloat68kPrecision) {
    text += static_cast<char>('0' + m.digits[0]);
    if (n > 1) {
      text += '.';
      AppendDigits(text, m.digits + 1, n - 1);
    }
    text += 'E';
    text += x < 0 ? '-' : '+';
    std::string e = std::to_string(x < 0 ? -x : x);
    if (e.size() < 3) e.insert(0, 3 - e.size(), '0');
    text += e;
  } else if (x >= 0) {
    const int intDigits = x + 1;
    AppendDigits(text, m.digits, n < intDigits ? n : intDigits);
    if (n < intDigits) text.append(intDigits - n, '0');
    if (n > intDigits) {
      text += '.';
      AppendDigits(text, m.digits + intDigits, n - intDigits);
    }
  } else {
    text += "0.";
    text.append(-x - 1, '0');
    AppendDigits(text, m.digits, n);
  }
}

}  // namespace

HRESULT XbRealToText(const std::uint8_t* real, std::string& out) {
  if (!real) return E_POINTER;
  if (real[2] == 0) {
    out += '0';
    return S_OK;
  }
  const Mantissa m = UnpackBcd(real + 2, real[1] - kXbExponentBias);
  const int n = SignificantCount(m);
  std::string text;
  if (real[0] & 0x80) text += '-';
  if (m.exponent < -3 || m.exponent > 9) {
    text += static_cast<char>('0' + m.digits[0]);
    if (n > 1) {
      text += '.';
      AppendDigits(text, m.digits + 1, n - 1);
    }
    text += 'E';
    text += std::to_string(m.exponent);
  } else {
    // Small numbers are written with every mantissa digit behind their
    // leading zeros: 0.00 and fourteen digits for exponent -3.
    std::string digits;
    int intDigits = 1;
    if (m.exponent < 0) {
      digits.assign(-m.exponent, '0');
    } else {
      intDigits = m.exponent + 1;
    }
    AppendDigits(digits, m.digits, n);
    if (static_cast<int>(digits.size()) < intDigits) digits.append(intDigits - digits.size(), '0');
    text.append(digits, 0, intDigits);
    if (static_cast<int>(digits.size()) > intDigits) {
      text += '.';
      text.append(digits, intDigits);
    }
  }
  out += text;
  return S_OK;
}

HRESULT TextToXbReal(const char* text, std::uint8_t* out9, int* lastIndex) {
  if (!text || !out9 || !lastIndex) return E_POINTER;
  while (IsSpace(*text)) ++text;
  DecimalNumber number = ParseDecimalNumber(text).value_or(DecimalNumber{});
  switch (EncodeXbReal(number, out9)) {
    case NumberFit::TooLarge: return E_CALC_NUMBER_RANGE;
    case NumberFit::TooSmall:
      // Written as zero, as the calculator flushes such values itself.
      number.count = 0;
      EncodeXbReal(number, out9);
      break;
    case NumberFit::Fits: break;
  }
  *lastIndex = kXbRealSize - 1;
  return S_OK;
}

NumberFit EncodeXbReal(const DecimalNumber& number, std::uint8_t* out9) {
  const NumberFit fit = FitExponent(number, kXbRealMaxExponent);
  if (fit != NumberFit::Fits || !out9) return fit;
  out9[0] = number.negative ? 0x80 : 0x00;
  out9[1] = static_cast<std::uint8_t>(kXbExponentBias + (number.IsZero() ? 0 : number.exponent));
  PackDigits(number, out9 + 2);
  return fit;
}

NumberFit EncodeFloat68k(const DecimalNumber& number, std::uint8_t* out10) {
  const NumberFit fit = FitExponent(number, kFloat68kMaxExponent);
  if (fit != NumberFit::Fits || !out10) return fit;
  const int word = (number.negative ? 0xC000 : 0x4000) +
                   static_cast<int>(number.IsZero() ? 0 : number.exponent);
  out10[0] = static_cast<std::uint8_t>(word >> 8);
  out10[1] = static_cast<std::uint8_t>(word & 0xFF);
  PackDigits(number, out10 + 2);
  out10[9] = kFloat68kTag;
  return fit;
}

HRESULT EncodeXbReals(const double* values, int count, std::uint8_t* out, int* lastIndex) {
  if (count <= 0) return S_OK;
  if (!values || !out || !lastIndex) return E_POINTER;
  if (count > INT_MAX / kXbRealSize) return E_INVALIDARG;
  for (int i = 0; i < count; ++i) {
    if (!InXbRange(values[i])) return E_CALC_NUMBER_RANGE;
  }
  for (int i = 0; i < count; ++i) WriteXbReal(values[i], out + kXbRealSize * i);
  *lastIndex = kXbRealSize * count - 1;
  return S_OK;
}

void EncodeFloat68k(double value, std::uint8_t* out10) {
  if (!out10) return;
  const DecimalDigits dd = ToDecimalDigits(value, kMantissaDigits);
  const int exponent = dd.digits[0] == '0' ? 0 : dd.pointPosition - 1;
  const int word = (dd.negative ? 0xC000 : 0x4000) + exponent;
  out10[0] = static_cast<std::uint8_t>(word >> 8);
  out10[1] = static_cast<std::uint8_t>(word & 0xFF);
  PackBcd(dd.digits, out10 + 2);
  out10[9] = kFloat68kTag;
}

long double DecodeFloat68k(const std::uint8_t* data, std::ptrdiff_t tagPos) {
  if (!data || tagPos < 9) return 0.0L;
  const Float68kFields f = ReadFloat68k(data, tagPos);
  // The fourteen digits as one integer: exact, even with nibbles above 9.
  std::uint64_t integer = 0;
  for (int i = 0; i < kBcdBytes; ++i) integer = integer * 100 + (f.bcd[i] >> 4) * 10 + (f.bcd[i] & 0x0F);
  long double value = 0.0L;
  if (integer != 0) {
    // Powers of ten up to 10^27 are exact, so typical values are rounded
    // once only.
    const int scale = f.exponent - (kMantissaDigits - 1);
    value = static_cast<long double>(integer);
    value = scale >= 0 ? value * PowerOfTen(scale) : value / PowerOfTen(-scale);
  }
  return f.negative ? -value : value;
}

std::ptrdiff_t FormatFloat68k(const std::uint8_t* data, std::ptrdiff_t tagPos,
                              bool calculatorCharset, std::string& out) {
  const std::ptrdiff_t before = tagPos - kFloat68kSize;
  if (!data || tagPos < 9) return before;
  const Float68kFields f = ReadFloat68k(data, tagPos);
  // Printed from the decimal digits themselves: exactly what "%.14LG" gives
  // for the decoded value, without its limits for exponents beyond the range
  // of a long double.
  Mantissa m = UnpackBcd(f.bcd, f.exponent);
  std::string text;
  if (f.negative) text += '-';
  if (m.count == 0) {
    text += '0';
  } else {
    RoundToPrecision(m);
    AppendGeneralForm(text, m);
  }
  if (calculatorCharset) {
    for (char& c : text) {
      if (c == '-') c = kCalcMinus;
      if (c == 'E') c = kCalcExponent;
    }
  }
  // A float with an integral value keeps a trailing point, so that it stays
  // apart from an exact integer.
  if (text.find_first_of(".Ee\x95\xBE") == std::string::npos) text += '.';
  out += text;
  return before;
}

}  // namespace gridlet
