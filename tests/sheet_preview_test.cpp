// The sheet preview that front ends show: calculator characters as
// themselves, cell addresses, and the JSON form that scripts and the web
// page read.
#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <set>

#include "calc/named_char_table.h"
#include "encoding/cp1252.h"
#include "encoding/escape_glyphs.h"
#include "encoding/xb_token_tables.h"
#include "model/trace.h"
#include "server/sheet_preview.h"
#include "support/in_memory_conversion.h"

namespace gridlet {
namespace {

TEST(EscapeGlyphTest, EveryCharacterOfTheCalculatorsHasAGlyph) {
  // Whatever a 68k-class device byte reads back as, and whatever an XB Plus
  // token is named, shows without a named escape left in it.
  std::set<std::string_view> names;
  for (const SpecialCharEntry& entry : NamedCharTable()) {
    if (!entry.name.empty()) names.insert(entry.name);
  }
  auto leftEscapes = [&](std::string_view shown) {
    std::string left;
    for (std::string_view name : names) {
      if (shown.find(name) != std::string_view::npos) left += std::string(name) + " ";
    }
    return left;
  };
  for (const SpecialCharEntry& entry : NamedCharTable()) {
    if (entry.name.empty() || entry.codes[kColumn68k] == 0) continue;
    EXPECT_TRUE(GlyphOfEscape(entry.name)) << entry.name;
  }
  for (std::string_view name : XbTokenNames1) {
    EXPECT_EQ(leftEscapes(EscapedTextToUnicode(name)), "") << name;
  }
  for (const XbTokenName2& token : XbTokenNames2) {
    EXPECT_EQ(leftEscapes(EscapedTextToUnicode(token.name)), "") << token.name;
  }
  std::set<std::string_view> seen;
  for (const EscapeGlyph& glyph : EscapeGlyphTable()) {
    EXPECT_TRUE(seen.insert(glyph.escape).second) << "twice: " << glyph.escape;
    EXPECT_FALSE(glyph.utf8.empty()) << glyph.escape;
    EXPECT_EQ(EscapedTextToUnicode(glyph.escape), glyph.utf8);
    // The reverse lookup gives an escape with the same glyph.
    EXPECT_EQ(GlyphOfEscape(*EscapeOfGlyph(glyph.utf8)), glyph.utf8);
  }
}

TEST(EscapeGlyphTest, TextsOfEscapesAndPlainPiecesShowPieceByPiece) {
  const auto table = EscapeGlyphTable();
  std::mt19937 random(1601);
  for (int round = 0; round < 3000; ++round) {
    std::string text, expected;
    const int pieces = static_cast<int>(random() % 8);
    for (int i = 0; i < pieces; ++i) {
      if (random() % 2) {
        const EscapeGlyph& glyph = table[random() % table.size()];
        text += glyph.escape;
        expected += glyph.utf8;
      } else {
        std::string plain;
        const int length = static_cast<int>(random() % 5);
        for (int k = 0; k < length; ++k) {
          char c = static_cast<char>(1 + random() % 255);
          if (c == '_') c = '.';
          plain += c;
        }
        text += plain;
        expected += Cp1252ToUtf8(plain);
      }
    }
    EXPECT_EQ(EscapedTextToUnicode(text), expected) << text;
  }
  // Underscores that open no known escape stay, and the closing one of an
  // unknown candidate may open the next escape.
  EXPECT_EQ(EscapedTextToUnicode("_foo_pi_"), "_fooπ");
  EXPECT_EQ(EscapedTextToUnicode("a_b"), "a_b");
  EXPECT_EQ(EscapedTextToUnicode("x__pi__"), "x_π_");
}

TEST(CellAddressTest, AddressesRoundTripAndOthersAreRefused) {
  std::mt19937 random(16);
  for (int round = 0; round < 5000; ++round) {
    const std::int32_t row = 1 + static_cast<std::int32_t>(random() % 0x7FFFFFFF);
    const std::int32_t column = 1 + static_cast<std::int32_t>(random() % (round % 2 ? 702 : 0x7FFFFFFF));
    std::string address = CellAddress(row, column);
    if (round % 3 == 0) {
      for (char& c : address) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const std::optional<CellPosition> parsed = ParseCellAddress(address);
    ASSERT_TRUE(parsed) << address;
    EXPECT_EQ(parsed->row, row) << address;
    EXPECT_EQ(parsed->column, column) << address;
  }
  EXPECT_EQ(CellAddress(3, 2), "B3");
  EXPECT_EQ(CellAddress(1, 27), "AA1");
  for (const char* bad : {"", "A", "3", "A0", "B3x", "A-1", "3B", "A99999999999", "Ä1"}) {
    EXPECT_FALSE(ParseCellAddress(bad)) << bad;
  }
}

TEST(SheetPreviewJsonTest, EveryTextSurvivesAJsonReader) {
  std::mt19937 random(2024);
  const DisplayKind kinds[] = {DisplayKind::Number, DisplayKind::Text, DisplayKind::Formula};
  const char* kindNames[] = {"number", "text", "formula"};
  for (int round = 0; round < 300; ++round) {
    SheetPreview preview;
    preview.type = static_cast<GRIDLET_FILE_TYPES>(random() % 6);
    std::string name(random() % 9, ' ');
    for (char& c : name) c = static_cast<char>(random() % 256);
    preview.name = Cp1252ToUtf8(name);
    const int count = static_cast<int>(random() % 6);
    for (int i = 0; i < count; ++i) {
      DisplayCell cell;
      cell.row = 1 + static_cast<std::int32_t>(random() % 1000);
      cell.column = 1 + static_cast<std::int32_t>(random() % 30);
      cell.address = CellAddress(cell.row, cell.column);
      const int kind = static_cast<int>(random() % 3);
      cell.kind = kinds[kind];
      std::string bytes(random() % 12, ' ');
      for (char& c : bytes) c = static_cast<char>(random() % 256);  // control bytes, quotes, backslashes
      cell.text = Cp1252ToUtf8(bytes);
      preview.cells.push_back(cell);
    }
    const std::string json = SheetPreviewJson(preview);
    for (unsigned char c : json) ASSERT_GE(c, 0x20) << "a raw control byte in " << json;
    const nlohmann::json parsed = nlohmann::json::parse(json);
    EXPECT_EQ(parsed["type"], std::string(OutputExtension(preview.type).substr(1)));
    EXPECT_EQ(parsed["name"], preview.name);
    ASSERT_EQ(parsed["cells"].size(), preview.cells.size());
    for (std::size_t i = 0; i < preview.cells.size(); ++i) {
      const nlohmann::json& cell = parsed["cells"][i];
      EXPECT_EQ(cell["address"], preview.cells[i].address);
      EXPECT_EQ(cell["row"], preview.cells[i].row);
      EXPECT_EQ(cell["column"], preview.cells[i].column);
      EXPECT_EQ(cell["text"], preview.cells[i].text);
      EXPECT_EQ(cell["kind"], kindNames[static_cast<int>(preview.cells[i].kind)]);
    }
  }
}

// Sheets read through the conversion's own source stages.
class SheetPreviewReadTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = SetTraceSink(nullptr); }
  void TearDown() override { SetTraceSink(previous_); }

  ConversionRequest Request(const std::string& path, GRIDLET_FILE_TYPES from,
                            GRIDLET_FILE_TYPES to = QZ_GRIDLET_NULL) {
    ConversionRequest request;
    request.inputPath = path;
    request.fromType = from;
    request.outputLocation = "/out/";
    request.saveInternalName = "Grades";
    request.toType = to;
    return request;
  }
  HRESULT Preview(const std::string& path, GRIDLET_FILE_TYPES from, SheetPreview& preview) {
    return ReadSheetPreview(ConversionServices{engine.files, engine.messages, engine.devices},
                            Request(path, from), preview);
  }

  testing::InMemoryConversion engine;

 private:
  TraceSink previous_ = nullptr;
};

TEST_F(SheetPreviewReadTest, CalculatorSheetsShowTheirCharactersAndNoInternalQuote) {
  // Tab text spells calculator characters as the intermediate form does.
  engine.files.Put("/in/grades.txt", "AB\t=_pi_*2\t1.5\r\nX_<=_Y\t=A1_<=_3\r\n");
  for (GRIDLET_FILE_TYPES type : {QZ_GRIDLET_XBP, QZ_GRIDLET_XD}) {
    std::optional<std::string> written;
    ASSERT_EQ(engine.driver.Convert(Request("/in/grades.txt", QZ_TAB_TEXT, type), &written), S_OK);
    ASSERT_TRUE(written);
    SheetPreview preview;
    ASSERT_EQ(Preview(*written, type, preview), S_OK);
    EXPECT_EQ(preview.type, type);
    EXPECT_FALSE(preview.name.empty());
    EXPECT_EQ(preview.rows, 2);
    EXPECT_EQ(preview.columns, 3);
    std::map<std::string, std::pair<DisplayKind, std::string>> cells;
    for (const DisplayCell& cell : preview.cells) cells[cell.address] = {cell.kind, cell.text};
    EXPECT_EQ(cells["A1"], std::make_pair(DisplayKind::Text, std::string("AB"))) << *written;
    EXPECT_EQ(cells["B1"].first, DisplayKind::Formula);
    EXPECT_NE(cells["B1"].second.find("π"), std::string::npos) << cells["B1"].second;
    EXPECT_EQ(cells["C1"], std::make_pair(DisplayKind::Number, std::string("1.5")));
    EXPECT_EQ(cells["A2"], std::make_pair(DisplayKind::Text, std::string("X≤Y")));
    EXPECT_NE(cells["B2"].second.find("≤"), std::string::npos) << cells["B2"].second;
    for (const auto& [address, cell] : cells) {
      EXPECT_EQ(cell.second.find("_pi_"), std::string::npos) << address;
      EXPECT_FALSE(cell.second.starts_with('"')) << address;
    }
  }
}

TEST_F(SheetPreviewReadTest, AnUnreadableSourceIsReportedAsAConversionReportsIt) {
  SheetPreview preview;
  EXPECT_NE(Preview("/in/missing.txt", QZ_TAB_TEXT, preview), S_OK);
  ASSERT_EQ(engine.boxes.boxes.size(), 1u);
  EXPECT_NE(engine.boxes.boxes[0].style & MB_ICONERROR, 0u);
  EXPECT_TRUE(preview.cells.empty());
}

}  // namespace
}  // namespace gridlet
