// Properties over random sheets and random bytes, with fixed seeds:
//   - a random sheet of numbers, texts and formulas goes from tab text to
//     an XB Plus or a 68k-class file and back with the spelling changes of
//     the calculators and no cell lost or moved, and a second round
//     changes nothing;
//   - whatever a reader accepts, and whatever records a sheet holds, every
//     writer makes data that its own reader accepts again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "calc/sheet68k.h"
#include "calc/xb_sheet.h"
#include "model/text_sheet.h"
#include "model/trace.h"
#include "platform/link_file_format.h"
#include "support/in_memory_conversion.h"
#include "support/random_sheet.h"
#include "support/record_sheet.h"
#include "support/recording_sheet_messages.h"

namespace gridlet {
namespace {

using testing::GeneratedCell;
using testing::Grid;
using testing::Kind;
using testing::MakeSheet;
using testing::Position;
using testing::Random;
using testing::RandomSheet;
using testing::RecordSheet;

using Bytes = std::vector<std::uint8_t>;

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// The field a cell comes back as from an XB Plus sheet: texts upper-cased
// in quotes, formulas upper-cased, numbers as they are.
std::string BackFromXb(const GeneratedCell& cell) {
  switch (cell.kind) {
    case Kind::Text: return "\"" + Upper(cell.field) + "\"";
    default: return Upper(cell.field);
  }
}

// From a 68k-class sheet: texts in quotes, formulas as they went,
// integral numbers with a trailing point.
std::string BackFrom68k(const GeneratedCell& cell) {
  switch (cell.kind) {
    case Kind::Text: return "\"" + cell.field + "\"";
    case Kind::Formula: return cell.field;
    default:
      return cell.field.find('.') == std::string::npos ? cell.field + "." : cell.field;
  }
}

// The non-empty fields of a tab text by position, split at TAB and at CR
// or CR LF.
Grid Fields(const std::string& text) {
  Grid grid;
  std::int32_t row = 1;
  std::int32_t column = 1;
  std::string field;
  auto flush = [&] {
    if (!field.empty()) grid[{row, column}] = field;
    field.clear();
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\t') {
      flush();
      ++column;
    } else if (c == '\r') {
      flush();
      ++row;
      column = 1;
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      field += c;
    }
  }
  flush();
  return grid;
}

class RoundTripTest : public ::testing::Test, protected testing::InMemoryConversion {
 protected:
  void SetUp() override { previous_ = SetTraceSink(nullptr); }
  void TearDown() override { SetTraceSink(previous_); }

  HRESULT Convert(const std::string& input, GRIDLET_FILE_TYPES from, GRIDLET_FILE_TYPES to,
                  const std::string& name, std::string* written) {
    const std::string source = files.files[input];
    ConversionRequest request;
    request.inputPath = input;
    request.fromType = from;
    request.outputLocation = "/out/";
    request.saveInternalName = name;
    request.toType = to;
    // Every conversion writes a new file: nothing is there to ask about.
    std::erase_if(files.files, [](const auto& file) { return file.first.starts_with("/out/"); });
    files.Put(input, source);
    std::optional<std::string> fileName;
    const HRESULT result = driver.Convert(request, &fileName);
    if (written) *written = fileName.value_or("");
    return result;
  }

  void ExpectRandomSheetsSurvive(GRIDLET_FILE_TYPES type, std::uint64_t firstSeed, int columns,
                                 std::string (*expected)(const GeneratedCell&));

  // Tab text to a calculator file and back; returns the text written back.
  std::string Round(const std::string& text, GRIDLET_FILE_TYPES type, const std::string& tag) {
    files.Put("/in/" + tag + ".txt", text);
    std::string calculatorFile;
    std::string back;
    // A name each calculator takes as it is (XB Plus names are upper case).
    const std::string name = type == QZ_GRIDLET_XBP ? "SHEET" : "sheet";
    EXPECT_EQ(Convert("/in/" + tag + ".txt", QZ_TAB_TEXT, type, name, &calculatorFile), S_OK);
    EXPECT_EQ(Convert(calculatorFile, type, QZ_TAB_TEXT, tag, &back), S_OK);
    return files.files[back];
  }


 private:
  TraceSink previous_ = nullptr;
};

void ExpectSameCells(const Grid& back, const RandomSheet& sheet,
                     std::string (*expected)(const GeneratedCell&)) {
  Grid want;
  for (const auto& [at, cell] : sheet.cells) want[at] = expected(cell);
  EXPECT_EQ(back.size(), want.size()) << "cells were lost or added";
  for (const auto& [at, field] : want) {
    const auto found = back.find(at);
    if (found == back.end()) {
      ADD_FAILURE() << "the cell at row " << at.first << ", column " << at.second << " ("
                    << field << ") was lost or moved";
    } else {
      EXPECT_EQ(found->second, field) << "at row " << at.first << ", column " << at.second;
    }
  }
}

// Sixty random sheets of `columns` columns through a calculator file of
// `type` and back, with `expected` giving what each cell must come back as.
void RoundTripTest::ExpectRandomSheetsSurvive(GRIDLET_FILE_TYPES type, std::uint64_t firstSeed,
                                              int columns,
                                              std::string (*expected)(const GeneratedCell&)) {
  for (std::uint64_t seed = firstSeed; seed < firstSeed + 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Random random(seed);
    const RandomSheet sheet = MakeSheet(random, columns);
    const std::string back = Round(sheet.text, type, "sheet" + std::to_string(seed));
    ExpectSameCells(Fields(back), sheet, expected);
    // What came back is in the calculator's spelling already.
    EXPECT_EQ(Round(back, type, "again"), back);
  }
  // The only change named is the capitals the XB Plus puts texts in.
  for (const auto& box : boxes.boxes) {
    EXPECT_TRUE(type == QZ_GRIDLET_XBP && box.text.find("put in capitals") != std::string::npos)
        << box.text;
  }
}

TEST_F(RoundTripTest, RandomSheetsSurviveAnXbPlusFile) {
  ExpectRandomSheetsSurvive(QZ_GRIDLET_XBP, 1, 26, BackFromXb);
}

TEST_F(RoundTripTest, RandomSheetsSurviveA68kClassFile) {
  ExpectRandomSheetsSurvive(QZ_GRIDLET_XD, 101, 64, BackFrom68k);
}

TEST_F(RoundTripTest, CellsOffTheCalculatorSheetAreTheOnlyOnesLeftOut) {
  // Row 1000 and columns beyond each sheet's last are dropped; the cells
  // around them keep their places.
  const std::string text = "1\t2\r\n" + std::string(26, '\t') + "beyond z\t" +
                           std::string(37, '\t') + "beyond bl\r\n" + "3";
  std::string tall = text;
  for (int row = 3; row < 1000; ++row) tall += "\r\n";
  tall += "row 1000\r\n";
  const Grid xb = Fields(Round(tall, QZ_GRIDLET_XBP, "edge_xb"));
  EXPECT_EQ(xb, (Grid{{{1, 1}, "1"}, {{1, 2}, "2"}, {{3, 1}, "3"}}));
  const Grid xd = Fields(Round(tall, QZ_GRIDLET_XD, "edge_xd"));
  EXPECT_EQ(xd, (Grid{{{1, 1}, "1."}, {{1, 2}, "2."}, {{2, 27}, "\"beyond z\""}, {{3, 1}, "3."}}));
}

// A formula of spreadsheet pieces, some of which a calculator has no form
// for: characters outside strings (ASCII the XB Plus lacks, letters beyond
// ASCII, the Windows-1252 characters from 0x80 to 0x9F, which the 68k-class
// calculators hold symbols of their own at), strings with small letters
// and such characters, absolute references.
std::string RandomCalculatorFormula(Random& random) {
  static const char* const kOperands[] = {"A1", "B22", "$A$1", "C$3", "12", "2.5", "PI()", "(A2)", "_box_",
                                          "Sheet2!A1", "'My sheet'!$B$2"};
  static const char* const kOperators[] = {"+", "-", "*", "/", "^", "&", "%+", "#", ";", "\xE9", "\x96", "\x80"};
  static const char* const kCalls[] = {"SUM(", "SQRT(", "ABS(", "INT(", "MAX(", "ROUND("};
  static const char kStringCharacters[] = {'a', 'o', 'p', 'Z', '1', ' ', '&', '%', '$', '\xE9', '\xE4', '\xFC',
                                           '?', '\x80', '\x93', '\x94', '\x85'};
  std::string formula = "=";
  const int terms = random.Between(1, 3);
  for (int i = 0; i < terms; ++i) {
    if (i > 0) formula += random.Pick(kOperators);
    const int what = random.Between(0, 5);
    if (what == 0) {
      formula += "IF(A1>0,\"";
      for (int n = random.Between(0, 4); n > 0; --n) formula += random.Pick(kStringCharacters);
      formula += "\",0)";
    } else if (what == 1) {
      formula += std::string(random.Pick(kCalls)) + random.Pick(kOperands) + ")";
    } else {
      formula += random.Pick(kOperands);
    }
  }
  return formula;
}

// Through a calculator file and back, a formula comes back as it went, or
// a warning names what the calculator changed; a formula left out is named
// as left out.
TEST_F(RoundTripTest, ACalculatorFormulaComesBackAsItWentOrItsChangeIsNamed) {
  for (const GRIDLET_FILE_TYPES type : {QZ_GRIDLET_XBP, QZ_GRIDLET_XD}) {
    SCOPED_TRACE(type == QZ_GRIDLET_XBP ? "XB Plus" : "XD Plus");
    Random random(20261211);
    int same = 0, changed = 0, leftOut = 0;
    for (int i = 0; i < 600; ++i) {
      const std::string formula = RandomCalculatorFormula(random);
      SCOPED_TRACE(formula);
      boxes.boxes.clear();
      const Grid back = Fields(Round(formula + "\t1", type, "formula"));
      std::string warnings;
      for (const auto& box : boxes.boxes) warnings += box.text + "\n";
      ASSERT_EQ(back.count({1, 2}), 1u) << "the cell beside it moved";
      if (back.count({1, 1}) == 0) {
        EXPECT_NE(warnings.find("left out"), std::string::npos) << "left out in silence";
        ++leftOut;
      } else if (back.at({1, 1}) != formula) {
        EXPECT_NE(warnings, "") << "changed in silence to " << back.at({1, 1});
        EXPECT_EQ(warnings.find("left out"), std::string::npos) << "named as left out, but written";
        ++changed;
      } else {
        ++same;
      }
    }
    // Each outcome is common enough to be tried.
    EXPECT_GT(same, 60);
    EXPECT_GT(changed, 30);
    EXPECT_GT(leftOut, 60);
  }
}

// ------------------------------------------------------------ writers read back

// Bytes with many of the characters that matter to the readers.
std::string RandomBytes(Random& random, std::size_t most) {
  static const char kSpecial[] = {'\t', '\r', '\n', '"', '=', '-', '.', '_', '$', '\0', ' ', '('};
  const std::size_t length = static_cast<std::size_t>(random.Between(0, static_cast<int>(most)));
  std::string out;
  for (std::size_t i = 0; i < length; ++i) {
    const int what = random.Between(0, 9);
    if (what < 4) {
      out += random.Pick(kSpecial);
    } else if (what < 6) {
      out += static_cast<char>('0' + random.Between(0, 9));
    } else {
      out += static_cast<char>(random.Between(0, 255));
    }
  }
  return out;
}

TEST_F(RoundTripTest, EveryCalculatorFileWrittenFromRandomTextReadsBack) {
  const GRIDLET_FILE_TYPES types[] = {QZ_GRIDLET_XBP, QZ_GRIDLET_XC, QZ_GRIDLET_XD, QZ_GRIDLET_XF};
  for (std::uint64_t seed = 1; seed <= 80; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Random random(seed);
    const std::string text = "x" + RandomBytes(random, 3000);
    files.Put("/in/random.txt", text);
    for (GRIDLET_FILE_TYPES type : types) {
      std::string written;
      ASSERT_EQ(Convert("/in/random.txt", QZ_TAB_TEXT, type, "sheet", &written), S_OK);
      const std::string& file = files.files[written];
      EXPECT_NO_THROW(ReadLinkFile(reinterpret_cast<const std::uint8_t*>(file.data()), file.size()));
      const HRESULT back = Convert(written, type, QZ_TAB_TEXT, "back", nullptr);
      // A sheet left without cells makes a file too short to hold any.
      EXPECT_TRUE(back == S_OK || back == CONVERT_SOURCE_TOO_SHORT) << std::hex << back;
    }
  }
}

// Records of any content: positions on and off the sheets, every kind,
// texts of any bytes and length.
std::vector<IntermediateCell> RandomRecords(Random& random) {
  static const std::int16_t kTypes[] = {CELL_NUMBER, CELL_TEXT, CELL_FORMULA, 4, 5, 7};
  std::vector<IntermediateCell> records(static_cast<std::size_t>(random.Between(0, 80)));
  for (IntermediateCell& record : records) {
    record.Row = random.OneIn(10) ? random.Between(-5, 70000) : random.Between(0, 999);
    record.Column = random.OneIn(10) ? random.Between(-5, 300) : random.Between(1, 64);
    record.Type = random.Pick(kTypes);
    record.Data = RandomBytes(random, random.OneIn(10) ? 600 : 40);
    if ((record.Type & 3) == CELL_FORMULA || random.OneIn(5)) {
      record.Data2 = "=" + RandomBytes(random, random.OneIn(10) ? 600 : 40);
    }
  }
  return records;
}

// How many cell records calculator data holds from `at` to its terminator.
std::size_t RecordsIn(const ByteBuffer& data, std::size_t at) {
  std::size_t n = 0;
  for (; at < data.size() && data[at] != 0; at += data[at]) ++n;
  return n;
}

class WriterReadsBackTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = SetTraceSink(nullptr); }
  void TearDown() override { SetTraceSink(previous_); }

 private:
  TraceSink previous_ = nullptr;
};

TEST_F(WriterReadsBackTest, XbPlusDataFromAnyRecordsReadsBack) {
  for (std::uint64_t seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Random random(seed);
    const std::vector<IntermediateCell> records = RandomRecords(random);
    RecordSheet source(records);
    XbSheet target(source);
    testing::RecordingSheetMessages messages;
    target.SetMessages(&messages);
    target.TranslateFromIntermediate();
    const ByteBuffer data = target.GetOutput();
    ASSERT_EQ(data.size(), static_cast<std::size_t>(target.GetOutputLength()) + 3);
    std::unique_ptr<XbSheet> again;
    ASSERT_NO_THROW(again = std::make_unique<XbSheet>(data.data(), data.size()));
    // Every cell is written or named as left out.
    EXPECT_TRUE(messages.reports.empty());
    EXPECT_EQ(RecordsIn(data, XB_SHEET_HEADER_SIZE) + messages.CellsNamedAsLeftOut(), records.size());
  }
}

TEST_F(WriterReadsBackTest, Sheet68kDataFromAnyRecordsReadsBack) {
  for (std::uint64_t seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Random random(seed);
    const std::vector<IntermediateCell> records = RandomRecords(random);
    RecordSheet source(records);
    Sheet68k target(source);
    testing::RecordingSheetMessages messages;
    target.SetMessages(&messages);
    target.TranslateFromIntermediate();
    const ByteBuffer data = target.GetOutput();
    ASSERT_GE(data.size(), 2u + kSheet68kHeaderSize);
    std::unique_ptr<Sheet68k> again;
    ASSERT_NO_THROW(again = std::make_unique<Sheet68k>(data.data() + 2, data.size() - 2));
    EXPECT_TRUE(messages.reports.empty());
    EXPECT_EQ(RecordsIn(data, 2 + kSheet68kHeaderSize) + messages.CellsNamedAsLeftOut(), records.size());
  }
}

TEST_F(WriterReadsBackTest, TabTextFromAnyRecordsReadsBack) {
  for (std::uint64_t seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Random random(seed);
    std::vector<IntermediateCell> records = RandomRecords(random);
    // The text writer lays cells out row by row: positions as a reader
    // gives them, from 1, in order.
    for (IntermediateCell& r : records) {
      r.Row = std::clamp(r.Row, 1, 2000);
      r.Column = std::clamp(r.Column, 1, 300);
    }
    std::stable_sort(records.begin(), records.end(), [](const auto& a, const auto& b) {
      return std::tie(a.Row, a.Column) < std::tie(b.Row, b.Column);
    });
    RecordSheet source(records);
    TextSheet target(source);
    target.TranslateFromIntermediate();
    const ByteBuffer text = target.GetOutput();
    TextSheet again(text.data(), static_cast<std::size_t>(target.GetOutputLength()));
    EXPECT_NO_THROW(again.TranslateToIntermediate());
  }
}

// Random but well-formed cell records of both calculator families.
Bytes RandomXbRecords(Random& random) {
  Bytes data(XB_SHEET_HEADER_SIZE, 0);
  const int count = random.Between(0, 60);
  for (int i = 0; i < count; ++i) {
    const int kind = random.Pick({0, 1, 3});
    const int payload = kind == 1 ? random.Between(0, 47) : 9 + (kind == 3 ? random.Between(0, 40) : 0);
    data.push_back(static_cast<std::uint8_t>(payload + 8));
    const int position = random.Between(0, 65535);
    data.push_back(static_cast<std::uint8_t>(position >> 8));
    data.push_back(static_cast<std::uint8_t>(position & 0xFF));
    data.push_back(static_cast<std::uint8_t>(kind));
    for (int b = 0; b < payload + 4; ++b) data.push_back(static_cast<std::uint8_t>(random.Between(0, 255)));
  }
  data.insert(data.end(), {0, 0, 0});
  return data;
}

Bytes Random68kRecords(Random& random) {
  Bytes data(kSheet68kHeaderSize, 0);
  data[kSheet68kCellOffsetField + 1] = 2;
  const int count = random.Between(0, 60);
  for (int i = 0; i < count; ++i) {
    const int kind = random.Between(0, 3);
    const int payload = random.Between(kind >= 2 ? 3 : 1, 200);
    data.push_back(static_cast<std::uint8_t>(payload + 6));
    const int position = random.Between(0, 65535);
    data.push_back(static_cast<std::uint8_t>(position >> 8));
    data.push_back(static_cast<std::uint8_t>(position & 0xFF));
    data.push_back(static_cast<std::uint8_t>(kind));
    if (kind >= 2) {
      data.push_back(static_cast<std::uint8_t>(random.Between(2, payload - 1)));  // the value field
      for (int b = 1; b < payload; ++b) data.push_back(static_cast<std::uint8_t>(random.Between(0, 255)));
    } else {
      for (int b = 0; b < payload; ++b) data.push_back(static_cast<std::uint8_t>(random.Between(0, 255)));
    }
    data.insert(data.end(), {0, 0});  // reference count
  }
  data.insert(data.end(), {0, 0});
  return data;
}

// Reads calculator data and writes it with every writer; each writer's
// data must read again.
template <class SourceT>
void WriteWithEveryWriter(const Bytes& data) {
  {
    SourceT source(data.data(), data.size());
    source.TranslateToIntermediate();
    XbSheet xb(source);
    xb.TranslateFromIntermediate();
    const ByteBuffer out = xb.GetOutput();
    EXPECT_NO_THROW(XbSheet(out.data(), out.size()));
  }
  {
    SourceT source(data.data(), data.size());
    source.TranslateToIntermediate();
    Sheet68k sheet(source);
    sheet.TranslateFromIntermediate();
    const ByteBuffer out = sheet.GetOutput();
    EXPECT_NO_THROW(Sheet68k(out.data() + 2, out.size() - 2));
  }
  {
    SourceT source(data.data(), data.size());
    source.TranslateToIntermediate();
    TextSheet text(source);
    text.TranslateFromIntermediate();
    const ByteBuffer out = text.GetOutput();
    TextSheet again(out.data(), static_cast<std::size_t>(text.GetOutputLength()));
    EXPECT_NO_THROW(again.TranslateToIntermediate());
  }
}

TEST_F(WriterReadsBackTest, RandomCalculatorRecordsConvertToEveryKind) {
  for (std::uint64_t seed = 1; seed <= 150; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Random random(seed);
    const Bytes xb = RandomXbRecords(random);
    ASSERT_NO_THROW(XbSheet(xb.data(), xb.size()));
    WriteWithEveryWriter<XbSheet>(xb);
    const Bytes sheet68k = Random68kRecords(random);
    ASSERT_NO_THROW(Sheet68k(sheet68k.data(), sheet68k.size()));
    WriteWithEveryWriter<Sheet68k>(sheet68k);
  }
}

}  // namespace
}  // namespace gridlet
