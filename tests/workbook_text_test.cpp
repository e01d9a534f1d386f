// The text a worksheet is exported as, made ready for the sheet reader; the
// changes named by kind with their cells; the names a worksheet can bear.
#include "server/workbook_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "bridge/workbook_exchange.h"
#include "model/cell_address.h"
#include "model/sheet_changes.h"
#include "support/recording_sheet_messages.h"

namespace gridlet {
namespace {

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

// The text with each TAB, CR, LF and CR LF made one space.
std::string Flattened(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    out += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
  }
  return out;
}

// Rows split at CR LF, fields at TAB: the way the sheet reader splits.
std::vector<std::vector<std::string>> Split(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = static_cast<char>(bytes[i]);
    if (c == '\t') {
      rows.back().emplace_back();
    } else if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
      ++i;
      rows.emplace_back(1);
    } else {
      rows.back().back() += c;
    }
  }
  return rows;
}

// Random worksheets written as the spreadsheet application writes them:
// texts in quotes with quotes doubled, TABs and line breaks inside, rows
// ending in LF or CR LF. Every cell keeps its place, each TAB and line
// break inside becomes one space, and the cells that held one are named.
TEST(WorkbookTextTest, NoCellMovesAnotherAndChangedCellsAreNamed) {
  std::mt19937 random(15);
  const std::string pieces[] = {"a", "b", "7", ".", "\"", "\t", "\n", "\r\n", "\r", " ", "=", "\xe9"};
  for (int round = 0; round < 500; ++round) {
    const int rows = 1 + static_cast<int>(random() % 6);
    const int columns = 1 + static_cast<int>(random() % 5);
    std::vector<std::vector<std::string>> expected(rows, std::vector<std::string>(columns));
    std::vector<std::string> changed;
    std::string exported;
    bool anything = false;
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < columns; ++c) {
        std::string field;
        switch (random() % 3) {
          case 0: break;  // empty
          case 1: field = std::to_string(static_cast<int>(random() % 2000) - 1000); break;
          default: {
            std::string text;
            for (int n = static_cast<int>(random() % 6); n > 0; --n) text += pieces[random() % std::size(pieces)];
            field = Quoted(text);
            if (Flattened(text) != text) changed.push_back(CellAddress(r + 1, c + 1));
            expected[r][c] = Quoted(Flattened(text));
            break;
          }
        }
        if (expected[r][c].empty()) expected[r][c] = field;
        anything = anything || !field.empty();
        exported += (c > 0 ? "\t" : "") + field;
      }
      if (r + 1 < rows || random() % 2) exported += random() % 2 ? "\r\n" : "\n";
    }
    const WorkbookText prepared = PrepareWorkbookText(exported, false);
    const auto split = Split(prepared.bytes);
    for (int r = 0; r < rows; ++r) {
      ASSERT_LT(static_cast<std::size_t>(r), split.size()) << exported;
      EXPECT_EQ(split[r], expected[r]) << "row " << r + 1 << " of " << exported;
    }
    EXPECT_EQ(prepared.cellsWithBreaks, changed) << exported;
    EXPECT_EQ(prepared.empty, !anything) << exported;
  }
}

TEST(WorkbookTextTest, ThePlaceholderInA1IsNoCell) {
  WorkbookText prepared = PrepareWorkbookText("0\t\t\"x\"\r\n5\r\n", true);
  EXPECT_EQ(std::string(prepared.bytes.begin(), prepared.bytes.end()), "\t\t\"x\"\r\n5\r\n");
  EXPECT_FALSE(prepared.empty);
  // A worksheet that is empty but for the placeholder holds nothing.
  prepared = PrepareWorkbookText("0\r\n", true);
  EXPECT_TRUE(prepared.empty);
  EXPECT_EQ(std::string(prepared.bytes.begin(), prepared.bytes.end()), "\r\n");
  // Without one, a 0 in A1 is a cell like any other.
  EXPECT_EQ(Split(PrepareWorkbookText("0\r\n", false).bytes)[0][0], "0");
}

// One warning per kind of change, in the order the kinds first came: the
// sentence, the count, the first ten cells by address and how many more.
TEST(SheetChangesTest, NamesTheFirstCellsOfEachKindAndCountsTheRest) {
  const ChangeKind first{"First kind"};
  const ChangeKind second{"Second kind"};
  std::mt19937 random(14);
  for (int round = 0; round < 50; ++round) {
    const int count = std::uniform_int_distribution<int>(1, 25)(random);
    SheetChanges changes;
    std::string listed;
    for (int n = 1; n <= count; ++n) {
      changes.Add(second, n, n);
      if (n <= 10) listed += (n == 1 ? "" : n == count ? " and " : ", ") + CellAddress(n, n);
    }
    changes.Add(first, std::string("B7"));
    if (count > 10) listed += " and " + std::to_string(count - 10) + " more";
    testing::RecordingSheetMessages messages;
    changes.Report(&messages);
    EXPECT_EQ(changes.Count(second), static_cast<std::size_t>(count));
    EXPECT_EQ(messages.notices,
              (std::vector<std::string>{"Second kind: " + std::to_string(count) +
                                            (count == 1 ? " cell, " : " cells, ") + listed + ".",
                                        "First kind: 1 cell, B7."}));
  }
  EXPECT_EQ(CellAddress(1, 1), "A1");
  EXPECT_EQ(CellAddress(12, 28), "AB12");
  EXPECT_EQ(ColumnLetters(702), "ZZ");
  EXPECT_EQ(ColumnLetters(703), "AAA");
}

// Random names from letters, the forbidden characters, apostrophes and
// characters beyond the basic plane: what comes out is a name both
// spreadsheet programs accept, and an acceptable name is kept as it is.
TEST(WorksheetNameTest, EveryNameBecomesOneAWorksheetCanBearAndGoodNamesStay) {
  std::mt19937 random(31);
  const std::u16string pieces[] = {u"a", u"Z", u" ", u":", u"\\", u"/", u"?", u"*", u"[", u"]",
                                   u"'", u"\u03a3", u"\U0001F600", u"\t", u"1"};
  for (int round = 0; round < 2000; ++round) {
    std::u16string wanted;
    for (int n = static_cast<int>(random() % 40); n > 0; --n) wanted += pieces[random() % std::size(pieces)];
    const std::u16string name = WorksheetNameFor(wanted);
    ASSERT_FALSE(name.empty());
    EXPECT_LE(name.size(), 31u);
    EXPECT_EQ(name.find_first_of(u":\\/?*[]\t"), std::u16string::npos);
    EXPECT_NE(name.front(), u'\'');
    EXPECT_NE(name.back(), u'\'');
    EXPECT_FALSE(name.back() >= 0xD800 && name.back() <= 0xDBFF);  // no half of a pair
    const bool acceptable = !wanted.empty() && wanted.size() <= 31 &&
                            wanted.find_first_of(u":\\/?*[]\t") == std::u16string::npos &&
                            wanted.front() != u'\'' && wanted.back() != u'\'';
    if (acceptable) {
      EXPECT_EQ(name, wanted);
    }
  }
}

}  // namespace
}  // namespace gridlet
