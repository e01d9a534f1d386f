#include "model/spreadsheet_text_rewrites.h"

#include <array>

namespace gridlet {

namespace {

// The intermediate form spells functions by their spreadsheet names, as the
// spreadsheet writes them, and the calculators' characters as escapes. The
// two tables convert the few spellings that differ and are each other's
// inverse, so that a formula read from tab text and written again comes out
// as it went in. Order matters: later rows see the output of earlier ones.

constexpr std::array kExcelNamesToIntermediate{
    // A number's exponent ("1E5", "2.5E-3").
    RewriteRule{"E-", "_EE__neg_", Before::Digit, After::Digit},
    RewriteRule{"E+", "_EE_", Before::Digit, After::Digit},
    RewriteRule{"E", "_EE_", Before::Digit, After::Digit},
    // A minus sign where no operand ends is a negation.
    RewriteRule{"-", "_neg_", Before::NoOperand},
    RewriteRule{"^_neg_1", "_^-1_", Before::NameBoundary, After::NoName},
    RewriteRule{"^2", "_^2_", Before::NameBoundary, After::NoName},
    RewriteRule{"^3", "_^3_", Before::NameBoundary, After::NoName},
    RewriteRule{"ACOS(", "COS_^-1_("},
    RewriteRule{"ACOSH(", "COSH_^-1_("},
    RewriteRule{"ASIN(", "SIN_^-1_("},
    RewriteRule{"ASINH(", "SINH_^-1_("},
    RewriteRule{"ATAN(", "TAN_^-1_("},
    RewriteRule{"ATANH(", "TANH_^-1_("},
    RewriteRule{"PI()", "_pi_"},
    RewriteRule{"EXP(1)", "_e_"},
    RewriteRule{"EXP(", "_e_^("},
    RewriteRule{"10^(", "_10_^("},
    RewriteRule{"!=>", "_!=_"},
    RewriteRule{"<>", "_!=_"},
    RewriteRule{"<=", "_<=_"},
    RewriteRule{">=", "_>=_"},
    RewriteRule{"\xA9", "_lnot_"},
    // The truth values as functions: "TRUE" without parentheses is the
    // number 1 once a spreadsheet has read it.
    RewriteRule{"TRUE()", "TRUE"},
    RewriteRule{"FALSE()", "FALSE"},
    // The names under which LibreOffice reads an xls workbook's GCD, LCM
    // and one-argument CEILING and FLOOR.
    RewriteRule{"GCD_EXCEL2003(", "GCD("},
    RewriteRule{"LCM_EXCEL2003(", "LCM("},
    RewriteRule{"CEILING.MATH(", "CEILING("},
    RewriteRule{"FLOOR.MATH(", "FLOOR("},
};

constexpr std::array kIntermediateNamesToExcel{
    RewriteRule{"COS_^-1_(", "ACOS("},
    RewriteRule{"COSH_^-1_(", "ACOSH("},
    RewriteRule{"SIN_^-1_(", "ASIN("},
    RewriteRule{"SINH_^-1_(", "ASINH("},
    RewriteRule{"TAN_^-1_(", "ATAN("},
    RewriteRule{"TANH_^-1_(", "ATANH("},
    RewriteRule{"_pi_", "PI()"},
    // The power of ten right after an operand multiplies it.
    RewriteRule{"_10_^(", "*10^(", Before::Operand},
    RewriteRule{"_10_^(", "10^("},
    RewriteRule{"_neg_", "-"},
    RewriteRule{"_e_^(", "EXP("},
    RewriteRule{"_e_", "EXP(1)"},
    RewriteRule{"_!=_", "<>"},
    RewriteRule{"_<=_", "<="},
    RewriteRule{"_>=_", ">="},
    RewriteRule{"_lnot_", "\xA9"},
    RewriteRule{"TRUE", "TRUE()"},
    RewriteRule{"FALSE", "FALSE()"},
    // Postfix powers; inside a longer name (the chi-square functions) they
    // stay escapes.
    RewriteRule{"_^-1_", "^-1", Before::NameBoundary, After::NoName},
    RewriteRule{"_^2_", "^2", Before::NameBoundary, After::NoName},
    RewriteRule{"_^3_", "^3", Before::NameBoundary, After::NoName},
    RewriteRule{"_EE_", "E", Before::Digit},
};

constexpr std::array<std::string_view, 3> kCalculatorSpreadsheetHomonyms{"Text(", "npv(", "irr("};

}  // namespace

std::span<const std::string_view> CalculatorSpreadsheetHomonyms() { return kCalculatorSpreadsheetHomonyms; }

const RewriteOptions kSpreadsheetFormulaRewrite{.skipStringLiterals = true,
                                                .ignoreLetterCase = true};

std::span<const RewriteRule> ExcelNamesToIntermediateTable() { return kExcelNamesToIntermediate; }
std::span<const RewriteRule> IntermediateNamesToExcelTable() { return kIntermediateNamesToExcel; }

const RewriteIndex& ExcelNamesToIntermediateIndex() {
  static const RewriteIndex index(kExcelNamesToIntermediate, kSpreadsheetFormulaRewrite);
  return index;
}

const RewriteIndex& IntermediateNamesToExcelIndex() {
  static const RewriteIndex index(kIntermediateNamesToExcel, kSpreadsheetFormulaRewrite);
  return index;
}

}  // namespace gridlet
