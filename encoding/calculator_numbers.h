// The two number formats of the calculators and their conversions to and
// from text and doubles.
//
// XB Plus real, 9 bytes: byte 0 sign (bit 7 = negative), byte 1 decimal
// exponent + 0x80, bytes 2..8 fourteen BCD digits d1.d2...d14, high nibble
// first.
//
// 68k float, 10 bytes: a big-endian exponent word (bit 15 = negative, bits
// 0..14 = decimal exponent + 0x4000), the same fourteen BCD digits, and the
// tag byte 0x23. Token streams of the 68k-class models are read backwards,
// so these functions take the position of the tag.
//
// BCD nibbles above 9 (damaged data) are taken at their value, as the
// formula value = d1.d2...d14 x 10^exponent gives it: the carries are
// worked into the neighbouring digits, so the text is always made of
// decimal digits and states that value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "encoding/decimal_digits.h"
#include "model/decimal_number.h"
#include "model/hresult.h"

namespace gridlet {

inline constexpr std::uint8_t kFloat68kTag = 0x23;
inline constexpr int kXbRealSize = 9;
inline constexpr int kFloat68kSize = 10;
// The largest magnitude an XB Plus real can hold.
inline constexpr double kXbRealMax = 9.9999999999999E99;
// The decimal exponents of non-zero numbers each calculator holds: XB Plus
// reals from 1E-99 to 9.9999999999999E99, 68k floats from 1E-999 to
// 9.9999999999999E999.
inline constexpr int kXbRealMaxExponent = 99;
inline constexpr int kXbRealMinExponent = -kXbRealMaxExponent;
inline constexpr int kFloat68kMaxExponent = 999;

// Whether a number fits a calculator's range.
enum class NumberFit { Fits, TooLarge, TooSmall };

// Appends the text of the 9-byte XB Plus real at `real`; returns S_OK.
// Exponents -3..9 are written positionally (0.00123, 1500, -0.5) with all
// fourteen digits, others in scientific form (1.5E10, 1E-4); trailing zeros
// are dropped; a real whose byte 2 is zero is "0". E_POINTER for null.
HRESULT XbRealToText(const std::uint8_t* real, std::string& out);

// Parses `text` like atof and writes one 9-byte real into out9; *lastIndex
// = 8. Returns S_OK or E_CALC_NUMBER_RANGE (then neither out9 nor *lastIndex
// is written). The number is leading white space, an optional sign, digits
// with an optional point and an optional exponent; text without such a
// number is zero (hexadecimal, "inf" and "nan" are not numbers here). It is
// rounded to fourteen digits from its decimal digits; a number below 1E-99
// is written as zero. E_POINTER for a null argument.
HRESULT TextToXbReal(const char* text, std::uint8_t* out9, int* lastIndex);

// Writes the XB Plus real of a number of at most fourteen digits; writes
// nothing when the number lies beyond the real's range.
NumberFit EncodeXbReal(const DecimalNumber& number, std::uint8_t* out9);

// Writes the 68k float of a number of at most fourteen digits, tag
// included; writes nothing when the number lies beyond the calculator's
// range.
NumberFit EncodeFloat68k(const DecimalNumber& number, std::uint8_t* out10);

// Writes count reals of 9 bytes; *lastIndex = 9*count-1; count <= 0 writes
// nothing and leaves *lastIndex. A value that is not finite or whose
// magnitude exceeds kXbRealMax gives E_CALC_NUMBER_RANGE and nothing is
// written; values below 1E-99 in magnitude are written as zero (with their
// sign bit).
HRESULT EncodeXbReals(const double* values, int count, std::uint8_t* out, int* lastIndex);

// Writes one 68k float, tag 0x23 in out10[9]. Negative zero keeps its sign
// (exponent word 0xC000); an infinity is written as the largest finite
// double of its sign and NaN as zero (see ToDecimalDigits).
void EncodeFloat68k(double value, std::uint8_t* out10);

// `data` points at a buffer, `tagPos` is the index of the 0x23 tag byte;
// reads data[tagPos-9 .. tagPos-1]. Caller guarantees tagPos >= 9 (a smaller
// position, or a null buffer, reads nothing and gives 0).
long double DecodeFloat68k(const std::uint8_t* data, std::ptrdiff_t tagPos);

// Appends the "%.14LG"-style text of the float (at most 14 significant
// digits, exponent form below 1E-4 and from 1E14 on with a sign and at least
// three exponent digits: 1E+015, 1.5E-007). With calculatorCharset every '-'
// becomes 0xAD and the 'E' 0x95. A text with neither point nor exponent gets
// a trailing "." (5.). Returns tagPos - 10, the position before the float;
// with tagPos < 9 nothing is appended.
std::ptrdiff_t FormatFloat68k(const std::uint8_t* data, std::ptrdiff_t tagPos,
                              bool calculatorCharset, std::string& out);

}  // namespace gridlet
