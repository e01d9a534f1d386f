// The three exchanges with workbooks, each through one fresh instance of
// the spreadsheet application: a worksheet saved as tab-delimited text, tab
// text saved as a workbook, and the names of a workbook's worksheets.
//
// Paths and names are 8-bit strings in the Windows ANSI code page; a null
// pointer stands for none.
#pragma once

#include <string>
#include <vector>

#include "bridge/spreadsheet_application.h"
#include "model/hresult.h"
#include "server/user_messages.h"

namespace gridlet {

// Saves the worksheet of that name as tab text with its formulas shown,
// beginning at cell A1. Returns 0 when done or when a failure has already
// been reported, -1 when the application could not be started or no
// workbook path is given, E_FAIL when saving failed (reported).
long WorkbookToTextFile(SpreadsheetApplicationLauncher& launcher, UserMessages& messages,
                        const char* workbookPath, const char* textPath, const char* sheetName);

// Opens tab text and saves it as a workbook showing values. Returns 0 when
// done or when a failure has already been reported, -1 when the application
// could not be started, no text path is given, or the application failed.
long TextFileToWorkbook(SpreadsheetApplicationLauncher& launcher, UserMessages& messages,
                        const char* textPath, const char* workbookPath);

struct SheetListResult {
  HRESULT result = S_OK;  // E_FAIL after a reported failure
  std::vector<std::string> names;  // the worksheets in workbook order
};

// Lists the worksheets of a workbook. Failures are reported through the
// messages when given.
SheetListResult ListWorkbookSheets(SpreadsheetApplicationLauncher& launcher, UserMessages* messages,
                                   const char* workbookPath);

}  // namespace gridlet
