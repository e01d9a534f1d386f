// The two tables between the spreadsheet's spelling of formulas and the
// intermediate spelling, applied to the formulas of tab-text cells.
#pragma once

#include <span>
#include <string_view>

#include "model/rewrite_table.h"

namespace gridlet {

// Formulas read from tab text or a workbook.
std::span<const RewriteRule> ExcelNamesToIntermediateTable();
// Formulas written to tab text or a workbook.
std::span<const RewriteRule> IntermediateNamesToExcelTable();

// Calculator functions whose names the spreadsheet gives to functions of
// another meaning, in the calculator's spelling: they are recognised only
// so spelled, and a workbook keeps them as texts of the formula rather than
// let the spreadsheet compute something else.
std::span<const std::string_view> CalculatorSpreadsheetHomonyms();

// How both tables apply: string literals are left alone, and spreadsheet
// names match whatever their letter case.
extern const RewriteOptions kSpreadsheetFormulaRewrite;

// The two tables with those options, indexed for the many formulas of a
// large sheet.
const RewriteIndex& ExcelNamesToIntermediateIndex();
const RewriteIndex& IntermediateNamesToExcelIndex();

}  // namespace gridlet
