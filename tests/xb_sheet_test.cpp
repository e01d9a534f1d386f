// XB Plus sheet data: the header, the cell records, reading them back, and
// damaged data.
#include <gtest/gtest.h>

#include <stdexcept>

#include "calc/xb_sheet.h"
#include "model/sheet_data_error.h"
#include "model/trace.h"
#include "support/recording_sheet_messages.h"
#include "support/sheet_helpers.h"

namespace gridlet {
namespace {

using testing::CellValues;
using testing::Records;
using Bytes = std::vector<std::uint8_t>;

// A translated source sheet holding the given records.
class RecordCell : public SpreadsheetCell {
 public:
  explicit RecordCell(const CellValues& values) {
    IntermediateCell& record = NewCell();
    record.Row = values.row;
    record.Column = values.column;
    record.Type = values.type;
    record.Data = values.data;
    record.Data2 = values.data2;
  }
  void TranslateToIntermediate() override {}
  void TranslateFromIntermediate() override {}
  ByteBuffer GetOutput() override { return {}; }
};

class RecordSheet : public SpreadsheetFile {
 public:
  RecordSheet(const std::vector<CellValues>& cells, const std::string& name)
      : SpreadsheetFile(nullptr, 0) {
    cells_ = std::make_unique<CellList>();
    for (const CellValues& values : cells) cells_->Append(std::make_unique<RecordCell>(values));
    name_ = name;
    CreateHeader(ORIGIN_TAB_TEXT);
  }
  void TranslateToIntermediate() override {}
  std::string Dump() override { return {}; }
  void TranslateFromIntermediate() override {}
  ByteBuffer GetOutput() override { return {}; }
};

class XbSheetTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = SetTraceSink(nullptr); }
  void TearDown() override { SetTraceSink(previous_); }

  // The sheet data the XB Plus sheet makes of the records (size field
  // through terminator), checking the trailing 0x00 of GetOutput.
  Bytes Encode(const std::vector<CellValues>& cells, const std::string& name = "AB") {
    RecordSheet source(cells, name);
    XbSheet sheet(source);
    sheet.SetMessages(&messages);
    sheet.TranslateFromIntermediate();
    Bytes out = sheet.GetOutput();
    EXPECT_EQ(out.size(), static_cast<std::size_t>(sheet.GetOutputLength()) + 3);
    EXPECT_EQ(out.back(), 0);
    out.pop_back();
    return out;
  }

  // The bytes of the records alone.
  Bytes RecordBytes(const std::vector<CellValues>& cells) {
    const Bytes data = Encode(cells);
    return Bytes(data.begin() + XB_SHEET_HEADER_SIZE, data.end() - 2);
  }

  testing::RecordingSheetMessages messages;

 private:
  TraceSink previous_ = nullptr;
};

// Sheet data around the given records, with the name AB.
Bytes SheetData(const Bytes& records) {
  Bytes data = {0, 0, 0xF3, 0x47, 0xBF, 0xAA, 'A', 'B', 0, ' ', ' ', ' ', ' ', ' ', 0, 0};
  data.insert(data.end(), 13, 0xAA);
  data.insert(data.end(), 165, 0);
  data.insert(data.end(), records.begin(), records.end());
  data.insert(data.end(), {0, 0});
  const std::size_t size = data.size() - 2;
  data[0] = static_cast<std::uint8_t>(size);
  data[1] = static_cast<std::uint8_t>(size >> 8);
  return data;
}

std::unique_ptr<XbSheet> Read(const Bytes& data) {
  auto sheet = std::make_unique<XbSheet>(data.data(), data.size());
  sheet->TranslateToIntermediate();
  return sheet;
}

std::string SheetDataErrorOf(const Bytes& data) {
  try {
    XbSheet sheet(data.data(), data.size());
  } catch (const SheetDataError& error) {
    return error.what();
  }
  return "no error";
}

// ---------------------------------------------------------------- writing

TEST_F(XbSheetTest, EmptySheetIs196BytesOfHeaderAndTerminator) {
  const Bytes data = Encode({});
  ASSERT_EQ(data.size(), 196u);
  EXPECT_EQ(data[0], 194);
  EXPECT_EQ(data[1], 0);
  EXPECT_EQ(Bytes(data.begin() + 2, data.begin() + 6), (Bytes{0xF3, 0x47, 0xBF, 0xAA}));
  EXPECT_EQ(Bytes(data.begin() + 6, data.begin() + 14),
            (Bytes{'A', 'B', 0, ' ', ' ', ' ', ' ', ' '}));
  EXPECT_EQ(Bytes(data.begin() + 14, data.begin() + 16), (Bytes{0, 0}));
  EXPECT_EQ(Bytes(data.begin() + 16, data.begin() + 29), Bytes(13, 0xAA));
  EXPECT_EQ(Bytes(data.begin() + 29, data.begin() + 194), Bytes(165, 0));
  EXPECT_EQ(Bytes(data.begin() + 194, data.end()), (Bytes{0, 0}));
  EXPECT_EQ(data, SheetData({}));
  EXPECT_TRUE(messages.reports.empty());
}

TEST_F(XbSheetTest, NameFieldTakesTheHeaderNameUpperCasedAndCut) {
  const Bytes eight = Encode({}, "abcdefgh");
  EXPECT_EQ(Bytes(eight.begin() + 6, eight.begin() + 16),
            (Bytes{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 0, 0}));
  const Bytes longer = Encode({}, "budget2024");
  EXPECT_EQ(std::string(longer.begin() + 6, longer.begin() + 14), "BUDGET20");
}

TEST_F(XbSheetTest, SetNameNormalisesAndReplacesTheHeaderName) {
  RecordSheet source({}, "ignored");
  XbSheet sheet(source);
  sheet.TranslateFromIntermediate();
  EXPECT_TRUE(sheet.SetName("5k-w"));
  EXPECT_EQ(sheet.GetName(), "AKAW");
  const Bytes out = sheet.GetOutput();
  EXPECT_EQ(Bytes(out.begin() + 6, out.begin() + 14), (Bytes{'A', 'K', 'A', 'W', 0, ' ', ' ', ' '}));

  sheet.SetName("abcdefghijk");
  EXPECT_EQ(sheet.GetName(), "ABCDEFGH");
  sheet.SetName("Z9_\xE9 x");
  EXPECT_EQ(sheet.GetName(), "Z9AAAX");
  sheet.SetName("");
  EXPECT_EQ(sheet.GetName(), "A");
}

TEST_F(XbSheetTest, NumberCellRecord) {
  const Bytes data = Encode({{1, 1, CELL_NUMBER, "1.5"}});
  EXPECT_EQ(data, SheetData({17, 0x00, 0x01, 0, 0x00, 0x80, 0x15, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(data.size(), 196u + 17u);
  EXPECT_EQ(RecordBytes({{3, 2, CELL_NUMBER, "-2.5"}}),
            (Bytes{17, 0x03, 0xEB, 0, 0x80, 0x80, 0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(XbSheetTest, TextCellRecordIsUpperCasedBehindTheQuoteToken) {
  RecordSheet source({{3, 2, CELL_TEXT, "hi there"}}, "AB");
  XbSheet sheet(source);
  sheet.SetMessages(&messages);
  sheet.TranslateFromIntermediate();
  const Bytes out = sheet.GetOutput();
  EXPECT_EQ(Bytes(out.begin() + 194, out.end() - 3),
            (Bytes{17, 0x03, 0xEB, 1, 0x2A, 'H', 'I', 0x29, 'T', 'H', 'E', 'R', 'E', 0, 0, 0, 0}));
  // The record is left as it was; the capitals are named.
  EXPECT_EQ(sheet.GetCellList()->At(0).Cell()->Data, "hi there");
  ASSERT_EQ(messages.notices.size(), 1u);
  EXPECT_NE(messages.notices[0].find("small letters: 1 cell, B3."), std::string::npos) << messages.notices[0];
}

TEST_F(XbSheetTest, FormulaCellRecordHoldsValueAndTokens) {
  EXPECT_EQ(RecordBytes({{2, 3, CELL_FORMULA, "", "=a1+1"}}),
            (Bytes{22, 0x07, 0xD2, 3, 0x00, 0x80, 0, 0, 0, 0, 0, 0, 0,  //
                   0x6A, 0x41, 0x31, 0x70, 0x31, 0, 0, 0, 0}));
  // Function names are rewritten for the calculator.
  EXPECT_EQ(RecordBytes({{1, 1, CELL_FORMULA, "3", "=AVERAGE(A1:A3)"}}),
            (Bytes{25, 0x00, 0x01, 3, 0x00, 0x80, 0x30, 0, 0, 0, 0, 0, 0,  //
                   0x6A, 0x21, 0x41, 0x31, 0x3E, 0x41, 0x33, 0x11, 0, 0, 0, 0}));
}

TEST_F(XbSheetTest, FormulaWithoutTokensIsSeventeenBytes) {
  EXPECT_EQ(RecordBytes({{1, 1, CELL_FORMULA, "7", ""}}).size(), 17u);
  EXPECT_EQ(RecordBytes({{1, 1, CELL_FORMULA, "7", "\n"}}).size(), 17u);
  EXPECT_EQ(RecordBytes({{1, 1, CELL_FORMULA, "7", std::nullopt}}).size(), 17u);
}

TEST_F(XbSheetTest, LongTextsKeepTheirFirst39TokenBytes) {
  const std::string fifty(50, 'Q');
  const Bytes record = RecordBytes({{1, 1, CELL_TEXT, fifty}});
  ASSERT_EQ(record.size(), 48u);
  EXPECT_EQ(record[0], 48);
  EXPECT_EQ(record[4], 0x2A);
  EXPECT_EQ(Bytes(record.begin() + 5, record.begin() + 44), Bytes(39, 'Q'));
  ASSERT_EQ(messages.notices.size(), 1u);
  EXPECT_NE(messages.notices[0].find("were cut: 1 cell, A1."), std::string::npos);

  // A two-byte token that does not fit whole is left out, not cut in half.
  const Bytes split = RecordBytes({{1, 1, CELL_TEXT, std::string(38, 'Q') + "[A]"}});
  ASSERT_EQ(split.size(), 47u);
  EXPECT_EQ(split[42], 'Q');
  EXPECT_EQ(Bytes(split.begin() + 43, split.end()), Bytes(4, 0));

  // Texts far beyond any buffer are cut the same way.
  EXPECT_EQ(RecordBytes({{1, 1, CELL_TEXT, std::string(5000, 'Q')}}).size(), 48u);
}

TEST_F(XbSheetTest, FormulasLongerThanTheirRecordAreLeftOutNotCut) {
  std::string formula = "=1";
  while (formula.size() < 41) formula += "+1";
  EXPECT_TRUE(RecordBytes({{1, 1, CELL_FORMULA, "", formula}}).empty());
  ASSERT_EQ(messages.notices.size(), 1u);
  EXPECT_NE(messages.notices[0].find("40 token bytes"), std::string::npos);
  EXPECT_NE(messages.notices[0].find("left out"), std::string::npos);
  // Forty token bytes fit.
  formula.resize(40);
  EXPECT_EQ(RecordBytes({{1, 1, CELL_FORMULA, "", formula}}).size(), 57u);
}

TEST_F(XbSheetTest, CharactersWithoutAnXbPlusFormAreReplacedAndNamed) {
  // The XB Plus has no "$", no small letters and no accented ones; the
  // degree sign, squared and cubed are tokens of its own.
  EXPECT_EQ(RecordBytes({{1, 1, CELL_TEXT, "$12"}}),
            (Bytes{12, 0, 1, 1, 0x2A, 0xAF, '1', '2', 0, 0, 0, 0}));
  EXPECT_EQ(RecordBytes({{1, 1, CELL_TEXT, "M\xFCller"}}),
            (Bytes{15, 0, 1, 1, 0x2A, 'M', 0xAF, 'L', 'L', 'E', 'R', 0, 0, 0, 0}));
  // Curly quotes and the euro sign: the nearest the calculator has.
  EXPECT_EQ(RecordBytes({{1, 1, CELL_TEXT, "\x93" "5\x80\x94"}}),
            (Bytes{15, 0, 1, 1, 0x2A, 0x2A, '5', 'E', 'U', 'R', 0x2A, 0, 0, 0, 0}));
  EXPECT_EQ(RecordBytes({{1, 1, CELL_TEXT, "90\xB0 2\xB2"}}),
            (Bytes{15, 0, 1, 1, 0x2A, '9', '0', 0x0B, 0x29, '2', 0x0D, 0, 0, 0, 0}));
  messages.notices.clear();
  RecordBytes({{1, 1, CELL_TEXT, "a$"}, {2, 1, CELL_TEXT, "OK"}, {3, 1, CELL_TEXT, "\xE9"}});
  ASSERT_EQ(messages.notices.size(), 2u);
  EXPECT_NE(messages.notices[0].find("or by \"?\": 2 cells, A1 and A3."), std::string::npos)
      << messages.notices[0];
  EXPECT_NE(messages.notices[1].find("small letters: 1 cell, A1."), std::string::npos);
}

TEST_F(XbSheetTest, CellsOffTheSheetAreLeftOutAndNamed) {
  const Bytes records = RecordBytes({{1000, 1, CELL_NUMBER, "1"},
                                     {1, 27, CELL_NUMBER, "2"},
                                     {999, 26, CELL_NUMBER, "3"},
                                     {5, 0, CELL_NUMBER, "4"},
                                     {0, 3, CELL_NUMBER, "5"}});
  ASSERT_EQ(records.size(), 17u);
  EXPECT_EQ(records[1], 0x65);  // 25999 = (26 - 1) x 1000 + 999
  EXPECT_EQ(records[2], 0x8F);
  EXPECT_TRUE(messages.reports.empty());
  ASSERT_EQ(messages.notices.size(), 1u);
  EXPECT_NE(messages.notices[0].find("left out: 4 cells, A1000, AA1, ?5 and C0."), std::string::npos)
      << messages.notices[0];
}

TEST_F(XbSheetTest, TypeTwoRecordIsRefused) {
  RecordSheet source({{1, 1, 2, "x"}}, "AB");
  XbSheet sheet(source);
  try {
    sheet.TranslateFromIntermediate();
    FAIL() << "no error";
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "Type");
  }
}

TEST_F(XbSheetTest, NumbersBeyondTheRealRangeBecomeTheirTextAndAreNamed) {
  const std::string huge = "1" + std::string(100, '0');
  const Bytes records = RecordBytes({{1, 1, CELL_NUMBER, "9.9999999999999e99"},
                                     {3, 2, CELL_NUMBER, huge},
                                     {4, 2, CELL_NUMBER, "-" + huge},
                                     {5, 1, CELL_FORMULA, huge, "=A1*10"}});
  // 9.9999999999999E99 itself still fits a real.
  EXPECT_EQ(Bytes(records.begin(), records.begin() + 6), (Bytes{17, 0, 1, 0, 0x00, 0x80 + 99}));
  // B3 holds the number's text, too long for a text record as written:
  // "1E100", its exact value.
  EXPECT_EQ(Bytes(records.begin() + 17, records.begin() + 31),
            (Bytes{14, 0x03, 0xEB, 1, 0x2A, '1', 'E', '1', '0', '0', 0, 0, 0, 0}));
  EXPECT_EQ(Bytes(records.begin() + 31, records.begin() + 37), (Bytes{15, 0x03, 0xEC, 1, 0x2A, 0x71}));
  // The formula's value, which the calculator works out again, becomes 0;
  // its tokens stay.
  EXPECT_EQ(Bytes(records.begin() + 46, records.begin() + 69),
            (Bytes{23, 0, 5, 3, 0x00, 0x80, 0, 0, 0, 0, 0, 0, 0,  //
                   0x6A, 0x41, 0x31, 0x82, 0x31, 0x30, 0, 0, 0, 0}));
  EXPECT_EQ(records.size(), 69u);
  EXPECT_TRUE(messages.reports.empty());
  ASSERT_EQ(messages.notices.size(), 1u);
  EXPECT_NE(messages.notices[0].find("texts stating them: 2 cells, B3 and B4."), std::string::npos)
      << messages.notices[0];
}

TEST_F(XbSheetTest, SheetLargerThanTheLimitKeepsTheCellsThatFit) {
  // 192 + 1313 x 17 = 22513; one more number cell would make 22530.
  std::vector<CellValues> cells;
  for (int i = 0; i < 1400; ++i) cells.push_back({i % 999 + 1, i / 999 + 1, CELL_NUMBER, "1"});
  const Bytes data = Encode(cells);
  EXPECT_EQ(data.size(), 196u + 1313u * 17u);
  EXPECT_EQ(data[0] | data[1] << 8, 194 + 1313 * 17);
  // A warning, with the cells left out.
  EXPECT_TRUE(messages.reports.empty());
  ASSERT_EQ(messages.warnings.size(), 1u);
  EXPECT_EQ(messages.warnings[0].first, GRIDLET_E_SHEET_TOO_LARGE);
  EXPECT_NE(messages.warnings[0].second.find(": 87 cells, B315,"), std::string::npos)
      << messages.warnings[0].second;
  EXPECT_EQ(Records(*Read(data)).size(), 1313u);

  messages.warnings.clear();
  cells.resize(1313);
  EXPECT_EQ(Encode(cells).size(), 196u + 1313u * 17u);
  EXPECT_TRUE(messages.warnings.empty());
}

TEST_F(XbSheetTest, RecordsChangeOwnerOnceAndOutliveTheSource) {
  auto source = std::make_unique<RecordSheet>(
      std::vector<CellValues>{{1, 1, CELL_NUMBER, "2"}, {1, 2, CELL_TEXT, "x"},
                            {1, 3, CELL_FORMULA, "", "=sqrt(a1)"}},
      "NAME");
  XbSheet sheet(*source);
  EXPECT_FALSE(source->OwnsHeader());
  EXPECT_FALSE(source->GetCellList()->At(0).OwnsCell());
  source.reset();
  sheet.TranslateFromIntermediate();
  // The records are left as they were.
  EXPECT_EQ(Records(sheet), (std::vector<CellValues>{{1, 1, CELL_NUMBER, "2"},
                                                   {1, 2, CELL_TEXT, "x"},
                                                   {1, 3, CELL_FORMULA, "", "=sqrt(a1)"}}));
  EXPECT_EQ(sheet.GetOutput().size(), 196u + 17u + 10u + 22u + 1u);
}

// ---------------------------------------------------------------- reading

TEST_F(XbSheetTest, ReadsNumbersTextsAndFormulas) {
  const Bytes data = SheetData({
      17, 0x03, 0xEB, 0, 0x80, 0x80, 0x25, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4,       // B3 -2.5
      11, 0x00, 0x01, 1, 0x2A, 'H', 'I', 0, 0, 0, 0,                           // A1 "HI
      25, 0x00, 0x02, 3, 0x00, 0x80, 0x30, 0, 0, 0, 0, 0, 0,                   // A2 value 3
      0x6A, 0x21, 0x41, 0x31, 0x3E, 0x41, 0x33, 0x11, 0, 0, 0, 0,              //   =mean(A1:A3)
  });
  auto sheet = Read(data);
  EXPECT_EQ(Records(*sheet), (std::vector<CellValues>{
                                 {1, 1, CELL_TEXT, "\"HI"},
                                 {2, 1, CELL_FORMULA, "3", "=AVERAGE(A1:A3)"},
                                 {3, 2, CELL_NUMBER, "-2.5"},
                             }));
  ASSERT_NE(sheet->GetHeader(), nullptr);
  EXPECT_EQ(sheet->GetHeader()->origin, ORIGIN_XB_PLUS);
  EXPECT_EQ(sheet->GetHeader()->name, "AB");
}

TEST_F(XbSheetTest, ReadsNamesOfEightCharactersAndTheLastPosition) {
  Bytes data = SheetData({17, 0x65, 0x8F, 0, 0, 0x80, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  std::copy_n("SCORES24", 8, data.begin() + 6);
  auto sheet = Read(data);
  EXPECT_EQ(sheet->GetHeader()->name, "SCORES24");
  EXPECT_EQ(Records(*sheet), (std::vector<CellValues>{{999, 26, CELL_NUMBER, "1"}}));
}

TEST_F(XbSheetTest, TextsReadPastTwoByteTokensEndingInZero) {
  // "[A]" is 5C 00: its zero does not end the text; the zero after X does.
  const Bytes data = SheetData({12, 0, 1, 1, 0x2A, 0x5C, 0x00, 'X', 0, 0, 0, 0});
  EXPECT_EQ(Records(*Read(data))[0].data, "\"[A]X");
  const Bytes ended = SheetData({12, 0, 1, 1, 0x2A, 'X', 0x00, 'Y', 0, 0, 0, 0});
  EXPECT_EQ(Records(*Read(ended))[0].data, "\"X");
}

TEST_F(XbSheetTest, WrittenSheetsReadBack) {
  const Bytes data = Encode({{2, 1, CELL_FORMULA, "", "=sqrt(A1)"},
                             {1, 1, CELL_NUMBER, "0.001"},
                             {1, 3, CELL_TEXT, "Total:"}});
  EXPECT_EQ(Records(*Read(data)), (std::vector<CellValues>{
                                      {1, 1, CELL_NUMBER, "0.001"},
                                      {1, 3, CELL_TEXT, "\"TOTAL:"},
                                      {2, 1, CELL_FORMULA, "0", "=SQRT(A1)"},
                                  }));
}

TEST_F(XbSheetTest, DataShorterThanTheHeaderIsRefused) {
  EXPECT_NE(SheetDataErrorOf(Bytes(193, 0)).find("194-byte header"), std::string::npos);
  EXPECT_NE(SheetDataErrorOf({}).find("194-byte header"), std::string::npos);
  EXPECT_THROW(XbSheet(nullptr, 300), SheetDataError);
  // The header alone, without a terminator.
  EXPECT_NE(SheetDataErrorOf(Bytes(194, 0)).find("terminator"), std::string::npos);
}

TEST_F(XbSheetTest, RecordsShorterThanTheirTypeAreRefusedWithTheirOffset) {
  for (std::uint8_t length = 1; length <= 7; ++length) {
    Bytes records(length, 0);
    records[0] = length;
    records.resize(20, 0);
    const std::string error = SheetDataErrorOf(SheetData(records));
    EXPECT_NE(error.find("offset 194"), std::string::npos) << int(length) << ": " << error;
  }
  const Bytes good = {17, 0, 1, 0, 0, 0x80, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Bytes number = good;
  number.insert(number.end(), {16, 0, 2, 0, 0, 0x80, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_NE(SheetDataErrorOf(SheetData(number)).find("offset 211"), std::string::npos);
  const Bytes formula = {16, 0, 2, 3, 0, 0x80, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_NE(SheetDataErrorOf(SheetData(formula)).find("formula"), std::string::npos);
  // A text record of 8 bytes is an empty text (behind the calculator's
  // opening quote that every text of a calculator sheet begins with).
  EXPECT_EQ(Records(*Read(SheetData({8, 0, 1, 1, 0, 0, 0, 0}))),
            (std::vector<CellValues>{{1, 1, CELL_TEXT, "\""}}));
}

TEST_F(XbSheetTest, RecordsRunningPastTheEndAreRefused) {
  Bytes data = SheetData({17, 0, 1, 0, 0, 0x80, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  data.resize(data.size() - 4);  // the terminator and two bytes of the record
  EXPECT_NE(SheetDataErrorOf(data).find("runs past the end"), std::string::npos);
  Bytes longer = SheetData({});
  longer[194] = 200;
  EXPECT_NE(SheetDataErrorOf(longer).find("offset 194"), std::string::npos);
  // Every cut of a good sheet is an error, never a read past the data.
  const Bytes whole = Encode({{1, 1, CELL_NUMBER, "5"}, {1, 2, CELL_TEXT, "abc"},
                              {1, 3, CELL_FORMULA, "", "=A1"}});
  for (std::size_t size = 194; size < whole.size() - 1; ++size) {
    EXPECT_THROW(XbSheet(whole.data(), size), SheetDataError) << size;
  }
}

TEST_F(XbSheetTest, RecordsAtRowZeroOrATakenPositionAreLeftOutAndNamed) {
  const Bytes data = SheetData({
      17, 0x00, 0x00, 0, 0, 0x80, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // A0
      17, 0x00, 0x01, 0, 0, 0x80, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // A1 2
      17, 0x00, 0x01, 0, 0, 0x80, 0x30, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // A1 again
      17, 0x00, 0x02, 0, 0, 0x80, 0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // A2 4
  });
  XbSheet sheet(data.data(), data.size());
  sheet.SetMessages(&messages);
  sheet.TranslateToIntermediate();
  EXPECT_EQ(Records(sheet), (std::vector<CellValues>{{1, 1, CELL_NUMBER, "2"}, {2, 1, CELL_NUMBER, "4"}}));
  ASSERT_EQ(messages.notices.size(), 2u);
  EXPECT_NE(messages.notices[0].find("row 0"), std::string::npos);
  EXPECT_NE(messages.notices[1].find("earlier record and were left out: 1 cell, A1."), std::string::npos);
}

TEST_F(XbSheetTest, TypeTwoInTheDataIsRefusedAfterGoodCells) {
  const Bytes data = SheetData({17, 0, 1, 0, 0, 0x80, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
                                9, 0, 2, 2, 'x', 0, 0, 0, 0});
  try {
    XbSheet sheet(data.data(), data.size());
    FAIL() << "no error";
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "Type");
  }
}

}  // namespace
}  // namespace gridlet
