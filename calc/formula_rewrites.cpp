#include "calc/formula_rewrites.h"

#include <array>
#include <cstdint>
#include <utility>

#include "calc/named_char_table.h"
#include "encoding/char_escape_translator.h"

namespace gridlet {
namespace {

// Row order is behaviour: each row works on the output of the rows before
// it, so an earlier row can pre-empt a later one. Rows that map a text to
// itself change nothing; they keep each table in step with its reverse.
// Literals are split after a hex escape so that no following character is
// read as part of it.

// XB Plus to intermediate.
constexpr std::array<RewriteRule, 48> kXbToIntermediate = {{
    {"abs(", "ABS("},
    {"cos_^-1_(", "cos_^-1_("},
    {"cosh_^-1_(", "cosh_^-1_("},
    {"\x04", "$"},
    {"gcd(", "GCD("},
    {"int(", "INT("},
    {"lcm(", "LCM("},
    {"ln(", "LN("},
    {"max(", "MAX("},
    {"median(", "MEDIAN("},
    {"min(", "MIN("},
    {"rand", "RAND()"},
    {"rand", "RAND("},
    {"round(", "ROUND("},
    {"sin_^-1_(", "sin_^-1_("},
    {"sinh_^-1_(", "sinh_^-1_("},
    {"sum(", "SUM("},
    {"tan_^-1_(", "tan_^-1_("},
    {"tanh_^-1_(", "tanh_^-1_("},
    {"log(", "LOG10("},
    {"imag(", "IMAGINARY("},
    {"conj(", "IMCONJUGATE("},
    {"_e_^(", "_e_^("},
    {"_e_", "_e_"},
    {"ln(", "LN("},
    {"real(", "REAL("},
    {"mean(", "AVERAGE("},
    {"cos(", "COS("},
    {"cosh(", "COSH("},
    {"sin(", "SIN("},
    {"sinh(", "SINH("},
    {"tan(", "TAN("},
    {"tanh(", "TANH("},
    {"det(", "MDETERM("},
    {"prod(", "PRODUCT("},
    {"ipart(", "QUOTIENT("},
    {"stdDev(", "STDDEV("},
    {"variance(", "var("},
    {"if(", "IF("},
    {"_root_(", "SQRT("},
    {"_neg_", "_neg_"},
    {"_^-1_", "_^-1_"},
    {"_^2_", "^2"},
    {"_^3_", "^3"},
    {"_10_^(", "_10_^("},
    {"_trans_", "$"},
    {"_EE_", "*10^"},
    {"_degrees_", "\xB0"},
}};

// Intermediate (upper-cased) to XB Plus.
constexpr std::array<RewriteRule, 55> kIntermediateToXb = {{
    {"SQRT_PI_", "_root_(_pi_)"},
    {"COS_^-1_(", "cos_^-1_("},
    {"COSH_^-1_(", "cosh_^-1_("},
    {"$", "_trans_"},
    {"GCD(", "gcd("},
    {"INT(", "int("},
    {"LCM(", "lcm("},
    {"LN(", "ln("},
    {"MAX(", "max("},
    {"MEDIAN(", "median("},
    {"MIN(", "min("},
    {"RAND()", "rand"},
    {"RAND(", "rand"},
    {"ROUND(", "round("},
    {"SIN_^-1_(", "sin_^-1_("},
    {"SINH_^-1_(", "sinh_^-1_("},
    {"SUM(", "sum("},
    {"TAN_^-1_(", "tan_^-1_("},
    {"TANH_^-1_(", "tanh_^-1_("},
    {"LOG10(", "log("},
    {"IMAGINARY(", "imag("},
    {"IMCONJUGATE(", "conj("},
    {"IMEXP(", "_e_^("},
    {"IMLN(", "ln("},
    {"IMREAL(", "real("},
    {"AVERAGE(", "mean("},
    {"COS(", "cos("},
    {"COSH(", "cosh("},
    {"SIN(", "sin("},
    {"SINH(", "sinh("},
    {"TAN(", "tan("},
    {"TANH(", "tanh("},
    {"DET(", "det("},
    {"PRODUCT(", "prod("},
    {"QUOTIENT(", "ipart("},
    {"STDEV(", "stdDev("},
    {"VAR(", "variance("},
    {"IF(", "if("},
    {"SQRT(", "_root_("},
    {"ABS", "abs"},
    {"IMEXP(", "_e_^("},
    {"^2", "_^2_"},
    {"^3", "_^3_"},
    {"RAND()", "rand"},
    {"EXP(", "_e_^("},
    {"IMLOG10(", "log("},
    {"REAL(", "real("},
    {"LN(", "ln("},
    {"_NEG_", "_neg_"},
    {"LOG(", "log("},
    {"(_NEG_", "(_neg_"},
    {"\xB0", "_degrees_"},
    {"_I_", "_i_"},
    {"_PI_", "_pi_"},
    {"_E_", "_e_"},
}};

// 68k-class to intermediate, after the device bytes have become escapes.
constexpr std::array<RewriteRule, 22> kSheet68kToIntermediate = {{
    {"imag(", "imaginary("},
    {"conj(", "imconjugate("},
    {"IMEXP(", "e" "\xF6" "("},
    {"rand(", "rand("},
    {"IMLOG10(", "log10("},
    {"real(", "imreal("},
    {"_(C)_(", "sqrt("},
    {"mean(", "average("},
    {"log(", "log10("},
    {"det(", "mdeterm("},
    {"product(", "product("},
    {"ipart(", "quotient("},
    {"\xA8" "(", "sqrt("},
    {"\xC3" "(" "\xB9" ")", "sqrtpi"},
    {"stdDev(", "stdev("},
    {"variance(", "var("},
    {"QZGRIDLT.cellIf(", "if("},
    {"10^(", "_10_^("},
    {"_e_^", "_e_^"},
    {"_e_", "_e_"},
    {"\x95", "*10^"},
    {"_degrees_", "\xB0"},
}};

// Intermediate (formulas lower-cased) to 68k-class, before the escapes
// become device bytes.
constexpr std::array<RewriteRule, 23> kIntermediateToSheet68k = {{
    {"imaginary(", "imag("},
    {"imconjugate(", "conj("},
    {"imexp(", "e^("},
    {"imabs(", "abs("},
    {"rand(", "rand("},
    {"imlog10(", "log10("},
    {"imreal(", "real("},
    {"imsqrt(", "sqrt("},
    {"average(", "mean("},
    {"exp(", "\x96" "^("},
    {"log10(", "log("},
    {"mdeterm(", "det("},
    {"product(", "product("},
    {"quotient(", "ipart("},
    {"sqrt(", "\xA8" "("},
    {"stdev(", "stdDev("},
    {"var(", "variance("},
    {"(-", "(" "\xAD"},
    {"if(", "QZGRIDLT.cellIf("},
    {"if (", "QZGRIDLT.cellIf("},
    {"_10_^(", "*10^("},
    {"pi()", "_pi_"},
    {"\xB0", "_degrees_"},
}};

// Translator codes for the 68k-class charset column.
constexpr std::int32_t kOpEscapeFrom68k = 11;
constexpr std::int32_t kSubEscapeFrom68k = 0;
constexpr std::int32_t kOpUnescape = 0;
constexpr std::int32_t kSubUnescapeInto68k = 11;

const CharEscapeTranslator& Translator68k() {
  static const CharEscapeTranslator translator(NamedCharTable());
  return translator;
}

}  // namespace

std::span<const RewriteRule> XbToIntermediateRewrites() { return kXbToIntermediate; }
std::span<const RewriteRule> IntermediateToXbRewrites() { return kIntermediateToXb; }
std::span<const RewriteRule> Sheet68kToIntermediateRewrites() { return kSheet68kToIntermediate; }
std::span<const RewriteRule> IntermediateToSheet68kRewrites() { return kIntermediateToSheet68k; }

void XbNamesToIntermediate(std::string& text) { ApplyRewrites(text, kXbToIntermediate); }

void IntermediateNamesToXb(std::string& text) { ApplyRewrites(text, kIntermediateToXb); }

void Sheet68kNamesToIntermediate(std::string& text) {
  std::string escaped;
  if (Translator68k().Translate(kOpEscapeFrom68k, text, kSubEscapeFrom68k, escaped) < 0) return;
  ApplyRewrites(escaped, kSheet68kToIntermediate);
  text = std::move(escaped);
}

void IntermediateNamesToSheet68k(std::string& text) {
  ApplyRewrites(text, kIntermediateToSheet68k);
  std::string unescaped;
  if (Translator68k().Translate(kOpUnescape, text, kSubUnescapeInto68k, unescaped) < 0) return;
  text = std::move(unescaped);
}

}  // namespace gridlet
