// The 68k-class sheet data: records and header as written, records as
// read, the round trip of texts and formulas, the writer's limits, and
// damaged data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "calc/sheet68k.h"
#include "model/hresult.h"
#include "model/sheet_data_error.h"
#include "model/trace.h"
#include "support/record_sheet.h"
#include "support/recording_sheet_messages.h"

namespace gridlet {
namespace {

using Bytes = std::vector<std::uint8_t>;

using testing::RecordSheet;

IntermediateCell Number(std::int32_t row, std::int32_t column, std::string data) {
  IntermediateCell cell;
  cell.Row = row;
  cell.Column = column;
  cell.Type = CELL_NUMBER;
  cell.Data = std::move(data);
  return cell;
}

IntermediateCell Text(std::int32_t row, std::int32_t column, std::string data) {
  IntermediateCell cell = Number(row, column, std::move(data));
  cell.Type = CELL_TEXT;
  return cell;
}

IntermediateCell Formula(std::int32_t row, std::int32_t column, std::string formula) {
  IntermediateCell cell = Number(row, column, "");
  cell.Type = CELL_FORMULA;
  cell.Data2 = std::move(formula);
  return cell;
}

struct Encoded {
  Bytes output;
  std::int32_t length = 0;
  testing::RecordingSheetMessages messages;
};

std::unique_ptr<Encoded> Encode(const std::vector<IntermediateCell>& records) {
  auto result = std::make_unique<Encoded>();
  RecordSheet source(records);
  Sheet68k sheet(source);
  sheet.SetMessages(&result->messages);
  sheet.TranslateFromIntermediate();
  result->output = sheet.GetOutput();
  result->length = sheet.GetOutputLength();
  return result;
}

// The records of an encoded sheet: everything after the output length and
// the header, the terminator included.
Bytes Records(const Bytes& output) {
  return Bytes(output.begin() + 2 + kSheet68kHeaderSize, output.end());
}

// Sheet data as a file holds it, around the given records, with cell
// offset d and the terminator.
Bytes SheetData(const Bytes& records, std::uint16_t d = 2, bool terminator = true) {
  Bytes data(kSheet68kHeaderSize, 0x14);
  data[142] = static_cast<std::uint8_t>(d >> 8);
  data[143] = static_cast<std::uint8_t>(d & 0xFF);
  data.resize(std::max<std::size_t>(kSheet68kHeaderSize, 142 + d), 0x00);
  data.insert(data.end(), records.begin(), records.end());
  if (terminator) data.insert(data.end(), {0x00, 0x00});
  return data;
}

std::vector<IntermediateCell> Read(const Bytes& data) {
  Sheet68k sheet(data.data(), data.size());
  sheet.SetName("read");
  sheet.TranslateToIntermediate();
  std::vector<IntermediateCell> records;
  for (const auto& cell : *sheet.GetCellList()) records.push_back(*cell->Cell());
  return records;
}

// What a cell written by this system reads back as.
std::vector<IntermediateCell> RoundTrip(const std::vector<IntermediateCell>& records) {
  const auto encoded = Encode(records);
  const Bytes& out = encoded->output;
  return Read(Bytes(out.begin() + 2, out.end()));
}

class Sheet68kTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = SetTraceSink(nullptr); }
  void TearDown() override { SetTraceSink(previous_); }

 private:
  TraceSink previous_ = nullptr;
};

TEST_F(Sheet68kTest, EmptySheetIsTheHeaderAndTerminator) {
  const auto encoded = Encode({});
  EXPECT_EQ(encoded->length, 152);
  Bytes expected = {152, 0};
  for (char c : std::string("Gridlt")) expected.push_back(static_cast<std::uint8_t>(c));
  expected.insert(expected.end(), {0, 0, 0, 0x00, 0x01});
  expected.insert(expected.end(), 32, 0x66);
  expected.insert(expected.end(), 32, 0x00);
  expected.insert(expected.end(), 64, 0x14);
  expected.insert(expected.end(), {0x01, 0x00, 0x01, 0x00, 0x02, 0x00, 0x00});
  ASSERT_EQ(encoded->output.size(), 148u);
  EXPECT_EQ(encoded->output, expected);
  EXPECT_TRUE(encoded->messages.reports.empty());
  EXPECT_TRUE(encoded->messages.notices.empty());
}

TEST_F(Sheet68kTest, RecordsAreByteExact) {
  const auto encoded = Encode({Text(1, 1, "ab"), Number(2, 3, "12.5"),
                               Formula(999, 64, "=IF(A1>0,1,2)")});
  const Bytes text = {0x0B, 0x00, 0x01, 0x01, 0x22, 0x61, 0x62, 0x22, 0x00, 0x00, 0x00};
  // Position (3 - 1) x 1000 + 2; 12.5 as exponent word 0x4001, BCD 125, tag.
  const Bytes number = {0x10, 0x07, 0xD2, 0x00, 0x40, 0x01, 0x12, 0x50,
                        0x00, 0x00, 0x00, 0x00, 0x00, 0x23, 0x00, 0x00};
  const std::string stored = "=QZGRIDLT.cellIf(a1>0,1,2)";
  // Position 63 x 1000 + 999 = 63999; the value field is n = 11 and the float 0.
  Bytes formula = {static_cast<std::uint8_t>(stored.size() + 18), 0xF9, 0xFF, 0x02,
                   0x0B, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x23};
  formula.insert(formula.end(), stored.begin(), stored.end());
  formula.insert(formula.end(), {0x00, 0x00, 0x00});

  Bytes expected = text;
  expected.insert(expected.end(), number.begin(), number.end());
  expected.insert(expected.end(), formula.begin(), formula.end());
  expected.insert(expected.end(), {0x00, 0x00});
  EXPECT_EQ(Records(encoded->output), expected);
  const std::int32_t n = static_cast<std::int32_t>(text.size() + number.size() + formula.size());
  EXPECT_EQ(encoded->length, 152 + n);
  EXPECT_EQ(encoded->output.size(), static_cast<std::size_t>(148 + n));
  EXPECT_EQ(encoded->output[0] | encoded->output[1] << 8, 152 + n);
}

TEST_F(Sheet68kTest, EscapesBecomeCalculatorBytes) {
  const auto encoded = Encode({Formula(1, 1, "=2*_pi_"), Text(2, 1, "30_degrees_"),
                               Text(3, 1, "a_b_c")});
  const Bytes records = Records(encoded->output);
  const Bytes formula(records.begin() + 15, records.begin() + 19);
  EXPECT_EQ(formula, (Bytes{'=', '2', '*', 140}));
  const std::size_t text = records[0];  // the second record
  EXPECT_EQ(records[text], 12);
  EXPECT_EQ(Bytes(records.begin() + text + 4, records.begin() + text + 8),
            (Bytes{0x22, '3', '0', 176}));
  const std::size_t plain = text + records[text];
  EXPECT_EQ(std::string(records.begin() + plain + 5, records.begin() + plain + 10), "a_b_c");
}

TEST_F(Sheet68kTest, NumbersReadBackAsNumbersOrExactFormulas) {
  // 1/2 as a fraction: denominator 2 and numerator 1, each one byte long.
  const Bytes half = {0x0B, 0x00, 0x01, 0x00, 0x02, 0x01, 0x01, 0x01, 0x21, 0x00, 0x00};
  const Bytes twelve = {0x10, 0x00, 0x02, 0x00, 0x40, 0x01, 0x12, 0x50,
                        0x00, 0x00, 0x00, 0x00, 0x00, 0x23, 0x00, 0x00};
  const Bytes minus = {0x10, 0x00, 0x03, 0x00, 0xC0, 0x00, 0x25, 0x00,
                       0x00, 0x00, 0x00, 0x00, 0x00, 0x23, 0x00, 0x00};
  Bytes records = half;
  records.insert(records.end(), twelve.begin(), twelve.end());
  records.insert(records.end(), minus.begin(), minus.end());
  const auto cells = Read(SheetData(records));
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells[0].Type, CELL_FORMULA);
  EXPECT_EQ(cells[0].Data, "0");
  EXPECT_EQ(cells[0].Data2, "=1/2");
  EXPECT_EQ(cells[1].Type, CELL_NUMBER);
  EXPECT_EQ(cells[1].Data, "12.5");
  EXPECT_FALSE(cells[1].Data2.has_value());
  // The calculator's minus sign is spelt "-" in a number.
  EXPECT_EQ(cells[2].Type, CELL_NUMBER);
  EXPECT_EQ(cells[2].Data, "-2.5");
}

TEST_F(Sheet68kTest, PositionsAndTypesAsRead) {
  // A cell offset of 4 leaves two unused bytes before the first record;
  // the records are sorted by position; type 3 and type 2 are formulas.
  const Bytes formula = {0x0B, 0xF9, 0xFF, 0x03, 0x03, 0x00, 0x1F, 'x', 0x00, 0x00, 0x00};
  const Bytes text = {0x0A, 0x00, 0x05, 0x01, 0x22, 'z', 0x22, 0x00, 0x00, 0x07};
  const Bytes formula2 = {0x0B, 0x03, 0xE8, 0x02, 0x03, 0x00, 0x1F, 'y', 0x00, 0x00, 0x00};
  Bytes records = formula;
  records.insert(records.end(), text.begin(), text.end());
  records.insert(records.end(), formula2.begin(), formula2.end());
  const auto cells = Read(SheetData(records, 4));
  // Position 1000 (column 2, row 0) is no cell: that record is left out.
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[0].Row, 5);
  EXPECT_EQ(cells[0].Column, 1);
  EXPECT_EQ(cells[0].Data, "\"z");
  EXPECT_EQ(cells[1].Row, 999);
  EXPECT_EQ(cells[1].Column, 64);
  EXPECT_EQ(cells[1].Type, CELL_FORMULA);
  EXPECT_EQ(cells[1].Data, "0");
  EXPECT_EQ(cells[1].Data2, "X");  // names in capitals, as in the intermediate form
}

TEST_F(Sheet68kTest, RecordsAtRowZeroOrATakenPositionAreLeftOutAndNamed) {
  const Bytes first = {0x0A, 0x00, 0x05, 0x01, 0x22, 'a', 0x22, 0x00, 0x00, 0x00};
  const Bytes again = {0x0A, 0x00, 0x05, 0x01, 0x22, 'b', 0x22, 0x00, 0x00, 0x00};
  const Bytes rowZero = {0x0A, 0x03, 0xE8, 0x01, 0x22, 'c', 0x22, 0x00, 0x00, 0x00};
  Bytes records = first;
  records.insert(records.end(), again.begin(), again.end());
  records.insert(records.end(), rowZero.begin(), rowZero.end());
  const Bytes data = SheetData(records);
  Sheet68k sheet(data.data(), data.size());
  testing::RecordingSheetMessages messages;
  sheet.SetMessages(&messages);
  sheet.TranslateToIntermediate();
  ASSERT_EQ(sheet.GetCellList()->Size(), 1u);
  EXPECT_EQ(sheet.GetCellList()->At(0).Cell()->Data, "\"a");
  ASSERT_EQ(messages.notices.size(), 2u);
  EXPECT_NE(messages.notices[0].find("earlier record and were left out: 1 cell, A5."), std::string::npos);
  EXPECT_NE(messages.notices[1].find("row 0) and were left out: 1 cell, B0."), std::string::npos);
}

TEST_F(Sheet68kTest, TextsReadBackUnchanged) {
  // A calculator text in the intermediate form begins with the
  // calculator's opening quote; a text from tab text has none, and any
  // quote it begins with is its own.
  const auto cells = RoundTrip({Text(1, 1, "ab"), Text(1, 2, "\"ab"), Text(1, 3, "say \"hi\""),
                                Text(1, 4, "\"\"q\"\""), Text(1, 5, "\""),
                                Text(1, 6, "M\xFCller, 5 \x80, \xB1" "3"),
                                Text(1, 7, "average(a1:a3)"), Text(1, 8, "line\nbreak_beta_")});
  ASSERT_EQ(cells.size(), 8u);
  EXPECT_EQ(cells[0].Data, "\"ab");
  EXPECT_EQ(cells[1].Data, "\"\"ab");
  EXPECT_EQ(cells[2].Data, "\"say \"hi\"");
  EXPECT_EQ(cells[3].Data, "\"\"\"q\"\"");
  EXPECT_EQ(cells[4].Data, "\"\"");
  // Windows-1252 characters stay themselves, but for those from 0x80 to
  // 0x9F, where the calculators keep symbols of their own.
  EXPECT_EQ(cells[5].Data, "\"M\xFCller, 5 EUR, \xB1" "3");
  EXPECT_EQ(cells[6].Data, "\"average(a1:a3)");
  // The line break is the calculator's newline; a byte Windows-1252 leaves
  // undefined is the calculator's character, by its escape.
  EXPECT_EQ(cells[7].Data, "\"line\nbreak_beta_");
  for (const auto& cell : cells) EXPECT_EQ(cell.Type, CELL_TEXT);

  // Reading again what was read changes nothing more.
  EXPECT_EQ(RoundTrip({Text(1, 3, cells[2].Data.substr(1))})[0].Data, cells[2].Data);
}

TEST_F(Sheet68kTest, FormulasReadBackWithoutQuotes) {
  const auto cells = RoundTrip({Formula(1, 1, "=IF(A1>0,\"yes\",\"no\")"), Formula(2, 1, "=2*_pi_"),
                                Formula(3, 1, "=SQRT(A1)+30_degrees_"), Formula(4, 1, "")});
  ASSERT_EQ(cells.size(), 4u);
  EXPECT_EQ(cells[0].Data2, "=IF(A1>0,\"yes\",\"no\")");
  EXPECT_EQ(cells[1].Data2, "=2*_pi_");
  EXPECT_EQ(cells[2].Data2, "=SQRT(A1)+30\xB0");
  EXPECT_EQ(cells[3].Data2, "");
  for (const auto& cell : cells) {
    EXPECT_EQ(cell.Type, CELL_FORMULA);
    EXPECT_EQ(cell.Data, "0.");  // the value 0 that every written formula carries
  }
  // A second trip keeps the formula as the first one gave it.
  EXPECT_EQ(RoundTrip({cells[0]})[0].Data2, cells[0].Data2);
}

TEST_F(Sheet68kTest, NumbersRoundTrip) {
  const auto cells = RoundTrip({Number(1, 1, "12.5"), Number(2, 1, "-3"), Number(3, 1, "0"),
                                Number(4, 1, "1e-7"), Number(5, 1, "-1.5E999")});
  ASSERT_EQ(cells.size(), 5u);
  EXPECT_EQ(cells[0].Data, "12.5");
  EXPECT_EQ(cells[1].Data, "-3.");
  EXPECT_EQ(cells[2].Data, "0.");
  // Exponent forms are numbers too, spelled with "-" and "E".
  EXPECT_EQ(cells[3].Data, "1E-007");
  EXPECT_EQ(cells[4].Data, "-1.5E+999");
  for (const auto& cell : cells) EXPECT_EQ(cell.Type, CELL_NUMBER);
}

TEST_F(Sheet68kTest, TextsAreCutAt243Characters) {
  const auto encoded = Encode({Text(1, 1, std::string(300, 'x')), Text(1, 2, std::string(243, 'y'))});
  const Bytes records = Records(encoded->output);
  EXPECT_EQ(records[0], 252);
  EXPECT_EQ(records[252], 252);
  const auto cells = RoundTrip({Text(1, 1, std::string(300, 'x'))});
  EXPECT_EQ(cells[0].Data, "\"" + std::string(243, 'x'));
  ASSERT_EQ(encoded->messages.notices.size(), 1u);
  EXPECT_NE(encoded->messages.notices[0].find("were cut: 1 cell, A1."), std::string::npos);
}

TEST_F(Sheet68kTest, FormulasLongerThan237CharactersAreLeftOutWithOneNotice) {
  const std::string fits = "=" + std::string(236, '1');
  const std::string tooLong = "=" + std::string(237, '1');
  const auto encoded = Encode({Formula(1, 1, fits), Formula(2, 1, tooLong), Number(3, 1, "5"),
                               Formula(4, 28, tooLong)});
  const Bytes records = Records(encoded->output);
  EXPECT_EQ(records[0], 255);
  EXPECT_EQ(records[255], 16);      // the number follows directly
  EXPECT_EQ(records[255 + 16], 0);  // and then the terminator
  ASSERT_EQ(encoded->messages.notices.size(), 1u);
  EXPECT_NE(encoded->messages.notices[0].find("2 cells, A2 and AB4."), std::string::npos);
  // The rewritten length counts: "if(" grows by 13 characters.
  const auto grown = Encode({Formula(1, 1, "=IF(" + std::string(230, '1'))});
  EXPECT_EQ(grown->messages.notices.size(), 1u);
  EXPECT_EQ(grown->length, 152);
}

TEST_F(Sheet68kTest, CellsOutsideTheGridAreLeftOutAndNamed) {
  const auto encoded = Encode({Number(1000, 1, "1"), Number(1, 65, "2"), Number(-1, 1, "3"),
                               Number(1, -1, "4"), Number(1, 0, "5"), Number(999, 64, "6"),
                               Number(0, 1, "7")});
  const auto cells = RoundTrip({Number(1000, 1, "1"), Number(1, 65, "2"), Number(-1, 1, "3"),
                                Number(1, -1, "4"), Number(1, 0, "5"), Number(999, 64, "6"),
                                Number(0, 1, "7")});
  EXPECT_EQ(encoded->length, 152 + 16);
  EXPECT_TRUE(encoded->messages.reports.empty());
  ASSERT_EQ(encoded->messages.notices.size(), 1u);
  EXPECT_NE(encoded->messages.notices[0].find("left out: 6 cells,"), std::string::npos);
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_EQ(cells[0].Data, "6.");
  EXPECT_EQ(cells[0].Row, 999);
  EXPECT_EQ(cells[0].Column, 64);
}

TEST_F(Sheet68kTest, NumbersBeyondTheCalculatorsRangeAreKeptAsTheirTextAndNamed) {
  // The calculators hold exponents up to 999 either way, beyond a double.
  const auto inRange = Encode({Number(1, 1, "1e309"), Number(2, 1, "-1e-310"),
                               Number(3, 1, "9.9999999999999E999"), Number(4, 1, "1E-999")});
  EXPECT_TRUE(inRange->messages.notices.empty());
  EXPECT_EQ(inRange->length, 152 + 4 * 16);
  const auto cells = RoundTrip({Number(1, 1, "1e1000"), Number(2, 1, "-2.5E-1200"), Number(3, 1, "7")});
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells[0].Type, CELL_TEXT);
  EXPECT_EQ(cells[0].Data, "\"1e1000");
  EXPECT_EQ(cells[1].Data, "\"-2.5E-1200");
  EXPECT_EQ(cells[2].Type, CELL_NUMBER);
  const auto beyond = Encode({Number(1, 1, "1e1000"), Number(2, 1, "-2.5E-1200")});
  ASSERT_EQ(beyond->messages.notices.size(), 1u);
  EXPECT_NE(beyond->messages.notices[0].find("texts stating them: 2 cells, A1 and A2."),
            std::string::npos);
}

TEST_F(Sheet68kTest, DataBeyondTheLimitIsReportedOnceAndStaysWritable) {
  std::vector<IntermediateCell> records;
  for (int i = 0; i < 300; ++i) records.push_back(Text(i % 999 + 1, i / 999 + 1, std::string(243, 't')));
  const auto encoded = Encode(records);
  // 258 records of 252 bytes fit under 65300 with the header; the next would not.
  EXPECT_EQ(encoded->length, 144 + 258 * 252 + 8);
  EXPECT_LE(encoded->length, 0xFFFF);
  // A warning naming the 42 cells left out.
  EXPECT_TRUE(encoded->messages.reports.empty());
  ASSERT_EQ(encoded->messages.warnings.size(), 1u);
  EXPECT_EQ(encoded->messages.warnings[0].first, GRIDLET_E_SHEET_TOO_LARGE);
  EXPECT_NE(encoded->messages.warnings[0].second.find(": 42 cells, A259,"), std::string::npos);
  EXPECT_EQ(encoded->output.size(), static_cast<std::size_t>(encoded->length - 4));
  EXPECT_EQ(RoundTrip(records).size(), 258u);

  std::vector<IntermediateCell> atLimit(records.begin(), records.begin() + 258);
  EXPECT_TRUE(Encode(atLimit)->messages.warnings.empty());
}

TEST_F(Sheet68kTest, SetNameMakesACalculatorName) {
  RecordSheet source({});
  Sheet68k sheet(source);
  EXPECT_TRUE(sheet.SetName("my sheet 1"));
  EXPECT_EQ(sheet.GetName(), "my_sheet");
  EXPECT_TRUE(sheet.SetName("9abc"));
  EXPECT_EQ(sheet.GetName(), "Aabc");
  EXPECT_TRUE(sheet.SetName("a-\xE9"));
  EXPECT_EQ(sheet.GetName(), "a__");
  EXPECT_FALSE(sheet.SetName("Sheet_01"));
  EXPECT_EQ(sheet.GetName(), "Sheet_01");
  EXPECT_TRUE(sheet.SetName(""));
  EXPECT_EQ(sheet.GetName(), "A");
}

TEST_F(Sheet68kTest, TheNameTravelsInTheHeader) {
  const Bytes data = SheetData({});
  Sheet68k sheet(data.data(), data.size());
  sheet.SetName("grades 2");
  sheet.TranslateToIntermediate();
  ASSERT_NE(sheet.GetHeader(), nullptr);
  EXPECT_EQ(sheet.GetHeader()->origin, ORIGIN_SHEET68K);
  EXPECT_EQ(sheet.GetHeader()->name, "grades_2");
  EXPECT_EQ(sheet.GetCellList()->Size(), 0u);
}

// Damaged data: each gives a SheetDataError with a message, never a crash.
void ExpectDataError(const Bytes& data, const std::string& part) {
  try {
    Sheet68k sheet(data.data(), data.size());
    ADD_FAILURE() << "no error; expected one mentioning \"" << part << "\"";
  } catch (const SheetDataError& error) {
    EXPECT_NE(std::string(error.what()).find(part), std::string::npos) << error.what();
  }
}

TEST_F(Sheet68kTest, DamagedDataIsRefused) {
  ExpectDataError(Bytes(143, 0), "shorter than its 144-byte header");
  ExpectDataError({}, "shorter than its 144-byte header");
  Bytes farOffset = SheetData({});
  farOffset[142] = 0xFF;
  ExpectDataError(farOffset, "outside the");
  Bytes justHeader = SheetData({});
  justHeader.resize(kSheet68kHeaderSize);  // d = 2 points just past the end
  ExpectDataError(justHeader, "outside the");

  // A record running past the end, and the same record cut short.
  const Bytes number = {0x10, 0x00, 0x01, 0x00, 0x40, 0x01, 0x12, 0x50,
                        0x00, 0x00, 0x00, 0x00, 0x00, 0x23, 0x00, 0x00};
  ExpectDataError(SheetData(Bytes(number.begin(), number.begin() + 9), 2, false), "runs past the end");
  Bytes longRecord = number;
  longRecord[0] = 0x30;
  ExpectDataError(SheetData(longRecord), "runs past the end");
  ExpectDataError(SheetData(number, 2, false), "without its terminator");

  // Lengths too small for any record, and for a formula.
  ExpectDataError(SheetData({0x03, 0x00, 0x01}), "too short for a cell record");
  ExpectDataError(SheetData({0x06, 0x00, 0x01, 0x00, 0x00, 0x00}), "too short for a cell record");
  ExpectDataError(SheetData({0x08, 0x00, 0x01, 0x02, 0x02, 0x23, 0x00, 0x00}),
                  "too short for a formula record");

  // Value fields that do not fit their formula record.
  const Bytes formula = {0x0B, 0x00, 0x01, 0x02, 0x03, 0x00, 0x1F, 'x', 0x00, 0x00, 0x00};
  Bytes big = formula;
  big[4] = 0x05;
  ExpectDataError(SheetData(big), "claims 5 bytes");
  Bytes none = formula;
  none[4] = 0x01;
  ExpectDataError(SheetData(none), "claims 1 bytes");
  Bytes huge = formula;
  huge[4] = 0xFF;
  ExpectDataError(SheetData(huge), "do not fit");
}

TEST_F(Sheet68kTest, ArbitraryBytesNeverReadOutOfBounds) {
  std::mt19937 random(68);
  for (int round = 0; round < 3000; ++round) {
    Bytes records(random() % 80);
    for (auto& b : records) b = static_cast<std::uint8_t>(random());
    // Keep many records plausible so that the walk reaches the renderer.
    if (!records.empty() && round % 2 == 0) records[0] = static_cast<std::uint8_t>(random() % records.size() + 1);
    const std::uint16_t d = static_cast<std::uint16_t>(round % 7 == 0 ? random() : 2);
    const Bytes data = SheetData(records, static_cast<std::uint16_t>(d % 300), round % 3 != 0);
    try {
      Sheet68k sheet(data.data(), data.size());
      for (const auto& cell : *sheet.GetCellList()) EXPECT_NE(cell->Cell(), nullptr);
    } catch (const SheetDataError&) {
    }
  }
}

TEST_F(Sheet68kTest, CellsEncodeOnlyTheirOwnTypes) {
  // A cell that was read, not encoded, has no record to give.
  const Bytes data = SheetData({0x0B, 0x00, 0x01, 0x03, 0x03, 0x00, 0x1F, 'x', 0x00, 0x00, 0x00});
  Sheet68k sheet(data.data(), data.size());
  ASSERT_EQ(sheet.GetCellList()->Size(), 1u);
  EXPECT_THROW(sheet.GetCellList()->At(0).GetOutput(), std::invalid_argument);
  EXPECT_NE(sheet.GetCellList()->At(0).Dump().find("CellLength: 11"), std::string::npos);
}

}  // namespace
}  // namespace gridlet
