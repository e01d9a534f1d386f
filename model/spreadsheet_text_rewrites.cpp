#include "model/spreadsheet_text_rewrites.h"

#include <array>

namespace gridlet {

namespace {

// Order matters: later rows see the output of earlier ones.
constexpr std::array kExcelNamesToIntermediate{
    RewriteRule{"IMABS(", "ABS("},
    RewriteRule{"IMAGINARY(", "IMAG("},
    RewriteRule{"IMCONJUGATE(", "CONJ("},
    RewriteRule{"IMEXP(", "e\xF6("},
    RewriteRule{"IMLN(", "LN("},
    RewriteRule{"IMLOG10(", "LOG("},
    RewriteRule{"IMREAL(", "REAL("},
    RewriteRule{"^-", "^_neg_"},
    RewriteRule{"IMSQRT(", "SQRT("},
    RewriteRule{"AVERAGE(", "AVERAGE("},
    RewriteRule{"ACOS(", "COS_^-1_("},
    RewriteRule{"ACOSH(", "COSH_^-1_("},
    RewriteRule{"ASIN(", "SIN_^-1_("},
    RewriteRule{"ASINH(", "SINH_^-1_("},
    RewriteRule{"ATAN(", "TAN_^-1_("},
    RewriteRule{"ATANH(", "TANH_^-1_("},
    RewriteRule{"LOG10(", "LOG("},
    RewriteRule{"MDETERM(", "DET("},
    RewriteRule{"SQRTPI()", "SQRT(_pi_)"},
    RewriteRule{"PRODUCT(", "PRODUCT("},
    RewriteRule{"QUOTIENT(", "IPART("},
    RewriteRule{"PI()", "_pi_"},
    RewriteRule{"SQRT(", "SQRT("},
    RewriteRule{"STDEV(", "STDEV("},
    RewriteRule{"VAR(", "VAR("},
    RewriteRule{"(-", "(_neg_"},
    RewriteRule{"IF(", "If("},
    RewriteRule{"10^(", "_10_^("},
    RewriteRule{"!=>", "_!=_"},
    RewriteRule{"<>", "_!=_"},
    RewriteRule{"<=", "_<=_"},
    RewriteRule{">=", "_>=_"},
    RewriteRule{"\xA9", "_lnot_"},
};

constexpr std::array kIntermediateNamesToExcel{
    RewriteRule{"abs(", "ABS("},
    RewriteRule{"imag(", "IMAGINARY("},
    RewriteRule{"conj(", "IMCONJUGATE("},
    RewriteRule{"e\xF6(", "IMEXP("},
    RewriteRule{"ln(", "LN("},
    RewriteRule{"log(", "LOG10("},
    RewriteRule{"real(", "REAL("},
    RewriteRule{"mean(", "AVERAGE("},
    RewriteRule{"cos_^-1_(", "ACOS("},
    RewriteRule{"cosh_^-1_(", "ACOSH("},
    RewriteRule{"sin_^-1_(", "ASIN("},
    RewriteRule{"sinh_^-1_(", "ASINH("},
    RewriteRule{"tan_^-1_(", "ATAN("},
    RewriteRule{"tanh_^-1_(", "ATANH("},
    RewriteRule{"log(", "LOG10("},
    RewriteRule{"det(", "MDETERM("},
    RewriteRule{"_pi_", "PI()"},
    RewriteRule{"prod(", "PRODUCT("},
    RewriteRule{"ipart(", "QUOTIENT("},
    RewriteRule{"sqrt(", "SQRT("},
    RewriteRule{"\xC3(\xB9)", "SQRTPI"},
    RewriteRule{"stdDev(", "STDEV("},
    RewriteRule{"var(", "variance("},
    RewriteRule{"If(", "IF("},
    RewriteRule{"_10_^(", "10^("},
    RewriteRule{"_neg_", "-"},
    RewriteRule{"rand", "rand()"},
    RewriteRule{"_e_^(", "EXP("},
    RewriteRule{"_e_^", "EXP("},
    RewriteRule{"_i_", "i"},
    RewriteRule{"_!=_", "<>"},
    RewriteRule{"_!=_", "!="},
    RewriteRule{"_<=_", "<="},
    RewriteRule{"_>=_", ">="},
    RewriteRule{"_e_", "EXP(1)"},
    RewriteRule{"_lnot_", "\xA9"},
    RewriteRule{"_^-1_", "^-1"},
};

}  // namespace

std::span<const RewriteRule> ExcelNamesToIntermediateTable() { return kExcelNamesToIntermediate; }
std::span<const RewriteRule> IntermediateNamesToExcelTable() { return kIntermediateNamesToExcel; }

}  // namespace gridlet
