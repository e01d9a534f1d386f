// The intermediate model: record ownership between sheets, the cell list,
// the rewrite engine and the diagnostic dump.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <new>

#include "model/rewrite_table.h"
#include "model/text_sheet.h"
#include "model/trace.h"
#include "support/sheet_helpers.h"

namespace gridlet {
namespace {

using testing::ReadSheet;
using testing::Records;

class ModelTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = SetTraceSink(nullptr); }
  void TearDown() override { SetTraceSink(previous_); }
  TraceSink previous_ = nullptr;
};

TEST_F(ModelTest, SheetKeepsItsOwnCopyOfTheBytes) {
  auto* bytes = new std::uint8_t[3]{'a', '\t', 'b'};
  TextSheet sheet(bytes, 3);
  std::memset(bytes, 'z', 3);
  delete[] bytes;
  sheet.SetName("N");
  sheet.TranslateToIntermediate();
  ASSERT_EQ(Records(sheet).size(), 2u);
  EXPECT_EQ(Records(sheet)[0].data, "a");
  EXPECT_EQ(Records(sheet)[1].data, "b");
}

TEST_F(ModelTest, DestinationOwnsRecordsAndHeaderAfterTheSourceIsGone) {
  auto source = ReadSheet<TextSheet>("1\tx\r\n=A1", "NAME");
  const IntermediateCell* first = source->GetCellList()->At(0).Cell();
  EXPECT_TRUE(source->OwnsHeader());
  TextSheet destination(*source);
  EXPECT_FALSE(source->OwnsHeader());
  EXPECT_TRUE(destination.OwnsHeader());
  destination.TranslateFromIntermediate();
  for (const auto& cell : *source->GetCellList()) EXPECT_FALSE(cell->OwnsCell());
  for (const auto& cell : *destination.GetCellList()) EXPECT_TRUE(cell->OwnsCell());
  EXPECT_EQ(destination.GetCellList()->At(0).Cell(), first);
  source.reset();
  // Still valid: the records and the header moved with their cells.
  EXPECT_EQ(destination.GetHeader()->name, "NAME");
  EXPECT_EQ(Records(destination).size(), 3u);
  EXPECT_EQ(Records(destination)[2].data2, "=A1");
}

// A cell kind whose construction fails after a number of cells, to check
// that a half-built destination leaves the source as it was.
struct FailingCell : TextCell {
  static inline int remaining = 0;
  static void* operator new(std::size_t size) {
    if (remaining-- <= 0) throw std::bad_alloc();
    return ::operator new(size);
  }
  static void operator delete(void* p) { ::operator delete(p); }
  explicit FailingCell(SpreadsheetCell& source) noexcept : TextCell(source) {}
};

struct FailingSheet : TextSheet {
  using TextSheet::TextSheet;
  void Build() { TakeCellsFromSource<FailingCell>(); }
};

TEST_F(ModelTest, FailedHandoverGivesTheRecordsBack) {
  auto source = ReadSheet<TextSheet>("1\t2\t3\t4");
  FailingSheet destination(*source);
  FailingCell::remaining = 2;
  EXPECT_THROW(destination.Build(), std::bad_alloc);
  for (const auto& cell : *source->GetCellList()) EXPECT_TRUE(cell->OwnsCell());
  EXPECT_EQ(Records(*source).size(), 4u);
  EXPECT_EQ(Records(*source)[3].data, "4");
}

TEST_F(ModelTest, SortByPositionOrdersByRowThenColumn) {
  // Four cells, then given the positions (3,1), (1,2), (1,1), (2,5).
  auto list = ReadSheet<TextSheet>("\t\t\t\tq\r\np\tx\r\ny");
  const std::array<std::pair<int, int>, 4> positions{{{3, 1}, {1, 2}, {1, 1}, {2, 5}}};
  CellList* cells = list->GetCellList();
  ASSERT_EQ(cells->Size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    cells->At(i).Cell()->Row = positions[i].first;
    cells->At(i).Cell()->Column = positions[i].second;
  }
  cells->SortByPosition();
  std::vector<std::pair<int, int>> order;
  for (const auto& c : Records(*list)) order.emplace_back(c.row, c.column);
  EXPECT_EQ(order, (std::vector<std::pair<int, int>>{{1, 1}, {1, 2}, {2, 5}, {3, 1}}));
}

TEST_F(ModelTest, SortKeepsCellsOfOnePositionInTheirOrder) {
  auto sheet = ReadSheet<TextSheet>("a\tb\tc\td");
  CellList* cells = sheet->GetCellList();
  for (std::size_t i = 0; i < cells->Size(); ++i) {
    cells->At(i).Cell()->Row = i == 3 ? 0 : 1;
    cells->At(i).Cell()->Column = 1;
  }
  cells->SortByPosition();
  std::string order;
  for (const auto& c : Records(*sheet)) order += c.data;
  EXPECT_EQ(order, "dabc");
  CellList empty;
  empty.SortByPosition();
  EXPECT_TRUE(empty.Empty());
}

TEST_F(ModelTest, CursorWalksTheListOnce) {
  auto sheet = ReadSheet<TextSheet>("a\tb");
  CellList* cells = sheet->GetCellList();
  cells->ResetCursor();
  EXPECT_EQ(cells->Next()->Cell()->Data, "a");
  EXPECT_EQ(cells->Next()->Cell()->Data, "b");
  EXPECT_EQ(cells->Next(), nullptr);
  cells->DeleteAll();
  cells->ResetCursor();
  EXPECT_EQ(cells->Next(), nullptr);
  cells->DeleteAll();  // nothing to do
}

TEST_F(ModelTest, ListDestroyedWithCellsSaysSoAndFreesThem) {
  static std::string seen;
  seen.clear();
  SetTraceSink([](std::string_view text) { seen += text; });
  {
    auto sheet = ReadSheet<TextSheet>("a");
    CellList list;
    list.Append(std::make_unique<TextCell>(sheet->GetCellList()->At(0)));
  }
  EXPECT_NE(seen.find("Try to delete an non empty linked list"), std::string::npos);
}

TEST_F(ModelTest, RewriteRulesApplyInOrderAndNeverReviseTheirOwnOutput) {
  constexpr std::array table{RewriteRule{"rand", "rand()"}, RewriteRule{"ab", "ab"},
                             RewriteRule{"x", "yx"}, RewriteRule{"yx", "z"}};
  std::string text = "rand+rand*x";
  EXPECT_TRUE(ApplyRewrites(text, table));
  EXPECT_EQ(text, "rand()+rand()*z");  // later rows see the output of earlier ones
  std::string untouched = "q";
  EXPECT_FALSE(ApplyRewrites(untouched, table));
}

TEST_F(ModelTest, RewriteRulesMatchNamesAndKeepLiteralsAndEscapes) {
  constexpr std::array table{RewriteRule{"rand", "RAND()"}, RewriteRule{"IF(", "if("},
                             RewriteRule{"-", "_neg_", Before::NoOperand},
                             RewriteRule{"10^(", "_10_^("}};
  const RewriteOptions formula{.skipStringLiterals = true, .ignoreLetterCase = true};
  std::string text = "=IF(brand,randInt(2),\"rand-IF(\")-countif(-rand)+A10^(2)+10^(2)";
  ApplyRewrites(text, table, formula);
  EXPECT_EQ(text, "=if(brand,randInt(2),\"rand-IF(\")-countif(_neg_RAND())+A10^(2)+_10_^(2)");
  // Without the options, letters match in their own case and literals are
  // text like any other; escapes are never entered.
  std::string plain = "\"rand\"_^-1_-1";
  ApplyRewrites(plain, table);
  EXPECT_EQ(plain, "\"RAND()\"_^-1_-1");
}

TEST_F(ModelTest, DumpListsCellAndRecord) {
  auto sheet = ReadSheet<TextSheet>("7\t=B1");
  EXPECT_EQ(sheet->Dump(),
            "Text Data\nRow: 1\t\tColumn: 1\nData: \nIntermediate SpreadsheetCell\n"
            "Row: 1\t\tColumn: 1\t\tType: 0\t\tData: 7\n\n"
            "Text Data\nRow: 1\t\tColumn: 2\nData: \nIntermediate SpreadsheetCell\n"
            "Row: 1\t\tColumn: 2\t\tType: 3\t\tData: \t\tData2: =B1\n\n");
}

}  // namespace
}  // namespace gridlet
