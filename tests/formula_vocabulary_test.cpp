// The formula vocabulary through tab text, generated from the tables: every
// XB Plus token that can stand in a formula, every function, operator and
// constant of the 68k class, and every spreadsheet function the tables map
// go out and come back as they were, through the plain reader and the
// workbook reader alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "calc/formula_rewrites.h"
#include "model/spreadsheet_text_rewrites.h"
#include "model/text_sheet.h"
#include "model/trace.h"
#include "support/calculator_sheets.h"
#include "support/formula_vocabulary.h"
#include "support/in_memory_conversion.h"
#include "support/sheet_helpers.h"

namespace gridlet {
namespace {

using testing::Position;
using testing::StoredFormula;
using testing::XbTokens;
using testing::XbVocabulary;
using testing::Sheet68kVocabulary;
using testing::SpreadsheetVocabulary;
using testing::kXbReadsAs;
using testing::k68kReadsAs;

class FormulaVocabularyTest : public ::testing::Test, protected testing::InMemoryConversion {
 protected:
  void SetUp() override { previous_ = SetTraceSink(nullptr); }
  void TearDown() override { SetTraceSink(previous_); }

  // Converts the file at `input` and returns the path written.
  std::string Convert(const std::string& input, GRIDLET_FILE_TYPES from, GRIDLET_FILE_TYPES to,
                      const std::string& name) {
    const auto [written, result] = ConvertToNewFolder(input, from, to, name);
    EXPECT_EQ(result, S_OK) << input;
    return written;
  }

  TraceSink previous_ = nullptr;
};

TEST_F(FormulaVocabularyTest, EveryXbPlusTokenSurvivesTabText) {
  std::vector<std::string> tokens;
  for (const std::string& formula : XbVocabulary()) tokens.push_back(XbTokens(formula));
  const std::vector<StoredFormula> cells = testing::InColumnA(tokens);
  files.Put("/in/VOCAB.xbv", testing::XbPlusFile("VOCAB", cells));
  const std::string text = Convert("/in/VOCAB.xbv", QZ_GRIDLET_XBP, QZ_TAB_TEXT, "vocab");
  const std::string back = Convert(text, QZ_TAB_TEXT, QZ_GRIDLET_XBP, "VOCAB");
  const int lost = testing::ExpectSameFormulas(cells, testing::StoredFormulas(files.files[back]), "xbv-txt-xbv");
  RecordProperty("xb_tokens", static_cast<int>(cells.size()));
  RecordProperty("xb_tokens_lost", lost);
  EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
}

TEST_F(FormulaVocabularyTest, Every68kClassNameSurvivesTabText) {
  const std::vector<StoredFormula> cells = testing::InColumnA(Sheet68kVocabulary());
  files.Put("/in/vocab.xdy", testing::Sheet68kFile("vocab", cells));
  const std::string text = Convert("/in/vocab.xdy", QZ_GRIDLET_XD, QZ_TAB_TEXT, "vocab");
  const std::string back = Convert(text, QZ_TAB_TEXT, QZ_GRIDLET_XD, "vocab");
  const int lost = testing::ExpectSameFormulas(cells, testing::StoredFormulas(files.files[back]), "xdy-txt-xdy");
  RecordProperty("68k_names", static_cast<int>(cells.size()));
  RecordProperty("68k_names_lost", lost);
  EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
}

// Tab text through a calculator file and back, in the spreadsheet's
// spelling.
void ExpectSpreadsheetSpelling(testing::InMemoryConversion& engine, GRIDLET_FILE_TYPES calculator,
                               const std::vector<std::string>& sent,
                               const std::map<std::string, std::string>& readsAs) {
  std::string text;
  for (const std::string& formula : sent) text += formula + "\r\n";
  engine.files.Put("/in/sheet.txt", text);
  ConversionRequest request;
  request.inputPath = "/in/sheet.txt";
  request.fromType = QZ_TAB_TEXT;
  request.outputLocation = "/calc/";
  // A name each calculator takes as it is.
  request.saveInternalName = calculator == QZ_GRIDLET_XBP ? "SHEET" : "sheet";
  request.toType = calculator;
  std::optional<std::string> file;
  ASSERT_EQ(engine.driver.Convert(request, &file), S_OK);
  request.inputPath = *file;
  request.fromType = calculator;
  request.outputLocation = "/back/";
  request.toType = QZ_TAB_TEXT;
  std::optional<std::string> back;
  ASSERT_EQ(engine.driver.Convert(request, &back), S_OK);
  const std::string& written = engine.files.files[*back];
  const std::vector<std::string> lines = testing::TextLines(written);
  for (std::size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(i < lines.size() ? lines[i] : "", testing::ReadAs(sent[i], readsAs)) << "sent " << sent[i];
  }
  EXPECT_TRUE(engine.boxes.boxes.empty()) << engine.boxes.boxes.front().text;
}

TEST_F(FormulaVocabularyTest, SpreadsheetFunctionsSurviveAnXbPlusFile) {
  // The XB Plus holds the functions its table names; any other it leaves
  // out.
  ExpectSpreadsheetSpelling(
      *this, QZ_GRIDLET_XBP,
      SpreadsheetVocabulary({IntermediateToXbRewrites(), ExcelNamesToIntermediateTable()}),
      kXbReadsAs);
}

TEST_F(FormulaVocabularyTest, SpreadsheetFunctionsSurviveA68kClassFile) {
  // The 68k class holds every function, named by the tables or not.
  ExpectSpreadsheetSpelling(*this, QZ_GRIDLET_XD,
                            SpreadsheetVocabulary({IntermediateToXbRewrites(),
                                                   IntermediateToSheet68kRewrites(),
                                                   ExcelNamesToIntermediateTable()}),
                            k68kReadsAs);
}

// Whatever the tab-text writer writes for a formula, the plain and the
// workbook readers read back as the same intermediate formula.
TEST_F(FormulaVocabularyTest, ReadingAcceptsWhatWritingWrites) {
  std::vector<std::string> intermediate;
  for (std::string formula : XbVocabulary()) {
    XbNamesToIntermediate(formula);
    intermediate.push_back(formula);
  }
  for (std::string formula : Sheet68kVocabulary()) {
    Sheet68kNamesToIntermediate(formula);
    intermediate.push_back(formula);
  }
  for (const std::string& formula : intermediate) {
    std::string written = formula;
    ApplyRewrites(written, IntermediateNamesToExcelTable(), kSpreadsheetFormulaRewrite);
    for (const bool workbook : {false, true}) {
      // The spreadsheet application gives a formula as it stands (it quotes
      // texts, and only texts).
      const std::string& field = written;
      std::unique_ptr<TextSheet> sheet =
          workbook ? std::unique_ptr<TextSheet>(testing::ReadSheet<ExcelTextSheet>(field))
                   : testing::ReadSheet<TextSheet>(field);
      const auto records = testing::Records(*sheet);
      ASSERT_EQ(records.size(), 1u) << field;
      EXPECT_EQ(records[0].data2.value_or(""), formula)
          << "written as " << field << (workbook ? " (workbook)" : " (plain)");
    }
  }
}

}  // namespace
}  // namespace gridlet
