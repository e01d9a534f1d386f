// Conversion of a double to a fixed count of significant decimal digits, the
// form from which both calculator number formats pack their BCD mantissas.
#pragma once

namespace gridlet {

// The value is 0.d1d2...dn x 10^pointPosition, so pointPosition - 1 is the
// decimal exponent of the first digit (1.5 gives "15000...", 1; 0.05 gives
// "5000...", -1). `digits` is zero-terminated after the requested count.
struct DecimalDigits {
  char digits[15];
  int pointPosition;
  bool negative;
};

// Rounds |value| to `count` significant digits (clamped to 1..14), padding
// with '0'. Rounding is correct against the exact binary value, with halves
// rounded away from zero, as the calculators round their own BCD numbers
// (123456789012345 gives 12345678901235).
//
// Zero gives all '0' digits and pointPosition 0; `negative` follows the sign
// bit, so negative zero is reported as negative. Non-finite values have no
// digits of their own and are mapped to the nearest representable number so
// that every caller still gets valid decimal digits: an infinity gives the
// digits of the largest finite double with its sign, NaN gives positive
// zero.
DecimalDigits ToDecimalDigits(double value, int count = 14);

}  // namespace gridlet
