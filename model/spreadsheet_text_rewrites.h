// The two tables between the spreadsheet program's function names and the
// intermediate names, applied to the texts of spreadsheet-text cells.
#pragma once

#include <span>

#include "model/rewrite_table.h"

namespace gridlet {

// Formula texts coming from the spreadsheet program.
std::span<const RewriteRule> ExcelNamesToIntermediateTable();
// Cell texts going to the spreadsheet program (and formula texts going to
// plain text files).
std::span<const RewriteRule> IntermediateNamesToExcelTable();

}  // namespace gridlet
