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

// Whether the whole text is one well-formed decimal number: "12", "-0.5",
// ".5", "5.", "+1.5E-7"; not "1.2.3", "2024-01-15", "-", "1,5" or "1e".
// (The same as DecimalNumberLength(text) == text.size() for a text that is
// not empty, without taking the number apart: every field of a text file
// is asked.)
bool IsDecimalNumber(std::string_view text);

// The number at the start of `text`, rounded to `precision` (1..14)
// significant digits; nothing when no number begins there.
std::optional<DecimalNumber> ParseDecimalNumber(std::string_view text,
                                                int precision = kCalculatorDigits);

// A well-formed number in the exponent form with every significant digit
// it has, none rounded: "-0.00120" gives "-1.2E-3", "1000" gives "1E3".
// Any other text is given back as it stands.
std::string ExactScientificForm(std::string_view number);

}  // namespace gridlet
