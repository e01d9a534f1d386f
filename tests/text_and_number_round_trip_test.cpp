// Texts and numbers through every format, as properties over random sheets
// with fixed seeds:
//   - a text of any Windows-1252 characters, with quotes at its start, its
//     end, inside or alone, survives tab text and a 68k-class file exactly,
//     and an XB Plus file up to what that calculator forces, every such
//     change named in a warning with its cell and no other cell named;
//   - a calculator's own texts and numbers survive tab text and back;
//   - numbers written in any form arrive rounded to fourteen digits, and a
//     number beyond a calculator's range is named and kept as the text
//     stating it;
//   - what a target cannot hold (formulas, cells off the sheet, data over
//     the size limit) is left out and named, and damaged records never
//     move other cells.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calc/formula_names.h"
#include "encoding/cp1252.h"
#include "encoding/xb_tokens.h"
#include "model/cell_address.h"
#include "model/decimal_number.h"
#include "model/sheet_changes.h"
#include "model/text_sheet.h"
#include "model/trace.h"
#include "support/calculator_sheets.h"
#include "support/in_memory_conversion.h"
#include "support/record_sheet.h"
#include "support/seeded_random.h"

namespace gridlet {
namespace {

using testing::Position;
using testing::Random;
using testing::RecordSheet;
using testing::StoredRecord;
using Records = std::map<Position, IntermediateCell>;

// ------------------------------------------------------------ generators

// Whether the text spells a named escape ("_pi_"): such a spelling is the
// escape itself and stands for its calculator character.
bool SpellsAnEscape(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (EscapeLengthAt(text, i) != 0) return true;
  }
  return false;
}

// Whether a text holds a Windows-1252 character from 0x80 to 0x9F (€,
// curly quotes...), which neither calculator has: the 68k-class ones keep
// symbols of their own there.
bool HasWindows1252Only(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 && byte < 0xA0 && IsCp1252Character(byte);
  });
}

// Every Windows-1252 character a field of tab text can hold: all but TAB
// and CR, which end a field, and NUL, which ends a text.
const std::vector<char>& TextCharacters() {
  static const std::vector<char> characters = [] {
    std::vector<char> out;
    for (int byte = 1; byte < 256; ++byte) {
      if (byte == '\t' || byte == '\r' || !IsCp1252Character(static_cast<unsigned char>(byte))) continue;
      out.push_back(static_cast<char>(byte));
    }
    return out;
  }();
  return characters;
}

// A text of characters drawn from `alphabet`, with quotes at its start,
// its end, inside, at both ends or alone, now and then; never the
// spelling of an escape.
std::string RandomText(Random& random, const std::vector<char>& alphabet, int longest) {
  for (;;) {
    std::string text;
    const int length = random.Between(0, longest);
    for (int i = 0; i < length; ++i) {
      text += alphabet[static_cast<std::size_t>(random.Between(0, static_cast<int>(alphabet.size()) - 1))];
    }
    const std::string quotes(static_cast<std::size_t>(random.Between(1, 3)), '"');
    switch (random.Between(0, 5)) {
      case 0: text = quotes + text; break;
      case 1: text += quotes; break;
      case 2: text.insert(text.size() / 2, quotes); break;
      case 3: text = quotes + text + quotes; break;
      case 4: text = quotes; break;
      default: break;
    }
    if (!SpellsAnEscape(text)) return text;
  }
}

// Distinct random positions on rows 1..999 and columns 1..columns.
std::vector<Position> RandomPositions(Random& random, std::size_t count, int columns) {
  std::map<Position, bool> chosen;
  while (chosen.size() < count) chosen[{random.Between(1, 999), random.Between(1, columns)}] = true;
  std::vector<Position> out;
  for (const auto& [at, unused] : chosen) out.push_back(at);
  return out;
}

IntermediateCell Record(const Position& at, std::int16_t type, std::string data) {
  IntermediateCell record;
  record.Row = at.first;
  record.Column = at.second;
  record.Type = type;
  record.Data = std::move(data);
  return record;
}

// Fourteen random digits, the first not zero, packed as BCD.
std::string RandomMantissa(Random& random) {
  std::string bcd;
  for (int i = 0; i < 7; ++i) {
    const int high = i == 0 ? random.Between(1, 9) : random.Between(0, 9);
    bcd.push_back(static_cast<char>(high << 4 | random.Between(0, 9)));
  }
  return bcd;
}

// A number as people and programs write it: a sign or none, digits with a
// point anywhere or none, an exponent mark in either case with a sign or
// none. Its decimal exponent lies within -limit..limit.
std::string RandomNumberText(Random& random, int limit) {
  static const char* const kSigns[] = {"", "", "-", "+"};
  std::string digits;
  const int count = random.Between(1, 20);
  for (int i = 0; i < count; ++i) digits += static_cast<char>('0' + random.Between(0, 9));
  std::string text = random.Pick(kSigns);
  const int point = random.Between(-1, count);  // -1: no point
  text += point < 0 ? digits : digits.substr(0, static_cast<std::size_t>(point)) + "." +
                                   digits.substr(static_cast<std::size_t>(point));
  if (random.OneIn(2)) {
    text += random.OneIn(2) ? "E" : "e";
    const int exponent = random.Between(-limit + 20, limit - 20);
    text += (exponent < 0 ? "-" : random.OneIn(2) ? "+" : "") + std::to_string(std::abs(exponent));
  }
  return text;
}

// ------------------------------------------------------------ the fixture

class TextsAndNumbersTest : public ::testing::Test, protected testing::InMemoryConversion {
 protected:
  void SetUp() override { previous_ = SetTraceSink(nullptr); }
  void TearDown() override { SetTraceSink(previous_); }

  // Converts the file into a folder of its own; returns the path of the
  // file written, "" when none was.
  std::string Convert(const std::string& path, GRIDLET_FILE_TYPES from, GRIDLET_FILE_TYPES to,
                      bool strict = false) {
    const auto [written, result] =
        ConvertToNewFolder(path, from, to, to == QZ_GRIDLET_XBP ? "SHEET" : "sheet", strict);
    lastResult = result;
    return written;
  }

  // A tab-text file of the records as the writer lays them out.
  std::string PutTabText(const std::vector<IntermediateCell>& records) {
    RecordSheet source(records);
    TextSheet text(source);
    text.TranslateFromIntermediate();
    const ByteBuffer bytes = text.GetOutput();
    const std::string path = "/in/" + std::to_string(++conversions_) + ".txt";
    files.Put(path, std::string(bytes.begin(), bytes.begin() + text.GetOutputLength()));
    return path;
  }

  // The records of a tab-text file by position.
  Records ReadTabText(const std::string& path) {
    const std::string& bytes = files.files[path];
    TextSheet sheet(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    sheet.SetName("x");
    sheet.TranslateToIntermediate();
    Records out;
    for (const auto& cell : *sheet.GetCellList()) out[{cell->Cell()->Row, cell->Cell()->Column}] = *cell->Cell();
    return out;
  }

  // The texts of the warnings and errors shown since the last call.
  std::vector<std::string> TakeMessages(bool errors) {
    std::vector<std::string> out;
    for (const auto& box : boxes.boxes) {
      if (((box.style & MB_ICONMASK) == MB_ICONERROR) == errors) out.push_back(box.text);
    }
    return out;
  }
  void ForgetMessages() { boxes.boxes.clear(); }

  // Whether a warning names the cell.
  bool Named(const Position& at) {
    const std::string name = CellAddress(at.first, at.second);
    for (const std::string& warning : TakeMessages(false)) {
      for (std::size_t i = warning.find(name); i != std::string::npos; i = warning.find(name, i + 1)) {
        const bool before = i > 0 && (warning[i - 1] == ' ');
        const std::size_t end = i + name.size();
        const bool after = end < warning.size() && (warning[end] == ',' || warning[end] == '.' ||
                                                     warning[end] == ' ');
        if (before && after) return true;
      }
    }
    return false;
  }

  HRESULT lastResult = S_OK;

 private:
  TraceSink previous_ = nullptr;
  int conversions_ = 0;
};

// ------------------------------------------------------------ texts

TEST_F(TextsAndNumbersTest, TextsSurviveTabTextAndTheSixtyEightKClassOrTheChangeIsNamed) {
  const GRIDLET_FILE_TYPES calculators[] = {QZ_GRIDLET_XC, QZ_GRIDLET_XD, QZ_GRIDLET_XF};
  for (std::uint64_t seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Random random(seed);
    // Few enough cells for every warning to list them all.
    std::vector<IntermediateCell> records;
    for (const Position& at : RandomPositions(random, 10, 64)) {
      records.push_back(Record(at, CELL_TEXT, RandomText(random, TextCharacters(), 40)));
    }
    const std::string source = PutTabText(records);
    const std::string again = Convert(source, QZ_TAB_TEXT, QZ_TAB_TEXT);
    const Records viaText = ReadTabText(again);
    EXPECT_TRUE(TakeMessages(false).empty());
    const GRIDLET_FILE_TYPES calculator = calculators[seed % 3];
    const Records viaCalculator =
        ReadTabText(Convert(Convert(source, QZ_TAB_TEXT, calculator), calculator, QZ_TAB_TEXT));
    ASSERT_EQ(viaText.size(), records.size());
    ASSERT_EQ(viaCalculator.size(), records.size());
    for (const IntermediateCell& record : records) {
      const Position at{record.Row, record.Column};
      ASSERT_TRUE(viaText.count(at) && viaCalculator.count(at)) << CellAddress(at.first, at.second) << " moved";
      EXPECT_EQ(viaText.at(at).Type, CELL_TEXT);
      EXPECT_EQ(viaText.at(at).Data, record.Data);
      // Through the calculator: the text as it was, or its change named.
      EXPECT_EQ(viaCalculator.at(at).Type, CELL_TEXT);
      const bool changed = viaCalculator.at(at).Data != record.Data;
      EXPECT_EQ(changed, HasWindows1252Only(record.Data)) << record.Data;
      EXPECT_EQ(Named(at), changed) << record.Data;
    }
    EXPECT_TRUE(TakeMessages(true).empty());
    ForgetMessages();
  }
}

TEST_F(TextsAndNumbersTest, CalculatorTextsSurviveTabTextExactly) {
  // Stored bytes 1..255 but 0x0A, which reads as the newline (0x0D) does,
  // and the underscore: the letters of an escape's name between two would
  // be read as that escape.
  std::vector<char> stored;
  for (int byte = 1; byte < 256; ++byte) {
    if (byte != '\n' && byte != '_') stored.push_back(static_cast<char>(byte));
  }
  for (std::uint64_t seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Random random(seed);
    std::vector<StoredRecord> records;
    for (const Position& at : RandomPositions(random, 10, 64)) {
      records.push_back({at, 1, "\"" + RandomText(random, stored, 60) + "\"" + std::string(1, '\0')});
    }
    files.Put("/in/texts.xdy", testing::Sheet68kFile("texts", records));
    const std::string text = Convert("/in/texts.xdy", QZ_GRIDLET_XD, QZ_TAB_TEXT);
    // Every text stays in its cell: no newline or TAB starts a row or a field.
    EXPECT_EQ(ReadTabText(text).size(), records.size());
    const std::string back = Convert(text, QZ_TAB_TEXT, QZ_GRIDLET_XD);
    std::vector<StoredRecord> written = testing::StoredRecords(files.files[back]);
    std::sort(records.begin(), records.end(), [](auto& a, auto& b) {
      return std::make_pair(a.at.first, a.at.second) < std::make_pair(b.at.first, b.at.second);
    });
    ASSERT_EQ(written.size(), records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
      EXPECT_EQ(written[i].at, records[i].at);
      EXPECT_EQ(written[i].type, 1);
      EXPECT_EQ(written[i].payload, records[i].payload) << CellAddress(records[i].at.first, records[i].at.second);
    }
    EXPECT_TRUE(TakeMessages(false).empty());
  }
}

// The characters an XB Plus text holds as they are: capitals, digits and
// the punctuation whose token reads back as itself, the degree sign,
// squared, cubed and the newline.
const std::vector<char>& XbPlusCharacters() {
  static const std::vector<char> characters = [] {
    std::vector<char> out = {'\xB0', '\xB2', '\xB3', '\n'};
    for (char c = ' '; c < 0x7F; ++c) {
      if (c >= 'a' && c <= 'z') continue;
      std::uint8_t tokens[4];
      const std::size_t count = XbTextToTokens(tokens, sizeof tokens, std::string(1, c));
      std::string back;
      XbTokensToText(tokens, count, back);
      if (back == std::string(1, c)) out.push_back(c);
    }
    return out;
  }();
  return characters;
}

std::string Capitals(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

TEST_F(TextsAndNumbersTest, TextsSurviveAnXbPlusFileOrTheChangeIsNamed) {
  for (std::uint64_t seed = 1; seed <= 120; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Random random(seed);
    // Few enough cells for every warning to list them all.
    std::vector<IntermediateCell> records;
    for (const Position& at : RandomPositions(random, 10, 26)) {
      const bool plain = random.OneIn(2);
      records.push_back(Record(at, CELL_TEXT,
                               plain ? RandomText(random, XbPlusCharacters(), 30)
                                     : RandomText(random, TextCharacters(), 50)));
    }
    const std::string back =
        Convert(Convert(PutTabText(records), QZ_TAB_TEXT, QZ_GRIDLET_XBP), QZ_GRIDLET_XBP, QZ_TAB_TEXT);
    const Records read = ReadTabText(back);
    ASSERT_EQ(read.size(), records.size());
    for (const IntermediateCell& record : records) {
      const Position at{record.Row, record.Column};
      const IntermediateCell& got = read.at(at);
      EXPECT_EQ(got.Type, CELL_TEXT);
      // A text changed is named; one that came back is not, and a text in
      // the XB Plus's own characters comes back.
      EXPECT_EQ(Named(at), got.Data != record.Data) << CellAddress(at.first, at.second) << ": "
                                                      << record.Data << " -> " << got.Data;
      if (Capitals(record.Data) == record.Data && record.Data.size() <= 30 &&
          std::all_of(record.Data.begin(), record.Data.end(), [](char c) {
            const auto& plain = XbPlusCharacters();
            return std::find(plain.begin(), plain.end(), c) != plain.end();
          })) {
        EXPECT_EQ(got.Data, record.Data);
      }
    }
    ForgetMessages();
  }
}

TEST_F(TextsAndNumbersTest, ALeadingQuoteOfATextIsKeptOnBothCalculators) {
  // Texts from tab text carry no calculator's opening quote; a quote of
  // their own is theirs to keep.
  const std::vector<IntermediateCell> records = {Record({1, 1}, CELL_TEXT, "\"QUOTED\""),
                                                 Record({2, 1}, CELL_TEXT, "\"OPEN"),
                                                 Record({3, 1}, CELL_TEXT, "5 FT 3\"")};
  const std::string source = PutTabText(records);
  for (GRIDLET_FILE_TYPES type : {QZ_GRIDLET_XBP, QZ_GRIDLET_XD}) {
    const Records back = ReadTabText(Convert(Convert(source, QZ_TAB_TEXT, type), type, QZ_TAB_TEXT));
    for (const IntermediateCell& record : records) {
      EXPECT_EQ(back.at({record.Row, record.Column}).Data, record.Data);
    }
  }
}

// ------------------------------------------------------------ numbers

TEST_F(TextsAndNumbersTest, CalculatorNumbersSurviveTabText) {
  for (std::uint64_t seed = 1; seed <= 30; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Random random(seed);
    std::vector<StoredRecord> reals;
    std::vector<StoredRecord> floats;
    for (const Position& at : RandomPositions(random, 40, 26)) {
      const bool negative = random.OneIn(2);
      std::string real{negative ? '\x80' : '\0', static_cast<char>(0x80 + random.Between(-99, 99))};
      reals.push_back({at, 0, real + RandomMantissa(random)});
      const int word = (negative ? 0xC000 : 0x4000) + random.Between(-999, 999);
      const std::string head{static_cast<char>(word >> 8), static_cast<char>(word & 0xFF)};
      floats.push_back({at, 0, head + RandomMantissa(random) + "\x23"});
    }
    files.Put("/in/n.xbv", testing::XbPlusFile("N", reals));
    files.Put("/in/n.xdy", testing::Sheet68kFile("n", floats));
    const std::string xb = Convert(Convert("/in/n.xbv", QZ_GRIDLET_XBP, QZ_TAB_TEXT), QZ_TAB_TEXT, QZ_GRIDLET_XBP);
    const std::string xd = Convert(Convert("/in/n.xdy", QZ_GRIDLET_XD, QZ_TAB_TEXT), QZ_TAB_TEXT, QZ_GRIDLET_XD);
    for (const auto& [file, wanted] : {std::pair{xb, reals}, std::pair{xd, floats}}) {
      const std::vector<StoredRecord> written = testing::StoredRecords(files.files[file]);
      ASSERT_EQ(written.size(), wanted.size());
      std::map<Position, StoredRecord> byPosition;
      for (const StoredRecord& record : written) byPosition[record.at] = record;
      for (const StoredRecord& record : wanted) {
        EXPECT_EQ(byPosition[record.at].type, 0);
        EXPECT_EQ(byPosition[record.at].payload, record.payload)
            << CellAddress(record.at.first, record.at.second);
      }
    }
    EXPECT_TRUE(TakeMessages(false).empty());
  }
}

TEST_F(TextsAndNumbersTest, NumbersInAnyWrittenFormArriveRoundedToFourteenDigits) {
  for (std::uint64_t seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Random random(seed);
    std::vector<IntermediateCell> records;
    for (const Position& at : RandomPositions(random, 30, 26)) {
      records.push_back(Record(at, CELL_NUMBER, RandomNumberText(random, 99)));
    }
    const std::string source = PutTabText(records);
    for (GRIDLET_FILE_TYPES type : {QZ_GRIDLET_XBP, QZ_GRIDLET_XC}) {
      const Records back = ReadTabText(Convert(Convert(source, QZ_TAB_TEXT, type), type, QZ_TAB_TEXT));
      for (const IntermediateCell& record : records) {
        const IntermediateCell& got = back.at({record.Row, record.Column});
        ASSERT_EQ(got.Type, CELL_NUMBER) << record.Data;
        const std::optional<DecimalNumber> want = ParseDecimalNumber(record.Data);
        const std::optional<DecimalNumber> have = ParseDecimalNumber(got.Data);
        ASSERT_TRUE(want && have) << record.Data << " -> " << got.Data;
        const bool zero = want->IsZero();
        EXPECT_EQ(have->IsZero(), zero) << record.Data << " -> " << got.Data;
        if (zero) continue;
        EXPECT_EQ(have->negative, want->negative) << record.Data << " -> " << got.Data;
        EXPECT_EQ(have->exponent, want->exponent) << record.Data << " -> " << got.Data;
        EXPECT_EQ(have->count, want->count) << record.Data << " -> " << got.Data;
        EXPECT_EQ(have->digits, want->digits) << record.Data << " -> " << got.Data;
      }
    }
    EXPECT_TRUE(TakeMessages(false).empty());
  }
}

TEST_F(TextsAndNumbersTest, NumbersBeyondACalculatorAreNamedAndKeptAsTheirText) {
  struct Target {
    GRIDLET_FILE_TYPES type;
    int limit;
  };
  for (const Target target : {Target{QZ_GRIDLET_XBP, 99}, Target{QZ_GRIDLET_XD, 999}}) {
    for (std::uint64_t seed = 1; seed <= 20; ++seed) {
      SCOPED_TRACE("seed " + std::to_string(seed));
      Random random(seed);
      std::vector<IntermediateCell> records;
      for (const Position& at : RandomPositions(random, 8, 26)) {
        // A few digits, then an exponent beyond the range either way.
        std::string text = (random.OneIn(2) ? "-" : "") + std::to_string(random.Between(1, 99999));
        const int beyond = target.limit + random.Between(6, 2000);
        text += "E" + std::to_string(random.OneIn(2) ? beyond : -beyond);
        records.push_back(Record(at, CELL_NUMBER, text));
      }
      const Records back = ReadTabText(
          Convert(Convert(PutTabText(records), QZ_TAB_TEXT, target.type), target.type, QZ_TAB_TEXT));
      for (const IntermediateCell& record : records) {
        const Position at{record.Row, record.Column};
        EXPECT_EQ(back.at(at).Type, CELL_TEXT);
        EXPECT_EQ(back.at(at).Data, record.Data);
        EXPECT_TRUE(Named(at)) << record.Data;
      }
      ForgetMessages();
    }
  }
}

TEST_F(TextsAndNumbersTest, OnlyWellFormedDecimalNumbersAreNumbers) {
  const char* const texts[] = {"2024-01-15", "555-1234", "1.2.3", "-", "1,5", "1e", "e5", ".",
                               "+", "1E+", "--1", "1-2", "0x10", "inf", "1 000"};
  const char* const numbers[] = {"1E10", "1E-4", "-2.5e+3", ".5", "5.", "+5", "12.50", "-0", "007"};
  std::string text;
  for (const char* field : texts) text += std::string(field) + "\r\n";
  for (const char* field : numbers) text += std::string(field) + "\r\n";
  files.Put("/in/fields.txt", text);
  const Records read = ReadTabText("/in/fields.txt");
  std::int32_t row = 1;
  for (const char* field : texts) EXPECT_EQ(read.at({row++, 1}).Type, CELL_TEXT) << field;
  for (const char* field : numbers) EXPECT_EQ(read.at({row++, 1}).Type, CELL_NUMBER) << field;
}

// ------------------------------------------------------------ limits

TEST_F(TextsAndNumbersTest, XbPlusFormulasThatDoNotFitAreLeftOutAndNamedNeverCut) {
  for (std::uint64_t seed = 1; seed <= 30; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Random random(seed);
    std::vector<IntermediateCell> records;
    for (const Position& at : RandomPositions(random, 10, 26)) {
      // Sums of references, from short to twice what a record holds.
      std::string formula = "=A1";
      const int terms = random.Between(1, 25);
      for (int i = 0; i < terms; ++i) formula += "+B" + std::to_string(random.Between(1, 99));
      IntermediateCell record = Record(at, CELL_FORMULA, "0");
      record.Data2 = formula;
      records.push_back(record);
    }
    const Records back = ReadTabText(
        Convert(Convert(PutTabText(records), QZ_TAB_TEXT, QZ_GRIDLET_XBP), QZ_GRIDLET_XBP, QZ_TAB_TEXT));
    for (const IntermediateCell& record : records) {
      const Position at{record.Row, record.Column};
      const auto found = back.find(at);
      if (found == back.end()) {
        EXPECT_TRUE(Named(at)) << *record.Data2;
      } else {
        EXPECT_EQ(found->second.Data2, record.Data2);
        EXPECT_FALSE(Named(at));
      }
    }
    ForgetMessages();
  }
}

// The count a warning gives of its cells: "...: 12 cells, A1, ...".
std::size_t CountIn(const std::string& warning) {
  const std::size_t colon = warning.rfind(": ");
  if (colon == std::string::npos) return 0;
  return std::stoul(warning.substr(colon + 2));
}

std::size_t CountOfWarning(const std::vector<std::string>& warnings, std::string_view words) {
  for (const std::string& warning : warnings) {
    if (warning.find(words) != std::string::npos) return CountIn(warning);
  }
  return 0;
}

TEST_F(TextsAndNumbersTest, CellsLeftOutByPositionOrSizeAreCountedApart) {
  for (std::uint64_t seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Random random(seed);
    // Long texts enough to pass the XB Plus size limit, and cells off
    // both sheets.
    std::vector<IntermediateCell> records;
    std::size_t offSheet = 0;
    for (const Position& at : RandomPositions(random, 1500, 40)) {
      records.push_back(Record(at, CELL_TEXT, std::string(30, 'X')));
      offSheet += at.second > 26;
    }
    const std::string source = PutTabText(records);
    const std::string written = Convert(source, QZ_TAB_TEXT, QZ_GRIDLET_XBP);
    const std::size_t kept = testing::StoredRecords(files.files[written]).size();
    const std::vector<std::string> warnings = TakeMessages(false);
    const std::size_t leftOut = CountOfWarning(warnings, "did not fit");
    EXPECT_EQ(CountOfWarning(warnings, "beyond the XB Plus sheet"), offSheet);
    EXPECT_GT(leftOut, 0u);
    EXPECT_EQ(kept + leftOut + offSheet, records.size());
    EXPECT_TRUE(TakeMessages(true).empty()) << "the size limit is a warning, not a failure";
    ForgetMessages();
  }
}

TEST_F(TextsAndNumbersTest, TheCalculatorNewlineStaysInItsCellAndComesBack) {
  // An XB Plus text holding the newline token 0x3F, and a 68k-class text
  // holding the newline 0x0D, each with cells after it in its row and
  // below.
  const std::string xbText = "\x2A" "A" "\x3F" "B";
  files.Put("/in/newline.xbv",
            testing::XbPlusFile("NL", {{{1, 1}, 1, xbText}, {{1, 2}, 1, "\x2A" "C"}, {{2, 1}, 1, "\x2A" "D"}}));
  files.Put("/in/newline.xdy",
            testing::Sheet68kFile("nl", {{{1, 1}, 1, std::string("\"a\rb\"") + '\0'},
                                         {{1, 2}, 1, std::string("\"c\"") + '\0'},
                                         {{2, 1}, 1, std::string("\"d\"") + '\0'}}));
  for (const auto& [path, type] : {std::pair{"/in/newline.xbv", QZ_GRIDLET_XBP}, std::pair{"/in/newline.xdy", QZ_GRIDLET_XD}}) {
    const std::string text = Convert(path, type, QZ_TAB_TEXT);
    const Records read = ReadTabText(text);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_NE(read.at({1, 1}).Data.find('\n'), std::string::npos);
    EXPECT_TRUE(read.count({1, 2}) && read.count({2, 1}));
    const std::vector<StoredRecord> original = testing::StoredRecords(files.files[path]);
    const std::vector<StoredRecord> back = testing::StoredRecords(files.files[Convert(text, QZ_TAB_TEXT, type)]);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0].payload, original[0].payload);
  }
}

TEST_F(TextsAndNumbersTest, DamagedRecordsAreLeftOutAndNeverMoveOtherCells) {
  for (std::uint64_t seed = 1; seed <= 30; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Random random(seed);
    const bool xb = random.OneIn(2);
    std::vector<StoredRecord> records;
    std::map<Position, std::string> genuine;
    for (const Position& at : RandomPositions(random, 12, 26)) {
      const std::string text(1, static_cast<char>('A' + random.Between(0, 25)));
      genuine[at] = text;
      records.push_back({at, 1, xb ? "\x2A" + text : "\"" + text + "\"" + std::string(1, '\0')});
    }
    // Records at row 0 and repeats of taken positions, anywhere among them.
    const int damaged = random.Between(1, 4);
    for (int i = 0; i < damaged; ++i) {
      const Position at = random.OneIn(2) ? Position{0, random.Between(1, 26)} : records[0].at;
      const std::string text = "DAMAGED";
      records.insert(records.begin() + random.Between(1, static_cast<int>(records.size())),
                     {at, 1, xb ? "\x2A" + text : "\"" + text + "\"" + std::string(1, '\0')});
    }
    const GRIDLET_FILE_TYPES type = xb ? QZ_GRIDLET_XBP : QZ_GRIDLET_XD;
    files.Put("/in/damaged", xb ? testing::XbPlusFile("D", records) : testing::Sheet68kFile("d", records));
    const Records read = ReadTabText(Convert("/in/damaged", type, QZ_TAB_TEXT));
    ASSERT_EQ(read.size(), genuine.size());
    for (const auto& [at, text] : genuine) EXPECT_EQ(read.at(at).Data, text);
    EXPECT_FALSE(TakeMessages(false).empty()) << "the damaged records are named";
    ForgetMessages();
  }
}

// ------------------------------------------------------------ strict

TEST_F(TextsAndNumbersTest, StrictMakesAnyWarningAFailureAndWritesNothing) {
  const std::string source = PutTabText({Record({1, 1}, CELL_TEXT, "small letters")});
  EXPECT_NE(Convert(source, QZ_TAB_TEXT, QZ_GRIDLET_XBP), "");
  EXPECT_EQ(lastResult, S_OK);
  EXPECT_EQ(TakeMessages(false).size(), 1u);
  ForgetMessages();

  const std::size_t filesBefore = files.files.size();
  EXPECT_EQ(Convert(source, QZ_TAB_TEXT, QZ_GRIDLET_XBP, true), "");
  EXPECT_EQ(lastResult, E_FAIL);
  EXPECT_EQ(files.files.size(), filesBefore) << "nothing is written";
  EXPECT_EQ(TakeMessages(true).size(), 1u);
  ForgetMessages();

  // Without a warning, strict changes nothing.
  const std::string clean = PutTabText({Record({1, 1}, CELL_TEXT, "CAPITALS")});
  EXPECT_NE(Convert(clean, QZ_TAB_TEXT, QZ_GRIDLET_XBP, true), "");
  EXPECT_EQ(lastResult, S_OK);
}

}  // namespace
}  // namespace gridlet
