// The two tables between the spreadsheet's spelling of formulas and the
// intermediate spelling, applied to the formulas of tab-text cells.
#pragma once

#include <span>

#include "model/rewrite_table.h"

namespace gridlet {

// Formulas read from tab text or a workbook.
std::span<const RewriteRule> ExcelNamesToIntermediateTable();
// Formulas written to tab text or a workbook.
std::span<const RewriteRule> IntermediateNamesToExcelTable();

// How both tables apply: string literals are left alone, and spreadsheet
// names match whatever their letter case.
extern const RewriteOptions kSpreadsheetFormulaRewrite;

}  // namespace gridlet
