// Regressions from fuzzing and the random round trips, and the bounds that
// keep damaged or oversized files from costing more than they should.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calc/sheet68k.h"
#include "calc/xb_sheet.h"
#include "model/text_sheet.h"
#include "platform/builtin_error_text_service.h"
#include "support/driver_fixture.h"
#include "support/sheet_helpers.h"

namespace gridlet {
namespace {

using testing::CellValues;
using testing::Records;
using Bytes = std::vector<std::uint8_t>;

// XB Plus sheet data: the 194-byte header (only the size field and the
// signature matter to the reader), the records and the terminator.
Bytes XbData(const Bytes& records) {
  Bytes data(XB_SHEET_HEADER_SIZE, 0);
  for (int i = 0; i < 4; ++i) data[2 + i] = static_cast<std::uint8_t>(XB_SHEET_SIGNATURE >> (8 * i));
  data.insert(data.end(), records.begin(), records.end());
  data.insert(data.end(), {0, 0, 0});
  return data;
}

// 68k-class sheet data: the 144-byte header with its label and the cell
// offset 2, the records and the terminator.
Bytes Sheet68kData(const Bytes& records) {
  Bytes data(kSheet68kHeaderSize, 0);
  std::copy_n("Gridlt", 6, data.begin());
  data[kSheet68kCellOffsetField + 1] = 2;
  data.insert(data.end(), records.begin(), records.end());
  data.insert(data.end(), {0, 0});
  return data;
}

// Two XB Plus records: the number 5 at A1 and the text "AB" at B2.
const Bytes kXbRecords = {
    17, 0x00, 0x01, 0, 0x00, 0x80, 0x50, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    11, 0x03, 0xEA, 1, 0x2A, 'A', 'B', 0, 0, 0, 0};

// Two 68k-class records: the float 2.5 at A1 and the text "ab" at B2.
const Bytes k68kRecords = {
    16, 0x00, 0x01, 0, 0x40, 0x00, 0x25, 0, 0, 0, 0, 0, 0, 0x23, 0, 0,
    11, 0x03, 0xEA, 1, '"', 'a', 'b', '"', 0, 0, 0};

// A sheet built from a translated sheet of its own kind took the header over
// through the implicit copy constructor and built no cells: the XB Plus
// sheet wrote none of them, the 68k-class sheet dereferenced its missing
// cell list.
TEST(SameKindSourceTest, XbPlusSheetTakesEveryCellOfAnXbPlusSheet) {
  const Bytes data = XbData(kXbRecords);
  XbSheet source(data.data(), data.size());
  source.TranslateToIntermediate();
  ASSERT_EQ(source.GetCellList()->Size(), 2u);
  XbSheet target(source);
  ASSERT_NE(target.GetCellList(), nullptr);
  target.TranslateFromIntermediate();
  const ByteBuffer out = target.GetOutput();
  XbSheet again(out.data(), out.size());
  EXPECT_EQ(Records(again), (std::vector<CellValues>{{1, 1, 0, "5"}, {2, 2, 1, "\"AB"}}));
}

TEST(SameKindSourceTest, Sheet68kTakesEveryCellOfA68kSheet) {
  const Bytes data = Sheet68kData(k68kRecords);
  Sheet68k source(data.data(), data.size());
  source.TranslateToIntermediate();
  ASSERT_EQ(source.GetCellList()->Size(), 2u);
  Sheet68k target(source);
  ASSERT_NE(target.GetCellList(), nullptr);
  target.TranslateFromIntermediate();
  const ByteBuffer out = target.GetOutput();
  Sheet68k again(out.data() + 2, out.size() - 2);
  EXPECT_EQ(Records(again), (std::vector<CellValues>{{1, 1, 0, "2.5"}, {2, 2, 1, "\"ab"}}));
}

TEST(SameKindSourceTest, TextSheetsTakeEveryCellOfTheirOwnKind) {
  const std::string text = "1\tx\r\n=A1";
  auto source = testing::ReadSheet<TextSheet>(text);
  TextSheet target(*source);
  target.TranslateFromIntermediate();
  EXPECT_EQ(testing::OutputText(target), "1\t\"x\"\t\t\r\n=A1\t");

  auto excelSource = testing::ReadSheet<ExcelTextSheet>(text);
  ExcelTextSheet excelTarget(*excelSource);
  excelTarget.TranslateFromIntermediate();
  EXPECT_EQ(testing::OutputText(excelTarget), "1\t\"x\"\t\t\r\n=A1\t");
}

// ------------------------------------------------------------ file sizes

class OversizedFileTest : public testing::DriverFixture {
 protected:
  HRESULT ToText(const std::string& path, GRIDLET_FILE_TYPES from) {
    std::optional<std::string> written;
    return ConversionDriver(Services()).Convert(Request(from, QZ_TAB_TEXT, path, "back"), &written);
  }
  // A file of `size` bytes: `before` bytes, the sheet data, zeros after its
  // terminator, the tail (the type tag that closes a 68k-class sheet) and
  // the two checksum bytes.
  static std::string File(std::size_t before, const Bytes& data, std::size_t size,
                          std::string_view tail = {}) {
    std::string file(before, '\0');
    file.append(data.begin(), data.end());
    file.resize(size - tail.size() - 2, '\0');
    file.append(tail);
    file.resize(size, '\0');
    return file;
  }
  static constexpr std::string_view kTypeTag{"\0GRDL\0\xF8", 7};
};

// A file longer than its layout allows was parsed record by record, each
// record costing a few hundred bytes of memory: a gigabyte of records would
// have exhausted the memory. Such files are refused; the longest possible
// one is still read.
TEST_F(OversizedFileTest, XbPlusFileLongerThanItsLayoutIsRefusedUnread) {
  constexpr std::size_t kLongest = 72 + (0xFFFF - 17) + 2;
  files.Put("/in/full.xbv", File(72, XbData(kXbRecords), kLongest));
  EXPECT_EQ(ToText("/in/full.xbv", QZ_GRIDLET_XBP), S_OK);
  EXPECT_EQ(files.files.at("/out/back.txt"), "5\t\t\r\n\t\"AB\"\t");
  EXPECT_TRUE(boxes.boxes.empty());

  files.Put("/in/longer.xbv", File(72, XbData(kXbRecords), kLongest + 1));
  EXPECT_EQ(ToText("/in/longer.xbv", QZ_GRIDLET_XBP), E_FAIL);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text.rfind(KnownErrorText(GRIDLET_E_BAD_SOURCE), 0), 0u);
  EXPECT_NE(boxes.boxes[0].text.find("65593 bytes long"), std::string::npos) << boxes.boxes[0].text;
}

TEST_F(OversizedFileTest, Sheet68kFileLongerThanItsLayoutIsRefusedUnread) {
  constexpr std::size_t kLongest = 88 + 0xFFFF + 2;
  files.Put("/in/full.xdy", File(88, Sheet68kData(k68kRecords), kLongest, kTypeTag));
  EXPECT_EQ(ToText("/in/full.xdy", QZ_GRIDLET_XD), S_OK);
  EXPECT_EQ(files.files.at("/out/back.txt"), "2.5\t\t\r\n\t\"ab\"\t");
  EXPECT_TRUE(boxes.boxes.empty());

  files.Put("/in/longer.xdy", File(88, Sheet68kData(k68kRecords), kLongest + 1, kTypeTag));
  EXPECT_EQ(ToText("/in/longer.xdy", QZ_GRIDLET_XD), E_FAIL);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text.rfind(KnownErrorText(GRIDLET_E_BAD_SOURCE), 0), 0u);
  EXPECT_NE(boxes.boxes[0].text.find("65626 bytes long"), std::string::npos) << boxes.boxes[0].text;
}

}  // namespace
}  // namespace gridlet
