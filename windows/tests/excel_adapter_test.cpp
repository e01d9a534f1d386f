// The Excel adapter against a fake Excel registered as "Excel.Application":
// every member is called through IDispatch::Invoke with its fixed dispatch
// identifier and positional arguments (VT_I2 numbers, VT_I4 formats,
// DISP_E_PARAMNOTFOUND for missing ones), in the order of the three
// exchanges, and every Excel object is released afterwards.
#include "support/gridlet_server_fixture.h"

#include <algorithm>
#include <sstream>

#include "fake_excel/fake_excel_control.h"
#include "platform/builtin_error_text_service.h"

namespace gridlet::wine_test {
namespace {

const std::string M = "MISSING";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// Expected lines may hold "BSTR:*", which stands for any string argument.
bool LineMatches(const std::string& expected, const std::string& actual) {
  std::istringstream e(expected), a(actual);
  std::string et, at;
  while (e >> et) {
    if (!(a >> at)) return false;
    if (et == "BSTR:*" ? at.rfind("BSTR:", 0) != 0 : et != at) return false;
  }
  return !(a >> at);
}

void ExpectCalls(const std::vector<std::string>& expected, const std::vector<std::string>& actual) {
  const std::size_t count = std::max(expected.size(), actual.size());
  for (std::size_t i = 0; i < count; ++i) {
    const std::string e = i < expected.size() ? expected[i] : "<none>";
    const std::string a = i < actual.size() ? actual[i] : "<none>";
    EXPECT_TRUE(LineMatches(e, a)) << "call " << i << "\n  expected: " << e << "\n  actual:   " << a;
  }
}

std::string Open(const std::string& path, const char* readOnly, const char* delimiter) {
  return "Workbooks 0x2AA 1 BSTR:" + path + " I2:3 " + readOnly + " " + M + " " + M + " " + M + " I2:1 " + M + " " +
         delimiter + " " + M + " I2:0 " + M + " I2:0";
}

std::string SaveAs(const std::string& path, const char* format, const char* addToMru) {
  return "Workbook 0x11C 1 BSTR:" + path + " " + format + " " + M + " " + M + " " + M + " " + M + " I4:0 " + M +
         " " + addToMru + " " + M + " " + M;
}

const char* const CLOSE = "Workbook 0x115 1 I2:0 MISSING MISSING";

class ExcelAdapter : public GridletServerTest {
 protected:
  static void SetUpTestSuite() {
    GridletServerTest::SetUpTestSuite();
    fake_ = new ServerModule(EnvironmentPath(L"GRIDLET_FAKE_EXCEL_DLL"));
    texts_ = new ServerModule(EnvironmentPath(L"GRIDLET_ERROR_TEXTS_DLL"));
    // The component's texts tell the reported codes apart.
    if (texts_->Loaded()) texts_->Register();
  }
  static void TearDownTestSuite() {
    if (fake_->Loaded()) fake_->Unregister();
    if (texts_->Loaded()) texts_->Unregister();
    delete fake_;
    delete texts_;
    GridletServerTest::TearDownTestSuite();
  }

  void SetUp() override {
    GridletServerTest::SetUp();
    ASSERT_TRUE(fake_->Loaded()) << "fake_excel.dll cannot be loaded from GRIDLET_FAKE_EXCEL_DLL";
    ASSERT_TRUE(texts_->Loaded());
    ASSERT_HRESULT_SUCCEEDED(fake_->Register());
    log_ = fake_->Export<FakeExcelLogFunction>("FakeExcelLog");
    live_ = fake_->Export<FakeExcelLiveObjectsFunction>("FakeExcelLiveObjects");
    addWorkbook_ = fake_->Export<FakeExcelAddWorkbookFunction>("FakeExcelAddWorkbook");
    cell_ = fake_->Export<FakeExcelCellFunction>("FakeExcelCell");
    fake_->Export<FakeExcelResetFunction>("FakeExcelReset")();
    gridlet = Create();
    ASSERT_NE(gridlet, nullptr);
    book = out.Path() + L"book.xls";
    addWorkbook_(book.c_str(), L"Alpha\n\tItem\n12\t=SUM(A2:A2)|12\fchart:Plot\n\fBeta\n1\fGamma\n2");
  }
  void TearDown() override {
    if (gridlet) gridlet->Release();
  }

  std::vector<std::string> Calls() { return Lines(log_()); }
  LONG LiveObjects() { return live_(); }
  HRESULT Convert(const std::wstring& input, ::GRIDLET_FILE_TYPES from, const std::wstring& sheetName,
                  const std::wstring& name, ::GRIDLET_FILE_TYPES to) {
    Bstr in(input), sheet(sheetName), folder(out.Path()), internal(name);
    return gridlet->Convert(in.Get(), from, sheet.Get(), folder.Get(), internal.Get(), to, 0);
  }
  void ExpectReports(const std::vector<HRESULT>& codes) {
    const std::vector<ShownBox> shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i) {
      const std::string text = BuiltinErrorTextService().GetErrorText(codes[i]);
      EXPECT_EQ(shown[i].text.rfind(text, 0), 0u) << shown[i].text;
    }
  }

  IGridlet* gridlet = nullptr;
  TemporaryFolder out;
  std::wstring book;
  FakeExcelCellFunction cell_ = nullptr;

 private:
  static inline ServerModule* fake_ = nullptr;
  static inline ServerModule* texts_ = nullptr;
  FakeExcelLogFunction log_ = nullptr;
  FakeExcelLiveObjectsFunction live_ = nullptr;
  FakeExcelAddWorkbookFunction addWorkbook_ = nullptr;

 protected:
  static ServerModule& Fake() { return *fake_; }
};

TEST_F(ExcelAdapter, SheetNamesAreTheWorksheetsInWorkbookOrder) {
  Bstr path(book);
  VARIANT names;
  VariantInit(&names);
  ASSERT_EQ(gridlet->GetExcelSheetNames(path.Get(), &names), S_OK);
  ASSERT_EQ(names.vt, VT_ARRAY | VT_BSTR);
  ASSERT_EQ(SafeArrayGetDim(names.parray), 1u);
  LONG lower = -1, upper = -1;
  SafeArrayGetLBound(names.parray, 1, &lower);
  SafeArrayGetUBound(names.parray, 1, &upper);
  EXPECT_EQ(lower, 0);
  ASSERT_EQ(upper, 2);
  const wchar_t* expected[] = {L"Alpha", L"Beta", L"Gamma"};  // the chart sheet is no worksheet
  for (LONG i = 0; i <= upper; ++i) {
    BSTR name = nullptr;
    ASSERT_HRESULT_SUCCEEDED(SafeArrayGetElement(names.parray, &i, &name));
    EXPECT_STREQ(name, expected[i]);
    SysFreeString(name);
  }
  VariantClear(&names);

  const std::string p = Ansi(book);
  ExpectCalls({"Application 0x22E 4 BOOL:0", "Application 0x157 2", "Application 0x157 4 BOOL:1",
               "Application 0x23C 2", Open(p, "I2:1", "MISSING"), "Workbook 0x130 1", "Workbook 0x1EE 2",
               "Sheets 0x76 2", "Sheets 0xAA 2 I2:1", "Worksheet 0x6E 2",  //
               "Sheets 0x76 2", "Sheets 0xAA 2 I2:2", "Worksheet 0x6E 2",  //
               "Sheets 0x76 2", "Sheets 0xAA 2 I2:3", "Worksheet 0x6E 2",  //
               "Sheets 0x76 2", CLOSE, "Application 0x12E 1"},
              Calls());
  EXPECT_EQ(LiveObjects(), 0);
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(ExcelAdapter, WorkbookSourceIsExportedFromA1WithItsFormulas) {
  ASSERT_EQ(Convert(book, QZ_EXCEL, L"Alpha", L"alpha", QZ_TAB_TEXT), S_OK);
  const std::string text = ReadWholeFile(out.Path() + L"alpha.txt");
  // A1 was empty: it held a placeholder for the export only.
  EXPECT_EQ(text.rfind("\t\"Item\"", 0), 0u) << text;
  EXPECT_NE(text.find("=SUM(A2:A2)"), std::string::npos) << text;

  const std::string p = Ansi(book);
  ExpectCalls({"Application 0x157 2", "Application 0x157 4 BOOL:0", "Application 0x23C 2",
               Open(p, "I2:1", "MISSING"), "Workbook 0x130 1", "Workbook 0x1EE 2", "Sheets 0xAA 2 BSTR:Alpha",
               "Worksheet 0x130 1", "Worksheet 0xC5 2 BSTR:A1 BSTR:A1", "Range 0x6 2", "Range 0x6 4 BSTR:0",
               "Application 0x2F7 2", "Window 0x284 2", "Window 0x284 4 BOOL:1",
               SaveAs("*", "I4:-4158", "I2:1"), CLOSE, "Application 0x157 4 BOOL:1", "Application 0x12E 1"},
              Calls());
  // The temporary text is one of the system's, named with "GRD".
  const std::vector<std::string> calls = Calls();
  ASSERT_GT(calls.size(), 14u);
  EXPECT_NE(calls[14].find("\\GRD"), std::string::npos) << calls[14];
  // The "0" went into the opened copy only.
  wchar_t a1[16];
  EXPECT_FALSE(cell_(book.c_str(), L"Alpha", 1, 1, a1, 16));
  EXPECT_EQ(LiveObjects(), 0);
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(ExcelAdapter, MissingWorksheetIsReportedOnceWithTheWorksheetsThereAre) {
  EXPECT_EQ(Convert(book, QZ_EXCEL, L"Nope", L"nope", QZ_TAB_TEXT), E_FAIL);
  const std::vector<std::string> calls = Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_NE(std::find(calls.begin(), calls.end(), "Sheets 0xAA 2 BSTR:Nope"), calls.end());
  // Nothing is saved; the workbook is closed and Excel quits as usual.
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                          [](const std::string& call) { return call.rfind("Workbook 0x11C", 0) == 0; }),
            0);
  EXPECT_EQ(calls.back(), "Application 0x12E 1");
  EXPECT_EQ(LiveObjects(), 0);
  ExpectReports({GRIDLET_E_SPREADSHEET_APP});
  EXPECT_NE(boxes.Boxes()[0].text.find("its worksheets are: #1 \"Alpha\", #2 \"Beta\", #3 \"Gamma\""),
            std::string::npos)
      << boxes.Boxes()[0].text;
  EXPECT_FALSE(FileExists(out.Path() + L"nope.txt"));
}

TEST_F(ExcelAdapter, TextTargetIsSavedAsAWorkbookShowingValues) {
  const std::wstring target = out.Path() + L"made.xls";
  ASSERT_EQ(Convert(EnvironmentPath(L"GRIDLET_EXAMPLE_TXT"), QZ_TAB_TEXT, L"", L"made", QZ_EXCEL), S_OK);
  EXPECT_EQ(ReadWholeFile(target).rfind("FAKE-WORKBOOK", 0), 0u);
  Bstr name;
  gridlet->GetTheFileName(name.Put());
  EXPECT_EQ(name.Text(), target);
  // The fake keeps what it saved: the text's first cell came through, as
  // workbook text writes texts (enclosed in double quotes, which the
  // spreadsheet application takes off and the fake keeps).
  wchar_t first[32] = {};
  ASSERT_TRUE(cell_(target.c_str(), L"", 1, 1, first, 32));
  EXPECT_STREQ(first, L"\"Item\"") << ReadWholeFile(target);

  // The worksheet bears the sheet's name.
  ExpectCalls({"Application 0x157 2", "Application 0x157 4 BOOL:0", "Application 0x23C 2",
               Open("*", "I2:0", "I2:1"), "Workbook 0x130 1", "Workbook 0x1EE 2", "Sheets 0xAA 2 I2:1",
               "Worksheet 0x6E 4 BSTR:made", "Application 0x2F7 2", "Window 0x284 4 BOOL:0",
               SaveAs(Ansi(target), "I4:-4143", "I2:0"), CLOSE, "Application 0x157 4 BOOL:1",
               "Application 0x12E 1"},
              Calls());
  EXPECT_EQ(LiveObjects(), 0);
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(ExcelAdapter, WorkbookToTextExportsTheFirstWorksheetToTheNamedFile) {
  const std::wstring text = out.Path() + L"first.txt";
  Bstr path(book), target(text);
  ASSERT_EQ(gridlet->WorkbookToText(path.Get(), target.Get()), S_OK);
  // As a workbook source reads it: the placeholder in the empty A1 is gone.
  EXPECT_EQ(ReadWholeFile(text).rfind("\tItem\r\n", 0), 0u) << ReadWholeFile(text);
  const std::vector<std::string> calls = Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "Sheets 0xAA 2 I2:1"), calls.end());
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                          [](const std::string& call) { return call.rfind("Workbook 0x11C 1 BSTR:", 0) == 0; }),
            1);
  EXPECT_EQ(LiveObjects(), 0);
}

TEST_F(ExcelAdapter, WithoutExcelEveryOperationReportsThatItCannotStart) {
  Fake().Unregister();
  Bstr path(book);
  VARIANT names;
  VariantInit(&names);
  EXPECT_EQ(gridlet->GetExcelSheetNames(path.Get(), &names), E_FAIL);
  EXPECT_EQ(Convert(book, QZ_EXCEL, L"Alpha", L"alpha", QZ_TAB_TEXT), E_FAIL);
  EXPECT_EQ(Convert(EnvironmentPath(L"GRIDLET_EXAMPLE_TXT"), QZ_TAB_TEXT, L"", L"made", QZ_EXCEL), E_FAIL);
  // Once each, and nothing else.
  ExpectReports({GRIDLET_E_NO_SPREADSHEET_APP, GRIDLET_E_NO_SPREADSHEET_APP, GRIDLET_E_NO_SPREADSHEET_APP});
  EXPECT_TRUE(Calls().empty());
  EXPECT_FALSE(FileExists(out.Path() + L"made.xls"));
}

}  // namespace
}  // namespace gridlet::wine_test
