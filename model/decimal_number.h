// Decimal numbers as texts write them: an optional sign, digits with at
// most one point, and an optional exponent (E or e, an optional sign,
// digits). Both calculators keep fourteen significant digits; a number is
// rounded to them from its decimal digits, never through a binary double,
// so that every digit written survives.
#pragma once

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

// The number at the start of `text`, rounded to `precision` (1..14)
// significant digits; nothing when no number begins there.
std::optional<DecimalNumber> ParseDecimalNumber(std::string_view text,
                                                int precision = kCalculatorDigits);

// A well-formed number in the exponent form with every significant digit
// it has, none rounded: "-0.00120" gives "-1.2E-3", "1000" gives "1E3".
// Any other text is given back as it stands.
std::string ExactScientificForm(std::string_view number);

}  // namespace gridlet
