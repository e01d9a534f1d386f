// Tab-delimited text: splitting bytes into cells, classifying fields and
// writing cells back.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "model/text_sheet.h"
#include "model/text_quoting.h"
#include "support/record_sheet.h"
#include "model/trace.h"
#include "support/sheet_helpers.h"

namespace gridlet {
namespace {

using testing::CellValues;
using testing::OutputText;
using testing::ReadSheet;
using testing::Records;

class TextSheetTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = SetTraceSink(nullptr); }
  void TearDown() override { SetTraceSink(previous_); }
  TraceSink previous_ = nullptr;
};

std::vector<std::pair<int, int>> Positions(const SpreadsheetFile& sheet) {
  std::vector<std::pair<int, int>> out;
  for (const CellValues& c : Records(sheet)) out.emplace_back(c.row, c.column);
  return out;
}

TEST_F(TextSheetTest, SplitsFieldsAtTabsAndRowsAtLineEnds) {
  using P = std::vector<std::pair<int, int>>;
  EXPECT_EQ(Positions(*ReadSheet<TextSheet>("a\tb\r\nc\r\n")), (P{{1, 1}, {1, 2}, {2, 1}}));
  EXPECT_EQ(Positions(*ReadSheet<TextSheet>("a\t\tc")), (P{{1, 1}, {1, 3}}));
  EXPECT_EQ(Positions(*ReadSheet<TextSheet>("\r\n\r\nx")), (P{{3, 1}}));
  EXPECT_EQ(Positions(*ReadSheet<TextSheet>("a\rb")), (P{{1, 1}, {2, 1}}));
  EXPECT_EQ(Positions(*ReadSheet<TextSheet>("a\t")), (P{{1, 1}}));
  // A TAB before the row end does not open an empty field.
  EXPECT_EQ(Positions(*ReadSheet<TextSheet>("a\t\r\nb\t")), (P{{1, 1}, {2, 1}}));
}

TEST_F(TextSheetTest, LoneLineFeedIsPartOfTheField) {
  auto sheet = ReadSheet<TextSheet>("a\nb\tc");
  const auto records = Records(*sheet);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], (CellValues{1, 1, CELL_TEXT, "a\nb"}));
  EXPECT_EQ(records[1], (CellValues{1, 2, CELL_TEXT, "c"}));
}

TEST_F(TextSheetTest, NulByteEndsTheFieldText) {
  const std::string bytes("ab\0cd\tx\r\n\0zz\ty", 15);
  const auto records = Records(*ReadSheet<TextSheet>(bytes));
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0], (CellValues{1, 1, CELL_TEXT, "ab"}));
  EXPECT_EQ(records[1], (CellValues{1, 2, CELL_TEXT, "x"}));
  // The field that begins with NUL is no cell, but still takes its column.
  EXPECT_EQ(records[2], (CellValues{2, 2, CELL_TEXT, "y"}));
}

TEST_F(TextSheetTest, EmptyInputHasNoCellsAndTheHeaderTakesTheName) {
  auto sheet = ReadSheet<TextSheet>("", "BUDGET");
  EXPECT_TRUE(Records(*sheet).empty());
  ASSERT_NE(sheet->GetHeader(), nullptr);
  EXPECT_EQ(sheet->GetHeader()->origin, ORIGIN_TAB_TEXT);
  EXPECT_EQ(sheet->GetHeader()->name, "BUDGET");
  EXPECT_TRUE(sheet->GetName().empty());
}

TEST_F(TextSheetTest, ClassifiesNumbersTextsAndFormulas) {
  const auto records = Records(*ReadSheet<TextSheet>("12.50\t1,5\t=\t-\t1.2.3\t=A1+1\t\"hi\"\ta\"\"\"b"));
  ASSERT_EQ(records.size(), 8u);
  EXPECT_EQ(records[0], (CellValues{1, 1, CELL_NUMBER, "12.50"}));
  EXPECT_EQ(records[1], (CellValues{1, 2, CELL_TEXT, "1,5"}));
  EXPECT_EQ(records[2], (CellValues{1, 3, CELL_FORMULA, "", "="}));
  // Only a well-formed decimal number is a number.
  EXPECT_EQ(records[3], (CellValues{1, 4, CELL_TEXT, "-"}));
  EXPECT_EQ(records[4], (CellValues{1, 5, CELL_TEXT, "1.2.3"}));
  EXPECT_EQ(records[5], (CellValues{1, 6, CELL_FORMULA, "", "=A1+1"}));
  EXPECT_EQ(records[6], (CellValues{1, 7, CELL_TEXT, "hi"}));
  // Quotes are collapsed only in a field that begins with one.
  EXPECT_EQ(records[7], (CellValues{1, 8, CELL_TEXT, "a\"\"\"b"}));
}

TEST_F(TextSheetTest, CollapsesQuoteRunsByBothRules) {
  EXPECT_EQ(CollapseQuotes("\"\"\"\"\"x", false), "\"\"x");  // 5 -> 2
  EXPECT_EQ(CollapseQuotes("a\"\"b", false), "ab");           // 2 -> 0
  EXPECT_EQ(CollapseQuotes("a\"\"\"b", true), "a\"b");        // 3 -> 1
  EXPECT_EQ(CollapseQuotes("\"\"\"\"", true), "\"\"");        // 4 -> 2
}

// Every text, quotes in any runs and places, reads back as it was
// quoted, in both spellings; a quote is the only byte quoting adds.
TEST_F(TextSheetTest, QuotedTextsReadBackWhole) {
  std::mt19937 random(7);
  constexpr std::string_view kBytes = "\"\"\"a b";
  for (int n = 0; n < 20000; ++n) {
    std::string text(random() % 12, ' ');
    for (char& c : text) c = kBytes[random() % kBytes.size()];
    const auto withoutQuotes = [](std::string_view s) {
      std::string out(s);
      std::erase(out, '"');
      return out;
    };
    const std::string plain = QuotePlainText(text);
    const std::string exchange = QuoteExchangeText(text);
    ASSERT_EQ(UnquotePlainText(plain), text) << plain;
    ASSERT_EQ(UnquoteExchangeText(exchange), text) << exchange;
    ASSERT_EQ(withoutQuotes(plain), withoutQuotes(text)) << plain;
    ASSERT_EQ(withoutQuotes(exchange), withoutQuotes(text)) << exchange;
  }
}

TEST_F(TextSheetTest, LongTextsAreKeptWhole) {
  const std::string text(300, 'x');
  auto plain = ReadSheet<TextSheet>(text);
  const IntermediateCell* record = plain->GetCellList()->At(0).Cell();
  EXPECT_EQ(record->Data, text);
  EXPECT_EQ(record->Length, 300);
  auto excel = ReadSheet<ExcelTextSheet>(text);
  EXPECT_EQ(excel->GetCellList()->At(0).Cell()->Length, 300);
  EXPECT_EQ(excel->GetCellList()->At(0).Cell()->State, 2);
  EXPECT_EQ(record->State, 0);
}

TEST_F(TextSheetTest, ExcelFieldsInQuotesAreTextsAndFormulasHaveTheirNamesRewritten) {
  const auto records = Records(*ReadSheet<ExcelTextSheet>(
      "\"=A1\"\t\"say \"\"hi\"\"\"\t=IF(A1>=2,PI(),ACOS(-A2))\t\"007\"\t"
      "=IF(A1=\"a\",1,0)\t\"a\"b"));
  ASSERT_EQ(records.size(), 6u);
  // The application quotes texts, doubling the quotes inside; a quoted
  // field is a text whatever it looks like.
  EXPECT_EQ(records[0], (CellValues{1, 1, CELL_TEXT, "=A1"}));
  EXPECT_EQ(records[1], (CellValues{1, 2, CELL_TEXT, "say \"hi\""}));
  EXPECT_EQ(records[2],
            (CellValues{1, 3, CELL_FORMULA, "", "=IF(A1_>=_2,_pi_,COS_^-1_(_neg_A2))"}));
  EXPECT_EQ(records[3], (CellValues{1, 4, CELL_TEXT, "007"}));
  // A formula's string literals keep their quotes.
  EXPECT_EQ(records[4], (CellValues{1, 5, CELL_FORMULA, "", "=IF(A1=\"a\",1,0)"}));
  // What follows the closing quote belongs to the text too.
  EXPECT_EQ(records[5], (CellValues{1, 6, CELL_TEXT, "ab"}));
}

// Builds a destination text sheet of type SheetT from records.
template <class SheetT>
std::string WriteRecords(const std::vector<CellValues>& cells) {
  // The records travel through a plain text source sheet, as they would
  // from any source kind.
  auto source = ReadSheet<TextSheet>("");
  for (const CellValues& values : cells) {
    struct Seed : TextCell {
      explicit Seed(const CellValues& s) : TextCell(std::string_view()) {
        IntermediateCell& r = NewCell();
        r.Row = s.row;
        r.Column = s.column;
        r.Type = s.type;
        r.Data = s.data;
        r.Data2 = s.data2;
      }
    };
    source->GetCellList()->Append(std::make_unique<Seed>(values));
  }
  SheetT destination(*source);
  destination.TranslateFromIntermediate();
  return OutputText(destination);
}

TEST_F(TextSheetTest, WritesRowsAndSkippedColumnsAsTabs) {
  EXPECT_EQ(WriteRecords<TextSheet>({{1, 1, CELL_NUMBER, "8"}}), "8\t");
  EXPECT_EQ(WriteRecords<TextSheet>({{2, 3, CELL_NUMBER, "9"}}), "\t\r\n\t\t9\t");
  EXPECT_EQ(WriteRecords<TextSheet>(
                {{1, 1, CELL_NUMBER, "1"}, {1, 2, CELL_NUMBER, "2"}, {2, 1, CELL_NUMBER, "3"}}),
            "1\t2\t\t\r\n3\t");
  // A number record that is no number (damaged data) goes out as its text.
  EXPECT_EQ(WriteRecords<TextSheet>({{1, 1, CELL_NUMBER, "x"}}), "\"x\"\t");
  EXPECT_EQ(WriteRecords<TextSheet>({{1, 1, CELL_NUMBER, "1"}, {1, 4, CELL_NUMBER, "4"}}),
            "1\t\t\t4\t");
  EXPECT_EQ(WriteRecords<TextSheet>({}), "");
}

TEST_F(TextSheetTest, EmptySheetOutputIsTwoNuls) {
  auto source = ReadSheet<TextSheet>("");
  TextSheet destination(*source);
  destination.TranslateFromIntermediate();
  EXPECT_EQ(destination.GetOutputLength(), 0);
  EXPECT_EQ(destination.GetOutput(), (ByteBuffer{0, 0}));
}

TEST_F(TextSheetTest, TextsGoOutInQuotesAndFormulasWithSpreadsheetNames) {
  EXPECT_EQ(WriteRecords<TextSheet>({{1, 1, CELL_TEXT, "abc"}}), "\"abc\"\t");
  // Quotes of the text: a run next to an enclosing quote shares it, one
  // inside gets a pair of its own, so that the reader collapses each back.
  EXPECT_EQ(WriteRecords<TextSheet>({{1, 1, CELL_TEXT, "5 ft 3\""}}), "\"5 ft 3\"\"\"\t");
  EXPECT_EQ(WriteRecords<TextSheet>({{1, 1, CELL_TEXT, "say \"hi\""}}),
            "\"say \"\"\"\"hi\"\"\"\t");
  EXPECT_EQ(WriteRecords<TextSheet>({{1, 1, CELL_TEXT, "\""}}), "\"\"\"\"\t");
  // A text never ends its field or its row: a line break stays inside the
  // quotes as LF, a TAB is spelled as its escape.
  EXPECT_EQ(WriteRecords<TextSheet>({{1, 1, CELL_TEXT, "a\tb\r\nc\rd\ne"}}),
            "\"a_tab_b\nc\nd\ne\"\t");
  EXPECT_EQ(WriteRecords<ExcelTextSheet>({{1, 1, CELL_TEXT, "say \"hi\""}}),
            "\"say \"\"hi\"\"\"\t");
  EXPECT_EQ(WriteRecords<TextSheet>({{1, 1, CELL_FORMULA, "", "=RAND()+COS_^-1_(X)+_e_^(X)"}}),
            "=RAND()+ACOS(X)+EXP(X)\t");
  EXPECT_EQ(WriteRecords<TextSheet>({{1, 1, CELL_FORMULA, "", "=_e_^A1"}}), "=EXP(1)^A1\t");
  // Only formulas are spelled for the spreadsheet: texts are texts.
  EXPECT_EQ(WriteRecords<ExcelTextSheet>({{1, 1, CELL_TEXT, "Grand total"}}),
            "\"Grand total\"\t");
  EXPECT_EQ(WriteRecords<ExcelTextSheet>({{1, 1, CELL_TEXT, "log(x)"}}), "\"log(x)\"\t");
  // Type 2 is never produced; it is written as an empty field.
  EXPECT_EQ(WriteRecords<TextSheet>({{1, 1, 2, "zz"}, {1, 2, CELL_NUMBER, "1"}}), "\t1\t");
}

TEST_F(TextSheetTest, ACalculatorTextLosesOnlyTheCalculatorsOpeningQuote) {
  for (const std::int16_t origin : {ORIGIN_XB_PLUS, ORIGIN_SHEET68K, ORIGIN_TAB_TEXT}) {
    testing::RecordSheet source({IntermediateCell{1, 1, CELL_TEXT, 0, 0, "\"\"abc", std::nullopt}}, origin);
    TextSheet text(source);
    text.TranslateFromIntermediate();
    const std::string written = OutputText(text);
    // From a calculator the text is "abc with one quote of its own.
    EXPECT_EQ(written, origin == ORIGIN_TAB_TEXT ? "\"\"\"\"\"abc\"\t" : "\"\"\"abc\"\t") << origin;
  }
}

TEST_F(TextSheetTest, NumbersASpreadsheetCannotHoldGoToItAsTexts) {
  EXPECT_EQ(WriteRecords<ExcelTextSheet>({{1, 1, CELL_NUMBER, "1.5E307"}, {1, 2, CELL_NUMBER, "1E308"},
                                          {1, 3, CELL_NUMBER, "-2E-400"}}),
            "1.5E307\t\"1E308\"\t\"-2E-400\"\t");
  EXPECT_EQ(WriteRecords<TextSheet>({{1, 1, CELL_NUMBER, "1E308"}}), "1E308\t");
}

TEST_F(TextSheetTest, WritingLeavesTheRecordStateAsItWas) {
  auto source = ReadSheet<ExcelTextSheet>("=LOG10(A1)+LOG(A2)");
  ExcelTextSheet destination(*source);
  destination.TranslateFromIntermediate();
  EXPECT_EQ(OutputText(destination), "=LOG10(A1)+LOG(A2)\t");
  EXPECT_EQ(destination.GetCellList()->At(0).Cell()->State, 2);
}

TEST_F(TextSheetTest, PlainTextRoundTripKeepsNumbersAndFormulasByteForByte) {
  const std::string bytes = "1\t2.5\t=A1+B1\r\n\t-3\t=SUM(A1:B1)";
  auto source = ReadSheet<TextSheet>(bytes);
  TextSheet destination(*source);
  destination.TranslateFromIntermediate();
  EXPECT_EQ(OutputText(destination), "1\t2.5\t=A1+B1\t\t\r\n\t-3\t=SUM(A1:B1)\t");
  // Read again, the written text gives the same records.
  auto again = ReadSheet<TextSheet>(OutputText(destination));
  EXPECT_EQ(Records(*again), Records(destination));
}

TEST_F(TextSheetTest, VeryLongFieldsAreWrittenWhole) {
  const std::string formula = "=" + std::string(70000, '1');
  EXPECT_EQ(WriteRecords<TextSheet>({{1, 1, CELL_FORMULA, "", formula}}), formula + "\t");
}

TEST_F(TextSheetTest, RowsBeyondSixteenBitsKeepTheirPlace) {
  std::string bytes(40000, '\r');
  bytes += "x";
  auto sheet = ReadSheet<TextSheet>(bytes);
  ASSERT_EQ(Records(*sheet).size(), 1u);
  EXPECT_EQ(Records(*sheet)[0].row, 40001);
}

TEST_F(TextSheetTest, TracesGoToTheSink) {
  static std::string seen;
  seen.clear();
  SetTraceSink([](std::string_view text) { seen += text; });
  ReadSheet<TextSheet>("a");
  EXPECT_EQ(seen,
            "\t TTranslateToIntermediate\nDONE WITH TELLG1TextCell::TranslateToIntermediate4\n"
            "DONE WITH TELLG11\t after Initialise\n");
}

}  // namespace
}  // namespace gridlet
