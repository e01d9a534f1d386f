#include "model/decimal_number.h"

#include <algorithm>

namespace gridlet {

namespace {

constexpr std::int64_t kExponentLimit = std::int64_t{1} << 40;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The parts of a number at the start of a text.
struct NumberParts {
  std::size_t length = 0;  // 0: no number
  bool negative = false;
  std::string_view integer;   // the digits before the point
  std::string_view fraction;  // the digits after it
  std::int64_t exponent = 0;  // of the exponent part, held at the limit
};

NumberParts SplitNumber(std::string_view text) {
  NumberParts parts;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) parts.negative = text[i++] == '-';
  const std::size_t integerAt = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  parts.integer = text.substr(integerAt, i - integerAt);
  if (i < text.size() && text[i] == '.') {
    const std::size_t fractionAt = ++i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    parts.fraction = text.substr(fractionAt, i - fractionAt);
  }
  if (parts.integer.empty() && parts.fraction.empty()) return {};
  parts.length = i;
  // An exponent counts only when digits follow its mark.
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
    std::size_t j = i + 1;
    bool negativeExponent = false;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) negativeExponent = text[j++] == '-';
    if (j < text.size() && IsDigit(text[j])) {
      std::int64_t exponent = 0;
      for (; j < text.size() && IsDigit(text[j]); ++j) {
        exponent = std::min(exponent * 10 + (text[j] - '0'), kExponentLimit);
      }
      parts.exponent = negativeExponent ? -exponent : exponent;
      parts.length = j;
    }
  }
  return parts;
}

// The digits of a number without its point, and the exponent of the
// first non-zero one; first == digits.size() for zero.
struct SignificantDigits {
  std::string digits;
  std::size_t first = 0;
  std::int64_t exponent = 0;
};

SignificantDigits Significant(const NumberParts& parts) {
  SignificantDigits out;
  out.digits.reserve(parts.integer.size() + parts.fraction.size());
  out.digits.append(parts.integer).append(parts.fraction);
  while (out.first < out.digits.size() && out.digits[out.first] == '0') ++out.first;
  out.exponent = std::clamp(static_cast<std::int64_t>(parts.integer.size()) - 1 -
                                static_cast<std::int64_t>(out.first) + parts.exponent,
                            -kExponentLimit, kExponentLimit);
  return out;
}

}  // namespace

std::size_t DecimalNumberLength(std::string_view text) { return SplitNumber(text).length; }

std::optional<DecimalNumber> ParseDecimalNumber(std::string_view text, int precision) {
  const NumberParts parts = SplitNumber(text);
  if (parts.length == 0) return std::nullopt;
  precision = std::clamp(precision, 1, kCalculatorDigits);
  DecimalNumber number;
  number.negative = parts.negative;
  const SignificantDigits significant = Significant(parts);
  const std::string& digits = significant.digits;
  if (significant.first == digits.size()) return number;  // zero

  std::int64_t exponent = significant.exponent;
  int count = 0;
  std::size_t k = significant.first;
  for (; k < digits.size() && count < precision; ++k) {
    number.digits[count++] = static_cast<std::uint8_t>(digits[k] - '0');
  }
  if (k < digits.size() && digits[k] >= '5') {
    int i = count - 1;
    for (; i >= 0 && number.digits[i] == 9; --i) number.digits[i] = 0;
    if (i >= 0) {
      ++number.digits[i];
    } else {
      number.digits[0] = 1;
      ++exponent;
    }
  }
  while (count > 1 && number.digits[count - 1] == 0) --count;
  number.count = count;
  number.exponent = std::clamp(exponent, -kExponentLimit, kExponentLimit);
  return number;
}

std::string ExactScientificForm(std::string_view number) {
  const NumberParts parts = SplitNumber(number);
  if (parts.length == 0 || parts.length != number.size()) return std::string(number);
  const SignificantDigits significant = Significant(parts);
  std::string_view digits = significant.digits;
  std::string out = parts.negative ? "-" : "";
  if (significant.first == digits.size()) return out + "0";
  digits.remove_prefix(significant.first);
  while (digits.size() > 1 && digits.back() == '0') digits.remove_suffix(1);
  out += digits.front();
  if (digits.size() > 1) out.append(".").append(digits.substr(1));
  return out + "E" + std::to_string(significant.exponent);
}

}  // namespace gridlet
