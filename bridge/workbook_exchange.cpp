#include "bridge/workbook_exchange.h"

#include <cstdint>
#include <exception>
#include <limits>
#include <stdexcept>

#include "bridge/automation_objects.h"
#include "encoding/cp1252.h"
#include "model/com_error.h"

namespace gridlet {
namespace {

const AutomationValue NO = ShortArgument(0);
const AutomationValue YES = ShortArgument(1);
const AutomationValue NEVER_UPDATE_LINKS = ShortArgument(3);

// The longest worksheet name the spreadsheet programs accept.
constexpr std::size_t MAX_WORKSHEET_NAME = 31;

ApplicationObject StartApplication(SpreadsheetApplicationLauncher& launcher) {
  try {
    return ApplicationObject(launcher.Start());
  } catch (...) {
    return ApplicationObject();
  }
}

OpenArguments OpenWorkbookArguments(const std::string& path, bool readOnly, const DelimitedText* delimited) {
  OpenArguments arguments;
  arguments.fileName = path;
  arguments.updateLinks = NEVER_UPDATE_LINKS;
  arguments.readOnly = readOnly ? YES : NO;
  arguments.ignoreReadOnlyRecommended = YES;
  arguments.notify = NO;
  arguments.addToMru = NO;
  if (delimited) {
    arguments.format = LongArgument(XL_TEXT_FORMAT_CUSTOM);
    arguments.delimiter = StringArgument(std::string(1, delimited->separator));
    arguments.origin = LongArgument(delimited->codePage);
  }
  return arguments;
}

OpenArguments OpenTextArguments(const std::string& path) {
  OpenArguments arguments = OpenWorkbookArguments(path, false, nullptr);
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

WorkbookObject OpenOrFail(WorkbooksObject& workbooks, const OpenArguments& arguments) {
  WorkbookObject workbook = workbooks.Open(arguments);
  if (!workbook.Holds()) throw std::runtime_error("the spreadsheet application gave no workbook for " + arguments.fileName);
  return workbook;
}

// A worksheet asked for that the workbook does not hold; the message names
// those it holds.
class MissingWorksheet : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A failure that `work` has reported after closing the workbook: the
// application is ended as after success, and the result is E_FAIL.
constexpr long REPORTED_AND_CLOSED = 1;

// The worksheet asked for, or MissingWorksheet.
WorksheetObject ChooseWorksheet(SheetsObject& sheets, const std::string& workbookPath, const char* sheetName) {
  if (!sheetName || !*sheetName) return sheets.GetItem(SheetIndex(1));
  try {
    WorksheetObject sheet = sheets.GetItem(StringArgument(sheetName));
    if (sheet.Holds()) return sheet;
  } catch (const ComError&) {
    // No worksheet of that name; it may be a position.
  }
  const std::int32_t count = sheets.GetCount();
  const std::int32_t position = WorksheetPosition(sheetName);
  if (position >= 1 && position <= count) return sheets.GetItem(SheetIndex(position));

  std::string message = workbookPath + " has no worksheet \"" + sheetName + "\"";
  if (count == 0) throw MissingWorksheet(message);
  message += "; its worksheets are";
  for (std::int32_t i = 1; i <= count; ++i) {
    const std::u16string name = sheets.GetItem(SheetIndex(i)).GetName();
    message += (i == 1 ? ": #" : ", #") + std::to_string(i) + " \"" + Utf16ToCp1252(name, '?') + "\"";
  }
  throw MissingWorksheet(message);
}

// Saves the workbook; a failure of saving is reported with its reason and
// gives E_FAIL (the workbook is left open: the holders release it).
long SaveOrReport(WorkbookObject& workbook, const SaveAsArguments& arguments, UserMessages& messages) {
  try {
    workbook.SaveAs(arguments);
    return EXCHANGE_DONE;
  } catch (const ComError& error) {
    const std::string* path = std::get_if<std::string>(&arguments.fileName);
    messages.ReportError(GRIDLET_E_CONVERSION,
                         (path ? *path : std::string()) + " could not be written: " + error.what());
    return E_FAIL;
  }
}

// One exchange: starts the application and silences it, so that nothing
// asks the user (for example before a file is replaced); `work` opens,
// saves and closes, and gives E_FAIL after a failure it reported (or
// REPORTED_AND_CLOSED). Then the alerts are set back and the application
// quits. Any other failure is reported here.
template <class Work>
long RunExchange(SpreadsheetApplicationLauncher& launcher, UserMessages& messages, const char* path, Work work) {
  ApplicationObject application = StartApplication(launcher);
  if (!application.Holds()) {
    messages.ReportError(GRIDLET_E_NO_SPREADSHEET_APP);
    return EXCHANGE_NOT_STARTED;
  }
  try {
    const bool keptAlerts = application.GetDisplayAlerts();
    application.PutDisplayAlerts(false);
    if (!path) return EXCHANGE_NOT_STARTED;
    WorkbooksObject workbooks = application.GetWorkbooks();
    const long result = work(application, workbooks);
    if (result != EXCHANGE_DONE && result != REPORTED_AND_CLOSED) return result;
    application.PutDisplayAlerts(keptAlerts);
    application.Quit();
    return result == EXCHANGE_DONE ? EXCHANGE_DONE : E_FAIL;
  } catch (const std::exception& error) {
    messages.ReportError(GRIDLET_E_SPREADSHEET_APP, error.what());
    return E_FAIL;
  }
}

}  // namespace

long WorkbookToTextFile(SpreadsheetApplicationLauncher& launcher, UserMessages& messages,
                        const char* workbookPath, const char* textPath, const char* sheetName,
                        const DelimitedText* delimited, TextExport* exported) {
  return RunExchange(launcher, messages, workbookPath, [&](ApplicationObject& application,
                                                            WorkbooksObject& workbooks) -> long {
    WorkbookObject workbook = OpenOrFail(workbooks, OpenWorkbookArguments(workbookPath, true, delimited));
    workbook.Activate();
    SheetsObject sheets = workbook.GetWorksheets();
    WorksheetObject sheet;
    try {
      sheet = ChooseWorksheet(sheets, workbookPath, sheetName);
    } catch (const MissingWorksheet& missing) {
      // Nothing is wrong with the application, which may serve on.
      messages.ReportError(GRIDLET_E_SPREADSHEET_APP, missing.what());
      workbook.Close(CloseWithoutSaving());
      return REPORTED_AND_CLOSED;
    }
    sheet.Activate();

    // The text export starts at the first used cell; a value in A1 makes
    // the text start at row 1, column A. The workbook is closed unsaved,
    // and the caller learns that the text's first field is no cell.
    RangeObject a1 = sheet.GetRange(StringArgument("A1"), StringArgument("A1"));
    const bool placeholder = IsEmptyValue(a1.GetValue());
    if (placeholder) a1.PutValue(StringArgument("0"));

    // Formulas reach the text as formulas, not as their values.
    WindowObject window = application.GetActiveWindow();
    window.GetDisplayFormulas();
    window.PutDisplayFormulas(true);

    if (SaveOrReport(workbook, SaveArguments(OrEmpty(textPath), XL_FILE_FORMAT_TEXT, true), messages) != EXCHANGE_DONE) {
      return E_FAIL;
    }
    if (exported) {
      exported->placeholderInA1 = placeholder;
      exported->cellsWithReplacedCharacters = workbook.CellsWithReplacedCharacters();
    }
    workbook.Close(CloseWithoutSaving());
    return EXCHANGE_DONE;
  });
}

long TextFileToWorkbook(SpreadsheetApplicationLauncher& launcher, UserMessages& messages,
                        const char* textPath, const char* workbookPath, const WorkbookTarget& target) {
  return RunExchange(launcher, messages, textPath, [&](ApplicationObject& application,
                                                        WorkbooksObject& workbooks) -> long {
    WorkbookObject workbook = OpenOrFail(workbooks, OpenTextArguments(textPath));
    workbook.Activate();
    // The text's worksheet is named after the text's file unless renamed.
    if (!target.sheetName.empty()) {
      workbook.GetWorksheets().GetItem(SheetIndex(1)).PutName(WorksheetNameFor(target.sheetName));
    }
    // The saved workbook shows values.
    WindowObject window = application.GetActiveWindow();
    window.PutDisplayFormulas(false);

    if (SaveOrReport(workbook, SaveArguments(OrEmpty(workbookPath), target.fileFormat, false), messages) != EXCHANGE_DONE) {
      return E_FAIL;
    }
    workbook.Close(CloseWithoutSaving());
    return EXCHANGE_DONE;
  });
}

long CopyWorkbook(SpreadsheetApplicationLauncher& launcher, UserMessages& messages, const char* sourcePath,
                  const char* targetPath, std::int32_t fileFormat, const DelimitedText* delimited) {
  return RunExchange(launcher, messages, sourcePath, [&](ApplicationObject&, WorkbooksObject& workbooks) -> long {
    WorkbookObject workbook = OpenOrFail(workbooks, OpenWorkbookArguments(sourcePath, true, delimited));
    workbook.Activate();
    // A format of one worksheet takes the active one: the first, as for
    // every other target.
    if (fileFormat == XL_FILE_FORMAT_CSV_UTF8) workbook.GetWorksheets().GetItem(SheetIndex(1)).Activate();
    if (SaveOrReport(workbook, SaveArguments(OrEmpty(targetPath), fileFormat, false), messages) != EXCHANGE_DONE) {
      return E_FAIL;
    }
    workbook.Close(CloseWithoutSaving());
    return EXCHANGE_DONE;
  });
}

SheetListResult ListWorkbookSheets(SpreadsheetApplicationLauncher& launcher, UserMessages* messages,
                                   const char* workbookPath, const DelimitedText* delimited) {
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
    WorkbookObject workbook = OpenOrFail(workbooks, OpenWorkbookArguments(OrEmpty(workbookPath), true, delimited));
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

std::u16string WorksheetNameFor(std::u16string_view wanted) {
  std::u16string name;
  for (char16_t c : wanted) {
    const bool forbidden = c == u':' || c == u'\\' || c == u'/' || c == u'?' || c == u'*' || c == u'[' ||
                           c == u']' || c < 0x20;
    name.push_back(forbidden ? u'_' : c);
  }
  while (!name.empty() && name.front() == u'\'') name.erase(name.begin());
  if (name.size() > MAX_WORKSHEET_NAME) name.resize(MAX_WORKSHEET_NAME);
  // Not cut inside a pair of surrogates.
  if (!name.empty() && name.back() >= 0xD800 && name.back() <= 0xDBFF) name.pop_back();
  while (!name.empty() && name.back() == u'\'') name.pop_back();
  return name.empty() ? u"Sheet1" : name;
}

std::int32_t WorksheetPosition(std::string_view choice) {
  if (choice.size() < 2 || choice.size() > 6 || choice[0] != '#') return 0;
  std::int32_t position = 0;
  for (char c : choice.substr(1)) {
    if (c < '0' || c > '9') return 0;
    position = position * 10 + (c - '0');
  }
  return position;
}

}  // namespace gridlet
