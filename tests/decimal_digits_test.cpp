#include "encoding/decimal_digits.h"

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

namespace gridlet {
namespace {

struct Expected {
  std::string digits;
  int pointPosition;
  bool negative;
};

void ExpectDigits(double value, int count, const Expected& expected) {
  DecimalDigits d = ToDecimalDigits(value, count);
  EXPECT_EQ(std::string(d.digits), expected.digits) << value;
  EXPECT_EQ(d.pointPosition, expected.pointPosition) << value;
  EXPECT_EQ(d.negative, expected.negative) << value;
}

// Digits, point position and sign as printf("%.*e") gives them.
Expected FromPrintf(double value, int count) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", count - 1, value);
  Expected e{"", 0, buf[0] == '-'};
  const char* p = buf + (e.negative ? 1 : 0);
  for (; *p != 'e'; ++p) {
    if (*p != '.') e.digits += *p;
  }
  e.pointPosition = std::atoi(p + 1) + 1;
  return e;
}

// Whether |value| lies exactly halfway between two numbers of `count`
// significant digits, read from its exact expansion.
bool IsExactTie(double value, int count) {
  static char buf[1024];
  std::snprintf(buf, sizeof buf, "%.800e", std::fabs(value));
  std::string digits;
  for (const char* p = buf; *p != 'e'; ++p) {
    if (*p != '.') digits += *p;
  }
  return digits[count] == '5' && digits.find_first_not_of('0', count + 1) == std::string::npos;
}

TEST(DecimalDigitsTest, TypicalValues) {
  ExpectDigits(1.5, 14, {"15000000000000", 1, false});
  ExpectDigits(1500, 14, {"15000000000000", 4, false});
  ExpectDigits(-12.25, 14, {"12250000000000", 2, true});
  ExpectDigits(0.05, 14, {"50000000000000", -1, false});
  ExpectDigits(0.1, 14, {"10000000000000", 0, false});
  ExpectDigits(-0.125, 14, {"12500000000000", 0, true});
  ExpectDigits(1e15, 14, {"10000000000000", 16, false});
  ExpectDigits(1.5e-7, 14, {"15000000000000", -6, false});
  ExpectDigits(1.0 / 3.0, 14, {"33333333333333", 0, false});
  ExpectDigits(2.0 / 3.0, 14, {"66666666666667", 0, false});
}

TEST(DecimalDigitsTest, ZeroKeepsItsSign) {
  ExpectDigits(0.0, 14, {"00000000000000", 0, false});
  ExpectDigits(-0.0, 14, {"00000000000000", 0, true});
}

TEST(DecimalDigitsTest, HalvesRoundAwayFromZero) {
  // Exactly representable fifteen-digit values: printf would round these to
  // even.
  ExpectDigits(123456789012345.0, 14, {"12345678901235", 15, false});
  ExpectDigits(-123456789012345.0, 14, {"12345678901235", 15, true});
  ExpectDigits(2.5, 1, {"3", 1, false});
  ExpectDigits(-0.125, 2, {"13", 0, true});
  // A carry through every digit moves the point.
  ExpectDigits(99999999999999.5, 14, {"10000000000000", 15, false});
  ExpectDigits(9.5, 1, {"1", 2, false});
}

TEST(DecimalDigitsTest, NearHalvesFollowTheExactBinaryValue) {
  // 1.00000000000005 is stored slightly below its decimal text and
  // 1.00000000000015 slightly above.
  ASSERT_FALSE(IsExactTie(1.00000000000005, 14));
  ExpectDigits(1.00000000000005, 14, FromPrintf(1.00000000000005, 14));
  ExpectDigits(1.00000000000015, 14, FromPrintf(1.00000000000015, 14));
  ExpectDigits(0.3, 1, {"3", 0, false});
}

TEST(DecimalDigitsTest, ExtremesAndSubnormals) {
  ExpectDigits(DBL_MAX, 14, {"17976931348623", 309, false});
  ExpectDigits(DBL_MIN, 14, {"22250738585072", -307, false});
  ExpectDigits(std::numeric_limits<double>::denorm_min(), 14, {"49406564584125", -323, false});
  ExpectDigits(-std::numeric_limits<double>::denorm_min(), 3, {"494", -323, true});
  ExpectDigits(1e-310, 14, FromPrintf(1e-310, 14));
}

TEST(DecimalDigitsTest, NonFiniteValuesGiveValidDigits) {
  const double inf = std::numeric_limits<double>::infinity();
  ExpectDigits(inf, 14, {"17976931348623", 309, false});
  ExpectDigits(-inf, 14, {"17976931348623", 309, true});
  ExpectDigits(std::nan(""), 14, {"00000000000000", 0, false});
  ExpectDigits(-std::nan(""), 14, {"00000000000000", 0, false});
}

TEST(DecimalDigitsTest, CountIsClampedToTheBuffer) {
  ExpectDigits(3.14159265358979, 5, {"31416", 1, false});
  ExpectDigits(3.14159265358979, 40, {"31415926535898", 1, false});
  ExpectDigits(3.14159265358979, 0, {"3", 1, false});
  ExpectDigits(0.0, -3, {"0", 0, false});
}

TEST(DecimalDigitsTest, MatchesPrintfOnRandomDoubles) {
  std::mt19937_64 rng(20240611);
  int ties = 0;
  for (int i = 0; i < 100000; ++i) {
    double value;
    if (i % 2 == 0) {
      // Any finite bit pattern: every exponent, subnormals included.
      do {
        std::uint64_t bits = rng();
        std::memcpy(&value, &bits, sizeof value);
      } while (!std::isfinite(value));
    } else {
      // Values with few decimals, as typed into sheets.
      value = static_cast<double>(static_cast<std::int64_t>(rng() % 2000000001) - 1000000000) /
              std::pow(10.0, static_cast<int>(rng() % 8));
    }
    const int count = i % 5 == 0 ? 1 + static_cast<int>(rng() % 14) : 14;
    const Expected printed = FromPrintf(value, count);
    const DecimalDigits d = ToDecimalDigits(value, count);
    if (printed.digits == d.digits && printed.pointPosition == d.pointPosition) {
      EXPECT_EQ(d.negative, std::signbit(value));
      continue;
    }
    // printf rounds exact halves to even; here they go away from zero.
    ASSERT_TRUE(IsExactTie(value, count)) << value << " count " << count << " got " << d.digits;
    const std::string ours = std::string("0.") + d.digits + "e" + std::to_string(d.pointPosition);
    const std::string theirs = "0." + printed.digits + "e" + std::to_string(printed.pointPosition);
    EXPECT_GT(std::strtod(ours.c_str(), nullptr), std::strtod(theirs.c_str(), nullptr)) << value;
    ++ties;
  }
  EXPECT_GT(ties, 0);  // the few-decimals population does contain halves
}

TEST(DecimalDigitsTest, FifteenDigitHalvesOnRandomIntegers) {
  std::mt19937_64 rng(7);
  for (int i = 0; i < 2000; ++i) {
    // 1xxxxxxxxxxxxx5 .. 9xxxxxxxxxxxxx5: exactly representable halves.
    const std::int64_t head = 10000000000000 + static_cast<std::int64_t>(rng() % 90000000000000);
    const double value = static_cast<double>(head * 10 + 5);
    const DecimalDigits d = ToDecimalDigits(value);
    const std::int64_t up = head + 1;
    const std::string expected = up == 100000000000000 ? "10000000000000" : std::to_string(up);
    ASSERT_EQ(std::string(d.digits), expected) << head;
    ASSERT_EQ(d.pointPosition, up == 100000000000000 ? 16 : 15);
  }
}

}  // namespace
}  // namespace gridlet
