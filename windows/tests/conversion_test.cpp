// Conversions through the COM interface: the files written are byte for
// byte those of the Linux build, existing outputs are only replaced when
// the user agrees, and failures reach the user as message boxes with the
// error text component's text, or the module's own text without it.
#include "support/gridlet_server_fixture.h"

#include "platform/builtin_error_text_service.h"
#include "server/string_table.h"

namespace gridlet::wine_test {
namespace {

class Conversion : public GridletServerTest {
 protected:
  void SetUp() override {
    GridletServerTest::SetUp();
    reference = EnvironmentPath(L"GRIDLET_REFERENCE_DIR");
    example = EnvironmentPath(L"GRIDLET_EXAMPLE_TXT");
    ASSERT_FALSE(reference.empty()) << "GRIDLET_REFERENCE_DIR is not set (run through run_wine_test.sh)";
    reference += L"\\";
    gridlet = Create();
    ASSERT_NE(gridlet, nullptr);
  }
  void TearDown() override {
    if (gridlet) gridlet->Release();
  }

  HRESULT Convert(const std::wstring& input, ::GRIDLET_FILE_TYPES from, const std::wstring& folder,
                  const std::wstring& name, ::GRIDLET_FILE_TYPES to) {
    Bstr in(input), sheet(L""), out(folder), internal(name);
    return gridlet->Convert(in.Get(), from, sheet.Get(), out.Get(), internal.Get(), to, 0);
  }
  std::wstring FileName() {
    Bstr name;
    EXPECT_EQ(gridlet->GetTheFileName(name.Put()), S_OK);
    return name.Text();
  }
  std::wstring EmptySource() {
    const std::wstring path = out.Path() + L"empty.txt";
    EXPECT_TRUE(WriteWholeFile(path, ""));
    return path;
  }

  IGridlet* gridlet = nullptr;
  TemporaryFolder out;
  std::wstring reference, example;
};

TEST_F(Conversion, TextToTextWritesTheBytesOfTheLinuxBuild) {
  ASSERT_EQ(Convert(example, QZ_TAB_TEXT, out.Path(), L"budget", QZ_TAB_TEXT), S_OK);
  const std::string written = ReadWholeFile(out.Path() + L"budget.txt");
  EXPECT_FALSE(written.empty());
  EXPECT_EQ(written, ReadWholeFile(reference + L"budget.txt"));
  EXPECT_EQ(FileName(), out.Path() + L"budget.txt");
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(Conversion, TextToXbPlusAndBackWriteTheBytesOfTheLinuxBuild) {
  ASSERT_EQ(Convert(example, QZ_TAB_TEXT, out.Path(), L"BUDGET", QZ_GRIDLET_XBP), S_OK);
  const std::string sheet = ReadWholeFile(out.Path() + L"BUDGET.xbv");
  ASSERT_FALSE(sheet.empty());
  EXPECT_EQ(sheet, ReadWholeFile(reference + L"BUDGET.xbv"));
  EXPECT_EQ(FileName(), out.Path() + L"BUDGET.xbv");

  ASSERT_EQ(Convert(out.Path() + L"BUDGET.xbv", QZ_GRIDLET_XBP, out.Path(), L"back", QZ_TAB_TEXT), S_OK);
  EXPECT_EQ(ReadWholeFile(out.Path() + L"back.txt"), ReadWholeFile(reference + L"back.txt"));
  // The one change named: the XB Plus puts the texts in capitals.
  const std::vector<ShownBox> shown = boxes.Boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].text.find("put in capitals"), std::string::npos) << shown[0].text;
  EXPECT_FALSE(shown[0].hasYesNoCancel);
}

TEST_F(Conversion, ExistingOutputIsReplacedOnlyWhenTheUserAgrees) {
  const std::wstring path = out.Path() + L"budget.txt";
  ASSERT_TRUE(WriteWholeFile(path, "keep me"));
  Bstr before(L"before");
  gridlet->SetTheFileName(before.Get());

  boxes.QueueAnswer(IDNO);
  EXPECT_EQ(Convert(example, QZ_TAB_TEXT, out.Path(), L"budget", QZ_TAB_TEXT), 3);
  boxes.QueueAnswer(IDCANCEL);
  EXPECT_EQ(Convert(example, QZ_TAB_TEXT, out.Path(), L"budget", QZ_TAB_TEXT), 2);
  EXPECT_EQ(ReadWholeFile(path), "keep me");
  EXPECT_EQ(FileName(), L"before");

  boxes.QueueAnswer(IDYES);
  EXPECT_EQ(Convert(example, QZ_TAB_TEXT, out.Path(), L"budget", QZ_TAB_TEXT), S_OK);
  EXPECT_EQ(ReadWholeFile(path), ReadWholeFile(reference + L"budget.txt"));
  EXPECT_EQ(FileName(), path);

  const std::vector<ShownBox> shown = boxes.Boxes();
  ASSERT_EQ(shown.size(), 3u);
  for (const ShownBox& box : shown) {
    EXPECT_EQ(box.text, LoadResourceString(IDS_FILE_EXISTS));
    EXPECT_EQ(box.caption, Ansi(path));  // the path is the caption
    EXPECT_TRUE(box.hasYesNoCancel);
    EXPECT_EQ(box.owner, nullptr);
  }
}

TEST_F(Conversion, WithoutTheErrorTextComponentEveryReportIsTheModulesOwnText) {
  EXPECT_EQ(Convert(EmptySource(), QZ_TAB_TEXT, out.Path(), L"x", QZ_TAB_TEXT),
            static_cast<HRESULT>(0xF0000001u));
  const std::vector<ShownBox> shown = boxes.Boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text.rfind(LoadResourceString(IDS_APPLICATION_ERROR), 0), 0u) << shown[0].text;
  EXPECT_FALSE(FileExists(out.Path() + L"x.txt"));
}

TEST_F(Conversion, WithTheErrorTextComponentReportsShowItsText) {
  ServerModule texts(EnvironmentPath(L"GRIDLET_ERROR_TEXTS_DLL"));
  ASSERT_TRUE(texts.Loaded());
  ASSERT_HRESULT_SUCCEEDED(texts.Register());
  const HRESULT result = Convert(EmptySource(), QZ_TAB_TEXT, out.Path(), L"x", QZ_TAB_TEXT);
  texts.Unregister();
  EXPECT_EQ(result, static_cast<HRESULT>(0xF0000001u));
  const std::vector<ShownBox> shown = boxes.Boxes();
  ASSERT_EQ(shown.size(), 1u);
  const std::string expected = BuiltinErrorTextService().GetErrorText(GRIDLET_E_SOURCE_TOO_SHORT);
  EXPECT_EQ(shown[0].text.rfind(expected, 0), 0u) << shown[0].text;
}

// A failure of the device file service is a COM error: the conversion
// failed, and its box belongs to the front end's window when that is open.
TEST_F(Conversion, ComErrorsAreOwnedByTheFrontEndWindow) {
  const std::wstring missing = out.Path() + L"no such folder\\";
  ASSERT_EQ(Convert(example, QZ_TAB_TEXT, missing, L"BUDGET", QZ_GRIDLET_XBP), E_FAIL);
  HWND frontEnd = CreateWindowExA(0, "STATIC", "QZ Gridlet Converter", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                  nullptr, nullptr, nullptr);
  ASSERT_NE(frontEnd, nullptr);
  Convert(example, QZ_TAB_TEXT, missing, L"BUDGET", QZ_GRIDLET_XBP);
  DestroyWindow(frontEnd);
  // The failures, besides the warnings that the texts were put in capitals.
  std::vector<ShownBox> shown = boxes.Boxes();
  std::erase_if(shown, [](const ShownBox& box) { return box.text.find("put in capitals") != std::string::npos; });
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].owner, nullptr);
  EXPECT_EQ(shown[1].owner, frontEnd);
  EXPECT_EQ(shown[0].text, shown[1].text);
  EXPECT_EQ(shown[1].text.rfind(LoadResourceString(IDS_APPLICATION_ERROR), 0), 0u) << shown[1].text;
  EXPECT_FALSE(FileExists(missing + L"BUDGET.xbv"));
}

}  // namespace
}  // namespace gridlet::wine_test
