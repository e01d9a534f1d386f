// The spreadsheet application on Windows: Microsoft Excel, started from the
// ProgID "Excel.Application" and driven through IDispatch::Invoke with the
// fixed dispatch identifiers of its members.
#pragma once

#include "bridge/spreadsheet_application.h"

namespace gridlet::win32 {

class ExcelApplicationLauncher : public SpreadsheetApplicationLauncher {
 public:
  // Looks the class up from the ProgID, creates an instance in any server
  // context, runs it with OleRun and takes its IDispatch; null when any
  // step fails.
  std::unique_ptr<SpreadsheetApplication> Start() override;
};

}  // namespace gridlet::win32
