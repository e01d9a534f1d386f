// The exchanges with workbooks, each through one instance of the
// spreadsheet application: a worksheet saved as tab-delimited text, tab
// text saved as a workbook, a workbook copied into another format, and the
// names of a workbook's worksheets.
//
// Paths and names are 8-bit strings in the Windows ANSI code page; a null
// pointer stands for none.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/spreadsheet_application.h"
#include "model/hresult.h"
#include "server/user_messages.h"

namespace gridlet {

// Results of the exchanges: done; the application could not be started
// (reported) or no path was given (not reported); or E_FAIL, a failure
// that has been reported.
inline constexpr long EXCHANGE_DONE = 0;
inline constexpr long EXCHANGE_NOT_STARTED = -1;

// A delimited text (CSV) read as a workbook: its separator and code page.
// Without one, a source is a workbook in any format the application reads.
struct DelimitedText {
  char separator = ',';
  std::int32_t codePage = CODE_PAGE_UTF8;
};

// What an export tells besides its text.
struct TextExport {
  // A1 was empty. The application writes a worksheet's text from its
  // first used cell on, so A1 held a placeholder while the text was saved:
  // the first field of the text is that placeholder, not a cell.
  bool placeholderInA1 = false;
  // Cells (A1 form) whose characters had no form in the ANSI code page.
  std::vector<std::string> cellsWithReplacedCharacters;
};

// Saves one worksheet as tab text with its formulas shown, beginning at
// cell A1. The worksheet is the one of that name or, when no worksheet has
// it, "#N" chooses the N-th; without a name, the first. A missing
// worksheet is reported with the names there are.
long WorkbookToTextFile(SpreadsheetApplicationLauncher& launcher, UserMessages& messages,
                        const char* workbookPath, const char* textPath, const char* sheetName,
                        const DelimitedText* delimited = nullptr, TextExport* exported = nullptr);

// How a workbook is written: its format (SaveAs's FileFormat) and the name
// of its worksheet (empty: as the application names it).
struct WorkbookTarget {
  std::int32_t fileFormat = XL_FILE_FORMAT_WORKBOOK;
  std::u16string sheetName;
};

// Opens tab text and saves it as a workbook showing values. A failure to
// save (the target cannot be written or replaced) is reported with
// GRIDLET_E_CONVERSION and its reason, any other with
// GRIDLET_E_SPREADSHEET_APP.
long TextFileToWorkbook(SpreadsheetApplicationLauncher& launcher, UserMessages& messages,
                        const char* textPath, const char* workbookPath,
                        const WorkbookTarget& target = {});

// Saves a whole workbook, every worksheet with its formulas, values and
// formats, in another file and format; failures as TextFileToWorkbook.
long CopyWorkbook(SpreadsheetApplicationLauncher& launcher, UserMessages& messages,
                  const char* sourcePath, const char* targetPath, std::int32_t fileFormat,
                  const DelimitedText* delimited = nullptr);

struct SheetListResult {
  HRESULT result = S_OK;  // E_FAIL after a reported failure
  std::vector<std::u16string> names;  // the worksheets in workbook order
};

// Lists the worksheets of a workbook. Failures are reported through the
// messages when given.
SheetListResult ListWorkbookSheets(SpreadsheetApplicationLauncher& launcher, UserMessages* messages,
                                   const char* workbookPath, const DelimitedText* delimited = nullptr);

// The name a worksheet can bear: the characters a worksheet name cannot
// hold (: \ / ? * [ ]) become "_", a leading or trailing apostrophe goes,
// and the name is cut to 31 characters; an empty name becomes "Sheet1".
std::u16string WorksheetNameFor(std::u16string_view wanted);

// The position N of a worksheet chosen as "#N" (1-based), or 0.
std::int32_t WorksheetPosition(std::string_view choice);

}  // namespace gridlet
