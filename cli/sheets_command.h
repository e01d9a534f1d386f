// gridlet sheets WORKBOOK
#pragma once

#include <string>

namespace gridlet::cli {

// Prints the names of the workbook's worksheets, one a line, in workbook
// order.
int RunSheets(const std::string& workbook);

}  // namespace gridlet::cli
