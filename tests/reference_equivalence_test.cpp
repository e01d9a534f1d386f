// The fast paths of the engine against plain implementations of the same
// rules, on many generated inputs: the field splitting of tab text, the
// rewrite engine, the rounding of numbers to decimal digits, the sort of a
// cell list and the tokenizer; and the slot pool that cells and records
// come from.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "calc/formula_rewrites.h"
#include "encoding/decimal_digits.h"
#include "encoding/xb_tokens.h"
#include "model/field_scan.h"
#include "model/slot_pool.h"
#include "model/spreadsheet_text_rewrites.h"
#include "model/text_sheet.h"
#include "model/trace.h"

// Counts the blocks the slot pools hold: the memory aligned to a slot
// block's size.
namespace {
std::atomic<long> alignedBlocks{0};
bool IsSlotBlock(std::align_val_t align) {
  return static_cast<std::size_t>(align) == gridlet::kSlotBlockSize;
}
}  // namespace

void* operator new(std::size_t size, std::align_val_t align) {
  void* p = std::aligned_alloc(static_cast<std::size_t>(align),
                               (size + static_cast<std::size_t>(align) - 1) /
                                   static_cast<std::size_t>(align) * static_cast<std::size_t>(align));
  if (!p) throw std::bad_alloc();
  if (IsSlotBlock(align)) ++alignedBlocks;
  return p;
}
void operator delete(void* p, std::align_val_t align) noexcept {
  if (!p) return;
  if (IsSlotBlock(align)) --alignedBlocks;
  std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t align) noexcept {
  operator delete(p, align);
}

namespace gridlet {
namespace {

class Silenced : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = SetTraceSink(nullptr); }
  void TearDown() override { SetTraceSink(previous_); }

 private:
  TraceSink previous_ = nullptr;
};

// Bytes drawn from a small alphabet, so that separators, quotes, NULs and
// formula marks meet often.
std::string RandomText(std::mt19937& random, std::size_t length, std::string_view alphabet) {
  std::string text(length, ' ');
  for (char& c : text) c = alphabet[random() % alphabet.size()];
  return text;
}

// ------------------------------------------------------------ field scan

TEST(FieldScanTest, FindsTheFirstStopAtEveryOffsetAndLength) {
  std::mt19937 random(11);
  const std::string alphabet{"ab\t\r\n\0\x89\x8D\xFF", 9};
  for (int round = 0; round < 400; ++round) {
    // Mostly plain bytes, so that stops fall at every place of a word.
    std::string text = RandomText(random, random() % 40, "abcdefgh");
    for (char& c : text) {
      if (random() % 9 == 0) c = alphabet[random() % alphabet.size()];
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    for (std::size_t from = 0; from <= text.size(); ++from) {
      for (std::size_t to = from; to <= text.size(); ++to) {
        const std::uint8_t* expected = data + from;
        while (expected < data + to && *expected != '\t' && *expected != '\r' && *expected != 0) {
          ++expected;
        }
        ASSERT_EQ(FindFieldStop(data + from, data + to), expected) << from << ".." << to;
        const std::uint8_t* end = data + from;
        while (end < data + to && *end != '\t' && *end != '\r') ++end;
        ASSERT_EQ(FindFieldEnd(data + from, data + to), end) << from << ".." << to;
      }
    }
  }
}

// ------------------------------------------------------------ tab text

struct Record {
  std::int32_t row;
  std::int32_t column;
  std::int16_t type;
  std::string data;
  std::optional<std::string> data2;
  std::int32_t length;
  bool operator==(const Record&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Record& r) {
  return os << "(" << r.row << "," << r.column << ") type " << r.type << " [" << r.data << "] ["
            << r.data2.value_or("-") << "] length " << r.length;
}

// The reading of a text file byte by byte, as the rules state it: a field
// runs to its TAB (read with it) or to its CR (left for the row end); then
// a CR, and an LF after it, end the row.
// A well-formed decimal number: sign, digits with at most one point, an
// exponent.
const std::regex kNumber("[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?");

std::vector<Record> ReferenceRead(const std::string& bytes) {
  std::vector<Record> out;
  std::size_t pos = 0;
  std::int32_t row = 1;
  std::int32_t column = 1;
  while (pos < bytes.size()) {
    const std::size_t start = pos;
    int last = -1;
    while (last != '\r' && pos < bytes.size()) {
      last = static_cast<unsigned char>(bytes[pos++]);
      if (last == '\t') break;
    }
    std::size_t end = pos;
    if (last == '\t' || last == '\r') --end;
    if (last == '\r') --pos;
    std::string text = bytes.substr(start, end - start);
    text = text.substr(0, text.find('\0'));
    const std::int32_t cellColumn = column++;
    const std::int32_t cellRow = row;
    if (pos < bytes.size()) {
      if (bytes[pos++] == '\r') {
        if (pos < bytes.size() && bytes[pos++] != '\n') --pos;
        column = 1;
        ++row;
      } else {
        --pos;
      }
    }
    if (text.empty()) continue;
    Record r{cellRow, cellColumn, CELL_TEXT, "", std::nullopt, 0};
    if (text[0] == '=') {
      r.type = CELL_FORMULA;
      // Formulas arrive in the spreadsheet's spelling.
      ApplyRewrites(text, ExcelNamesToIntermediateTable(), kSpreadsheetFormulaRewrite);
      r.data2 = text;
    } else if (std::regex_match(text, kNumber)) {
      r.type = CELL_NUMBER;
      r.data = text;
    } else {
      // Quote runs collapse in a field that begins with a quote.
      std::string collapsed;
      for (std::size_t i = 0; i < text.size();) {
        std::size_t run = 0;
        while (i < text.size() && text[i] == '"') ++run, ++i;
        if (run) {
          collapsed.append(text[0] == '"' ? (run - 1) / 2 : run, '"');
        } else {
          collapsed += text[i++];
        }
      }
      r.length = static_cast<std::int32_t>(collapsed.size());
      r.data = collapsed;
    }
    out.push_back(r);
  }
  return out;
}

std::vector<Record> Read(const std::string& bytes, bool handedOver) {
  auto sheet = handedOver
                   ? std::make_unique<TextSheet>(ByteBuffer(bytes.begin(), bytes.end()))
                   : std::make_unique<TextSheet>(
                         reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  sheet->SetName("T");
  sheet->TranslateToIntermediate();
  std::vector<Record> out;
  for (const auto& cell : *sheet->GetCellList()) {
    const IntermediateCell& c = *cell->Cell();
    out.push_back({c.Row, c.Column, c.Type, c.Data, c.Data2, c.Length});
  }
  return out;
}

TEST_F(Silenced, TabTextReadsAsTheByteByByteRulesSay) {
  std::mt19937 random(5);
  const std::string alphabet{"a1.-=\"\t\t\r\r\n\0 xe+", 16};
  for (int round = 0; round < 3000; ++round) {
    const std::string bytes = RandomText(random, random() % 60, alphabet);
    ASSERT_EQ(Read(bytes, round % 2 == 0), ReferenceRead(bytes)) << ::testing::PrintToString(bytes);
  }
  // Long fields are kept whole.
  const std::string longField = std::string(300, 'w') + "\"\"\"" + std::string(20, 'z');
  EXPECT_EQ(Read(longField + "\t1\r\n" + longField, false),
            ReferenceRead(longField + "\t1\r\n" + longField));
}

// ------------------------------------------------------------ rewrites

// The rewrite as the rules state it, position by position: each match is
// spliced in and the search goes on after the inserted text. A match needs
// its context in the text as it stands, no string literal or named escape
// around its first byte, and letters equal in case unless the case is
// ignored (but inside the find text's escapes).
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlnum(char c) { return IsLetter(c) || IsDigit(c); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool ReferenceEndsOperand(const std::string& before) {
  if (before.empty()) return false;
  const char c = before.back();
  if (IsAlnum(c) || std::string_view(".)]}\"%").find(c) != std::string_view::npos) return true;
  if (c != '_') return false;
  for (const char* escape : {"_neg_", "_EE_", "_<=_", "_>=_", "_!=_", "_->_"}) {
    if (before.ends_with(escape)) return false;
  }
  return before.size() > 1;
}

bool ReferenceInsideEscape(const std::string& text, std::size_t at) {
  std::size_t i = 0;
  while (i < at) {
    std::size_t close = std::string::npos;
    if (text[i] == '_') {
      for (std::size_t j = i + 1; j < text.size() && j <= i + 12; ++j) {
        if (text[j] == ' ' || text[j] == '"') break;
        if (text[j] == '_') {
          if (j > i + 1) close = j;
          break;
        }
      }
    }
    if (close == std::string::npos) {
      ++i;
      continue;
    }
    if (at < close + 1) return true;
    i = close + 1;
  }
  return false;
}

// Whether the rule's find text and its context stand at `at` of the text
// as it stands (with the row's earlier replacements spliced in).
bool ReferenceMatchesAt(const std::string& text, std::size_t at, const RewriteRule& rule,
                        bool ignoreLetterCase) {
  const std::string_view find = rule.find;
  if (at + find.size() > text.size()) return false;
  bool inEscape = false;
  for (std::size_t i = 0; i < find.size(); ++i) {
    if (find[i] == '_') inEscape = !inEscape;
    const bool exact = !ignoreLetterCase || inEscape;
    if (exact ? text[at + i] != find[i] : Lower(text[at + i]) != Lower(find[i])) return false;
  }
  const std::string before = text.substr(0, at);
  const std::optional<char> previous = at ? std::optional(text[at - 1]) : std::nullopt;
  switch (rule.before) {
    case Before::Operand:
      if (!ReferenceEndsOperand(before)) return false;
      break;
    case Before::NoOperand:
      if (ReferenceEndsOperand(before)) return false;
      break;
    case Before::Digit:
      if (!previous || !(IsDigit(*previous) || *previous == '.')) return false;
      break;
    case Before::NameBoundary:
      if (previous && IsLetter(find.front()) && IsLetter(*previous)) return false;
      if (previous && IsDigit(find.front()) && (IsAlnum(*previous) || *previous == '.')) {
        return false;
      }
      break;
  }
  const std::size_t end = at + find.size();
  const std::optional<char> next = end < text.size() ? std::optional(text[end]) : std::nullopt;
  switch (rule.after) {
    case After::NoName:
      return !next || !(IsAlnum(*next) || *next == '_');
    case After::Digit:
      return next && (IsDigit(*next) || *next == '.');
    case After::NameBoundary:
      if (!next) return true;
      if (IsLetter(find.back())) return !IsAlnum(*next) && *next != '(';
      if (IsDigit(find.back())) return !IsAlnum(*next) && *next != '.';
      return true;
  }
  return true;
}

bool ReferenceRewrite(std::string& text, std::span<const RewriteRule> table,
                      RewriteOptions options) {
  bool changed = false;
  for (const RewriteRule& rule : table) {
    if (rule.find.empty()) continue;
    // String literals and escapes are those of the text as the row begins.
    const std::string original = text;
    std::size_t shift = 0;  // how far the text has moved against the original
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t originalAt = at - shift;
      const bool literal = options.skipStringLiterals &&
                           std::count(original.begin(), original.begin() + originalAt, '"') % 2;
      if (literal || ReferenceInsideEscape(original, originalAt) ||
          !ReferenceMatchesAt(text, at, rule, options.ignoreLetterCase)) {
        ++at;
        continue;
      }
      text = text.substr(0, at) + std::string(rule.replace) + text.substr(at + rule.find.size());
      at += rule.replace.size();
      shift += rule.replace.size() - rule.find.size();
      changed = true;
    }
  }
  return changed;
}

TEST(RewriteEquivalenceTest, EveryTableRewritesAsTheSplicingRulesSay) {
  struct Table {
    std::span<const RewriteRule> rules;
    RewriteOptions options;
  };
  const RewriteOptions formula{.skipStringLiterals = true};
  const Table tables[] = {{ExcelNamesToIntermediateTable(), kSpreadsheetFormulaRewrite},
                          {IntermediateNamesToExcelTable(), kSpreadsheetFormulaRewrite},
                          {XbToIntermediateRewrites(), formula},
                          {IntermediateToXbRewrites(), formula},
                          {Sheet68kToIntermediateRewrites(), formula},
                          {IntermediateToSheet68kRewrites(), formula},
                          {XbToIntermediateRewrites(), {}}};
  std::mt19937 random(3);
  for (const Table& table : tables) {
    // Texts made of pieces of the table's own find and replace texts, cut
    // at random, and of a few other bytes, so that rules meet, overlap and
    // feed each other.
    std::vector<std::string> pieces{"a", "(", "_", "1", "\xB0", "\"", "-", "A", "_pi_"};
    for (const RewriteRule& rule : table.rules) {
      pieces.emplace_back(rule.find);
      pieces.emplace_back(rule.replace);
      pieces.emplace_back(rule.find.substr(0, rule.find.size() / 2));
    }
    for (int round = 0; round < 1500; ++round) {
      std::string text;
      const int count = static_cast<int>(random() % 12);
      for (int i = 0; i < count; ++i) text += pieces[random() % pieces.size()];
      std::string expected = text;
      const bool expectedChanged = ReferenceRewrite(expected, table.rules, table.options);
      std::string actual = text;
      ASSERT_EQ(ApplyRewrites(actual, table.rules, table.options), expectedChanged) << text;
      ASSERT_EQ(actual, expected) << text;
    }
  }
}

// ------------------------------------------------------------ decimal digits

// Rounding from the complete decimal expansion of the double, which has at
// most 767 significant digits.
DecimalDigits ReferenceDigits(double value, int count) {
  count = std::clamp(count, 1, 14);
  DecimalDigits result{};
  std::fill(result.digits, result.digits + count, '0');
  if (std::isnan(value)) return result;
  if (std::isinf(value)) value = std::copysign(std::numeric_limits<double>::max(), value);
  result.negative = std::signbit(value);
  if (value == 0) return result;
  char buf[800];
  const auto printed = std::to_chars(buf, buf + sizeof buf, std::fabs(value),
                                     std::chars_format::scientific, 780);
  std::string digits;
  const char* p = buf;
  for (; p < printed.ptr && *p != 'e'; ++p) {
    if (*p != '.') digits += *p;
  }
  int exponent = 0;
  std::from_chars(p + (p[1] == '+' ? 2 : 1), printed.ptr, exponent);
  std::string kept = digits.substr(0, count);
  if (digits[count] >= '5') {
    int i = count - 1;
    for (; i >= 0 && kept[i] == '9'; --i) kept[i] = '0';
    if (i >= 0) {
      ++kept[i];
    } else {
      kept[0] = '1';
      ++exponent;
    }
  }
  std::copy(kept.begin(), kept.end(), result.digits);
  result.pointPosition = exponent + 1;
  return result;
}

void ExpectSameDigits(double value, int count) {
  const DecimalDigits expected = ReferenceDigits(value, count);
  const DecimalDigits actual = ToDecimalDigits(value, count);
  ASSERT_STREQ(actual.digits, expected.digits) << value << " to " << count;
  ASSERT_EQ(actual.pointPosition, expected.pointPosition) << value << " to " << count;
  ASSERT_EQ(actual.negative, expected.negative) << value;
}

TEST(DecimalDigitsEquivalenceTest, RoundsAsTheCompleteExpansionDoes) {
  std::mt19937_64 random(17);
  for (int round = 0; round < 20000; ++round) {
    // Any bit pattern: normal, subnormal, huge and tiny doubles alike.
    const std::uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (std::isnan(value)) continue;
    ExpectSameDigits(value, 14);
    ExpectSameDigits(value, static_cast<int>(1 + random() % 14));
  }
  for (int round = 0; round < 20000; ++round) {
    // Numbers as sheets hold them, and halves of the last digit kept.
    const double value = static_cast<double>(random() % 2000000) / 100.0;
    ExpectSameDigits(value, 14);
    ExpectSameDigits(value, 3);
    ExpectSameDigits(std::ldexp(static_cast<double>(random() % 100000 * 2 + 1), -20), 5);
  }
  for (int e = -1074; e <= 1023; ++e) ExpectSameDigits(std::ldexp(1.0, e), 14);
  for (double v : {0.1, 0.5, 1.5, 2.5, 0.125, 123456789012345.0, 99999999999999.5,
                   9.99999999999995e99, 1e300, 5e-324, std::numeric_limits<double>::max()}) {
    ExpectSameDigits(v, 14);
    ExpectSameDigits(-v, 13);
  }
}

// ------------------------------------------------------------ sort

TEST_F(Silenced, SortByPositionMatchesAStableSortOfThePositions) {
  std::mt19937 random(23);
  for (int round = 0; round < 200; ++round) {
    const std::size_t count = random() % 300;
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += "1\r\n";
    TextSheet sheet(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    sheet.SetName("S");
    sheet.TranslateToIntermediate();
    CellList& cells = *sheet.GetCellList();
    ASSERT_EQ(cells.Size(), count);
    // Few distinct positions, negative ones too, so that ties are common.
    const int spread = 1 + static_cast<int>(random() % 20);
    for (std::size_t i = 0; i < count; ++i) {
      cells.At(i).Cell()->Row = static_cast<std::int32_t>(random() % spread) - 3;
      cells.At(i).Cell()->Column =
          i % 17 == 0 ? std::numeric_limits<std::int32_t>::min()
                      : static_cast<std::int32_t>(random() % spread);
    }
    std::vector<SpreadsheetCell*> expected;
    for (std::size_t i = 0; i < count; ++i) expected.push_back(&cells.At(i));
    std::stable_sort(expected.begin(), expected.end(), [](SpreadsheetCell* a, SpreadsheetCell* b) {
      return std::pair{a->Cell()->Row, a->Cell()->Column} < std::pair{b->Cell()->Row, b->Cell()->Column};
    });
    cells.Next();
    cells.SortByPosition();
    std::vector<SpreadsheetCell*> actual;
    for (std::size_t i = 0; i < count; ++i) actual.push_back(&cells.At(i));
    ASSERT_EQ(actual, expected);
    // The cursor starts again from the front.
    EXPECT_EQ(cells.Next(), count ? &cells.At(0) : nullptr);
  }
}

// ------------------------------------------------------------ tokenizer

// Longest match in the tokenize list by plain comparison of every name.
std::vector<std::uint8_t> ReferenceTokens(std::string_view text) {
  std::vector<std::uint8_t> out;
  for (std::size_t pos = 0; pos < text.size();) {
    const char c = text[pos];
    if (c == '\n') {
      ++pos;
      continue;
    }
    if (static_cast<unsigned char>(c) >= 0x80) {
      out.push_back(0x29);
      ++pos;
      continue;
    }
    std::uint16_t code = c == ' ' ? 0x29 : 0xAF;
    std::size_t length = 1;
    for (const XbTokenizeEntry& entry : XbTokenizeGroup(c)) {
      if (text.substr(pos).starts_with(entry.name)) {
        code = entry.code;
        length = entry.name.size();
        break;
      }
    }
    if (code > 0xFF) out.push_back(static_cast<std::uint8_t>(code >> 8));
    out.push_back(static_cast<std::uint8_t>(code));
    pos += length;
  }
  return out;
}

TEST(TokenizerEquivalenceTest, LongestNamesWinAsInAPlainSearch) {
  std::vector<std::string_view> names;
  for (const XbTokenizeEntry& entry : XbTokenizeList()) names.push_back(entry.name);
  std::mt19937 random(29);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int count = static_cast<int>(random() % 10);
    for (int i = 0; i < count; ++i) {
      const std::string_view name = names[random() % names.size()];
      // Whole names, and names cut short, which must fall back to shorter
      // ones.
      text += random() % 3 ? name : name.substr(0, name.size() / 2 + 1);
    }
    std::vector<std::uint8_t> tokens(2 * text.size() + 1);
    tokens.resize(XbTextToTokens(tokens.data(), tokens.size(), text));
    ASSERT_EQ(tokens, ReferenceTokens(text)) << text;
  }
}

// ------------------------------------------------------------ slot pool

TEST_F(Silenced, SlotBlocksGoBackOnceTheirSlotsAreFreed) {
  if (!GRIDLET_SLOT_POOL) GTEST_SKIP() << "the slots come from the general heap in this build";
  const long before = alignedBlocks.load();
  {
    // Enough cells for several blocks of records and of cells.
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "12\tab\t=A1\r\n";
    TextSheet sheet(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    sheet.SetName("S");
    sheet.TranslateToIntermediate();
    EXPECT_EQ(sheet.GetCellList()->Size(), 60000u);
    EXPECT_EQ(sheet.GetCellList()->At(59999).Cell()->Data2, "=A1");
    EXPECT_GT(alignedBlocks.load() - before, 4);
  }
  // What is left is at most each pool's current block and its spare.
  EXPECT_LE(alignedBlocks.load() - before, 4);
}

TEST_F(Silenced, RecordsMadeOnOneThreadAreFreedOnAnother) {
  std::vector<std::unique_ptr<IntermediateCell>> records;
  std::thread maker([&] {
    for (int i = 0; i < 10000; ++i) {
      records.push_back(std::make_unique<IntermediateCell>());
      records.back()->Row = i;
      records.back()->Data = std::string(static_cast<std::size_t>(i % 40), 'x');
    }
  });
  maker.join();
  // The maker's thread has ended; its blocks live on with their records.
  for (int i = 0; i < 10000; ++i) {
    ASSERT_EQ(records[static_cast<std::size_t>(i)]->Row, i);
    ASSERT_EQ(records[static_cast<std::size_t>(i)]->Data.size(), static_cast<std::size_t>(i % 40));
  }
  const long held = alignedBlocks.load();
  records.clear();
  if (GRIDLET_SLOT_POOL) {
    EXPECT_LT(alignedBlocks.load(), held);
  }
  // And slots freed here while this thread makes new ones.
  std::vector<std::unique_ptr<IntermediateCell>> more;
  for (int i = 0; i < 5000; ++i) {
    more.push_back(std::make_unique<IntermediateCell>());
    more.back()->Column = i;
    if (i % 3 == 0) more[static_cast<std::size_t>(i / 2)].reset();
  }
  for (int i = 0; i < 5000; ++i) {
    if (more[static_cast<std::size_t>(i)]) {
      ASSERT_EQ(more[static_cast<std::size_t>(i)]->Column, i);
    }
  }
}

}  // namespace
}  // namespace gridlet
