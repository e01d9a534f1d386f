// The three workbook exchanges against a scripted spreadsheet application
// that records every member call, so that the order of the calls, their
// arguments and the failure paths can be checked.
#include "bridge/workbook_exchange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bridge/automation_objects.h"
#include "encoding/cp1252.h"
#include "model/com_error.h"
#include "platform/scripted_message_boxes.h"
#include "server/user_messages.h"
#include "support/recording_error_texts.h"
#include "support/in_memory_file_system.h"

namespace gridlet {
namespace {

// VARIANT kinds spelled so that a wrong kind shows in a failed comparison.
std::string Show(const AutomationValue& value) {
  struct Visitor {
    std::string operator()(EmptyValue) const { return "empty"; }
    std::string operator()(MissingArgument) const { return "-"; }
    std::string operator()(bool b) const { return b ? "true" : "false"; }
    std::string operator()(std::int16_t v) const { return "i2:" + std::to_string(v); }
    std::string operator()(std::int32_t v) const { return "i4:" + std::to_string(v); }
    std::string operator()(double v) const { return "r8:" + std::to_string(v); }
    std::string operator()(const std::string& s) const { return "'" + s + "'"; }
  };
  return std::visit(Visitor{}, value);
}

std::string Join(std::initializer_list<std::string> parts) {
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : ",") + part;
  return out;
}

// What the scripted application does, and what it saw.
struct Script {
  std::vector<std::string> sheetNames{"Sheet1"};
  AutomationValue a1 = EmptyValue{};
  bool displayAlerts = true;
  std::set<std::string> failing;        // members that raise a ComError
  std::set<std::string> throwingOther;  // members that raise a plain exception
  std::set<std::string> givingNull;     // members that hand out no object

  std::vector<std::string> calls;
  int liveObjects = 0;

  void Call(const std::string& member, const std::string& arguments = "") {
    calls.push_back(arguments.empty() ? member : member + "(" + arguments + ")");
    if (failing.count(member)) throw ComError(MakeResult(0x800A03ECu), member + " failed");
    if (throwingOther.count(member)) throw std::runtime_error(member + " broke");
  }
  template <class T, class... Args>
  std::unique_ptr<T> Make(const std::string& member, Args&&... args) {
    if (givingNull.count(member)) return nullptr;
    return std::make_unique<T>(*this, std::forward<Args>(args)...);
  }
};

class Counted {
 public:
  explicit Counted(Script& script) : script_(script) { ++script_.liveObjects; }
  ~Counted() { --script_.liveObjects; }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;

 protected:
  Script& script_;
};

class FakeRange : public SpreadsheetRange, Counted {
 public:
  using Counted::Counted;
  AutomationValue GetValue() override {
    script_.Call("Range.Value.get");
    return script_.a1;
  }
  void PutValue(const AutomationValue& value) override {
    script_.Call("Range.Value.put", Show(value));
    script_.a1 = value;
  }
};

class FakeWorksheet : public SpreadsheetWorksheet, Counted {
 public:
  FakeWorksheet(Script& script, std::string name) : Counted(script), name_(std::move(name)) {}
  void Activate() override { script_.Call("Worksheet.Activate"); }
  std::u16string GetName() override {
    script_.Call("Worksheet.Name");
    return Utf8ToUtf16(name_);
  }
  void PutName(const std::u16string& name) override {
    script_.Call("Worksheet.Name.put", "'" + Utf16ToUtf8(name) + "'");
    name_ = Utf16ToUtf8(name);
  }
  std::unique_ptr<SpreadsheetRange> GetRange(const AutomationValue& cell1,
                                             const AutomationValue& cell2) override {
    script_.Call("Worksheet.Range", Join({Show(cell1), Show(cell2)}));
    return script_.Make<FakeRange>("Worksheet.Range");
  }

 private:
  std::string name_;
};

class FakeSheets : public SpreadsheetSheets, Counted {
 public:
  using Counted::Counted;
  std::int32_t GetCount() override {
    script_.Call("Sheets.Count");
    return static_cast<std::int32_t>(script_.sheetNames.size());
  }
  std::unique_ptr<SpreadsheetWorksheet> GetItem(const AutomationValue& index) override {
    script_.Call("Sheets.Item", Show(index));
    std::string name;
    if (const auto* byName = std::get_if<std::string>(&index)) {
      bool found = false;
      for (const std::string& sheet : script_.sheetNames) found = found || sheet == *byName;
      if (!found) throw ComError(MakeResult(0x8002000Bu), "no such sheet");
      name = *byName;
    } else {
      const std::int32_t i = IntegerOf(index, 0);
      if (i < 1 || i > static_cast<std::int32_t>(script_.sheetNames.size())) {
        throw ComError(MakeResult(0x8002000Bu), "index out of range");
      }
      name = script_.sheetNames[static_cast<std::size_t>(i - 1)];
    }
    return script_.Make<FakeWorksheet>("Sheets.Item", name);
  }
};

class FakeWorkbook : public SpreadsheetWorkbook, Counted {
 public:
  using Counted::Counted;
  void Activate() override { script_.Call("Workbook.Activate"); }
  std::unique_ptr<SpreadsheetSheets> GetWorksheets() override {
    script_.Call("Workbook.Worksheets");
    return script_.Make<FakeSheets>("Workbook.Worksheets");
  }
  void SaveAs(const SaveAsArguments& a) override {
    script_.Call("Workbook.SaveAs",
                 Join({Show(a.fileName), Show(a.fileFormat), Show(a.password), Show(a.writeResPassword),
                       Show(a.readOnlyRecommended), Show(a.createBackup), std::to_string(a.accessMode),
                       Show(a.conflictResolution), Show(a.addToMru), Show(a.textCodepage),
                       Show(a.textVisualLayout)}));
  }
  void Close(const CloseArguments& a) override {
    script_.Call("Workbook.Close", Join({Show(a.saveChanges), Show(a.fileName), Show(a.routeWorkbook)}));
  }
};

class FakeWorkbooks : public SpreadsheetWorkbooks, Counted {
 public:
  using Counted::Counted;
  std::unique_ptr<SpreadsheetWorkbook> Open(const OpenArguments& a) override {
    script_.Call("Workbooks.Open",
                 Join({"'" + a.fileName + "'", Show(a.updateLinks), Show(a.readOnly), Show(a.format),
                       Show(a.password), Show(a.writeResPassword), Show(a.ignoreReadOnlyRecommended),
                       Show(a.origin), Show(a.delimiter), Show(a.editable), Show(a.notify),
                       Show(a.converter), Show(a.addToMru)}));
    return script_.Make<FakeWorkbook>("Workbooks.Open");
  }
};

class FakeWindow : public SpreadsheetWindow, Counted {
 public:
  using Counted::Counted;
  bool GetDisplayFormulas() override {
    script_.Call("Window.DisplayFormulas.get");
    return false;
  }
  void PutDisplayFormulas(bool value) override {
    script_.Call("Window.DisplayFormulas.put", Show(value));
  }
};

class FakeApplication : public SpreadsheetApplication, Counted {
 public:
  using Counted::Counted;
  void PutVisible(bool value) override { script_.Call("Application.Visible.put", Show(value)); }
  bool GetDisplayAlerts() override {
    script_.Call("Application.DisplayAlerts.get");
    return script_.displayAlerts;
  }
  void PutDisplayAlerts(bool value) override {
    script_.Call("Application.DisplayAlerts.put", Show(value));
    script_.displayAlerts = value;
  }
  std::unique_ptr<SpreadsheetWorkbooks> GetWorkbooks() override {
    script_.Call("Application.Workbooks");
    return script_.Make<FakeWorkbooks>("Application.Workbooks");
  }
  std::unique_ptr<SpreadsheetWindow> GetActiveWindow() override {
    script_.Call("Application.ActiveWindow");
    return script_.Make<FakeWindow>("Application.ActiveWindow");
  }
  void Quit() override { script_.Call("Application.Quit"); }
};

enum class StartMode { Starts, GivesNull, Throws };

class FakeLauncher : public SpreadsheetApplicationLauncher {
 public:
  explicit FakeLauncher(Script& script) : script_(script) {}
  std::unique_ptr<SpreadsheetApplication> Start() override {
    ++starts;
    if (mode == StartMode::Throws) throw ComError(MakeResult(0x800401F3u), "class not registered");
    if (mode == StartMode::GivesNull) return nullptr;
    return std::make_unique<FakeApplication>(script_);
  }
  StartMode mode = StartMode::Starts;
  int starts = 0;

 private:
  Script& script_;
};

using testing::RecordingErrorTexts;

class WorkbookExchangeTest : public ::testing::Test {
 protected:
  const std::vector<HRESULT>& Reported() const { return errorTexts.codes; }
  // The calls made were these, nothing was reported and nothing is held.
  void ExpectCleanRun(const std::vector<std::string>& expected) {
    EXPECT_EQ(script.calls, expected);
    EXPECT_TRUE(Reported().empty());
    EXPECT_EQ(script.liveObjects, 0);
  }

  Script script;
  FakeLauncher launcher{script};
  testing::InMemoryFileSystem files;
  ScriptedMessageBoxes boxes;
  RecordingErrorTexts errorTexts;
  UserMessages messages{boxes, errorTexts, files};
};

const std::string OPEN_WORKBOOK = "Workbooks.Open('C:\\book.xls',i2:3,i2:1,-,-,-,i2:1,-,-,-,i2:0,-,i2:0)";

TEST_F(WorkbookExchangeTest, WorkbookToTextRunsTheExportInOrder) {
  script.sheetNames = {"Other", "Data"};
  EXPECT_EQ(WorkbookToTextFile(launcher, messages, "C:\\book.xls", "C:\\GRD1.tmp", "Data"), 0);
  const std::vector<std::string> expected = {
      "Application.DisplayAlerts.get",
      "Application.DisplayAlerts.put(false)",
      "Application.Workbooks",
      OPEN_WORKBOOK,
      "Workbook.Activate",
      "Workbook.Worksheets",
      "Sheets.Item('Data')",
      "Worksheet.Activate",
      "Worksheet.Range('A1','A1')",
      "Range.Value.get",
      "Range.Value.put('0')",
      "Application.ActiveWindow",
      "Window.DisplayFormulas.get",
      "Window.DisplayFormulas.put(true)",
      "Workbook.SaveAs('C:\\GRD1.tmp',i4:-4158,-,-,-,-,0,-,i2:1,-,-)",
      "Workbook.Close(i2:0,-,-)",
      "Application.DisplayAlerts.put(true)",
      "Application.Quit",
  };
  ExpectCleanRun(expected);
}

TEST_F(WorkbookExchangeTest, WorkbookToTextLeavesAFilledA1Alone) {
  script.sheetNames = {"Data"};
  script.a1 = 12.5;
  script.displayAlerts = false;
  EXPECT_EQ(WorkbookToTextFile(launcher, messages, "C:\\book.xls", "C:\\GRD1.tmp", "Data"), 0);
  for (const std::string& call : script.calls) EXPECT_NE(call.rfind("Range.Value.put", 0), 0u) << call;
  // The kept setting comes back, whatever it was.
  EXPECT_EQ(script.calls[script.calls.size() - 2], "Application.DisplayAlerts.put(false)");
}

TEST_F(WorkbookExchangeTest, AnApplicationThatCannotStartIsReportedByEveryOperation) {
  for (StartMode mode : {StartMode::GivesNull, StartMode::Throws}) {
    launcher.mode = mode;
    errorTexts.codes.clear();
    EXPECT_EQ(WorkbookToTextFile(launcher, messages, "C:\\b.xls", "C:\\t.tmp", "S"), -1);
    EXPECT_EQ(TextFileToWorkbook(launcher, messages, "C:\\t.tmp", "C:\\b.xls"), -1);
    const SheetListResult list = ListWorkbookSheets(launcher, &messages, "C:\\b.xls");
    EXPECT_EQ(list.result, E_FAIL);
    EXPECT_TRUE(list.names.empty());
    EXPECT_EQ(Reported(), std::vector<HRESULT>(3, GRIDLET_E_NO_SPREADSHEET_APP));
  }
  EXPECT_TRUE(script.calls.empty());
}

TEST_F(WorkbookExchangeTest, WithoutASheetNameTheFirstWorksheetIsExported) {
  script.sheetNames = {"First", "Second"};
  for (const char* name : {"", static_cast<const char*>(nullptr)}) {
    script.calls.clear();
    EXPECT_EQ(WorkbookToTextFile(launcher, messages, "C:\\book.xls", "C:\\GRD1.tmp", name), 0);
    EXPECT_NE(std::find(script.calls.begin(), script.calls.end(), "Sheets.Item(i2:1)"), script.calls.end());
    EXPECT_EQ(script.calls.back(), "Application.Quit");
  }
  EXPECT_TRUE(Reported().empty());
  EXPECT_EQ(script.liveObjects, 0);
}

TEST_F(WorkbookExchangeTest, AMissingSheetIsReportedOnceWithTheSheetsThereAreAndNothingIsSaved) {
  script.sheetNames = {"Other", "Caf\xc3\xa9", "\xce\xa3 sum"};
  EXPECT_EQ(WorkbookToTextFile(launcher, messages, "C:\\book.xls", "C:\\GRD1.tmp", "Data"), E_FAIL);
  EXPECT_EQ(Reported(), std::vector<HRESULT>{GRIDLET_E_SPREADSHEET_APP});
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_NE(boxes.boxes[0].text.find("C:\\book.xls has no worksheet \"Data\"; its worksheets are: #1 \"Other\", "
                                     "#2 \"Caf\xe9\", #3 \"? sum\""),
            std::string::npos)
      << boxes.boxes[0].text;
  for (const std::string& call : script.calls) EXPECT_NE(call.rfind("Workbook.SaveAs", 0), 0u);
  // The application is fine and ends as usual, so that a batch may go on with it.
  const std::vector<std::string> ending(script.calls.end() - 3, script.calls.end());
  EXPECT_EQ(ending, (std::vector<std::string>{"Workbook.Close(i2:0,-,-)", "Application.DisplayAlerts.put(true)",
                                              "Application.Quit"}));
  EXPECT_EQ(script.liveObjects, 0);
}

TEST_F(WorkbookExchangeTest, APositionChoosesAWorksheetThatNoNameMatches) {
  script.sheetNames = {"A", "#1", "C"};
  // A worksheet of that very name comes first; otherwise #N is the N-th.
  EXPECT_EQ(WorkbookToTextFile(launcher, messages, "C:\\book.xls", "C:\\GRD1.tmp", "#1"), 0);
  EXPECT_NE(std::find(script.calls.begin(), script.calls.end(), "Sheets.Item('#1')"), script.calls.end());
  EXPECT_EQ(std::find(script.calls.begin(), script.calls.end(), "Sheets.Item(i2:1)"), script.calls.end());
  script.calls.clear();
  EXPECT_EQ(WorkbookToTextFile(launcher, messages, "C:\\book.xls", "C:\\GRD1.tmp", "#3"), 0);
  EXPECT_NE(std::find(script.calls.begin(), script.calls.end(), "Sheets.Item(i2:3)"), script.calls.end());
  EXPECT_TRUE(Reported().empty());
  EXPECT_EQ(WorkbookToTextFile(launcher, messages, "C:\\book.xls", "C:\\GRD1.tmp", "#4"), E_FAIL);
  EXPECT_EQ(Reported(), std::vector<HRESULT>{GRIDLET_E_SPREADSHEET_APP});

  EXPECT_EQ(WorksheetPosition("#12"), 12);
  for (const char* notAPosition : {"#", "12", "#1a", "# 1", "#1234567", ""}) {
    EXPECT_EQ(WorksheetPosition(notAPosition), 0) << notAPosition;
  }
}

TEST_F(WorkbookExchangeTest, ASaveFailureGivesFailWithoutClosingOrQuitting) {
  script.sheetNames = {"Data"};
  script.failing = {"Workbook.SaveAs"};
  EXPECT_EQ(WorkbookToTextFile(launcher, messages, "C:\\book.xls", "C:\\GRD1.tmp", "Data"), E_FAIL);
  EXPECT_EQ(Reported(), std::vector<HRESULT>{GRIDLET_E_CONVERSION});
  EXPECT_EQ(script.calls.back().rfind("Workbook.SaveAs(", 0), 0u);
  EXPECT_EQ(script.liveObjects, 0);
}

TEST_F(WorkbookExchangeTest, AnyOtherFailureOfTheExportIsReportedAndGivesFail) {
  script.sheetNames = {"Data"};
  for (const char* member : {"Application.DisplayAlerts.get", "Workbooks.Open", "Range.Value.put",
                             "Window.DisplayFormulas.put", "Workbook.Close", "Application.Quit"}) {
    script.failing = {member};
    script.calls.clear();
    errorTexts.codes.clear();
    EXPECT_EQ(WorkbookToTextFile(launcher, messages, "C:\\book.xls", "C:\\GRD1.tmp", "Data"), E_FAIL) << member;
    EXPECT_EQ(Reported(), std::vector<HRESULT>{GRIDLET_E_SPREADSHEET_APP}) << member;
    EXPECT_EQ(script.liveObjects, 0) << member;
  }
  // A plain exception inside SaveAs is not a failure of saving.
  script.failing.clear();
  script.throwingOther = {"Workbook.SaveAs"};
  errorTexts.codes.clear();
  EXPECT_EQ(WorkbookToTextFile(launcher, messages, "C:\\book.xls", "C:\\GRD1.tmp", "Data"), E_FAIL);
  EXPECT_EQ(Reported(), std::vector<HRESULT>{GRIDLET_E_SPREADSHEET_APP});
}

TEST_F(WorkbookExchangeTest, NoWorkbookPathEndsTheExportAfterTheAlerts) {
  EXPECT_EQ(WorkbookToTextFile(launcher, messages, nullptr, "C:\\GRD1.tmp", "Data"), -1);
  EXPECT_EQ(script.calls, (std::vector<std::string>{"Application.DisplayAlerts.get",
                                                    "Application.DisplayAlerts.put(false)"}));
  EXPECT_TRUE(Reported().empty());
  EXPECT_EQ(script.liveObjects, 0);
}

TEST_F(WorkbookExchangeTest, NoWorkbookFromOpenIsAFailureAndEmptyHoldersDoNothing) {
  script.givingNull = {"Workbooks.Open"};
  EXPECT_EQ(WorkbookToTextFile(launcher, messages, "C:\\book.xls", "C:\\GRD1.tmp", "Data"), E_FAIL);
  EXPECT_EQ(script.calls.back(), OPEN_WORKBOOK);
  EXPECT_EQ(Reported(), std::vector<HRESULT>{GRIDLET_E_SPREADSHEET_APP});
  EXPECT_EQ(script.liveObjects, 0);

  WorkbookObject none;
  EXPECT_FALSE(none.Holds());
  EXPECT_FALSE(none.GetWorksheets().Holds());
  EXPECT_EQ(none.GetWorksheets().GetCount(), 0);
  EXPECT_TRUE(IsEmptyValue(RangeObject().GetValue()));
  EXPECT_EQ(WorksheetObject().GetName(), u"");
}

TEST_F(WorkbookExchangeTest, TextToWorkbookRunsTheImportInOrder) {
  script.displayAlerts = false;
  EXPECT_EQ(TextFileToWorkbook(launcher, messages, "C:\\GRD2.tmp", "C:\\out\\sheet.xls"), 0);
  const std::vector<std::string> expected = {
      "Application.DisplayAlerts.get",
      "Application.DisplayAlerts.put(false)",
      "Application.Workbooks",
      "Workbooks.Open('C:\\GRD2.tmp',i2:3,i2:0,-,-,-,i2:1,-,i2:1,-,i2:0,-,i2:0)",
      "Workbook.Activate",
      "Application.ActiveWindow",
      "Window.DisplayFormulas.put(false)",
      "Workbook.SaveAs('C:\\out\\sheet.xls',i4:-4143,-,-,-,-,0,-,i2:0,-,-)",
      "Workbook.Close(i2:0,-,-)",
      "Application.DisplayAlerts.put(false)",
      "Application.Quit",
  };
  EXPECT_EQ(script.calls, expected);
  EXPECT_TRUE(Reported().empty());
  EXPECT_EQ(script.liveObjects, 0);
}

TEST_F(WorkbookExchangeTest, TextToWorkbookFailuresAreReportedWithTheirReason) {
  // A workbook that cannot be saved or replaced is a failure of writing;
  // anything else a failure of the application.
  for (const auto& [member, code] : {std::pair{"Workbook.SaveAs", GRIDLET_E_CONVERSION},
                                     std::pair{"Workbooks.Open", GRIDLET_E_SPREADSHEET_APP},
                                     std::pair{"Application.Quit", GRIDLET_E_SPREADSHEET_APP}}) {
    script.failing = {member};
    errorTexts.codes.clear();
    boxes.boxes.clear();
    EXPECT_EQ(TextFileToWorkbook(launcher, messages, "C:\\GRD2.tmp", "C:\\sheet.xls"), E_FAIL) << member;
    EXPECT_EQ(Reported(), std::vector<HRESULT>{code}) << member;
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].text.find(std::string(member) + " failed"), std::string::npos) << boxes.boxes[0].text;
    EXPECT_EQ(script.liveObjects, 0) << member;
  }

  script.failing.clear();
  script.throwingOther = {"Workbook.SaveAs"};
  errorTexts.codes.clear();
  EXPECT_EQ(TextFileToWorkbook(launcher, messages, "C:\\GRD2.tmp", "C:\\sheet.xls"), E_FAIL);
  EXPECT_EQ(Reported(), std::vector<HRESULT>{GRIDLET_E_SPREADSHEET_APP});

  script.calls.clear();
  EXPECT_EQ(TextFileToWorkbook(launcher, messages, nullptr, "C:\\sheet.xls"), -1);
  EXPECT_EQ(script.calls.size(), 2u);
}

TEST_F(WorkbookExchangeTest, TextToWorkbookNamesTheWorksheetAndSavesInTheFormatAsked) {
  WorkbookTarget target;
  target.fileFormat = XL_FILE_FORMAT_XLSX;
  target.sheetName = u"Q1: [draft]";
  EXPECT_EQ(TextFileToWorkbook(launcher, messages, "C:\\GRD2.tmp", "C:\\out\\Q1.xlsx", target), 0);
  const std::vector<std::string> expected = {
      "Application.DisplayAlerts.get",
      "Application.DisplayAlerts.put(false)",
      "Application.Workbooks",
      "Workbooks.Open('C:\\GRD2.tmp',i2:3,i2:0,-,-,-,i2:1,-,i2:1,-,i2:0,-,i2:0)",
      "Workbook.Activate",
      "Workbook.Worksheets",
      "Sheets.Item(i2:1)",
      "Worksheet.Name.put('Q1_ _draft_')",
      "Application.ActiveWindow",
      "Window.DisplayFormulas.put(false)",
      "Workbook.SaveAs('C:\\out\\Q1.xlsx',i4:51,-,-,-,-,0,-,i2:0,-,-)",
      "Workbook.Close(i2:0,-,-)",
      "Application.DisplayAlerts.put(true)",
      "Application.Quit",
  };
  ExpectCleanRun(expected);
}

TEST_F(WorkbookExchangeTest, AWorkbookCopyIsOpenedAndSavedWholeAndACsvSourceSaysHowToReadIt) {
  script.sheetNames = {"One", "Two"};
  DelimitedText csv;
  csv.separator = ';';
  csv.codePage = CODE_PAGE_WINDOWS_1252;
  EXPECT_EQ(CopyWorkbook(launcher, messages, "C:\\in.csv", "C:\\out.ods", XL_FILE_FORMAT_ODS, &csv), 0);
  const std::vector<std::string> expected = {
      "Application.DisplayAlerts.get",
      "Application.DisplayAlerts.put(false)",
      "Application.Workbooks",
      "Workbooks.Open('C:\\in.csv',i2:3,i2:1,i4:6,-,-,i2:1,i4:1252,';',-,i2:0,-,i2:0)",
      "Workbook.Activate",
      "Workbook.SaveAs('C:\\out.ods',i4:60,-,-,-,-,0,-,i2:0,-,-)",
      "Workbook.Close(i2:0,-,-)",
      "Application.DisplayAlerts.put(true)",
      "Application.Quit",
  };
  ExpectCleanRun(expected);

  // A CSV target holds one worksheet: the first.
  script.calls.clear();
  EXPECT_EQ(CopyWorkbook(launcher, messages, "C:\\in.xls", "C:\\out.csv", XL_FILE_FORMAT_CSV_UTF8), 0);
  EXPECT_NE(std::find(script.calls.begin(), script.calls.end(), "Sheets.Item(i2:1)"), script.calls.end());
  EXPECT_EQ(script.calls[script.calls.size() - 4], "Workbook.SaveAs('C:\\out.csv',i4:62,-,-,-,-,0,-,i2:0,-,-)");

  script.failing = {"Workbook.SaveAs"};
  EXPECT_EQ(CopyWorkbook(launcher, messages, "C:\\in.xls", "C:\\out.xls", XL_FILE_FORMAT_WORKBOOK), E_FAIL);
  EXPECT_EQ(Reported(), std::vector<HRESULT>{GRIDLET_E_CONVERSION});
  EXPECT_EQ(script.liveObjects, 0);
}

TEST_F(WorkbookExchangeTest, TheExportTellsOfItsPlaceholderAndOfReplacedCharacters) {
  TextExport exported;
  EXPECT_EQ(WorkbookToTextFile(launcher, messages, "C:\\book.xls", "C:\\GRD1.tmp", "", nullptr, &exported), 0);
  EXPECT_TRUE(exported.placeholderInA1);
  script.a1 = 3.0;
  EXPECT_EQ(WorkbookToTextFile(launcher, messages, "C:\\book.xls", "C:\\GRD1.tmp", "", nullptr, &exported), 0);
  EXPECT_FALSE(exported.placeholderInA1);
  EXPECT_TRUE(exported.cellsWithReplacedCharacters.empty());  // an application that does not say gives none
}

TEST_F(WorkbookExchangeTest, SheetListReadsEveryNameInOrder) {
  script.sheetNames = {"Zeta", "Alpha", "Mid"};
  const SheetListResult list = ListWorkbookSheets(launcher, &messages, "C:\\book.xls");
  EXPECT_EQ(list.result, S_OK);
  EXPECT_EQ(list.names, (std::vector<std::u16string>{u"Zeta", u"Alpha", u"Mid"}));
  const std::vector<std::string> expected = {
      "Application.Visible.put(false)",
      "Application.DisplayAlerts.get",
      "Application.DisplayAlerts.put(true)",
      "Application.Workbooks",
      OPEN_WORKBOOK,
      "Workbook.Activate",
      "Workbook.Worksheets",
      "Sheets.Count", "Sheets.Item(i2:1)", "Worksheet.Name",
      "Sheets.Count", "Sheets.Item(i2:2)", "Worksheet.Name",
      "Sheets.Count", "Sheets.Item(i2:3)", "Worksheet.Name",
      "Sheets.Count",
      "Workbook.Close(i2:0,-,-)",
      "Application.Quit",
  };
  EXPECT_EQ(script.calls, expected);
  EXPECT_TRUE(Reported().empty());
  EXPECT_EQ(script.liveObjects, 0);
}

TEST_F(WorkbookExchangeTest, SheetListFailuresGiveFail) {
  script.sheetNames = {"A", "B"};
  script.failing = {"Worksheet.Name"};
  SheetListResult list = ListWorkbookSheets(launcher, &messages, "C:\\book.xls");
  EXPECT_EQ(list.result, E_FAIL);
  EXPECT_TRUE(list.names.empty());
  EXPECT_EQ(Reported(), std::vector<HRESULT>{GRIDLET_E_SPREADSHEET_APP});
  EXPECT_EQ(script.liveObjects, 0);

  // Without messages nothing is shown, and the result is the same.
  script.failing = {"Workbooks.Open"};
  list = ListWorkbookSheets(launcher, nullptr, "C:\\book.xls");
  EXPECT_EQ(list.result, E_FAIL);
  EXPECT_EQ(Reported().size(), 1u);
  launcher.mode = StartMode::GivesNull;
  EXPECT_EQ(ListWorkbookSheets(launcher, nullptr, "C:\\book.xls").result, E_FAIL);
  EXPECT_EQ(Reported().size(), 1u);
}

TEST_F(WorkbookExchangeTest, EachOperationStartsItsOwnInstance) {
  script.sheetNames = {"Data"};
  WorkbookToTextFile(launcher, messages, "C:\\book.xls", "C:\\GRD1.tmp", "Data");
  TextFileToWorkbook(launcher, messages, "C:\\GRD2.tmp", "C:\\sheet.xls");
  ListWorkbookSheets(launcher, &messages, "C:\\book.xls");
  EXPECT_EQ(launcher.starts, 3);
}

}  // namespace
}  // namespace gridlet
