// The conversion driver: routes, results, file names and the messages of
// every failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "model/com_error.h"
#include "platform/builtin_error_text_service.h"
#include "server/gridlet.h"
#include "server/string_table.h"
#include "server/tab_text_kind.h"
#include "support/driver_fixture.h"

namespace gridlet {
namespace {

using testing::DriverFixture;

constexpr GRIDLET_FILE_TYPES kAllTypes[] = {QZ_EXCEL,      QZ_TAB_TEXT,   QZ_GRIDLET_XBP,
                                            QZ_GRIDLET_XC, QZ_GRIDLET_XD, QZ_GRIDLET_XF,
                                            QZ_GRIDLET_NULL};

TEST(RoutingTest, DeviceCopyForCalculatorPairsAndEqualCalculatorTypes) {
  for (GRIDLET_FILE_TYPES from : kAllTypes) {
    for (GRIDLET_FILE_TYPES to : kAllTypes) {
      const bool expected = (from == to && IsCalculatorType(from)) || (Is68kClass(from) && Is68kClass(to));
      EXPECT_EQ(IsDeviceCopy(from, to), expected) << from << " -> " << to;
    }
  }
}

TEST(RoutingTest, ModelCodesAndExtensions) {
  EXPECT_EQ(DeviceModelCode(QZ_GRIDLET_XBP), 5);
  EXPECT_EQ(DeviceModelCode(QZ_GRIDLET_XC), 7);
  EXPECT_EQ(DeviceModelCode(QZ_GRIDLET_XD), 9);
  EXPECT_EQ(DeviceModelCode(QZ_GRIDLET_XF), 10);
  EXPECT_EQ(DeviceModelCode(QZ_TAB_TEXT), 1);
  EXPECT_EQ(DeviceModelCode(QZ_GRIDLET_NULL), 6);
  EXPECT_EQ(OutputExtension(QZ_EXCEL), ".xls");
  EXPECT_EQ(OutputExtension(QZ_GRIDLET_XF), ".xfy");
  EXPECT_EQ(OutputExtension(QZ_GRIDLET_NULL), "");
}

class DeviceCopyTest : public DriverFixture {
 protected:
  void SetUp() override {
    DriverFixture::SetUp();
    for (const char* source : {"/in/a.xbv", "/in/a.xcy", "/in/a.xdy"}) files.Put(source, "checked by the device");
  }
};

TEST_F(DeviceCopyTest, ChecksLoadsNamesAndSaves) {
  ConversionDriver driver(Services());
  std::optional<std::string> fileName;
  const HRESULT hr =
      driver.Convert(Request(QZ_GRIDLET_XD, QZ_GRIDLET_XF, "/in/a.xdy", "main\\grades"), &fileName);
  EXPECT_EQ(hr, S_OK);
  // One instance loads the source to check it and learn its model, and
  // copies it under the name the device allows.
  EXPECT_EQ(device.calls, (std::vector<std::string>{
                              "LoadFile(/in/a.xdy,0)", "GetDeviceModel", "SetDeviceModel(10)",
                              "SetDeviceName(main\\grades)", "GetDeviceName",
                              "SaveFile(/out/main.grades.xfy,1,0)", "GetFileName"}));
  EXPECT_EQ(device.created, 1);
  EXPECT_EQ(fileName, "/out/main.grades.xfy");
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(DeviceCopyTest, EqualCalculatorTypesAreCopiedToo) {
  ConversionDriver driver(Services());
  std::optional<std::string> fileName;
  EXPECT_EQ(driver.Convert(Request(QZ_GRIDLET_XBP, QZ_GRIDLET_XBP, "/in/a.xbv", "B"), &fileName), S_OK);
  EXPECT_NE(std::find(device.calls.begin(), device.calls.end(), "SetDeviceModel(5)"), device.calls.end());
  EXPECT_EQ(fileName, "/out/B.xbv");
}

TEST_F(DeviceCopyTest, AnyFailureIsReportedAsAFailure) {
  // A file the device refuses to load is damaged.
  device.failOn = "LoadFile";
  ConversionDriver driver(Services());
  std::optional<std::string> fileName = "before";
  EXPECT_EQ(driver.Convert(Request(QZ_GRIDLET_XC, QZ_GRIDLET_XD, "/in/a.xcy"), &fileName), E_FAIL);
  EXPECT_EQ(fileName, "before");
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text.rfind(KnownErrorText(GRIDLET_E_BAD_SOURCE), 0), 0u);
  EXPECT_EQ(boxes.boxes[0].style, MB_OK | MB_ICONERROR);

  // A failure of the copy itself.
  device.failOn = "SaveFile";
  EXPECT_EQ(driver.Convert(Request(QZ_GRIDLET_XC, QZ_GRIDLET_XD, "/in/a.xcy"), &fileName), E_FAIL);
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].text.rfind(KnownErrorText(GRIDLET_E_CONVERSION), 0), 0u);

  device.failOn.clear();
  device.unavailable = true;
  EXPECT_EQ(driver.Convert(Request(QZ_GRIDLET_XC, QZ_GRIDLET_XD, "/in/a.xcy"), &fileName), E_FAIL);
  EXPECT_EQ(boxes.boxes.size(), 3u);
  EXPECT_EQ(fileName, "before");
}

TEST_F(DeviceCopyTest, AFileIsCopiedAsWhatItsSignatureSays) {
  // An XB Plus file named .xdy cannot be copied as a 68k-class file: it is
  // converted as the XB Plus file it is, and the user is told.
  device.loadedModel = DEVICE_MODEL_XB_PLUS;
  SheetKindRegistry kinds;
  class RecordingKind : public SheetKind {
   public:
    HRESULT ReadSource(ConversionContext& context) override {
      read.push_back(context.request.fromType);
      return E_FAIL;
    }
    HRESULT WriteTarget(ConversionContext&) override { return E_FAIL; }
    std::vector<GRIDLET_FILE_TYPES> read;
  } xbPlus;
  kinds.Register(QZ_GRIDLET_XBP, xbPlus);
  kinds.Register(QZ_GRIDLET_XD, xbPlus);
  ConversionDriver driver(Services(), kinds);
  std::optional<std::string> fileName;
  driver.Convert(Request(QZ_GRIDLET_XD, QZ_GRIDLET_XF, "/in/a.xdy"), &fileName);
  EXPECT_EQ(xbPlus.read, std::vector<GRIDLET_FILE_TYPES>{QZ_GRIDLET_XBP});
  EXPECT_EQ(std::count(device.calls.begin(), device.calls.end(), "LoadFile(/in/a.xdy,0)"), 1);
  ASSERT_FALSE(boxes.boxes.empty());
  EXPECT_EQ(boxes.boxes[0].style, MB_OK | MB_ICONWARNING);
  EXPECT_NE(boxes.boxes[0].text.find("/in/a.xdy is an XB Plus sheet file, not an XD Plus sheet file"),
            std::string::npos)
      << boxes.boxes[0].text;
}

TEST_F(DeviceCopyTest, ExistingOutputIsReplacedOnlyWhenTheUserAgrees) {
  files.Put("/out/copy.xdy", "old");
  ConversionDriver driver(Services());
  std::optional<std::string> fileName;
  boxes.answers = {IDNO, IDCANCEL, IDYES};
  EXPECT_EQ(driver.Convert(Request(QZ_GRIDLET_XC, QZ_GRIDLET_XD, "/in/a.xcy"), &fileName), CONVERT_SKIPPED);
  EXPECT_EQ(driver.Convert(Request(QZ_GRIDLET_XC, QZ_GRIDLET_XD, "/in/a.xcy"), &fileName), CONVERT_CANCELLED);
  EXPECT_FALSE(fileName.has_value());
  EXPECT_EQ(driver.Convert(Request(QZ_GRIDLET_XC, QZ_GRIDLET_XD, "/in/a.xcy"), &fileName), S_OK);
  EXPECT_EQ(fileName, "/out/copy.xdy");
  int saves = 0;
  for (const auto& call : device.calls) saves += call.rfind("SaveFile", 0) == 0;
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(boxes.boxes[0].caption, "/out/copy.xdy");
  EXPECT_EQ(boxes.boxes[0].text, LoadResourceString(IDS_FILE_EXISTS));
  EXPECT_EQ(boxes.boxes[0].style, MB_YESNOCANCEL | MB_ICONQUESTION | MB_TASKMODAL);
}

class TabTextRouteTest : public DriverFixture {};

TEST_F(TabTextRouteTest, TextToTextWritesTheIntermediateFormBack) {
  files.Put("/in/sheet.txt", "1\t=A1*2\r\nword\t-4");
  ConversionDriver driver(Services());
  std::optional<std::string> fileName;
  EXPECT_EQ(driver.Convert(Request(QZ_TAB_TEXT, QZ_TAB_TEXT), &fileName), S_OK);
  EXPECT_EQ(fileName, "/out/copy.txt");
  EXPECT_EQ(files.files["/out/copy.txt"], "1\t=A1*2\t\t\r\n\"word\"\t-4\t");
  EXPECT_EQ(device.created, 0);
  // Its own output converts to the same bytes again.
  files.Put("/in/sheet.txt", files.files["/out/copy.txt"]);
  boxes.answers = {IDYES};
  EXPECT_EQ(driver.Convert(Request(QZ_TAB_TEXT, QZ_TAB_TEXT), &fileName), S_OK);
  EXPECT_EQ(files.files["/out/copy.txt"], "1\t=A1*2\t\t\r\n\"word\"\t-4\t");
}

TEST_F(TabTextRouteTest, NoNameLeadsOutOfTheOutputFolder) {
  // Names of separators, full stops, colons and letters: each output is a
  // file of the output folder itself, and a changed name is told.
  files.Put("/in/sheet.txt", "x");
  ConversionDriver driver(Services());
  const char pieces[] = {'/', '\\', '.', ':', 'a', 'b'};
  std::mt19937 random(34);
  for (int round = 0; round < 400; ++round) {
    std::string name;
    for (int i = 1 + static_cast<int>(random() % 7); i > 0; --i) name += pieces[random() % sizeof pieces];
    if (round == 0) name = "../escape";
    files.files.erase("/out/" + name + ".txt");
    const std::size_t shown = boxes.boxes.size();
    for (GRIDLET_FILE_TYPES to : {QZ_TAB_TEXT}) {
      std::optional<std::string> fileName;
      boxes.answers = {IDYES};
      ASSERT_EQ(driver.Convert(Request(QZ_TAB_TEXT, to, "/in/sheet.txt", name), &fileName), S_OK) << name;
      ASSERT_TRUE(fileName);
      const std::string file = fileName->substr(5);
      EXPECT_EQ(fileName->substr(0, 5), "/out/");
      EXPECT_EQ(file.find_first_of("/\\:"), std::string::npos) << name << " -> " << *fileName;
      EXPECT_NE(file[0], '.') << name << " -> " << *fileName;
      const bool told = boxes.boxes.size() > shown && boxes.boxes[shown].style == (MB_OK | MB_ICONWARNING);
      EXPECT_EQ(told, file != name + ".txt") << name;
    }
  }
  EXPECT_TRUE(files.files.count("/out/escape.txt"));
}

TEST_F(TabTextRouteTest, MissingAndEmptySources) {
  ConversionDriver driver(Services());
  std::optional<std::string> fileName;
  EXPECT_EQ(driver.Convert(Request(QZ_TAB_TEXT, QZ_TAB_TEXT), &fileName), E_FAIL);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text.rfind(KnownErrorText(GRIDLET_E_TEXT_SOURCE_OPEN), 0), 0u);

  files.Put("/in/sheet.txt", "");
  EXPECT_EQ(driver.Convert(Request(QZ_TAB_TEXT, QZ_TAB_TEXT), &fileName), CONVERT_SOURCE_TOO_SHORT);
  EXPECT_EQ(boxes.boxes[1].text.rfind(KnownErrorText(GRIDLET_E_SOURCE_TOO_SHORT), 0), 0u);
  EXPECT_FALSE(fileName.has_value());
}

TEST_F(TabTextRouteTest, ReadOnlyRouteWritesNothing) {
  files.Put("/in/sheet.txt", "1");
  ConversionDriver driver(Services());
  std::optional<std::string> fileName = "kept";
  EXPECT_EQ(driver.Convert(Request(QZ_TAB_TEXT, QZ_GRIDLET_NULL), &fileName), S_OK);
  EXPECT_EQ(driver.Convert(Request(QZ_TAB_TEXT, static_cast<GRIDLET_FILE_TYPES>(42)), &fileName), S_OK);
  EXPECT_EQ(fileName, "kept");
  EXPECT_EQ(files.writes, 0);
  // A bad source is still reported.
  files.Put("/in/sheet.txt", "");
  EXPECT_EQ(driver.Convert(Request(QZ_TAB_TEXT, QZ_GRIDLET_NULL), &fileName), CONVERT_SOURCE_TOO_SHORT);
}

TEST_F(TabTextRouteTest, NoSourceTypeMeansNothingToBuildATargetFrom) {
  ConversionDriver driver(Services());
  std::optional<std::string> fileName;
  EXPECT_EQ(driver.Convert(Request(QZ_GRIDLET_NULL, QZ_TAB_TEXT), &fileName), E_FAIL);
  EXPECT_EQ(files.writes, 0);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  // Nothing to read is no conversion at all, whatever the target.
  for (GRIDLET_FILE_TYPES to : {QZ_GRIDLET_NULL, static_cast<GRIDLET_FILE_TYPES>(9)}) {
    EXPECT_EQ(driver.Convert(Request(static_cast<GRIDLET_FILE_TYPES>(9), to), &fileName), E_FAIL);
    EXPECT_EQ(driver.Convert(Request(QZ_GRIDLET_NULL, to), &fileName), E_FAIL);
  }
  EXPECT_EQ(boxes.boxes.size(), 5u);
  EXPECT_EQ(boxes.boxes[2].text.find("model"), std::string::npos) << boxes.boxes[2].text;
  EXPECT_EQ(device.created, 0);
}

TEST_F(TabTextRouteTest, OverwritePromptAnswers) {
  files.Put("/in/sheet.txt", "7");
  files.Put("/out/copy.txt", "old");
  ConversionDriver driver(Services());
  std::optional<std::string> fileName;
  boxes.answers = {IDNO, IDCANCEL, IDYES};
  auto request = Request(QZ_TAB_TEXT, QZ_TAB_TEXT);
  request.overwrite = 1;  // not consulted: the user is asked all the same
  EXPECT_EQ(driver.Convert(request, &fileName), CONVERT_SKIPPED);
  EXPECT_EQ(driver.Convert(request, &fileName), CONVERT_CANCELLED);
  EXPECT_EQ(files.files["/out/copy.txt"], "old");
  EXPECT_FALSE(fileName.has_value());
  EXPECT_EQ(driver.Convert(request, &fileName), S_OK);
  EXPECT_EQ(files.files["/out/copy.txt"], "7\t");
  EXPECT_EQ(boxes.boxes.size(), 3u);
}

TEST_F(TabTextRouteTest, UnwritableOutputIsAConversionFailure) {
  files.Put("/in/sheet.txt", "1");
  files.unwritable.insert("/out/copy.txt");
  ConversionDriver driver(Services());
  std::optional<std::string> fileName;
  EXPECT_EQ(driver.Convert(Request(QZ_TAB_TEXT, QZ_TAB_TEXT), &fileName), E_FAIL);
  EXPECT_FALSE(fileName.has_value());
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_NE(boxes.boxes[0].text.find("Permission denied"), std::string::npos);
}

// A calculator-like kind that names its output through the device file
// service, for the naming rules of the driver.
class FakeCalculatorKind : public SheetKind {
 public:
  HRESULT ReadSource(ConversionContext& context) override {
    readAs.push_back(context.request.fromType);
    return tabText.ReadSource(context);
  }
  HRESULT WriteTarget(ConversionContext& context) override {
    xfFlags.push_back(context.xfFlag);
    const GRIDLET_FILE_TYPES type = context.WrittenType(context.request.toType == QZ_GRIDLET_XF ? QZ_GRIDLET_XD : context.request.toType);
    auto output = context.NameCalculatorOutput(DeviceModelCode(type), OutputExtension(type));
    if (HRESULT answer = context.AskOverwrite(output.path); answer != S_OK) return answer;
    const std::uint8_t data[2] = {1, 2};
    context.Device().SetVariableData(data, 2, VariableTag::String("GRDL"));
    context.Device().SaveFile(output.path, 0, 0);
    context.SetFileName(output.path);
    return S_OK;
  }

  TabTextKind tabText;
  std::vector<GRIDLET_FILE_TYPES> readAs;
  std::vector<bool> xfFlags;
};

class CalculatorTargetTest : public DriverFixture {
 protected:
  void SetUp() override {
    DriverFixture::SetUp();
    kinds.Register(QZ_TAB_TEXT, tabText);
    kinds.Register(QZ_GRIDLET_XD, calculator);
    files.Put("/in/sheet.txt", "1");
  }
  TabTextKind tabText;
  FakeCalculatorKind calculator;
  SheetKindRegistry kinds;
};

TEST_F(CalculatorTargetTest, DeviceNameFormsTheFileName) {
  ConversionDriver driver(Services(), kinds);
  std::optional<std::string> fileName;
  EXPECT_EQ(driver.Convert(Request(QZ_TAB_TEXT, QZ_GRIDLET_XD, "/in/sheet.txt", "copy"), &fileName), S_OK);
  EXPECT_EQ(fileName, "/out/copy.xdy");
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(device.calls, (std::vector<std::string>{"SetDeviceModel(9)", "SetDeviceName(copy)",
                                                    "GetDeviceName", "SetVariableData(2,GRDL)",
                                                    "SaveFile(/out/copy.xdy,0,0)"}));
}

TEST_F(CalculatorTargetTest, RenamedOutputIsExplained) {
  device.deviceName = "folder\\name";
  boxes.window = 77;
  ConversionDriver driver(Services(), kinds);
  std::optional<std::string> fileName;
  EXPECT_EQ(driver.Convert(Request(QZ_TAB_TEXT, QZ_GRIDLET_XD, "/in/sheet.txt", "My Folder\\Name"), &fileName), S_OK);
  EXPECT_EQ(fileName, "/out/folder.name.xdy");
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text,
            "The name of the file has been changed to comply with the device naming conventions. "
            "\nThe file name is now folder.name.xdy and can be viewed on the device as "
            "folder\\name.\n");
  EXPECT_EQ(boxes.boxes[0].caption, "Invalid File Name");
  EXPECT_EQ(boxes.boxes[0].style, MB_OK | MB_ICONINFORMATION);
  EXPECT_EQ(boxes.boxes[0].owner, 77u);
  EXPECT_EQ(boxes.searchedTitles.front(), "QZ Gridlet Converter");
  // GetDeviceName is asked once for the name and once for the message.
  EXPECT_EQ(std::count(device.calls.begin(), device.calls.end(), "GetDeviceName"), 2);
}

TEST_F(CalculatorTargetTest, NameDifferingOnlyInCaseIsNoNews) {
  device.deviceName = "copy";
  ConversionDriver driver(Services(), kinds);
  std::optional<std::string> fileName;
  EXPECT_EQ(driver.Convert(Request(QZ_TAB_TEXT, QZ_GRIDLET_XD, "/in/sheet.txt", "Copy"), &fileName), S_OK);
  EXPECT_EQ(fileName, "/out/copy.xdy");
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(CalculatorTargetTest, ComErrorInATargetIsAFailure) {
  device.failOn = "SaveFile";
  device.failure = MakeResult(0x8C05ABCDu);
  ConversionDriver driver(Services(), kinds);
  std::optional<std::string> fileName;
  EXPECT_EQ(driver.Convert(Request(QZ_TAB_TEXT, QZ_GRIDLET_XD), &fileName), E_FAIL);
  EXPECT_FALSE(fileName.has_value());
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text.rfind("Unknown error 0x8C05ABCD.", 0), 0u);
  EXPECT_EQ(boxes.boxes[0].style, MB_TASKMODAL | MB_ICONERROR);
  // The owner window was searched for twice and not found.
  EXPECT_EQ(boxes.searchedTitles.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].owner, NO_WINDOW);

  device.failOn.clear();
  device.unavailable = true;
  EXPECT_EQ(driver.Convert(Request(QZ_TAB_TEXT, QZ_GRIDLET_XD), &fileName), E_FAIL);
  EXPECT_EQ(boxes.boxes.size(), 2u);
}

TEST_F(CalculatorTargetTest, XfIsReadAndWrittenAsXdWithItsOwnModel) {
  ConversionDriver driver(Services(), kinds);
  std::optional<std::string> fileName;
  EXPECT_EQ(driver.Convert(Request(QZ_TAB_TEXT, QZ_GRIDLET_XF), &fileName), S_OK);
  EXPECT_EQ(fileName, "/out/copy.xfy");
  EXPECT_EQ(device.calls[0], "SetDeviceModel(10)");
  EXPECT_EQ(calculator.xfFlags, std::vector<bool>{true});

  // An XF source is read by the XD Plus kind.
  files.Put("/in/a.xfy", "1");
  kinds.Register(QZ_TAB_TEXT, tabText);
  EXPECT_EQ(driver.Convert(Request(QZ_GRIDLET_XF, QZ_TAB_TEXT, "/in/a.xfy"), &fileName), S_OK);
  EXPECT_EQ(calculator.readAs, std::vector<GRIDLET_FILE_TYPES>{QZ_GRIDLET_XF});
}

TEST_F(CalculatorTargetTest, NoAndCancelWriteNothing) {
  files.Put("/out/copy.xdy", "old");
  boxes.answers = {IDNO, IDCANCEL};
  ConversionDriver driver(Services(), kinds);
  std::optional<std::string> fileName;
  EXPECT_EQ(driver.Convert(Request(QZ_TAB_TEXT, QZ_GRIDLET_XD), &fileName), CONVERT_SKIPPED);
  EXPECT_EQ(driver.Convert(Request(QZ_TAB_TEXT, QZ_GRIDLET_XD), &fileName), CONVERT_CANCELLED);
  EXPECT_EQ(std::count_if(device.calls.begin(), device.calls.end(),
                          [](const std::string& c) { return c.rfind("SaveFile", 0) == 0; }),
            0);
}

class GridletObjectTest : public DriverFixture {};

TEST_F(GridletObjectTest, FileNameFollowsWhatWasWritten) {
  Gridlet gridlet(Services());
  std::u16string name = u"x";
  EXPECT_EQ(gridlet.GetTheFileName(name), S_OK);
  EXPECT_EQ(name, u"");

  files.Put("/in/sheet.txt", "1");
  EXPECT_EQ(gridlet.Convert(u"/in/sheet.txt", QZ_TAB_TEXT, u"", u"/out/", u"caf\u00e9", QZ_TAB_TEXT, 0), S_OK);
  gridlet.GetTheFileName(name);
  EXPECT_EQ(name, u"/out/caf\u00e9.txt");
  EXPECT_TRUE(files.files.count("/out/caf\xE9.txt"));  // the ANSI code page inside

  boxes.answers = {IDNO};
  EXPECT_EQ(gridlet.Convert(u"/in/sheet.txt", QZ_TAB_TEXT, u"", u"/out/", u"caf\u00e9", QZ_TAB_TEXT, 0),
            CONVERT_SKIPPED);
  gridlet.GetTheFileName(name);
  EXPECT_EQ(name, u"/out/caf\u00e9.txt");

  const std::u16string stored = u"stored";
  gridlet.SetTheFileName(&stored);
  gridlet.GetTheFileName(name);
  EXPECT_EQ(name, u"stored");
  gridlet.SetTheFileName(nullptr);
  gridlet.GetTheFileName(name);
  EXPECT_EQ(name, u"");
}

class UserMessagesTest : public DriverFixture {};

TEST_F(UserMessagesTest, WithoutTheErrorTextServiceEveryReportSaysReinstall) {
  MissingErrorTextServiceFactory missing;
  UserMessages bare(boxes, missing, files);
  bare.ReportError(GRIDLET_E_CONVERSION);
  bare.ReportComError(E_FAIL, MB_ICONINFORMATION);
  ASSERT_EQ(boxes.boxes.size(), 2u);
  for (const auto& box : boxes.boxes) {
    EXPECT_EQ(box.text, "Application error.  Please reinstall QZ Gridlet Converter.");
    EXPECT_EQ(box.caption, "");
  }
  EXPECT_EQ(boxes.boxes[0].style, MB_TASKMODAL | MB_ICONERROR);
  EXPECT_EQ(boxes.boxes[1].style, MB_TASKMODAL | MB_ICONINFORMATION);
}

TEST_F(UserMessagesTest, EveryRaisedCodeHasItsOwnText) {
  BuiltinErrorTextService service;
  for (HRESULT code : {GRIDLET_E_CONVERSION, GRIDLET_E_NO_SPREADSHEET_APP, GRIDLET_E_SOURCE_TOO_SHORT,
                       GRIDLET_E_TEXT_SOURCE_OPEN, GRIDLET_E_SPREADSHEET_APP, GRIDLET_E_SHEET_TOO_LARGE,
                       GRIDLET_E_BAD_SOURCE, GRIDLET_E_BAD_REQUEST, GRIDLET_E_SOURCE_OPEN,
                       E_CALC_NUMBER_RANGE, E_CALC_ASM_PROGRAM}) {
    EXPECT_NE(KnownErrorText(code), nullptr) << std::hex << code;
  }
  EXPECT_EQ(service.GetErrorText(MakeResult(0x8C05FFFFu)), "Unknown error 0x8C05FFFF.");
}

TEST_F(UserMessagesTest, AskOverwriteAsksOnlyAboutExistingFiles) {
  EXPECT_EQ(messages.AskOverwrite("/none"), OVERWRITE_WRITE);
  EXPECT_TRUE(boxes.boxes.empty());
  files.Put("/f", "");
  boxes.answers = {IDCANCEL, IDNO, IDYES, IDOK};
  EXPECT_EQ(messages.AskOverwrite("/f"), OVERWRITE_CANCEL);
  EXPECT_EQ(messages.AskOverwrite("/f"), OVERWRITE_SKIP);
  EXPECT_EQ(messages.AskOverwrite("/f"), OVERWRITE_WRITE);
  EXPECT_EQ(messages.AskOverwrite("/f"), OVERWRITE_WRITE);
  EXPECT_EQ(boxes.boxes[0].owner, NO_WINDOW);
}

}  // namespace
}  // namespace gridlet
