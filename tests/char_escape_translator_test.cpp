#include "encoding/char_escape_translator.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "calc/named_char_table.h"

namespace gridlet {
namespace {

// A table in which every charset column has exactly one character, "_cN_"
// with the device byte 0x80 + N, so a translation shows which column it used.
constexpr std::array<SpecialCharEntry, 11> MakeColumnProbeTable() {
  constexpr std::array<std::string_view, 10> kNames = {"_c0_", "_c1_", "_c2_", "_c3_", "_c4_",
                                                       "_c5_", "_c6_", "_c7_", "_c8_", "_c9_"};
  std::array<SpecialCharEntry, 11> table{};
  for (std::size_t column = 0; column < kNames.size(); ++column) {
    table[column].name = kNames[column];
    table[column].codes[column] = 0x80 + column;
  }
  return table;
}
constexpr std::array<SpecialCharEntry, 11> kProbeTable = MakeColumnProbeTable();

std::string AllProbeBytes() {
  std::string bytes;
  for (int column = 0; column < 10; ++column) bytes.push_back(static_cast<char>(0x80 + column));
  return bytes;
}

std::string AllProbeNames() {
  std::string names;
  for (int column = 0; column < 10; ++column) names += "_c" + std::to_string(column) + "_";
  return names;
}

// Expected results of a column probe: the one character of the column is
// translated, every other one is left as it was.
std::string EscapedFromColumn(int column) {
  std::string expected;
  for (int c = 0; c < 10; ++c) {
    if (c == column) {
      expected += "_c" + std::to_string(c) + "_";
    } else {
      expected.push_back(static_cast<char>(0x80 + c));
    }
  }
  return expected;
}

std::string UnescapedIntoColumn(int column) {
  std::string expected;
  for (int c = 0; c < 10; ++c) {
    if (c == column) {
      expected.push_back(static_cast<char>(0x80 + c));
    } else {
      expected += "_c" + std::to_string(c) + "_";
    }
  }
  return expected;
}

class DispatchTest : public ::testing::Test {
 protected:
  CharEscapeTranslator translator_{kProbeTable.data(), kProbeTable.size()};
};

TEST_F(DispatchTest, OpZeroUnescapesIntoTheColumnOfEachSubCode) {
  const std::vector<std::pair<int, int>> subToColumn = {
      {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 3}, {6, 4}, {7, 5},
      {10, 6}, {8, 7}, {12, 7}, {11, 8}, {9, 9}, {13, 9}};
  for (const auto& [sub, column] : subToColumn) {
    std::string out = "old";
    EXPECT_EQ(translator_.Translate(0, AllProbeNames(), sub, out), S_OK) << "sub " << sub;
    EXPECT_EQ(out, UnescapedIntoColumn(column)) << "sub " << sub;
  }
}

TEST_F(DispatchTest, OpZeroRefusesOtherSubCodesAndLeavesTheOutput) {
  for (int sub : {0, 14, 15, -1, 255}) {
    std::string out = "old";
    EXPECT_EQ(translator_.Translate(0, AllProbeNames(), sub, out), E_NOTIMPL) << "sub " << sub;
    EXPECT_EQ(out, "old");
  }
}

TEST_F(DispatchTest, EscapingOpsReadTheirColumnWithSubCodeZero) {
  const std::vector<std::pair<int, int>> opToColumn = {
      {2, 1}, {3, 1}, {4, 2}, {5, 3}, {6, 4}, {7, 5},
      {8, 7}, {12, 7}, {10, 6}, {11, 8}, {13, 9}, {1, 7}};
  for (const auto& [op, column] : opToColumn) {
    std::string out = "old";
    EXPECT_EQ(translator_.Translate(op, AllProbeBytes(), 0, out), S_OK) << "op " << op;
    EXPECT_EQ(out, EscapedFromColumn(column)) << "op " << op;
  }
}

TEST_F(DispatchTest, EscapingOpsRefuseANonZeroSubCode) {
  for (int op : {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13}) {
    for (int sub : {1, 11, -1}) {
      std::string out = "old";
      EXPECT_EQ(translator_.Translate(op, AllProbeBytes(), sub, out), E_NOTIMPL)
          << "op " << op << " sub " << sub;
      EXPECT_EQ(out, "old");
    }
  }
}

TEST_F(DispatchTest, UnknownOpsAreRefused) {
  for (int op : {9, 14, 15, -1, 1000}) {
    for (int sub : {0, 1, 11}) {
      std::string out = "old";
      EXPECT_EQ(translator_.Translate(op, AllProbeBytes(), sub, out), E_NOTIMPL)
          << "op " << op << " sub " << sub;
      EXPECT_EQ(out, "old");
    }
  }
}

TEST_F(DispatchTest, OpOneSpellsY0WithAnySubCodeAndSucceeds) {
  for (int sub : {0, 1, 11, -5}) {
    std::string out;
    EXPECT_EQ(translator_.Translate(1, "Y0", sub, out), S_OK) << "sub " << sub;
    EXPECT_EQ(out, "Y_0_");
  }
  // Only the exact text is special.
  std::string out;
  EXPECT_EQ(translator_.Translate(1, "Y01", 0, out), S_OK);
  EXPECT_EQ(out, "Y01");
}

TEST_F(DispatchTest, OpsThreeToSixSpellY0ButReportNotTranslated) {
  for (int op : {3, 4, 5, 6}) {
    std::string out;
    EXPECT_EQ(translator_.Translate(op, "Y0", 0, out), E_NOTIMPL) << "op " << op;
    EXPECT_EQ(out, "Y_0_");
    // A non-zero sub-code is refused before the name is looked at.
    std::string untouched = "old";
    EXPECT_EQ(translator_.Translate(op, "Y0", 1, untouched), E_NOTIMPL);
    EXPECT_EQ(untouched, "old");
  }
}

TEST_F(DispatchTest, OtherEscapingOpsCopyY0) {
  for (int op : {2, 7, 8, 10, 11, 12, 13}) {
    std::string out;
    EXPECT_EQ(translator_.Translate(op, "Y0", 0, out), S_OK) << "op " << op;
    EXPECT_EQ(out, "Y0");
  }
}

// Counts the calls of the post-processing slot.
class CountingTranslator : public CharEscapeTranslator {
 public:
  using CharEscapeTranslator::CharEscapeTranslator;
  HRESULT PostProcess(std::int32_t op, const std::string& input, std::int32_t sub,
                      std::string& output) const override {
    ++calls;
    lastOp = op;
    lastSub = sub;
    lastInput = input;
    lastOutput = output;
    return CharEscapeTranslator::PostProcess(op, input, sub, output);
  }
  mutable int calls = 0;
  mutable int lastOp = -1;
  mutable int lastSub = -1;
  mutable std::string lastInput;
  mutable std::string lastOutput;
};

TEST(CharEscapeTranslatorSlots, PostProcessingRunsOnlyAfterSuccess) {
  CountingTranslator translator(kProbeTable.data(), kProbeTable.size());
  std::string out;
  EXPECT_EQ(translator.TranslateAndPostProcess(11, AllProbeBytes(), 0, out), S_OK);
  EXPECT_EQ(translator.calls, 1);
  EXPECT_EQ(translator.lastOp, 11);
  EXPECT_EQ(translator.lastSub, 0);
  EXPECT_EQ(translator.lastInput, AllProbeBytes());
  EXPECT_EQ(translator.lastOutput, EscapedFromColumn(8));  // sees the translated text
  EXPECT_EQ(out, EscapedFromColumn(8));

  // A failed translation, even one that wrote its output, is not
  // post-processed.
  EXPECT_EQ(translator.TranslateAndPostProcess(3, "Y0", 0, out), E_NOTIMPL);
  EXPECT_EQ(translator.TranslateAndPostProcess(9, "x", 0, out), E_NOTIMPL);
  EXPECT_EQ(translator.calls, 1);

  // Translating only never post-processes.
  EXPECT_EQ(translator.TranslateOnly(0, AllProbeNames(), 11, out), S_OK);
  EXPECT_EQ(out, UnescapedIntoColumn(8));
  EXPECT_EQ(translator.TranslateOnly(9, "x", 0, out), E_NOTIMPL);
  EXPECT_EQ(translator.calls, 1);
}

TEST(CharEscapeTranslatorSlots, PostProcessingHookIsNotImplemented) {
  const CharEscapeTranslator translator(kProbeTable.data(), kProbeTable.size());
  std::string out = "old";
  EXPECT_EQ(translator.PostProcess(11, "x", 0, out), E_NOTIMPL);
  EXPECT_EQ(out, "old");
}

TEST(CharEscapeTranslatorSlots, DestroysThroughTheBase) {
  CharTranslatorBase* base = new CharEscapeTranslator(kProbeTable.data(), kProbeTable.size());
  EXPECT_NE(dynamic_cast<CharEscapeTranslator*>(base), nullptr);
  delete base;
}

TEST(CharEscapeTranslatorTable, SetTableHandsBackThePreviousTable) {
  CharEscapeTranslator translator(kProbeTable.data(), kProbeTable.size());
  const auto named = NamedCharTable();
  const SpecialCharEntry* previous = nullptr;
  std::size_t previousCount = 0;
  EXPECT_EQ(translator.SetTable(named.data(), named.size(), &previous, &previousCount), S_OK);
  EXPECT_EQ(previous, kProbeTable.data());
  EXPECT_EQ(previousCount, kProbeTable.size());
  EXPECT_EQ(translator.Table(), named.data());
  EXPECT_EQ(translator.TableCount(), named.size());
  // Either out-pointer may be omitted.
  EXPECT_EQ(translator.SetTable(kProbeTable.data(), 3, nullptr, &previousCount), S_OK);
  EXPECT_EQ(previousCount, named.size());
  EXPECT_EQ(translator.SetTable(named.data(), named.size(), &previous, nullptr), S_OK);
  EXPECT_EQ(previous, kProbeTable.data());
}

TEST(CharEscapeTranslatorTable, OnlyTheCountedEntriesAreSearched) {
  // Three counted entries: the characters of columns 0..2 exist, the
  // rest of the array lies beyond the table.
  const CharEscapeTranslator translator(kProbeTable.data(), 3);
  for (int column = 0; column < 10; ++column) {
    std::string escaped;
    ASSERT_EQ(translator.EscapeSpecialChars(AllProbeBytes(), column, escaped), S_OK);
    EXPECT_EQ(escaped, column < 3 ? EscapedFromColumn(column) : AllProbeBytes());
    std::string unescaped;
    ASSERT_EQ(translator.UnescapeSpecialChars(AllProbeNames(), column, unescaped), S_OK);
    EXPECT_EQ(unescaped, column < 3 ? UnescapedIntoColumn(column) : AllProbeNames());
  }
}

TEST(CharEscapeTranslatorTable, WithoutATableEverythingIsCopied) {
  CharEscapeTranslator translator;
  std::string out;
  EXPECT_EQ(translator.Translate(11, "\x8C" "a", 0, out), S_OK);
  EXPECT_EQ(out, "\x8C" "a");
  EXPECT_EQ(translator.Translate(0, "_pi_", 11, out), S_OK);
  EXPECT_EQ(out, "_pi_");
  // A null table with a count has no entries either.
  translator.SetTable(nullptr, 201, nullptr, nullptr);
  EXPECT_EQ(translator.TableCount(), 0u);
  EXPECT_EQ(translator.Translate(0, "_pi_", 11, out), S_OK);
  EXPECT_EQ(out, "_pi_");
}

TEST(CharEscapeTranslatorTable, ColumnsOutsideTheTableAreRejected) {
  const CharEscapeTranslator translator(kProbeTable.data(), kProbeTable.size());
  std::string out = "old";
  EXPECT_EQ(translator.EscapeSpecialChars("\x80", 10, out), E_INVALIDARG);
  EXPECT_EQ(translator.UnescapeSpecialChars("_c0_", 10, out), E_INVALIDARG);
  EXPECT_EQ(out, "old");
}

// The translations over the calculator table, 68k-class column.
class NamedEscapeTest : public ::testing::Test {
 protected:
  std::string Unescape(const std::string& text) const {
    std::string out = "old";
    EXPECT_EQ(translator_.Translate(0, text, 11, out), S_OK);
    return out;
  }
  std::string Escape(const std::string& text) const {
    std::string out = "old";
    EXPECT_EQ(translator_.Translate(11, text, 0, out), S_OK);
    return out;
  }
  const CharEscapeTranslator translator_{NamedCharTable()};
};

TEST_F(NamedEscapeTest, UnescapeWithoutEscapes) {
  EXPECT_EQ(Unescape(""), "");
  EXPECT_EQ(Unescape("plain text 1+2"), "plain text 1+2");
  EXPECT_EQ(Unescape("\x8C\xFF"), "\x8C\xFF");  // bytes pass without an underscore
  EXPECT_EQ(Unescape("a_b"), "a_b");
  EXPECT_EQ(Unescape("a_b_c"), "a_b_c");       // "_b_" is no character
  EXPECT_EQ(Unescape("_"), "_");
}

TEST_F(NamedEscapeTest, UnescapeReplacesKnownNamesInPlace) {
  EXPECT_EQ(Unescape("x_pi_y"), "x\x8Cy");
  EXPECT_EQ(Unescape("_pi_"), "\x8C");
  EXPECT_EQ(Unescape("_pi__pi_"), "\x8C\x8C");
  EXPECT_EQ(Unescape("_pi_+_theta_*2"), "\x8C+\x88*2");
  EXPECT_EQ(Unescape("1_->_a"), "1\xBB" "a");
  EXPECT_EQ(Unescape("_pi_x_b_"), "\x8Cx_b_");
}

TEST_F(NamedEscapeTest, UnescapeUnderscoreEdges) {
  // An unknown candidate gives back its closing underscore as an opener.
  EXPECT_EQ(Unescape("_foo_pi_"), "_foo\x8C");
  // Two adjacent underscores: the first goes out, the second opens "_pi_".
  EXPECT_EQ(Unescape("__pi_"), "_\x8C");
  EXPECT_EQ(Unescape("a__b"), "a__b");
  // Trailing lone underscores stay.
  EXPECT_EQ(Unescape("_pi__"), "\x8C_");
  EXPECT_EQ(Unescape("_pi_x_"), "\x8Cx_");
  EXPECT_EQ(Unescape("abc_"), "abc_");
  EXPECT_EQ(Unescape("_pi"), "_pi");
}

TEST_F(NamedEscapeTest, UnescapeKeepsNamesWithoutACodeAndIsCaseSensitive) {
  EXPECT_EQ(Unescape("_))_"), "_))_");       // in the table, code 0
  EXPECT_EQ(Unescape("_I`_ _i`_"), "_I`_ _i`_");
  EXPECT_EQ(Unescape("_tab_"), "_tab_");     // not in the table
  EXPECT_EQ(Unescape("_PI_"), "\x8B");
  EXPECT_EQ(Unescape("_Pi_"), "_Pi_");
  EXPECT_EQ(Unescape("_e_ _E_"), "\x96 _E_");
}

TEST_F(NamedEscapeTest, FirstEntryOfARepeatedNameWins) {
  EXPECT_EQ(Unescape("_degrees_"), "\xB0");  // 176, not 172
  EXPECT_EQ(Unescape("_neg_"), "\xAD");      // 173, not 170
  EXPECT_EQ(Unescape("_C_"), "\xC6");        // 198, not the later 0
}

TEST_F(NamedEscapeTest, FirstEntryOfASharedCodeWins) {
  EXPECT_EQ(Escape("\xB0"), "_degrees_");
  EXPECT_EQ(Escape("\xAC"), "_degrees_");
  EXPECT_EQ(Escape("\xAD"), "_neg_");
  EXPECT_EQ(Escape("\xAA"), "_neg_");
  EXPECT_EQ(Escape("\xC2"), "_A^_");  // also "_a^_" and "_AE_"
  EXPECT_EQ(Escape("\xC4"), "_A:_");  // also "_a:_"
  EXPECT_EQ(Escape("\xC3"), "_A~_");  // also "_a~_"
}

TEST_F(NamedEscapeTest, EscapeCopiesPrintableAsciiAndUnknownBytes) {
  std::string printable;
  for (int byte = 32; byte <= 126; ++byte) printable.push_back(static_cast<char>(byte));
  EXPECT_EQ(Escape(printable), printable);
  EXPECT_EQ(Escape("\x01\x1F\x7F\x95"), "\x01\x1F\x7F\x95");
  // The byte 0 is not the character of the entries without a code.
  EXPECT_EQ(Escape(std::string("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(Escape("x\x8Cy"), "x_pi_y");
  EXPECT_EQ(Escape(""), "");
}

TEST_F(NamedEscapeTest, DeviceTextSpellingAnEscapeReadsBackAsTheCharacter) {
  EXPECT_EQ(Escape("_pi_"), "_pi_");
  EXPECT_EQ(Unescape(Escape("_pi_")), "\x8C");
}

TEST_F(NamedEscapeTest, TranslatingIntoTheInputItselfIsSafe) {
  std::string text = "x_pi_y";
  EXPECT_EQ(translator_.Translate(0, text, 11, text), S_OK);
  EXPECT_EQ(text, "x\x8Cy");
  EXPECT_EQ(translator_.Translate(11, text, 0, text), S_OK);
  EXPECT_EQ(text, "x_pi_y");
}

TEST_F(NamedEscapeTest, EveryDeviceByteSurvivesEscapeThenUnescape) {
  for (int byte = 0; byte < 256; ++byte) {
    const std::string device(1, static_cast<char>(byte));
    // The second codes of "_degrees_" and "_neg_" come back as their first.
    const int expected = byte == 172 ? 176 : byte == 170 ? 173 : byte;
    EXPECT_EQ(Unescape(Escape(device)), std::string(1, static_cast<char>(expected)))
        << "byte " << byte;
  }
}

TEST_F(NamedEscapeTest, EveryCodedNameSurvivesUnescapeThenEscape) {
  // Names whose code an earlier entry already carries read back as that
  // entry's name.
  const std::vector<std::pair<std::string_view, std::string_view>> sharedCode = {
      {"_a:_", "_A:_"}, {"_a^_", "_A^_"}, {"_AE_", "_A^_"}, {"_a~_", "_A~_"}};
  const auto table = NamedCharTable();
  int checked = 0;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const SpecialCharEntry& entry = table[i];
    if (entry.codes[kColumn68k] == 0) continue;
    // A repeated name is only ever found as its first entry.
    bool repeated = false;
    for (std::size_t j = 0; j < i; ++j) repeated = repeated || table[j].name == entry.name;
    if (repeated) continue;
    const std::string name(entry.name);
    const std::string device = Unescape(name);
    ASSERT_EQ(device.size(), 1u) << name;
    EXPECT_EQ(static_cast<unsigned char>(device[0]), entry.codes[kColumn68k]) << name;
    std::string_view expected = entry.name;
    for (const auto& [from, to] : sharedCode) {
      if (from == entry.name) expected = to;
    }
    EXPECT_EQ(Escape(device), expected);
    ++checked;
  }
  // 112 coded entries, two of them second entries of a name.
  EXPECT_EQ(checked, 110);
}

}  // namespace
}  // namespace gridlet
