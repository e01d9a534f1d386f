// The spreadsheet application that the bridge drives to reach workbooks:
// the objects and members of its automation model that the bridge uses,
// with Excel's names. Each platform supplies an implementation (Excel
// through its dispatch identifiers, see excel_dispatch_ids.h, or another
// spreadsheet program that behaves alike).
//
// Every member raises ComError when the application fails. Objects are
// handed out as owning pointers; releasing one releases the application's
// object. A member that hands out an object may give null for none.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bridge/automation_value.h"

namespace gridlet {

// Values of the FileFormat argument of SaveAs.
inline constexpr std::int32_t XL_FILE_FORMAT_TEXT = -4158;      // tab-delimited text, ANSI code page
inline constexpr std::int32_t XL_FILE_FORMAT_WORKBOOK = -4143;  // the normal workbook (.xls)
inline constexpr std::int32_t XL_FILE_FORMAT_XLSX = 51;         // Office Open XML workbook
inline constexpr std::int32_t XL_FILE_FORMAT_ODS = 60;          // OpenDocument spreadsheet
inline constexpr std::int32_t XL_FILE_FORMAT_CSV_UTF8 = 62;     // comma-separated UTF-8, one worksheet

// Values of the Format argument of Workbooks.Open for a delimited text.
inline constexpr std::int32_t XL_TEXT_FORMAT_TABS = 1;
inline constexpr std::int32_t XL_TEXT_FORMAT_CUSTOM = 6;  // the Delimiter argument names the character

// Code pages of delimited texts, given to Open as its Origin argument (as
// Workbooks.OpenText takes it).
inline constexpr std::int32_t CODE_PAGE_WINDOWS_1252 = 1252;
inline constexpr std::int32_t CODE_PAGE_UTF8 = 65001;

// The arguments of Workbooks.Open, positionally, with Excel's names.
struct OpenArguments {
  std::string fileName;  // 8-bit, in the ANSI code page
  AutomationValue updateLinks = MISSING_ARGUMENT;
  AutomationValue readOnly = MISSING_ARGUMENT;
  AutomationValue format = MISSING_ARGUMENT;
  AutomationValue password = MISSING_ARGUMENT;
  AutomationValue writeResPassword = MISSING_ARGUMENT;
  AutomationValue ignoreReadOnlyRecommended = MISSING_ARGUMENT;
  AutomationValue origin = MISSING_ARGUMENT;
  AutomationValue delimiter = MISSING_ARGUMENT;
  AutomationValue editable = MISSING_ARGUMENT;
  AutomationValue notify = MISSING_ARGUMENT;
  AutomationValue converter = MISSING_ARGUMENT;
  AutomationValue addToMru = MISSING_ARGUMENT;
};

// The arguments of Workbook.SaveAs, positionally.
struct SaveAsArguments {
  AutomationValue fileName = MISSING_ARGUMENT;
  AutomationValue fileFormat = MISSING_ARGUMENT;
  AutomationValue password = MISSING_ARGUMENT;
  AutomationValue writeResPassword = MISSING_ARGUMENT;
  AutomationValue readOnlyRecommended = MISSING_ARGUMENT;
  AutomationValue createBackup = MISSING_ARGUMENT;
  std::int32_t accessMode = 0;
  AutomationValue conflictResolution = MISSING_ARGUMENT;
  AutomationValue addToMru = MISSING_ARGUMENT;
  AutomationValue textCodepage = MISSING_ARGUMENT;
  AutomationValue textVisualLayout = MISSING_ARGUMENT;
};

// The arguments of Workbook.Close.
struct CloseArguments {
  AutomationValue saveChanges = MISSING_ARGUMENT;
  AutomationValue fileName = MISSING_ARGUMENT;
  AutomationValue routeWorkbook = MISSING_ARGUMENT;
};

class SpreadsheetRange {
 public:
  virtual ~SpreadsheetRange() = default;
  virtual AutomationValue GetValue() = 0;
  virtual void PutValue(const AutomationValue& value) = 0;
};

class SpreadsheetWorksheet {
 public:
  virtual ~SpreadsheetWorksheet() = default;
  virtual void Activate() = 0;
  // As the application holds it (a BSTR): a name need not have a form in
  // the ANSI code page.
  virtual std::u16string GetName() = 0;
  // Renames the worksheet; raises ComError for a name the application
  // does not allow.
  virtual void PutName(const std::u16string& name) = 0;
  virtual std::unique_ptr<SpreadsheetRange> GetRange(const AutomationValue& cell1,
                                                     const AutomationValue& cell2) = 0;
};

// The worksheets of a workbook.
class SpreadsheetSheets {
 public:
  virtual ~SpreadsheetSheets() = default;
  virtual std::int32_t GetCount() = 0;
  // By 1-based index (VT_I2 or VT_I4) or by name (a string).
  virtual std::unique_ptr<SpreadsheetWorksheet> GetItem(const AutomationValue& index) = 0;
};

class SpreadsheetWorkbook {
 public:
  virtual ~SpreadsheetWorkbook() = default;
  virtual void Activate() = 0;
  virtual std::unique_ptr<SpreadsheetSheets> GetWorksheets() = 0;
  virtual void SaveAs(const SaveAsArguments& arguments) = 0;
  virtual void Close(const CloseArguments& arguments) = 0;
  // The cells (in A1 form) of the last text saved whose characters had no
  // form in the text's code page and were written as "?". An application
  // that does not say (Excel) gives none.
  virtual std::vector<std::string> CellsWithReplacedCharacters() { return {}; }
};

class SpreadsheetWorkbooks {
 public:
  virtual ~SpreadsheetWorkbooks() = default;
  virtual std::unique_ptr<SpreadsheetWorkbook> Open(const OpenArguments& arguments) = 0;
};

class SpreadsheetWindow {
 public:
  virtual ~SpreadsheetWindow() = default;
  virtual bool GetDisplayFormulas() = 0;
  virtual void PutDisplayFormulas(bool value) = 0;
};

class SpreadsheetApplication {
 public:
  virtual ~SpreadsheetApplication() = default;
  virtual void PutVisible(bool value) = 0;
  virtual bool GetDisplayAlerts() = 0;
  virtual void PutDisplayAlerts(bool value) = 0;
  virtual std::unique_ptr<SpreadsheetWorkbooks> GetWorkbooks() = 0;
  virtual std::unique_ptr<SpreadsheetWindow> GetActiveWindow() = 0;
  virtual void Quit() = 0;
};

// Starts a fresh instance of the application for one operation.
class SpreadsheetApplicationLauncher {
 public:
  virtual ~SpreadsheetApplicationLauncher() = default;
  // The new instance; null (or a ComError) when it cannot be started.
  virtual std::unique_ptr<SpreadsheetApplication> Start() = 0;
};

}  // namespace gridlet
