// 68k-class sheet files end to end: tab text to ".xcy", ".xdy" and ".xfy"
// files and back through the conversion driver, the files on disk, device
// copies, prompts, messages and damaged sources.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "server/string_table.h"
#include "support/link_file_seal.h"
#include "support/disk_conversion_fixture.h"

namespace gridlet {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kContent = 88;  // where a 68k-class file holds the sheet data

class Sheet68kConversionTest : public testing::DiskConversionFixture {};

std::string Field(const Bytes& file, std::size_t offset, std::size_t size) {
  std::string text(file.begin() + offset, file.begin() + offset + size);
  return text.substr(0, text.find('\0'));
}

// Checks the 68k-class file around its sheet data and returns the data.
Bytes SheetContent(const Bytes& file, const std::string& signature, const std::string& name) {
  EXPECT_GE(file.size(), 242u);
  if (file.size() < 242) return {};
  EXPECT_EQ(Field(file, 0, 8), signature);
  EXPECT_EQ(Field(file, 64, 8), name);
  EXPECT_EQ(file[72], 0x1C);
  const std::size_t s = static_cast<std::size_t>(file[86] << 8 | file[87]);
  EXPECT_EQ(file.size(), kContent + s + 2);
  if (file.size() != kContent + s + 2) return {};
  unsigned sum = 0;
  for (std::size_t i = 86; i < kContent + s; ++i) sum += file[i];
  EXPECT_EQ(file[kContent + s] | file[kContent + s + 1] << 8, static_cast<int>(sum & 0xFFFF));
  const Bytes content(file.begin() + kContent, file.begin() + kContent + s);
  // The sheet data up to the first byte of its terminator, then the type
  // tag the device adds: 00, "GRDL", 00, F8.
  EXPECT_EQ(Field(content, 0, 9), "Gridlt");
  const Bytes tail(content.end() - 8, content.end());
  EXPECT_EQ(tail, (Bytes{0, 0, 'G', 'R', 'D', 'L', 0, 0xF8}));
  return content;
}

const std::string kSheetText =
    "ab\t12.5\t-3\r\n"
    "=IF(A1>0,1,2)\t=2*_pi_\t=SIN(30_degrees_)\r\n"
    "x y\t-0.25\t=A1*(-2)";

// What that sheet is as tab text once it has been on a 68k-class sheet:
// texts in one pair of quotes, floats in the calculator's spelling,
// formulas in the spreadsheet's, the degree sign as ANSI.
const std::string kSheetTextBack =
    "\"ab\"\t12.5\t-3.\t\t\r\n"
    "=IF(A1>0,1,2)\t=2*PI()\t=SIN(30\xB0)\t\t\r\n"
    "\"x y\"\t-0.25\t=A1*(-2)\t";

// ------------------------------------------------------------ files

TEST_F(Sheet68kConversionTest, TabTextBecomesAnXdyFile) {
  Put("in.txt", kSheetText);
  std::optional<std::string> fileName;
  ASSERT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XD, "grades", &fileName), S_OK);
  EXPECT_EQ(fileName, dir_ + "grades.xdy");
  EXPECT_TRUE(boxes.boxes.empty());

  const Bytes content = SheetContent(GetBytes("grades.xdy"), "**QZXD**", "grades");
  ASSERT_GT(content.size(), 160u);
  EXPECT_EQ(content[142], 0x00);
  EXPECT_EQ(content[143], 0x02);
  const Bytes text(content.begin() + 144, content.begin() + 155);
  EXPECT_EQ(text, (Bytes{0x0B, 0x00, 0x01, 0x01, 0x22, 'a', 'b', 0x22, 0x00, 0x00, 0x00}));
  // The whole content is the sheet's output length; _pi_ is the byte 140
  // and IF the sheet application's own function.
  const std::string all(content.begin(), content.end());
  EXPECT_NE(all.find("=2*\x8C"), std::string::npos);
  EXPECT_NE(all.find("=QZGRIDLT.cellIf(a1>0,1,2)"), std::string::npos);
  EXPECT_NE(all.find("=sin(30\xB0)"), std::string::npos);
  EXPECT_NE(all.find("=a1*(\xAD" "2)"), std::string::npos);
}

TEST_F(Sheet68kConversionTest, EmptySheetMakesA242ByteFileThatIsTooShortToRead) {
  Put("in.txt", std::string(64, '\t') + "x");  // only column 65, which the sheet cannot hold
  ASSERT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XD, "empty"), S_OK);
  const Bytes file = GetBytes("empty.xdy");
  EXPECT_EQ(file.size(), 242u);
  const Bytes content = SheetContent(file, "**QZXD**", "empty");
  EXPECT_EQ(content.size(), 152u);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_NE(boxes.boxes[0].text.find("left out: 1 cell, BM1."), std::string::npos);
  boxes.boxes.clear();

  EXPECT_EQ(Convert("empty.xdy", QZ_GRIDLET_XD, QZ_TAB_TEXT, "back"), CONVERT_SOURCE_TOO_SHORT);
  EXPECT_TRUE(Reported(GRIDLET_E_SOURCE_TOO_SHORT));
  EXPECT_FALSE(Exists("back.txt"));

  // One byte more (before the type tag that closes the content) is read:
  // an empty sheet.
  Bytes longer = file;
  longer.insert(longer.end() - 2 - 7, 0x00);
  testing::SealLinkFile(longer);
  Put("longer.xdy", longer);
  boxes.boxes.clear();
  EXPECT_EQ(Convert("longer.xdy", QZ_GRIDLET_XD, QZ_TAB_TEXT, "back"), S_OK);
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(Get("back.txt"), "");
}

// ------------------------------------------------------------ round trips

TEST_F(Sheet68kConversionTest, TabTextRoundTripThroughXdyIsStable) {
  Put("in.txt", kSheetText);
  ASSERT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XD, "grades"), S_OK);
  std::optional<std::string> fileName;
  ASSERT_EQ(Convert("grades.xdy", QZ_GRIDLET_XD, QZ_TAB_TEXT, "back", &fileName), S_OK);
  EXPECT_EQ(fileName, dir_ + "back.txt");
  EXPECT_EQ(Get("back.txt"), kSheetTextBack);

  // Going round again changes nothing: no quotes pile up.
  ASSERT_EQ(Convert("back.txt", QZ_TAB_TEXT, QZ_GRIDLET_XD, "again"), S_OK);
  ASSERT_EQ(Convert("again.xdy", QZ_GRIDLET_XD, QZ_TAB_TEXT, "back2"), S_OK);
  EXPECT_EQ(Get("back2.txt"), kSheetTextBack);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(Sheet68kConversionTest, XcAndXfFilesReadAndWriteLikeXd) {
  Put("in.txt", kSheetText);
  ASSERT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XC, "grades"), S_OK);
  ASSERT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XF, "grades"), S_OK);
  ASSERT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XD, "grades"), S_OK);
  const Bytes xc = SheetContent(GetBytes("grades.xcy"), "**QZXC**", "grades");
  const Bytes xf = SheetContent(GetBytes("grades.xfy"), "**QZXF**", "grades");
  const Bytes xd = SheetContent(GetBytes("grades.xdy"), "**QZXD**", "grades");
  EXPECT_EQ(xc, xd);
  EXPECT_EQ(xf, xd);

  ASSERT_EQ(Convert("grades.xcy", QZ_GRIDLET_XC, QZ_TAB_TEXT, "fromxc"), S_OK);
  ASSERT_EQ(Convert("grades.xfy", QZ_GRIDLET_XF, QZ_TAB_TEXT, "fromxf"), S_OK);
  EXPECT_EQ(Get("fromxc.txt"), kSheetTextBack);
  EXPECT_EQ(Get("fromxf.txt"), kSheetTextBack);
}

TEST_F(Sheet68kConversionTest, XdyToXfyIsADeviceCopyUnderTheNewName) {
  Put("in.txt", kSheetText);
  ASSERT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XD, "grades"), S_OK);
  std::optional<std::string> fileName;
  ASSERT_EQ(Convert("grades.xdy", QZ_GRIDLET_XD, QZ_GRIDLET_XF, "marks", &fileName), S_OK);
  EXPECT_EQ(fileName, dir_ + "marks.xfy");
  const Bytes xd = SheetContent(GetBytes("grades.xdy"), "**QZXD**", "grades");
  const Bytes xf = SheetContent(GetBytes("marks.xfy"), "**QZXF**", "marks");
  EXPECT_EQ(xf, xd);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(Sheet68kConversionTest, XbPlusSheetsSurviveAnXcySheet) {
  Put("in.txt",
      "HELLO\t1.5\t-3\r\n"
      "=IF(A1>0,1,2)\t=AVERAGE(A1:B1)\t=SQRT(4)\r\n"
      "X Y\t0.25\t=A1+B1");
  ASSERT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XBP, "GRADES"), S_OK);
  ASSERT_EQ(Convert("GRADES.xbv", QZ_GRIDLET_XBP, QZ_GRIDLET_XC, "grades"), S_OK);
  ASSERT_EQ(Convert("grades.xcy", QZ_GRIDLET_XC, QZ_GRIDLET_XBP, "AGAIN"), S_OK);
  EXPECT_EQ(boxes.boxes.size(), 0u);

  // The XB Plus texts are stored in one pair of quotes.
  const Bytes xc = SheetContent(GetBytes("grades.xcy"), "**QZXC**", "grades");
  EXPECT_NE(std::string(xc.begin(), xc.end()).find("\"HELLO\"\0", 0, 8), std::string::npos);

  // The XC sheet reads as the XB Plus sheet did; formulas carry the value 0.
  const auto original = Records("GRADES.xbv", QZ_GRIDLET_XBP);
  const auto viaXc = Records("grades.xcy", QZ_GRIDLET_XC);
  const auto again = Records("AGAIN.xbv", QZ_GRIDLET_XBP);
  ASSERT_EQ(original.size(), 9u);
  ASSERT_EQ(viaXc.size(), original.size());
  ASSERT_EQ(again.size(), original.size());
  for (std::size_t i = 0; i < original.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(viaXc[i].Row, original[i].Row);
    EXPECT_EQ(viaXc[i].Column, original[i].Column);
    EXPECT_EQ(viaXc[i].Type, original[i].Type);
    EXPECT_EQ(viaXc[i].Data2, original[i].Data2);
    if (original[i].Type == CELL_TEXT) {
      EXPECT_EQ(viaXc[i].Data, original[i].Data);
    }
    // Back on the XB Plus sheet, every cell is what it was.
    EXPECT_EQ(again[i].Type, original[i].Type);
    EXPECT_EQ(again[i].Data, original[i].Data);
    EXPECT_EQ(again[i].Data2, original[i].Data2);
  }
}

// ------------------------------------------------------------ prompts and messages

TEST_F(Sheet68kConversionTest, ADeviceNameThatDiffersIsAnnounced) {
  Put("in.txt", "1");
  std::optional<std::string> fileName;
  ASSERT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XD, "My Sheet", &fileName), S_OK);
  EXPECT_EQ(fileName, dir_ + "mysheet.xdy");
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, LoadResourceString(IDS_INVALID_FILE_NAME));
  EXPECT_NE(boxes.boxes[0].text.find("mysheet.xdy"), std::string::npos);
  EXPECT_EQ(boxes.boxes[0].style, MB_OK | MB_ICONINFORMATION);
  SheetContent(GetBytes("mysheet.xdy"), "**QZXD**", "mysheet");
}

TEST_F(Sheet68kConversionTest, AnExistingFileIsAskedAbout) {
  Put("in.txt", "1");
  ASSERT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XD, "grades"), S_OK);
  const Bytes before = GetBytes("grades.xdy");
  Put("in.txt", "2\t3");

  boxes.answers = {IDNO};
  std::optional<std::string> fileName;
  EXPECT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XD, "grades", &fileName), CONVERT_SKIPPED);
  boxes.answers = {IDCANCEL};
  EXPECT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XD, "grades", &fileName), CONVERT_CANCELLED);
  EXPECT_FALSE(fileName.has_value());
  EXPECT_EQ(GetBytes("grades.xdy"), before);

  boxes.answers = {IDYES};
  EXPECT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XD, "grades", &fileName), S_OK);
  EXPECT_EQ(GetBytes("grades.xdy").size(), before.size() + 16);
  EXPECT_EQ(boxes.boxes.size(), 3u);
}

TEST_F(Sheet68kConversionTest, DeviceFailuresAreFailures) {
  Put("in.txt", "1");
  std::optional<std::string> fileName;
  EXPECT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XD, "grades", &fileName, dir_ + "missing/"),
            E_FAIL);
  EXPECT_FALSE(fileName.has_value());
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].style & 0xF0u, MB_ICONERROR);
  // The device's text once, with what went wrong.
  const std::string& text = boxes.boxes[0].text;
  const std::string deviceText = "The calculator file cannot be written.";
  EXPECT_EQ(text.find(deviceText), text.rfind(deviceText)) << text;
  EXPECT_NE(text.find("missing/grades.xdy"), std::string::npos) << text;
}

TEST_F(Sheet68kConversionTest, OutOfRangeNumbersAreNamedOnceAndKeptAsTheirText) {
  // 10^400 is beyond a double but not beyond the calculators; 10^1000 is.
  const std::string large = "1" + std::string(400, '0');
  const std::string huge = "1" + std::string(1000, '0');
  Put("in.txt", large + "\t" + huge + "\t" + huge + "\t5");
  ASSERT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XD, "grades"), S_OK);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_NE(boxes.boxes[0].text.find("2 cells, B1 and C1."), std::string::npos);
  // Two numbers and two texts "1E1000", the value in the exponent form.
  EXPECT_EQ(SheetContent(GetBytes("grades.xdy"), "**QZXD**", "grades").size(), 152u + 2 * 16 + 2 * 15);
  ASSERT_EQ(Convert("grades.xdy", QZ_GRIDLET_XD, QZ_TAB_TEXT, "back"), S_OK);
  EXPECT_EQ(Get("back.txt"), "1E+400\t\"1E1000\"\t\"1E1000\"\t5.\t");
}

// ------------------------------------------------------------ damaged sources

TEST_F(Sheet68kConversionTest, AMissingSourceIsNamedWithItsReason) {
  EXPECT_EQ(Convert("none.xdy", QZ_GRIDLET_XD, QZ_TAB_TEXT, "back"), E_FAIL);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_TRUE(Reported(GRIDLET_E_SOURCE_OPEN));
  EXPECT_TRUE(Told(dir_ + "none.xdy: no such file"));
}

TEST_F(Sheet68kConversionTest, DamagedSourcesAreReportedNotCrashedOn) {
  Put("in.txt", kSheetText);
  ASSERT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XD, "grades"), S_OK);
  const Bytes good = GetBytes("grades.xdy");
  struct Damage {
    std::size_t offset;
    std::uint8_t value;
    const char* message;
  };
  const Damage damages[] = {
      {kContent + 144, 0xFF, "runs past the end"},      // the first record's length
      {kContent + 144, 0x03, "too short"},
      {kContent + 142, 0xFF, "outside the"},             // the cell offset
      {kContent + 144 + 11 + 16 + 16 + 4, 0xF0, "do not fit"},  // the formula's value field
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.message);
    Bytes file = good;
    file[damage.offset] = damage.value;
    testing::SealLinkFile(file);
    Put("bad.xdy", file);
    boxes.boxes.clear();
    EXPECT_EQ(Convert("bad.xdy", QZ_GRIDLET_XD, QZ_TAB_TEXT, "bad"), E_FAIL);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(Reported(GRIDLET_E_BAD_SOURCE));
    EXPECT_NE(boxes.boxes[0].text.find(damage.message), std::string::npos) << boxes.boxes[0].text;
    EXPECT_FALSE(Exists("bad.txt"));
  }

  // A file cut inside its records, sealed again or not.
  Bytes cut(good.begin(), good.begin() + kContent + 160);
  for (bool sealed : {false, true}) {
    if (sealed) testing::SealLinkFile(cut);
    Put("cut.xdy", cut);
    boxes.boxes.clear();
    EXPECT_EQ(Convert("cut.xdy", QZ_GRIDLET_XD, QZ_TAB_TEXT, "cut"), E_FAIL);
    EXPECT_TRUE(Reported(GRIDLET_E_BAD_SOURCE));
  }
}

}  // namespace
}  // namespace gridlet
