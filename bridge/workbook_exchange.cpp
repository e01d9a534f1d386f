#include "bridge/workbook_exchange.h"

#include <cstdint>
#include <exception>
#include <limits>

#include "bridge/automation_objects.h"
#include "model/com_error.h"

namespace gridlet {
namespace {

const AutomationValue NO = ShortArgument(0);
const AutomationValue YES = ShortArgument(1);
const AutomationValue NEVER_UPDATE_LINKS = ShortArgument(3);

ApplicationObject StartApplication(SpreadsheetApplicationLauncher& launcher) {
  try {
    return ApplicationObject(launcher.Start());
  } catch (...) {
    return ApplicationObject();
  }
}

OpenArguments OpenWorkbookArguments(const std::string& path, bool readOnly) {
  OpenArguments arguments;
  arguments.fileName = path;
  arguments.updateLinks = NEVER_UPDATE_LINKS;
  arguments.readOnly = readOnly ? YES : NO;
  arguments.ignoreReadOnlyRecommended = YES;
  arguments.notify = NO;
  arguments.addToMru = NO;
  return arguments;
}

OpenArguments OpenTextArguments(const std::string& path) {
  OpenArguments arguments = OpenWorkbookArguments(path, false);
  arguments.delimiter = YES;
  return arguments;
}

SaveAsArguments SaveArguments(const std::string& path, std::int32_t format, bool addToMru) {
  SaveAsArguments arguments;
  arguments.fileName = StringArgument(path);
  arguments.fileFormat = LongArgument(format);
  arguments.accessMode = 0;
  arguments.addToMru = addToMru ? YES : NO;
  return arguments;
}

CloseArguments CloseWithoutSaving() {
  CloseArguments arguments;
  arguments.saveChanges = NO;
  return arguments;
}

// The 1-based index of a worksheet, as VT_I2 while it fits.
AutomationValue SheetIndex(std::int32_t index) {
  if (index <= std::numeric_limits<std::int16_t>::max()) {
    return ShortArgument(static_cast<std::int16_t>(index));
  }
  return LongArgument(index);
}

std::string OrEmpty(const char* text) { return text ? std::string(text) : std::string(); }

}  // namespace

long WorkbookToTextFile(SpreadsheetApplicationLauncher& launcher, UserMessages& messages,
                        const char* workbookPath, const char* textPath, const char* sheetName) {
  ApplicationObject application = StartApplication(launcher);
  if (!application.Holds()) {
    messages.ReportError(GRIDLET_E_NO_SPREADSHEET_APP);
    return -1;
  }
  try {
    // Nothing may ask the user, for example before the text file is replaced.
    const bool keptAlerts = application.GetDisplayAlerts();
    application.PutDisplayAlerts(false);
    if (!workbookPath) return -1;

    WorkbooksObject workbooks = application.GetWorkbooks();
    WorkbookObject workbook = workbooks.Open(OpenWorkbookArguments(workbookPath, true));
    workbook.Activate();
    SheetsObject sheets = workbook.GetWorksheets();
    // Without a sheet name the first worksheet is taken; no sheet has the
    // empty name, so looking that up could only fail.
    const bool named = sheetName && *sheetName;
    WorksheetObject sheet = sheets.GetItem(named ? StringArgument(sheetName) : SheetIndex(1));
    sheet.Activate();

    // The text export starts at the first used cell; a value in A1 makes
    // the text start at row 1, column A. The workbook is closed unsaved.
    RangeObject a1 = sheet.GetRange(StringArgument("A1"), StringArgument("A1"));
    if (IsEmptyValue(a1.GetValue())) a1.PutValue(StringArgument("0"));

    // Formulas reach the text as formulas, not as their values.
    WindowObject window = application.GetActiveWindow();
    window.GetDisplayFormulas();
    window.PutDisplayFormulas(true);

    try {
      workbook.SaveAs(SaveArguments(OrEmpty(textPath), XL_FILE_FORMAT_TEXT, true));
    } catch (const ComError& error) {
      // Left as it is: the holders release every object on the way out.
      messages.ReportError(GRIDLET_E_CONVERSION, error.what());
      return E_FAIL;
    }

    workbook.Close(CloseWithoutSaving());
    application.PutDisplayAlerts(keptAlerts);
    application.Quit();
    return 0;
  } catch (const std::exception& error) {
    messages.ReportError(GRIDLET_E_SPREADSHEET_APP, error.what());
    return 0;
  }
}

long TextFileToWorkbook(SpreadsheetApplicationLauncher& launcher, UserMessages& messages,
                        const char* textPath, const char* workbookPath) {
  ApplicationObject application = StartApplication(launcher);
  if (!application.Holds()) {
    messages.ReportError(GRIDLET_E_NO_SPREADSHEET_APP);
    return -1;
  }
  try {
    const bool keptAlerts = application.GetDisplayAlerts();
    application.PutDisplayAlerts(false);
    if (!textPath) return -1;

    WorkbooksObject workbooks = application.GetWorkbooks();
    WorkbookObject workbook = workbooks.Open(OpenTextArguments(textPath));
    workbook.Activate();

    // The saved workbook shows values.
    WindowObject window = application.GetActiveWindow();
    window.PutDisplayFormulas(false);

    workbook.SaveAs(SaveArguments(OrEmpty(workbookPath), XL_FILE_FORMAT_WORKBOOK, false));
    workbook.Close(CloseWithoutSaving());
    application.PutDisplayAlerts(keptAlerts);
    application.Quit();
    return 0;
  } catch (const ComError&) {
    return -1;
  } catch (const std::exception& error) {
    messages.ReportError(GRIDLET_E_SPREADSHEET_APP, error.what());
    return 0;
  }
}

SheetListResult ListWorkbookSheets(SpreadsheetApplicationLauncher& launcher, UserMessages* messages,
                                   const char* workbookPath) {
  SheetListResult list;
  ApplicationObject application = StartApplication(launcher);
  if (!application.Holds()) {
    if (messages) messages->ReportError(GRIDLET_E_NO_SPREADSHEET_APP);
    list.result = E_FAIL;
    return list;
  }
  try {
    application.PutVisible(false);
    application.GetDisplayAlerts();
    application.PutDisplayAlerts(true);

    WorkbooksObject workbooks = application.GetWorkbooks();
    WorkbookObject workbook = workbooks.Open(OpenWorkbookArguments(OrEmpty(workbookPath), true));
    workbook.Activate();
    SheetsObject sheets = workbook.GetWorksheets();
    // The count is asked again before every pass.
    for (std::int32_t i = 0; i < sheets.GetCount(); ++i) {
      WorksheetObject sheet = sheets.GetItem(SheetIndex(i + 1));
      list.names.push_back(sheet.GetName());
    }

    workbook.Close(CloseWithoutSaving());
    application.Quit();
  } catch (const std::exception& error) {
    if (messages) messages->ReportError(GRIDLET_E_SPREADSHEET_APP, error.what());
    list.names.clear();
    list.result = E_FAIL;
  }
  return list;
}

}  // namespace gridlet
