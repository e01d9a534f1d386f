// Text sheets keep their records packed until cells are asked for: what
// they read, hand over and write must be what cell-by-cell reading and
// writing gives, on generated texts of every kind of field.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "model/block_vector.h"
#include "model/decimal_number.h"
#include "model/output_pieces.h"
#include "model/packed_cells.h"
#include "model/tab_text_writer.h"
#include "model/text_sheet.h"
#include "model/trace.h"
#include "support/sheet_helpers.h"

namespace gridlet {
namespace {

using testing::CellValues;
using testing::OutputText;
using testing::ReadSheet;
using testing::Records;

class PackedTextSheetTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = SetTraceSink(nullptr); }
  void TearDown() override { SetTraceSink(previous_); }
  TraceSink previous_ = nullptr;
};

// A field of any kind the readers tell apart, with the bytes that end or
// cut fields (TAB, CR, LF, NUL) and quotes where they matter; now and then
// a text that reading changes longer than the store's first blocks.
std::string RandomField(std::mt19937& random) {
  static const std::vector<std::string> kParts{
      "12",   "-3.5", ".5",    "1E5",   "1.2.3", "-",      "=",       "=SUM(A1:A3)", "=ACOS(-A1)",
      "=PI()", "=A1<>B2", "=IF(A1>=2,\"x\",0)", "=10^(A2)", "word", " ", "\"", "\"\"", "\"q\"",
      "say \"hi\"", "\xE9", "log(x)", "_pi_", "\n", std::string(1, '\0'), "LN("};
  static const std::vector<std::string> kLong{"\"" + std::string(5000, 'w') + "\"\"\"",
                                              "=LOG(" + std::string(4500, '1') + ")"};
  if (random() % 1000 == 0) return kLong[random() % kLong.size()];
  std::string field;
  const int parts = static_cast<int>(random() % 4);
  for (int i = 0; i < parts; ++i) field += kParts[random() % kParts.size()];
  return field;
}

std::string RandomText(std::mt19937& random, int fields) {
  static const std::vector<std::string> kEnds{"\t", "\t", "\t", "\r\n", "\r", "\n"};
  std::string text;
  for (int i = 0; i < fields; ++i) {
    text += RandomField(random);
    if (i + 1 < fields || random() % 2) text += kEnds[random() % kEnds.size()];
  }
  return text;
}

// The records as cell-by-cell reading makes them: fields split one by one,
// each read by a cell of the sheet's kind.
template <class CellT>
std::vector<CellValues> ReadCellByCell(const std::string& text) {
  std::vector<CellValues> out;
  const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto* end = p + text.size();
  std::int32_t row = 1;
  std::int32_t column = 1;
  while (p < end) {
    const std::string_view field = ReadField(p, end);
    const std::int32_t at = column++;
    const std::int32_t fieldRow = row;
    if (p < end && *p == '\r') {
      ++p;
      if (p < end && *p == '\n') ++p;
      column = 1;
      ++row;
    }
    if (field.empty()) continue;
    CellT cell(field);
    cell.SetPosition(fieldRow, at);
    cell.TranslateToIntermediate();
    const IntermediateCell& r = *cell.Cell();
    out.push_back({r.Row, r.Column, r.Type, r.Data, r.Data2});
  }
  return out;
}

// A store's record as its position, kind and text.
using EntryValues = std::tuple<std::int32_t, std::int32_t, std::int16_t, std::string>;
EntryValues ValuesOf(const PackedCells::Entry& entry) {
  return {entry.row, entry.column, entry.type, std::string(entry.text)};
}
// Every record of a store, walked from the start.
std::vector<EntryValues> Walked(const PackedCells& store) {
  std::vector<EntryValues> walked;
  store.ForEach([&](const PackedCells::Entry& entry) { walked.push_back(ValuesOf(entry)); });
  return walked;
}

// The output of a destination of kind DestinationT built from a source of
// kind SourceT read from `text`; `cellByCell` makes the source's cells
// first, so that the destination takes them one by one.
template <class SourceT, class DestinationT>
std::string Convert(const std::string& text, bool cellByCell) {
  auto source = ReadSheet<SourceT>(text);
  if (cellByCell) source->GetCellList()->begin();
  DestinationT destination(*source);
  destination.TranslateFromIntermediate();
  return OutputText(destination);
}

TEST_F(PackedTextSheetTest, ReadingWritingAndHandoverMatchCellByCell) {
  std::mt19937 random(20261209);
  for (int round = 0; round < 300; ++round) {
    const std::string text = RandomText(random, 1 + static_cast<int>(random() % 40));
    SCOPED_TRACE(::testing::PrintToString(text));
    EXPECT_EQ(Records(*ReadSheet<TextSheet>(text)), ReadCellByCell<TextCell>(text));
    EXPECT_EQ(Records(*ReadSheet<ExcelTextSheet>(text)), ReadCellByCell<ExcelTextCell>(text));
    EXPECT_EQ((Convert<TextSheet, TextSheet>(text, false)), (Convert<TextSheet, TextSheet>(text, true)));
    EXPECT_EQ((Convert<TextSheet, ExcelTextSheet>(text, false)),
              (Convert<TextSheet, ExcelTextSheet>(text, true)));
    EXPECT_EQ((Convert<ExcelTextSheet, TextSheet>(text, false)),
              (Convert<ExcelTextSheet, TextSheet>(text, true)));
    EXPECT_EQ((Convert<ExcelTextSheet, ExcelTextSheet>(text, false)),
              (Convert<ExcelTextSheet, ExcelTextSheet>(text, true)));
  }
}

TEST_F(PackedTextSheetTest, RecordsTakenOverWholeAreOwnedOnceAndSeenFromBothSheets) {
  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    const std::string text = RandomText(random, 1 + static_cast<int>(random() % 30));
    const std::vector<CellValues> expected = ReadCellByCell<TextCell>(text);
    auto source = ReadSheet<TextSheet>(text);
    TextSheet destination(*source);
    destination.TranslateFromIntermediate();
    ExcelTextSheet further(destination);
    further.TranslateFromIntermediate();
    // The source and the middle sheet refer to the records the last sheet
    // owns.
    const CellList& last = *further.GetCellList();
    ASSERT_EQ(source->GetCellList()->Size(), expected.size());
    ASSERT_EQ(destination.GetCellList()->Size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_FALSE(source->GetCellList()->At(i).OwnsCell());
      EXPECT_FALSE(destination.GetCellList()->At(i).OwnsCell());
      EXPECT_TRUE(last.At(i).OwnsCell());
      EXPECT_EQ(source->GetCellList()->At(i).Cell(), last.At(i).Cell());
      EXPECT_EQ(destination.GetCellList()->At(i).Cell(), last.At(i).Cell());
    }
    EXPECT_EQ(Records(further), expected);
  }
}

TEST_F(PackedTextSheetTest, ASourceWhoseRecordsAreGoneHasCellsWithoutRecords) {
  auto source = ReadSheet<TextSheet>("1\tx\r\n=A1");
  {
    TextSheet destination(*source);
    destination.TranslateFromIntermediate();
  }
  ASSERT_EQ(source->GetCellList()->Size(), 3u);
  for (const auto& cell : *source->GetCellList()) {
    EXPECT_FALSE(cell->OwnsCell());
    EXPECT_EQ(cell->Cell(), nullptr);
  }
}

TEST_F(PackedTextSheetTest, ManyCellsAndLongTextsKeepTheirPlaces) {
  // Enough records to fill the growing blocks and some large ones, a text
  // too long for the arena's chunks, and rows of one and of many cells.
  std::string text;
  std::vector<std::string> expected;
  const std::string longText(600000, 'x');
  for (int i = 0; i < 400000; ++i) {
    if (i == 300001) {
      text += "\"" + longText + "\"\t";
      expected.push_back(std::string(600000, 'x'));
    } else {
      text += std::to_string(i) + (i % 1000 == 999 ? "\r\n" : "\t");
      expected.push_back(std::to_string(i));
    }
  }
  auto sheet = ReadSheet<TextSheet>(text);
  const CellList& cells = *sheet->GetCellList();
  ASSERT_EQ(cells.Size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); i += 997) {
    const IntermediateCell& record = *cells.At(i).Cell();
    EXPECT_EQ(record.Data, expected[i]) << i;
    EXPECT_EQ(record.Row, static_cast<std::int32_t>(i / 1000 + 1)) << i;
    EXPECT_EQ(record.Column, static_cast<std::int32_t>(i % 1000 + 1)) << i;
  }
  EXPECT_EQ(cells.At(300001).Cell()->Data, expected[300001]);
  EXPECT_EQ(cells.At(300001).Cell()->Length, 600000);

  // Written in pieces, the output is the output written whole.
  auto again = ReadSheet<TextSheet>(text);
  TextSheet whole(*again);
  whole.TranslateFromIntermediate();
  TextSheet streamed(*sheet);
  std::string pieces;
  int count = 0;
  streamed.StreamOutputTo([&](const std::uint8_t* bytes, std::size_t size) {
    pieces.append(reinterpret_cast<const char*>(bytes), size);
    ++count;
  });
  streamed.TranslateFromIntermediate();
  EXPECT_GT(count, 2);
  EXPECT_TRUE(pieces == OutputText(whole));  // (too long to print)
  EXPECT_EQ(streamed.GetOutputLength(), static_cast<std::int32_t>(pieces.size()));
  EXPECT_TRUE(streamed.TakeOutput().empty());
}

TEST_F(PackedTextSheetTest, StoreFindsEveryRecordInAnyOrder) {
  // Records are found again by walking the fields from the nearest kept
  // place: asked for in any order, each is the one a walk from the start
  // gives.
  std::mt19937 random(91);
  const std::string text = RandomText(random, 6000);
  auto sheet = ReadSheet<TextSheet>(text);
  const PackedCells* store = sheet->GetCellList()->Packed();
  ASSERT_NE(store, nullptr);
  const std::vector<EntryValues> walked = Walked(*store);
  ASSERT_EQ(walked.size(), store->Size());
  ASSERT_GT(walked.size(), 2000u);
  std::vector<std::size_t> order(walked.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), random);
  order.insert(order.end(), {0, 1, 2, walked.size() - 1, 0});
  for (const std::size_t i : order) ASSERT_EQ(ValuesOf(store->At(i)), walked[i]) << i;
  EXPECT_EQ(Records(*sheet), ReadCellByCell<TextCell>(text));
}

// A large text is read in two parts at once and written by two threads
// taking turns; traced, it is read and written by one thread. Either way
// the records, the bytes written and the numbers named in warnings are
// those of cell-by-cell reading and of one thread.
TEST_F(PackedTextSheetTest, LargeTextsGiveTheSameByOneThreadOrTwo) {
  std::mt19937 random(1209);
  std::string text;
  while (text.size() < (5u << 20)) {
    text += RandomText(random, 1 + static_cast<int>(random() % 40));
    // Now and then a number no workbook holds, which the exchange writes
    // as a text and names.
    text += random() % 8 ? "\r\n" : "\t9E999\r";
  }
  static std::size_t traces = 0;
  const TraceSink counting = [](std::string_view) { ++traces; };
  const auto traced = [&](auto&& work) {
    SetTraceSink(counting);
    work();
    SetTraceSink(nullptr);
  };
  auto parted = ReadSheet<TextSheet>(text);
  const PackedCells* store = parted->GetCellList()->Packed();
  ASSERT_NE(store, nullptr);
  EXPECT_GE(store->Parts(), 2u);  // (3 when one thread took over the rest of the other's part)
  std::unique_ptr<TextSheet> whole;
  traced([&] { whole = ReadSheet<TextSheet>(text); });
  EXPECT_GT(traces, store->Size());
  EXPECT_EQ(whole->GetCellList()->Packed()->Parts(), 1u);

  // Any record is found again across the parts.
  const std::vector<EntryValues> walked = Walked(*whole->GetCellList()->Packed());
  ASSERT_EQ(walked.size(), store->Size());
  for (int probe = 0; probe < 20000; ++probe) {
    const std::size_t i = random() % walked.size();
    ASSERT_EQ(ValuesOf(store->At(i)), walked[i]) << i;
  }

  for (const FieldWriting* writing : {&kPlainFieldWriting, &kExchangeFieldWriting}) {
    const auto write = [&](ByteBuffer& bytes, std::vector<std::pair<std::int32_t, std::int32_t>>& named) {
      const OutputPieces::Sink kept;
      OutputPieces out(bytes, kept);
      const bool turns = WritePackedRecords(*store, out, ORIGIN_TAB_TEXT, *writing,
                                            [&](const std::vector<CellPosition>& cells) {
                                              for (const CellPosition& cell : cells) {
                                                named.emplace_back(cell.row, cell.column);
                                              }
                                            });
      out.Finish();
      return turns;
    };
    ByteBuffer inTurns;
    ByteBuffer byOne;
    std::vector<std::pair<std::int32_t, std::int32_t>> namedInTurns;
    std::vector<std::pair<std::int32_t, std::int32_t>> namedByOne;
    EXPECT_TRUE(write(inTurns, namedInTurns));
    traced([&] { EXPECT_FALSE(write(byOne, namedByOne)); });
    EXPECT_TRUE(inTurns == byOne);  // (too long to print)
    EXPECT_EQ(namedInTurns, namedByOne);
    EXPECT_EQ(namedInTurns.empty(), writing == &kPlainFieldWriting);
  }

  // Records as cell-by-cell reading makes them, for both kinds.
  EXPECT_EQ(Records(*parted), ReadCellByCell<TextCell>(text));
  auto exchange = ReadSheet<ExcelTextSheet>(text);
  EXPECT_GE(exchange->GetCellList()->Packed()->Parts(), 2u);
  EXPECT_EQ(Records(*exchange), ReadCellByCell<ExcelTextCell>(text));
}

TEST_F(PackedTextSheetTest, BlockVectorIndexesEveryElementAcrossItsBlocks) {
  BlockVector<std::uint32_t> values;
  std::mt19937 random(3);
  const std::size_t count = 1200000 + random() % 1000;
  for (std::size_t i = 0; i < count; ++i) values.push_back(static_cast<std::uint32_t>(i * 2654435761u));
  ASSERT_EQ(values.size(), count);
  std::size_t i = 0;
  values.ForEach([&](std::uint32_t value) {
    ASSERT_EQ(value, static_cast<std::uint32_t>(i * 2654435761u));
    ++i;
  });
  EXPECT_EQ(i, count);
  for (int probe = 0; probe < 20000; ++probe) {
    const std::size_t at = random() % count;
    ASSERT_EQ(values[at], static_cast<std::uint32_t>(at * 2654435761u)) << at;
  }
  EXPECT_EQ(values.back(), static_cast<std::uint32_t>((count - 1) * 2654435761u));
}

// Chains joined whole (each itself of two joined, an empty one among
// them), and grown after the join, give every element at its index, and
// runs that end with their blocks.
TEST_F(PackedTextSheetTest, BlockChainIndexesEveryElementAcrossItsLinks) {
  std::mt19937 random(5);
  const auto valueAt = [](std::size_t i) { return static_cast<std::uint32_t>(i * 2654435761u); };
  BlockChain<std::uint32_t> chain;
  std::size_t count = 0;
  for (const std::size_t length : {std::size_t{5000}, std::size_t{0}, std::size_t{700000}, std::size_t{1}}) {
    BlockChain<std::uint32_t> link;
    BlockChain<std::uint32_t> tail;
    for (std::size_t i = 0; i < length; ++i) (i < length / 3 ? link : tail).push_back(valueAt(count + i));
    link.Append(std::move(tail));
    chain.Append(std::move(link));
    EXPECT_EQ(link.size(), 0u);
    count += length;
  }
  for (int i = 0; i < 3000; ++i) chain.push_back(valueAt(count++));
  ASSERT_EQ(chain.size(), count);
  std::size_t walked = 0;
  while (walked < count) {
    const auto [run, following] = chain.RunFrom(walked);
    for (std::size_t i = 0; i <= following; ++i) ASSERT_EQ(run[i], valueAt(walked + i)) << walked + i;
    walked += following + 1;
  }
  EXPECT_EQ(walked, count);
  for (int probe = 0; probe < 20000; ++probe) {
    const std::size_t at = random() % count;
    ASSERT_EQ(chain[at], valueAt(at)) << at;
  }
}

// The thread that ends its part first takes over the rest of the other's:
// a text whose second half reads far quicker than its first (long fields
// against short ones) is read in three parts, into the records of
// cell-by-cell reading.
TEST_F(PackedTextSheetTest, TheThreadThatEndsFirstTakesOverTheRestOfTheOther) {
  std::mt19937 random(1210);
  std::string text;
  while (text.size() < (3u << 20)) text += RandomText(random, 1 + static_cast<int>(random() % 40)) + "\r\n";
  const std::string longField(4000, 'x');
  while (text.size() < (6u << 20)) text += longField + "\t" + RandomField(random) + "\r\n";
  const std::vector<CellValues> expected = ReadCellByCell<TextCell>(text);
  // (Threads may be held up by anything else on the machine: a few tries.)
  bool tookOver = false;
  for (int attempt = 0; attempt < 5 && !tookOver; ++attempt) {
    auto sheet = ReadSheet<TextSheet>(text);
    const PackedCells* store = sheet->GetCellList()->Packed();
    ASSERT_NE(store, nullptr);
    tookOver = store->Parts() == 3;
    // Found again from the places kept along the way, recounted in each
    // part appended, as walked from the start.
    const std::vector<EntryValues> walked = Walked(*store);
    for (int probe = 0; probe < 2000; ++probe) {
      const std::size_t i = random() % walked.size();
      ASSERT_EQ(ValuesOf(store->At(i)), walked[i]) << i;
    }
    // (Last: the records are taken out of the store.)
    ASSERT_EQ(Records(*sheet), expected);
  }
  EXPECT_TRUE(tookOver);
}

// A part keeps its texts' addresses when appended, so two stores of the
// same part cannot be joined.
TEST_F(PackedTextSheetTest, AStoreOfAPartAlreadyHeldIsNotAppended) {
  const std::string text = "a\tb\r\nc\r\n";
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  PackedCells first(SourceBytes(bytes, 5, nullptr), 0);
  PackedCells same(SourceBytes(bytes + 5, 3, nullptr), 0);
  EXPECT_THROW(first.Append(std::move(same), 1), std::logic_error);
  PackedCells later(SourceBytes(bytes + 5, 3, nullptr), 0, 1);
  first.Append(std::move(later), 1);
  EXPECT_EQ(first.Parts(), 2u);
}

TEST_F(PackedTextSheetTest, NumberTestAgreesWithTheNumberReader) {
  // Every field is asked whether it is a number; the quick test must say
  // what the reader, which takes numbers apart, finds.
  // The test that judges a short text at once, within a longer buffer,
  // must agree too, whatever bytes follow the text.
  static const std::string kBytes = "0123456789+-.eEx \t/:";
  std::mt19937 random(11);
  for (int round = 0; round < 200000; ++round) {
    std::string buffer;
    const std::size_t length = random() % 19;
    for (std::size_t i = 0; i < length + 16; ++i) buffer += kBytes[random() % kBytes.size()];
    const std::string_view text(buffer.data(), length);
    const bool number = !text.empty() && DecimalNumberLength(text) == text.size();
    ASSERT_EQ(IsDecimalNumber(text), number) << text;
    ASSERT_EQ(IsDecimalNumberWithin(text, buffer.data() + buffer.size()), number) << text;
  }
}

}  // namespace
}  // namespace gridlet
