// XB Plus sheet files end to end: tab text to ".xbv" files and back through
// the conversion driver, the files on disk, prompts and messages.
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

class XbPlusConversionTest : public testing::DiskConversionFixture {
 protected:
  HRESULT ToXb(const std::string& text, const std::string& name = "GRADES") {
    Put("in.txt", text);
    return Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XBP, name);
  }
};

void PutLe16(Bytes& out, std::size_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// The sheet data after its size field and signature for a sheet of that
// name and records: name field, reserved fields, records, terminator and
// the trailing 0x00.
Bytes SheetBody(const std::string& name, const Bytes& records) {
  Bytes body(name.begin(), name.end());
  if (body.size() < 8) {
    body.push_back(0);
    body.resize(8, ' ');
  }
  body.insert(body.end(), {0, 0});
  body.insert(body.end(), 13, 0xAA);
  body.insert(body.end(), 165, 0);
  body.insert(body.end(), records.begin(), records.end());
  body.insert(body.end(), {0, 0, 0});
  return body;
}

// An ".xbv" file holding the sheet body, as the link-file layout has it.
Bytes XbvFile(const std::string& name, const Bytes& body) {
  const std::size_t d = body.size() + 6;
  const std::string head = "**QZXBF*\x1A\x0A";
  Bytes file(head.begin(), head.end());
  file.push_back(0);
  const std::string comment = "Gridlet sheet";
  file.insert(file.end(), comment.begin(), comment.end());
  file.resize(53, 0);
  PutLe16(file, 17 + d);
  PutLe16(file, 13);
  PutLe16(file, d);
  file.push_back(0x15);
  file.insert(file.end(), name.begin(), name.end());
  file.resize(68, 0);
  file.insert(file.end(), {0, 0});
  PutLe16(file, d);
  PutLe16(file, body.size() + 4);
  file.insert(file.end(), {0xF3, 0x47, 0xBF, 0xAA});
  file.insert(file.end(), body.begin(), body.end());
  unsigned sum = 0;
  for (std::size_t i = 55; i < file.size(); ++i) sum += file[i];
  PutLe16(file, sum & 0xFFFF);
  return file;
}

// A file that the source stage reads: 72 bytes before the data, the sheet
// data, and two checksum bytes (which the source stage does not check).
// An .xbv file around sheet data, with its header, lengths and checksum
// as the device writes them.
Bytes RawXbv(const Bytes& sheetData) {
  Bytes file(72, 0);
  const std::string_view signature("**QZXBF*\x1A\x0A\x00", 11);
  std::copy(signature.begin(), signature.end(), file.begin());
  file[55] = 13;    // the entry header's length
  file[59] = 0x15;  // an application variable
  file.insert(file.end(), sheetData.begin(), sheetData.end());
  file.insert(file.end(), {0, 0});
  testing::SealLinkFile(file);
  return file;
}

Bytes SheetData(const Bytes& records) {
  Bytes data = {0, 0, 0xF3, 0x47, 0xBF, 0xAA};
  const Bytes body = SheetBody("AB", records);
  data.insert(data.end(), body.begin(), body.end() - 1);
  data[0] = static_cast<std::uint8_t>(data.size() - 2);
  data[1] = static_cast<std::uint8_t>((data.size() - 2) >> 8);
  return data;
}

// ------------------------------------------------------------ whole files

TEST_F(XbPlusConversionTest, EmptySheetMakesA271ByteFile) {
  std::optional<std::string> fileName;
  Put("in.txt", "\t");
  EXPECT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XBP, "EMPTY", &fileName), S_OK);
  EXPECT_EQ(fileName, dir_ + "EMPTY.xbv");
  const Bytes file = GetBytes("EMPTY.xbv");
  EXPECT_EQ(file.size(), 271u);
  EXPECT_EQ(file, XbvFile("EMPTY", SheetBody("EMPTY", {})));
  EXPECT_TRUE(boxes.boxes.empty());

  // 271 bytes are too short to read back.
  EXPECT_EQ(Convert("EMPTY.xbv", QZ_GRIDLET_XBP, QZ_TAB_TEXT, "BACK"), CONVERT_SOURCE_TOO_SHORT);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text.rfind(KnownErrorText(GRIDLET_E_SOURCE_TOO_SHORT), 0), 0u);
  EXPECT_FALSE(Exists("BACK.txt"));
}

TEST_F(XbPlusConversionTest, SmallSheetFileByteForByte) {
  ASSERT_EQ(ToXb("1.5\thi\r\n=A1+1"), S_OK);
  const Bytes records = {
      17, 0x00, 0x01, 0, 0x00, 0x80, 0x15, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    // A1 1.5
      11, 0x03, 0xE9, 1, 0x2A, 'H', 'I', 0, 0, 0, 0,                       // B1 "HI
      22, 0x00, 0x02, 3, 0x00, 0x80, 0, 0, 0, 0, 0, 0, 0,                  // A2 value 0
      0x6A, 0x41, 0x31, 0x70, 0x31, 0, 0, 0, 0,                            //   =A1+1
  };
  const Bytes file = GetBytes("GRADES.xbv");
  EXPECT_EQ(file.size(), 271u + records.size());
  EXPECT_EQ(file, XbvFile("GRADES", SheetBody("GRADES", records)));
}

// ------------------------------------------------------------ round trips

TEST_F(XbPlusConversionTest, TabTextRoundTripSpellsAsTheCalculatorDoes) {
  const std::string text =
      "1.5\t-3\tHELLO WORLD\t0.50\t007\r\n"
      "=average(a1:b1)\t=LOG10(100)\t=SQRT(4)\t=-A1\t=2^2\r\n"
      "=IF(A1>0,1,2)\t=A1<=B1\t=A1<>B1\t=STDEV(A1:B1)\t=VAR(A1:B1)\r\n"
      "12\t-0.25\t=ABS(-2)\t=A1>=-1\t=MAX(A1,B1)\r\n";
  ASSERT_EQ(ToXb(text), S_OK);
  std::optional<std::string> fileName;
  ASSERT_EQ(Convert("GRADES.xbv", QZ_GRIDLET_XBP, QZ_TAB_TEXT, "BACK", &fileName), S_OK);
  EXPECT_EQ(fileName, dir_ + "BACK.txt");
  // Texts come back quoted, numbers in the calculator's spelling, formulas
  // upper-cased.
  EXPECT_EQ(Get("BACK.txt"),
            "1.5\t-3\t\"HELLO WORLD\"\t0.5\t7\t\t\r\n"
            "=AVERAGE(A1:B1)\t=LOG10(100)\t=SQRT(4)\t=-A1\t=2^2\t\t\r\n"
            "=IF(A1>0,1,2)\t=A1<=B1\t=A1<>B1\t=STDEV(A1:B1)\t=VAR(A1:B1)\t\t\r\n"
            "12\t-0.25\t=ABS(-2)\t=A1>=-1\t=MAX(A1,B1)\t");
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(XbPlusConversionTest, NumberBeyondTheRealRangeComesBackAsItsText) {
  ASSERT_EQ(ToXb("5\t1" + std::string(100, '0') + "\t2.5e-200"), S_OK);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].style & MB_ICONMASK, MB_ICONWARNING);
  EXPECT_NE(boxes.boxes[0].text.find("2 cells, B1 and C1."), std::string::npos);
  ASSERT_EQ(Convert("GRADES.xbv", QZ_GRIDLET_XBP, QZ_TAB_TEXT, "BACK"), S_OK);
  // The text states the value exactly; too long for a text record as
  // written, it is written with every digit in the exponent form.
  EXPECT_EQ(Get("BACK.txt"), "5\t\"1E100\"\t\"2.5E-200\"\t");
}

TEST_F(XbPlusConversionTest, FullSheetStopsAtTheSizeLimitAndStaysReadable) {
  std::string text;
  for (int row = 1; row <= 999; ++row) {
    for (int column = 1; column <= 26; ++column) text += std::to_string(column) + "\t";
    text += "\r\n";
  }
  ASSERT_EQ(ToXb(text), S_OK);
  // A warning: the file is written.
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].style & MB_ICONMASK, MB_ICONWARNING);
  EXPECT_EQ(boxes.boxes[0].text.rfind(KnownErrorText(GRIDLET_E_SHEET_TOO_LARGE), 0), 0u);
  EXPECT_NE(boxes.boxes[0].text.find(": 24661 cells, N51,"), std::string::npos) << boxes.boxes[0].text;
  // 1313 number cells of 17 bytes fit in 22527 bytes with the header.
  EXPECT_EQ(GetBytes("GRADES.xbv").size(), 271u + 1313u * 17u);

  ConversionRequest request;
  request.inputPath = dir_ + "GRADES.xbv";
  request.fromType = QZ_GRIDLET_XBP;
  request.toType = QZ_GRIDLET_NULL;
  ConversionDriver driver(ConversionServices{files, messages, devices});
  std::vector<IntermediateCell> records;
  ASSERT_EQ(driver.ReadRecords(request, records), S_OK);
  ASSERT_EQ(records.size(), 1313u);  // rows 1..50 whole, then A51..M51
  EXPECT_EQ(records.back().Row, 51);
  EXPECT_EQ(records.back().Column, 13);
  EXPECT_EQ(records.back().Data, "13");
}

TEST_F(XbPlusConversionTest, CellsBeyondRow999OrColumnZAreLeftOutAndNamed) {
  std::string text = "1\r\n";
  for (int row = 2; row <= 998; ++row) text += "\r\n";
  text += "X\r\n2\r\n";                  // A999 holds X, A1000 holds 2
  text += std::string(26, '\t') + "Y";  // AA1001 holds Y
  ASSERT_EQ(ToXb(text), S_OK);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_NE(boxes.boxes[0].text.find("left out: 2 cells, A1000 and AA1001."), std::string::npos)
      << boxes.boxes[0].text;
  ASSERT_EQ(Convert("GRADES.xbv", QZ_GRIDLET_XBP, QZ_TAB_TEXT, "BACK"), S_OK);
  const std::string back = Get("BACK.txt");
  EXPECT_EQ(back.substr(0, 5), "1\t\t\r\n");
  EXPECT_EQ(back.substr(back.size() - 4), "\"X\"\t");
}

// ------------------------------------------------------ naming and prompts

TEST_F(XbPlusConversionTest, DeviceNameIsTheFileNameAndTheSheetName) {
  std::optional<std::string> fileName;
  Put("in.txt", "1");
  ASSERT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XBP, "my sheet", &fileName), S_OK);
  EXPECT_EQ(fileName, dir_ + "MYSHEET.xbv");
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, LoadResourceString(IDS_INVALID_FILE_NAME));
  EXPECT_NE(boxes.boxes[0].text.find("now MYSHEET.xbv and can be viewed on the device as MYSHEET."),
            std::string::npos);
  EXPECT_EQ(boxes.boxes[0].style, MB_OK | MB_ICONINFORMATION);
  const Bytes file = GetBytes("MYSHEET.xbv");
  ASSERT_GT(file.size(), 86u);
  EXPECT_EQ(std::string(file.begin() + 78, file.begin() + 86), std::string("MYSHEET\0", 8));

  // A name the device keeps brings no message.
  boxes.boxes.clear();
  Put("in.txt", "1");
  ASSERT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XBP, "OTHER"), S_OK);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(XbPlusConversionTest, OverwritePromptNoAndCancelWriteNothing) {
  ASSERT_EQ(ToXb("1"), S_OK);
  const Bytes before = GetBytes("GRADES.xbv");
  std::optional<std::string> fileName = "unchanged";
  Put("in.txt", "2");

  boxes.answers = {IDNO};
  EXPECT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XBP, "GRADES", &fileName), CONVERT_SKIPPED);
  boxes.answers = {IDCANCEL};
  EXPECT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XBP, "GRADES", &fileName), CONVERT_CANCELLED);
  EXPECT_EQ(GetBytes("GRADES.xbv"), before);
  EXPECT_EQ(fileName, "unchanged");
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].caption, dir_ + "GRADES.xbv");

  boxes.answers = {IDYES};
  EXPECT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XBP, "GRADES", &fileName), S_OK);
  EXPECT_NE(GetBytes("GRADES.xbv"), before);
  EXPECT_EQ(fileName, dir_ + "GRADES.xbv");
}

TEST_F(XbPlusConversionTest, DeviceFailureIsAFailureWithoutAFile) {
  Put("in.txt", "1");
  ConversionRequest request;
  request.inputPath = dir_ + "in.txt";
  request.fromType = QZ_TAB_TEXT;
  request.outputLocation = dir_ + "missing/";
  request.saveInternalName = "GRADES";
  request.toType = QZ_GRIDLET_XBP;
  ConversionDriver driver(ConversionServices{files, messages, devices});
  std::optional<std::string> fileName;
  EXPECT_EQ(driver.Convert(request, &fileName), E_FAIL);
  EXPECT_FALSE(fileName);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].style, MB_TASKMODAL | MB_ICONERROR);
}

// ------------------------------------------------------------ bad sources

TEST_F(XbPlusConversionTest, SourceThatCannotBeOpenedIsNamedWithItsReason) {
  EXPECT_EQ(Convert("none.xbv", QZ_GRIDLET_XBP, QZ_TAB_TEXT, "BACK"), E_FAIL);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_TRUE(Reported(GRIDLET_E_SOURCE_OPEN));
  EXPECT_TRUE(Told(dir_ + "none.xbv: no such file"));
  std::filesystem::create_directory(dir_ + "folder.xbv");
  EXPECT_EQ(Convert("folder.xbv", QZ_GRIDLET_XBP, QZ_TAB_TEXT, "BACK"), E_FAIL);
  EXPECT_TRUE(Told(dir_ + "folder.xbv: is a folder"));
}

TEST_F(XbPlusConversionTest, FileOf272BytesIsRead) {
  Bytes data = SheetData({});
  data.insert(data.end(), {0, 0});
  const Bytes file = RawXbv(data);
  ASSERT_EQ(file.size(), 272u);
  Put("short.xbv", file);
  EXPECT_EQ(Convert("short.xbv", QZ_GRIDLET_XBP, QZ_TAB_TEXT, "BACK"), S_OK);
  EXPECT_TRUE(Exists("BACK.txt"));
  EXPECT_EQ(Get("BACK.txt"), "");
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(XbPlusConversionTest, DamagedRecordsAreReportedNotRead) {
  const std::string damaged = KnownErrorText(GRIDLET_E_BAD_SOURCE);
  for (std::uint8_t length = 1; length <= 7; ++length) {
    Bytes records(20, 0);
    records[0] = length;
    Put("bad.xbv", RawXbv(SheetData(records)));
    boxes.boxes.clear();
    EXPECT_EQ(Convert("bad.xbv", QZ_GRIDLET_XBP, QZ_TAB_TEXT, "BACK"), E_FAIL);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].text.find(damaged), std::string::npos);
    EXPECT_NE(boxes.boxes[0].text.find("offset 194"), std::string::npos);
  }
  // A record longer than the data that is left.
  Bytes data = SheetData({60, 0, 1, 1, 0x2A, 'X', 0, 0, 0, 0});
  Put("bad.xbv", RawXbv(data));
  boxes.boxes.clear();
  EXPECT_EQ(Convert("bad.xbv", QZ_GRIDLET_XBP, QZ_TAB_TEXT, "BACK"), E_FAIL);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_NE(boxes.boxes[0].text.find("runs past the end"), std::string::npos);
  // A record of type 2.
  Put("bad.xbv", RawXbv(SheetData({9, 0, 1, 2, 'x', 0, 0, 0, 0})));
  boxes.boxes.clear();
  EXPECT_EQ(Convert("bad.xbv", QZ_GRIDLET_XBP, QZ_TAB_TEXT, "BACK"), E_FAIL);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_NE(boxes.boxes[0].text.find("Type"), std::string::npos);
  EXPECT_FALSE(Exists("BACK.txt"));
}

}  // namespace
}  // namespace gridlet
