#include "encoding/calculator_numbers.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace gridlet {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string XbText(const Bytes& real) {
  std::string out;
  EXPECT_EQ(XbRealToText(real.data(), out), S_OK);
  return out;
}

Bytes XbFromText(const char* text) {
  Bytes out(9, 0xEE);
  int last = -5;
  EXPECT_EQ(TextToXbReal(text, out.data(), &last), S_OK) << text;
  EXPECT_EQ(last, 8);
  return out;
}

Bytes Float68k(double value) {
  Bytes out(10, 0xEE);
  EncodeFloat68k(value, out.data());
  return out;
}

std::string Format68k(const Bytes& f, bool charset = false) {
  std::string out;
  EXPECT_EQ(FormatFloat68k(f.data(), 9, charset, out), -1);
  return out;
}

// The mantissa digits of printf("%.*e").
std::string PrintedDigits(double value, int precision) {
  static char buf[1024];
  std::snprintf(buf, sizeof buf, "%.*e", precision, std::fabs(value));
  std::string digits;
  for (const char* p = buf; *p != 'e'; ++p) {
    if (*p != '.') digits += *p;
  }
  return digits;
}

// Whether |value| lies exactly halfway between two numbers of 14
// significant digits, read from its exact expansion.
bool IsExactTie(double value) {
  // A half has fifteen digits, so a print of 41 digits shows it exactly.
  const std::string quick = PrintedDigits(value, 40);
  if (quick.size() < 16 || quick[14] != '5' || quick.find_first_not_of('0', 15) != std::string::npos) {
    return false;
  }
  const std::string exact = PrintedDigits(value, 800);
  return exact.find_first_not_of('0', 15) == std::string::npos;
}

// The nearest double to `value` rounded to 14 significant digits, halves
// away from zero: printf rounds exact halves to even, so those are nudged
// past the half first.
double Rounded14(double value) {
  if (IsExactTie(value)) value = std::nextafter(value, std::copysign(INFINITY, value));
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.13e", value);
  return std::strtod(buf, nullptr);
}

// ---- XB Plus real to text ----

TEST(XbRealToTextTest, ZeroFirstByteOfDigitsIsZero) {
  EXPECT_EQ(XbText({0x00, 0x80, 0, 0, 0, 0, 0, 0, 0}), "0");
  EXPECT_EQ(XbText({0x80, 0x95, 0x00, 0x45, 0, 0, 0, 0, 0}), "0");
  EXPECT_EQ(XbText({0xFF, 0x00, 0x00, 0, 0, 0, 0, 0, 0x99}), "0");
}

TEST(XbRealToTextTest, PositionalExamples) {
  EXPECT_EQ(XbText({0x00, 0x80, 0x15, 0, 0, 0, 0, 0, 0}), "1.5");
  EXPECT_EQ(XbText({0x00, 0x83, 0x15, 0, 0, 0, 0, 0, 0}), "1500");
  EXPECT_EQ(XbText({0x80, 0x81, 0x12, 0x25, 0, 0, 0, 0, 0}), "-12.25");
  EXPECT_EQ(XbText({0x00, 0x7E, 0x50, 0, 0, 0, 0, 0, 0}), "0.05");
  EXPECT_EQ(XbText({0x00, 0x7D, 0x10, 0, 0, 0, 0, 0, 0}), "0.001");
  EXPECT_EQ(XbText({0x80, 0x7F, 0x50, 0, 0, 0, 0, 0, 0}), "-0.5");
  // Only bit 7 of the sign byte counts.
  EXPECT_EQ(XbText({0x7F, 0x80, 0x20, 0, 0, 0, 0, 0, 0}), "2");
  EXPECT_EQ(XbText({0x8C, 0x80, 0x20, 0, 0, 0, 0, 0, 0}), "-2");
}

TEST(XbRealToTextTest, FormChangesAtExponentsMinus4And10) {
  EXPECT_EQ(XbText({0x00, 0x7C, 0x10, 0, 0, 0, 0, 0, 0}), "1E-4");
  EXPECT_EQ(XbText({0x00, 0x7D, 0x12, 0x30, 0, 0, 0, 0, 0}), "0.00123");
  EXPECT_EQ(XbText({0x00, 0x89, 0x10, 0, 0, 0, 0, 0, 0}), "1000000000");
  EXPECT_EQ(XbText({0x00, 0x8A, 0x10, 0, 0, 0, 0, 0, 0}), "1E10");
  EXPECT_EQ(XbText({0x00, 0x8A, 0x15, 0, 0, 0, 0, 0, 0}), "1.5E10");
  EXPECT_EQ(XbText({0x80, 0x1D, 0x25, 0, 0, 0, 0, 0, 0}), "-2.5E-99");
}

TEST(XbRealToTextTest, AllFourteenDigitsAreShown) {
  const std::uint8_t m[] = {0x12, 0x34, 0x56, 0x78, 0x90, 0x12, 0x34};
  auto real = [&](std::uint8_t exponent) {
    Bytes r{0x00, exponent};
    r.insert(r.end(), m, m + 7);
    return r;
  };
  EXPECT_EQ(XbText(real(0x7D)), "0.0012345678901234");
  EXPECT_EQ(XbText(real(0x7F)), "0.12345678901234");
  EXPECT_EQ(XbText(real(0x89)), "1234567890.1234");
  EXPECT_EQ(XbText(real(0x7C)), "1.2345678901234E-4");
  EXPECT_EQ(XbText(real(0x00)), "1.2345678901234E-128");
  EXPECT_EQ(XbText(real(0xFF)), "1.2345678901234E127");
}

TEST(XbRealToTextTest, AppendsToTheOutput) {
  const Bytes r{0x00, 0x80, 0x15, 0, 0, 0, 0, 0, 0};
  std::string out = "x=";
  EXPECT_EQ(XbRealToText(r.data(), out), S_OK);
  EXPECT_EQ(out, "x=1.5");
  EXPECT_EQ(XbRealToText(nullptr, out), E_POINTER);
  EXPECT_EQ(out, "x=1.5");
}

TEST(XbRealToTextTest, NibblesAboveNineCarryIntoTheirNeighbours) {
  // 1.(10) is 2; fourteen nibbles of 15 are 15 x 1.1111111111111.
  EXPECT_EQ(XbText({0x00, 0x80, 0x1A, 0, 0, 0, 0, 0, 0}), "2");
  EXPECT_EQ(XbText({0x00, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), "16.6666666666665");
  EXPECT_EQ(XbText({0x00, 0x89, 0xA0, 0, 0, 0, 0, 0, 0}), "1E10");
  // A leading zero digit with a non-zero second digit is read as its value.
  EXPECT_EQ(XbText({0x00, 0x80, 0x05, 0, 0, 0, 0, 0, 0}), "0.5");
}

// ---- Text to XB Plus real ----

TEST(TextToXbRealTest, Examples) {
  EXPECT_EQ(XbFromText("0"), (Bytes{0x00, 0x80, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(XbFromText("-2.5"), (Bytes{0x80, 0x80, 0x25, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(XbFromText("1e-3"), (Bytes{0x00, 0x7D, 0x10, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(XbFromText("abc"), (Bytes{0x00, 0x80, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(XbFromText("9.9999999999999e99"),
            (Bytes{0x00, 0xE3, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99}));
  EXPECT_EQ(XbFromText("123456789012345"),
            (Bytes{0x00, 0x8E, 0x12, 0x34, 0x56, 0x78, 0x90, 0x12, 0x35}));
  EXPECT_EQ(XbFromText("99999999999999.5"), (Bytes{0x00, 0x8E, 0x10, 0, 0, 0, 0, 0, 0}));
}

TEST(TextToXbRealTest, OutOfRangeWritesNothing) {
  for (const char* text : {"1e100", "-1e100", "9.99999999999995e99", "1e400", "-1e99999999999999999999",
                           "1" "0000000000000000000000000000000000000000000000000000000000000000000000000"
                           "0000000000000000000000000000000000000000000000000000000000000000000000000"
                           "0000000000000000000000000000000000000000000000000000000000000000000000000"
                           "0000000000000000000000000000000000000000000000000000000000000000000000000"
                           "00000000000000000000000000000000000000000000000000"}) {
    Bytes out(9, 0xEE);
    int last = -5;
    EXPECT_EQ(TextToXbReal(text, out.data(), &last), E_CALC_NUMBER_RANGE) << text;
    EXPECT_EQ(out, Bytes(9, 0xEE)) << text;
    EXPECT_EQ(last, -5);
  }
}

TEST(TextToXbRealTest, ReadsTheLeadingNumberLikeAtof) {
  const Bytes twelveFive{0x00, 0x81, 0x12, 0x50, 0, 0, 0, 0, 0};
  EXPECT_EQ(XbFromText(" \t+12.5xyz"), twelveFive);
  EXPECT_EQ(XbFromText("12.5.3"), twelveFive);
  EXPECT_EQ(XbFromText("1.25E1"), twelveFive);
  EXPECT_EQ(XbFromText("1.25e+1"), twelveFive);
  EXPECT_EQ(XbFromText(".125e2"), twelveFive);
  EXPECT_EQ(XbFromText("0012.5"), twelveFive);
  const Bytes one{0x00, 0x80, 0x10, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(XbFromText("1e"), one);
  EXPECT_EQ(XbFromText("1e+"), one);
  EXPECT_EQ(XbFromText("1."), one);
  EXPECT_EQ(XbFromText("1E5"), (Bytes{0x00, 0x85, 0x10, 0, 0, 0, 0, 0, 0}));
  const Bytes zero{0x00, 0x80, 0, 0, 0, 0, 0, 0, 0};
  for (const char* text : {"", "-", ".", "-.e5", "e5", "inf", "nan", "0e99999", "$12"}) {
    EXPECT_EQ(XbFromText(text), zero) << text;
  }
  // Hexadecimal is not read: the number ends at the x.
  EXPECT_EQ(XbFromText("0x10"), zero);
  // A negative zero keeps its sign bit.
  EXPECT_EQ(XbFromText("-0"), (Bytes{0x80, 0x80, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(TextToXbRealTest, TinyValuesBecomeZero) {
  EXPECT_EQ(XbFromText("1e-99"), (Bytes{0x00, 0x1D, 0x10, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(XbFromText("9.99999999999999e-100"), (Bytes{0x00, 0x1D, 0x10, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(XbFromText("1e-100"), (Bytes{0x00, 0x80, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(XbFromText("-1e-200"), (Bytes{0x80, 0x80, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(XbFromText("1e-400"), (Bytes{0x00, 0x80, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(XbFromText("5e-99999999999999999999"), (Bytes{0x00, 0x80, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(TextToXbRealTest, NullArguments) {
  std::uint8_t out[9] = {};
  int last = 0;
  EXPECT_EQ(TextToXbReal(nullptr, out, &last), E_POINTER);
  EXPECT_EQ(TextToXbReal("1", nullptr, &last), E_POINTER);
  EXPECT_EQ(TextToXbReal("1", out, nullptr), E_POINTER);
}

// ---- Doubles to XB Plus reals ----

TEST(EncodeXbRealsTest, WritesEachValueInOrder) {
  const double values[] = {1.5, -0.001, 0.0};
  Bytes out(30, 0xEE);
  int last = -5;
  ASSERT_EQ(EncodeXbReals(values, 3, out.data(), &last), S_OK);
  EXPECT_EQ(last, 26);
  EXPECT_EQ(out, (Bytes{0x00, 0x80, 0x15, 0, 0, 0, 0, 0, 0,     //
                        0x80, 0x7D, 0x10, 0, 0, 0, 0, 0, 0,     //
                        0x00, 0x80, 0, 0, 0, 0, 0, 0, 0, 0xEE, 0xEE, 0xEE}));
}

TEST(EncodeXbRealsTest, NoCountWritesNothing) {
  const double value = 1.0;
  Bytes out(9, 0xEE);
  int last = 42;
  EXPECT_EQ(EncodeXbReals(&value, 0, out.data(), &last), S_OK);
  EXPECT_EQ(EncodeXbReals(&value, -3, out.data(), &last), S_OK);
  EXPECT_EQ(last, 42);
  EXPECT_EQ(out, Bytes(9, 0xEE));
}

TEST(EncodeXbRealsTest, AnyValueOutOfRangeRefusesTheWholeArray) {
  for (double bad : {1e100, -1e100, std::numeric_limits<double>::infinity(), std::nan("")}) {
    const double values[] = {2.0, bad};
    Bytes out(18, 0xEE);
    int last = 42;
    EXPECT_EQ(EncodeXbReals(values, 2, out.data(), &last), E_CALC_NUMBER_RANGE) << bad;
    EXPECT_EQ(out, Bytes(18, 0xEE));
    EXPECT_EQ(last, 42);
  }
}

TEST(EncodeXbRealsTest, SubnormalsAreZero) {
  const double value = std::numeric_limits<double>::denorm_min();
  Bytes out(9, 0xEE);
  int last = 0;
  ASSERT_EQ(EncodeXbReals(&value, 1, out.data(), &last), S_OK);
  EXPECT_EQ(out, (Bytes{0x00, 0x80, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(EncodeXbRealsTest, RandomValuesRoundTripThroughText) {
  std::mt19937_64 rng(99);
  for (int i = 0; i < 100000; ++i) {
    double value;
    do {
      std::uint64_t bits = rng();
      std::memcpy(&value, &bits, sizeof value);
    } while (!std::isfinite(value) || std::fabs(value) < 1e-99 || std::fabs(value) > kXbRealMax);
    std::uint8_t real[9];
    int last = 0;
    ASSERT_EQ(EncodeXbReals(&value, 1, real, &last), S_OK);
    std::string text;
    XbRealToText(real, text);
    ASSERT_EQ(text.find_first_not_of("-.0123456789E"), std::string::npos) << text;
    ASSERT_EQ(std::strtod(text.c_str(), nullptr), Rounded14(value)) << value << " as " << text;
  }
}

// ---- 68k floats ----

TEST(Float68kTest, EncodeExamples) {
  EXPECT_EQ(Float68k(2.5), (Bytes{0x40, 0x00, 0x25, 0, 0, 0, 0, 0, 0, 0x23}));
  EXPECT_EQ(Float68k(-0.125), (Bytes{0xBF, 0xFF, 0x12, 0x50, 0, 0, 0, 0, 0, 0x23}));
  EXPECT_EQ(Float68k(0.0), (Bytes{0x40, 0x00, 0, 0, 0, 0, 0, 0, 0, 0x23}));
  EXPECT_EQ(Float68k(-0.0), (Bytes{0xC0, 0x00, 0, 0, 0, 0, 0, 0, 0, 0x23}));
  EXPECT_EQ(Float68k(1e300), (Bytes{0x41, 0x2C, 0x10, 0, 0, 0, 0, 0, 0, 0x23}));
  EXPECT_EQ(Float68k(-1e-300), (Bytes{0xBE, 0xD4, 0x10, 0, 0, 0, 0, 0, 0, 0x23}));
  EXPECT_EQ(Float68k(123456789012345.0),
            (Bytes{0x40, 0x0E, 0x12, 0x34, 0x56, 0x78, 0x90, 0x12, 0x35, 0x23}));
  EXPECT_EQ(Float68k(std::numeric_limits<double>::denorm_min()),
            (Bytes{0x3E, 0xBC, 0x49, 0x40, 0x65, 0x64, 0x58, 0x41, 0x25, 0x23}));
}

TEST(Float68kTest, NonFiniteValuesEncodeAsNumbers) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(Float68k(inf), (Bytes{0x41, 0x34, 0x17, 0x97, 0x69, 0x31, 0x34, 0x86, 0x23, 0x23}));
  EXPECT_EQ(Float68k(-inf), (Bytes{0xC1, 0x34, 0x17, 0x97, 0x69, 0x31, 0x34, 0x86, 0x23, 0x23}));
  EXPECT_EQ(Float68k(std::nan("")), (Bytes{0x40, 0x00, 0, 0, 0, 0, 0, 0, 0, 0x23}));
}

TEST(Float68kTest, DecodeReadsTheNineBytesBeforeTheTag) {
  Bytes data{0x99, 0x99, 0x99};
  const Bytes f = Float68k(-0.125);
  data.insert(data.end(), f.begin(), f.end());
  data.push_back(0x99);
  EXPECT_EQ(DecodeFloat68k(data.data(), 12), -0.125L);
  EXPECT_EQ(DecodeFloat68k(Float68k(2.5).data(), 9), 2.5L);
  EXPECT_EQ(DecodeFloat68k(Float68k(0.1).data(), 9), 0.1L);
  EXPECT_EQ(DecodeFloat68k(Float68k(1e15).data(), 9), 1e15L);
  EXPECT_EQ(DecodeFloat68k(Float68k(1.5e-7).data(), 9), 1.5e-7L);
  EXPECT_EQ(DecodeFloat68k(data.data(), 8), 0.0L);
  EXPECT_EQ(DecodeFloat68k(nullptr, 9), 0.0L);
}

TEST(Float68kTest, DecodeZerosAndDamagedFloats) {
  EXPECT_FALSE(std::signbit(DecodeFloat68k(Float68k(0.0).data(), 9)));
  EXPECT_TRUE(std::signbit(DecodeFloat68k(Float68k(-0.0).data(), 9)));
  // A zero mantissa is zero at any exponent, never 0 x infinity.
  const Bytes hugeZero{0x7F, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0x23};
  EXPECT_EQ(DecodeFloat68k(hugeZero.data(), 9), 0.0L);
  const Bytes nibbles{0x40, 0x00, 0x1A, 0, 0, 0, 0, 0, 0, 0x23};
  EXPECT_EQ(DecodeFloat68k(nibbles.data(), 9), 2.0L);
}

TEST(FormatFloat68kTest, Examples) {
  EXPECT_EQ(Format68k(Float68k(3.0)), "3.");
  EXPECT_EQ(Format68k(Float68k(1e15)), "1E+015");
  EXPECT_EQ(Format68k(Float68k(1e15), true), "1\x95+015");
  EXPECT_EQ(Format68k(Float68k(1.5e-7)), "1.5E-007");
  EXPECT_EQ(Format68k(Float68k(1.5e-7), true), "1.5\x95\xAD" "007");
  EXPECT_EQ(Format68k(Float68k(-2.5)), "-2.5");
  EXPECT_EQ(Format68k(Float68k(-2.5), true), "\xAD" "2.5");
  EXPECT_EQ(Format68k(Float68k(-5.0), true), "\xAD" "5.");
  EXPECT_EQ(Format68k(Float68k(0.1)), "0.1");
  EXPECT_EQ(Format68k(Float68k(-0.125)), "-0.125");
  EXPECT_EQ(Format68k(Float68k(0.0)), "0.");
  EXPECT_EQ(Format68k(Float68k(-0.0)), "-0.");
}

TEST(FormatFloat68kTest, FormBoundaries) {
  EXPECT_EQ(Format68k(Float68k(123456789012345.0)), "1.2345678901235E+014");
  EXPECT_EQ(Format68k(Float68k(12345678901234.0)), "12345678901234.");
  EXPECT_EQ(Format68k(Float68k(1e13)), "10000000000000.");
  EXPECT_EQ(Format68k(Float68k(1e14)), "1E+014");
  EXPECT_EQ(Format68k(Float68k(0.0001)), "0.0001");
  EXPECT_EQ(Format68k(Float68k(0.00012345678901234)), "0.00012345678901234");
  EXPECT_EQ(Format68k(Float68k(0.00001)), "1E-005");
  EXPECT_EQ(Format68k(Float68k(1e100)), "1E+100");
  EXPECT_EQ(Format68k(Float68k(1.0 / 3.0)), "0.33333333333333");
  EXPECT_EQ(Format68k(Float68k(-1e-300)), "-1E-300");
  // Exponents of the calculator range and beyond that of a long double.
  EXPECT_EQ(Format68k(Bytes{0x3C, 0x19, 0x10, 0, 0, 0, 0, 0, 0, 0x23}), "1E-999");
  EXPECT_EQ(Format68k(Bytes{0x7F, 0xFF, 0x25, 0, 0, 0, 0, 0, 0, 0x23}), "2.5E+16383");
  EXPECT_EQ(Format68k(Bytes{0x00, 0x00, 0x10, 0, 0, 0, 0, 0, 0, 0x23}), "1E-16384");
}

TEST(FormatFloat68kTest, DamagedNibblesPrintTheirValue) {
  EXPECT_EQ(Format68k(Bytes{0x40, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x23}),
            "16.666666666667");
  EXPECT_EQ(Format68k(Bytes{0x40, 0x00, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x9A, 0x23}), "10.");
  // 10.0000000000005, a fifteenth digit rounded away from zero.
  EXPECT_EQ(Format68k(Bytes{0x40, 0x00, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x9F, 0x23}),
            "10.000000000001");
}

TEST(FormatFloat68kTest, PositionAndAppending) {
  Bytes data{0x01};
  const Bytes f = Float68k(3.0);
  data.insert(data.end(), f.begin(), f.end());
  std::string out = "1.5,";
  EXPECT_EQ(FormatFloat68k(data.data(), 10, false, out), 0);
  // The trailing point depends on the float's own text only.
  EXPECT_EQ(out, "1.5,3.");
  out.clear();
  EXPECT_EQ(FormatFloat68k(data.data(), 8, false, out), -2);
  EXPECT_EQ(out, "");
}

// "%.14LG" as printf gives it, with the exponent widened to three digits.
std::string PrintfG14(long double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14LG", value);
  std::string s = buf;
  const auto e = s.find('E');
  if (e != std::string::npos && s.size() - e - 2 < 3) s.insert(e + 2, 3 - (s.size() - e - 2), '0');
  if (s.find_first_of(".E") == std::string::npos) s += '.';
  return s;
}

TEST(FormatFloat68kTest, MatchesPrintfOnRandomFloats) {
  std::mt19937_64 rng(1234);
  for (int i = 0; i < 20000; ++i) {
    Bytes f(10, 0);
    const int exponent = static_cast<int>(rng() % 1999) - 999;
    const int word = (rng() % 2 ? 0xC000 : 0x4000) + exponent;
    f[0] = static_cast<std::uint8_t>(word >> 8);
    f[1] = static_cast<std::uint8_t>(word);
    const int used = 1 + static_cast<int>(rng() % 14);  // digits before the trailing zeros
    for (int k = 0; k < used; ++k) {
      const int digit = k == 0 ? 1 + static_cast<int>(rng() % 9) : static_cast<int>(rng() % 10);
      f[2 + k / 2] |= static_cast<std::uint8_t>(k % 2 ? digit : digit << 4);
    }
    f[9] = 0x23;
    ASSERT_EQ(Format68k(f), PrintfG14(DecodeFloat68k(f.data(), 9))) << exponent;
  }
}

TEST(Float68kTest, RandomDoublesRoundTrip) {
  std::mt19937_64 rng(4321);
  for (int i = 0; i < 100000; ++i) {
    double value;
    do {
      std::uint64_t bits = rng();
      std::memcpy(&value, &bits, sizeof value);
    } while (!std::isfinite(value));
    const Bytes f = Float68k(value);
    const double expected = Rounded14(value);
    const double decoded = static_cast<double>(DecodeFloat68k(f.data(), 9));
    // The long double is rounded once more on the way to a double.
    ASSERT_TRUE(decoded == expected || std::nextafter(decoded, expected) == expected)
        << value << " decoded " << decoded;
    const std::string text = Format68k(f);
    ASSERT_EQ(std::strtod(text.c_str(), nullptr), expected) << value << " as " << text;
  }
}

}  // namespace
}  // namespace gridlet
