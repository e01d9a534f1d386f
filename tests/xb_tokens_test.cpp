#include "encoding/xb_tokens.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace gridlet {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string ToText(const Bytes& tokens) {
  std::string text;
  EXPECT_EQ(XbTokensToText(tokens.data(), tokens.size(), text), S_OK);
  return text;
}

Bytes ToTokens(std::string_view text) {
  Bytes out(2 * text.size() + 2, 0xEE);
  const std::size_t n = XbTextToTokens(out.data(), out.size(), text);
  EXPECT_LE(n, 2 * text.size());
  out.resize(n);
  return out;
}

Bytes CodeBytes(std::uint16_t code) {
  if (code > 0xFF) return {static_cast<std::uint8_t>(code >> 8), static_cast<std::uint8_t>(code)};
  return {static_cast<std::uint8_t>(code)};
}

// Every token with a name of its own: one-byte tokens that are not prefix
// bytes, and every entry of the two-byte table; empty names left out.
std::vector<std::uint16_t> Vocabulary() {
  std::vector<std::uint16_t> codes;
  for (unsigned code = 0; code < 256; ++code) {
    if (!IsXbPrefixByte(static_cast<std::uint8_t>(code)) && !XbTokenNames1[code].empty()) {
      codes.push_back(static_cast<std::uint16_t>(code));
    }
  }
  for (const XbTokenName2& e : XbTokenNames2) {
    if (!e.name.empty()) codes.push_back(static_cast<std::uint16_t>(e.first << 8 | e.second));
  }
  return codes;
}

// ---- The tables ----

TEST(XbTokenTables, SizesAndEmptyNames) {
  EXPECT_EQ(XbTokenNames1.size(), 256u);
  EXPECT_EQ(XbTokenNames2.size(), 309u);

  std::set<unsigned> empty1;
  for (unsigned code = 0; code < 256; ++code) {
    if (XbTokenNames1[code].empty()) empty1.insert(code);
    EXPECT_LE(XbTokenNames1[code].size(), 20u) << code;
  }
  EXPECT_EQ(empty1, (std::set<unsigned>{0x00, 0x26, 0x5E, 0x62, 0x63, 0x7E, 0xAA, 0xBB, 0xEF}));

  std::map<unsigned, int> perPrefix;
  std::set<unsigned> empty2;
  std::set<unsigned> pairs;
  for (const XbTokenName2& e : XbTokenNames2) {
    const unsigned code = e.first << 8 | e.second;
    ++perPrefix[e.first];
    EXPECT_TRUE(pairs.insert(code).second) << std::hex << code;
    EXPECT_LE(e.name.size(), 20u) << e.name;
    if (e.name.empty()) empty2.insert(code);
  }
  EXPECT_EQ(perPrefix, (std::map<unsigned, int>{{0x5C, 10}, {0x5D, 6}, {0x5E, 31}, {0x60, 10},
                                                {0x61, 10}, {0x62, 55}, {0x63, 56}, {0x7E, 19},
                                                {0xAA, 10}, {0xBB, 102}}));
  EXPECT_EQ(empty2, (std::set<unsigned>{0x6200, 0x6201}));
}

TEST(XbTokenTables, NamesOfSampleCodes) {
  const std::map<unsigned, std::string_view> one = {
      {0x01, "_>_DMS"}, {0x04, "_->_"}, {0x0C, "_^-1_"}, {0x10, "("}, {0x1C, "R_>_P_theta_("},
      {0x25, "nDeriv("}, {0x27, "fMin("}, {0x29, " "}, {0x2A, "\""}, {0x2E, "CubicReg "},
      {0x30, "0"}, {0x39, "9"}, {0x3C, " or "}, {0x3F, "\r\n"}, {0x40, " and "},
      {0x41, "A"}, {0x5A, "Z"}, {0x5B, "_theta_"}, {0x5C, "["}, {0x5D, "L"}, {0x5F, "prgm"},
      {0x60, "Pic"}, {0x61, "GDB"}, {0x64, "Radian"}, {0x6F, "_!=_"}, {0x73, "Fix "},
      {0x7D, "DependAsk"}, {0x7F, "_box_"}, {0x89, "Zoom In"},
      {0x91, "\"<<XE:PrintScreen>>\""}, {0x94, " nPr "}, {0x95, " nCr "},
      {0xA3, "Pxl-Change("}, {0xAB, "rand"}, {0xAF, "?"}, {0xB0, "_neg_"},
      {0xBD, "_^3__root_("}, {0xC1, "_10_^("}, {0xCD, "tanh_^-1_("}, {0xCE, "If"},
      {0xD4, "End"}, {0xDE, "Disp "}, {0xEB, "_L_"}, {0xF0, "^"}, {0xF1, "_^x__root_"},
      {0xF4, "LinReg(a+bx) "}, {0xFF, "LinReg(ax+b) "}};
  for (const auto& [code, name] : one) EXPECT_EQ(XbTokenNames1[code], name) << std::hex << code;

  const std::map<unsigned, std::string_view> two = {
      {0x5C00, "[A]"}, {0x5C09, "[J]"}, {0x5D05, "L_6_"}, {0x5E19, "Y_0_"},
      {0x5E2B, "Y_6__T_"}, {0x5E45, "r_6_"}, {0x5E82, "w"}, {0x6009, "Pic0"},
      {0x6100, "GDB1"}, {0x6202, "n"}, {0x6205, "_SIGMA_x_^2_"}, {0x6216, "a"},
      {0x6228, "_rho^_"}, {0x6236, "R_^2_"}, {0x6306, "\"<<XE:U_n_-_1_>>\""},
      {0x6310, "_theta_min"}, {0x632C, "I%"}, {0x6337, "ZXres"}, {0x7E00, "Sequential"},
      {0x7E12, "uwAxes"}, {0xAA09, "Str0"}, {0xBB00, "npv("}, {0xBB31, "_e_"},
      {0xBB47, "2-Samp_F-stat_Test "}, {0xBB5B, "NormProbPlot"}, {0xBB64, "G_-_T"},
      {0xBB68, "Archive "}, {0xBB69, "UnArchive"}, {0xBB6C, "AsmPrgm"},
      {0xBBCB, "GarbageCollect"}};
  std::map<unsigned, std::string_view> found;
  for (const XbTokenName2& e : XbTokenNames2) {
    const unsigned code = e.first << 8 | e.second;
    if (two.count(code)) found[code] = e.name;
  }
  EXPECT_EQ(found, two);
}

TEST(XbTokenTables, TokenizeListContentsAndOrder) {
  const std::span<const XbTokenizeEntry> list = XbTokenizeList();
  // 243 one-byte names, 307 two-byte names and 34 alternative names.
  EXPECT_EQ(list.size(), 584u);

  std::set<unsigned char> groupsSeen;
  for (std::size_t i = 0; i < list.size(); ++i) {
    ASSERT_FALSE(list[i].name.empty());
    const auto first = static_cast<unsigned char>(list[i].name.front());
    if (i > 0 && static_cast<unsigned char>(list[i - 1].name.front()) == first) {
      EXPECT_GE(list[i - 1].name.size(), list[i].name.size())
          << list[i - 1].name << " before " << list[i].name;
    } else {
      EXPECT_TRUE(groupsSeen.insert(first).second) << "group split: " << list[i].name;
    }
  }
  std::size_t total = 0;
  for (int c = 0; c < 256; ++c) {
    const auto group = XbTokenizeGroup(static_cast<char>(c));
    total += group.size();
    for (const XbTokenizeEntry& e : group) EXPECT_EQ(e.name.front(), static_cast<char>(c));
  }
  EXPECT_EQ(total, list.size());

  const auto codesOf = [&](std::string_view name) {
    std::vector<unsigned> codes;
    for (const XbTokenizeEntry& e : list) {
      if (e.name == name) codes.push_back(e.code);
    }
    return codes;
  };
  // Names of the bare prefix bytes are not tokenized to those bytes.
  EXPECT_EQ(codesOf("["), std::vector<unsigned>{0x06});
  EXPECT_EQ(codesOf("L"), std::vector<unsigned>{0x4C});
  EXPECT_TRUE(codesOf("Pic").empty());
  EXPECT_TRUE(codesOf("GDB").empty());
  // Alternative names and the 0xCE spellings.
  for (std::string_view name : {"If ", "If", "if"}) EXPECT_EQ(codesOf(name), std::vector<unsigned>{0xCE});
  EXPECT_EQ(codesOf("RegEQ"), std::vector<unsigned>{0x6201});
  EXPECT_EQ(codesOf("UnArchive "), std::vector<unsigned>{0xBB69});
  EXPECT_EQ(codesOf("Archive"), std::vector<unsigned>{0xBB68});
  EXPECT_EQ(codesOf("1-Var Stats"), std::vector<unsigned>{0xF2});
  EXPECT_EQ(codesOf("LinReg(ax+b)"), std::vector<unsigned>{0xFF});
  EXPECT_EQ(codesOf("y"), std::vector<unsigned>{0x59});
}

// ---- Tokens to text ----

TEST(XbTokensToText, SampleStreams) {
  EXPECT_EQ(ToText({0x41, 0x70, 0x31}), "A+1");
  EXPECT_EQ(ToText({0x5C, 0x00}), "[A]");
  EXPECT_EQ(ToText({0x62, 0x01}), "");
  EXPECT_EQ(ToText({0x3F}), "\r\n");
  EXPECT_EQ(ToText({0xDE, 0x2A, 0x41, 0x2A, 0x3F, 0xBB, 0xCB}), "Disp \"A\"\r\nGarbageCollect");
  EXPECT_EQ(ToText({0x00, 0x26, 0xEF}), "");
  // A two-byte token missing from the table takes the name of its second byte.
  EXPECT_EQ(ToText({0x5C, 0x41, 0x7E, 0x70}), "A+");
  EXPECT_EQ(ToText({}), "");
}

TEST(XbTokensToText, AppendsToExistingText) {
  std::string out = "=";
  const Bytes tokens = {0x58, 0x0D};
  EXPECT_EQ(XbTokensToText(tokens.data(), tokens.size(), out), S_OK);
  EXPECT_EQ(out, "=X_^2_");
}

TEST(XbTokensToText, AssemblyProgramIsRefusedUntouched) {
  std::string out = "keep";
  const Bytes asmProgram = {0x41, 0x42, 0xBB, 0x6D, 0x41};
  EXPECT_EQ(XbTokensToText(asmProgram.data(), asmProgram.size(), out), E_CALC_ASM_PROGRAM);
  EXPECT_EQ(out, "keep");
  EXPECT_EQ(XbTokensToText(asmProgram.data(), 4, out), E_CALC_ASM_PROGRAM);
  // Three bytes are too short to be one; 0xBB 0x6D is then an unknown token.
  EXPECT_EQ(ToText({0x41, 0xBB, 0x6D}), "A_<=_");
  // The marker elsewhere than at offset 2 is an ordinary token.
  EXPECT_EQ(ToText({0xBB, 0x6D, 0x41, 0x42}), "_<=_AB");
}

TEST(XbTokensToText, PrefixInLastPositionPairsWithZero) {
  // The byte after the counted ones is not read: 0x5C 0x05 would be "[F]".
  const Bytes buffer = {0x41, 0x5C, 0x05};
  std::string out;
  EXPECT_EQ(XbTokensToText(buffer.data(), 2, out), S_OK);
  EXPECT_EQ(out, "A[A]");
  EXPECT_EQ(ToText({0x5D}), "L_1_");
  EXPECT_EQ(ToText({0x62}), "");
  EXPECT_EQ(ToText({0x58, 0x7E}), "XSequential");
}

// ---- Text to tokens ----

TEST(XbTextToTokens, ListedCases) {
  EXPECT_EQ(ToTokens("A+1"), (Bytes{0x41, 0x70, 0x31}));
  EXPECT_EQ(ToTokens("[A]"), (Bytes{0x5C, 0x00}));
  EXPECT_EQ(ToTokens("[K"), (Bytes{0x06, 0x4B}));
  EXPECT_EQ(ToTokens("RegEQ"), (Bytes{0x62, 0x01}));
  EXPECT_EQ(ToTokens("Disp X"), (Bytes{0xDE, 0x58}));
  EXPECT_EQ(ToTokens("DispX"), (Bytes{0x44, 0x49, 0x62, 0x34, 0x62, 0x22, 0x58}));
  EXPECT_EQ(ToTokens("\r\n"), (Bytes{0x3F}));
}

TEST(XbTextToTokens, LongTextAndNamesLongerThanTheRest) {
  EXPECT_EQ(ToTokens("GarbageCollectGarbageCollect:DiagnosticOff"),
            (Bytes{0xBB, 0xCB, 0xBB, 0xCB, 0x3E, 0xBB, 0x67}));
  // "Disp " and "DispGraph" do not fit in what is left of the text.
  EXPECT_EQ(ToTokens("Disp"), (Bytes{0x44, 0x49, 0x62, 0x34, 0x62, 0x22}));
  EXPECT_EQ(ToTokens("DispGrap"),
            (Bytes{0x44, 0x49, 0x62, 0x34, 0x62, 0x22, 0x47, 0x62, 0x12, 0x62, 0x16, 0x62, 0x22}));
  EXPECT_EQ(ToTokens("DispGraph"), (Bytes{0xDF}));
}

TEST(XbTextToTokens, SpacesLineEndsAndUnknownCharacters) {
  EXPECT_EQ(ToTokens("A\xB0" "B\xFF"), (Bytes{0x41, 0x29, 0x42, 0x29}));
  EXPECT_EQ(ToTokens("\x80"), (Bytes{0x29}));
  EXPECT_EQ(ToTokens("A\nB\n"), (Bytes{0x41, 0x42}));
  EXPECT_EQ(ToTokens("A\r\nB"), (Bytes{0x41, 0x3F, 0x42}));
  EXPECT_EQ(ToTokens("\r"), (Bytes{0xAF}));
  EXPECT_EQ(ToTokens("#$%&;@\\|~"), Bytes(9, 0xAF));
  EXPECT_EQ(ToTokens(std::string_view("A\0B", 3)), (Bytes{0x41, 0xAF, 0x42}));
  EXPECT_EQ(ToTokens(""), Bytes{});
}

TEST(XbTextToTokens, SpaceLedNamesBeforePlainSpace) {
  EXPECT_EQ(ToTokens(" and "), (Bytes{0x40}));
  EXPECT_EQ(ToTokens("A or B xor C"), (Bytes{0x41, 0x3C, 0x42, 0x3D, 0x43}));
  EXPECT_EQ(ToTokens("5 nPr 2 nCr 1"), (Bytes{0x35, 0x94, 0x32, 0x95, 0x31}));
  // Without the closing space they are a space and letters.
  EXPECT_EQ(ToTokens(" and"), (Bytes{0x29, 0x62, 0x16, 0x62, 0x02, 0x62, 0x19}));
  EXPECT_EQ(ToTokens("  "), (Bytes{0x29, 0x29}));
}

TEST(XbTextToTokens, IfSpellingsAndLowerCaseLetters) {
  EXPECT_EQ(ToTokens("If A"), (Bytes{0xCE, 0x41}));
  EXPECT_EQ(ToTokens("IfA"), (Bytes{0xCE, 0x41}));
  EXPECT_EQ(ToTokens("if"), (Bytes{0xCE}));
  EXPECT_EQ(ToTokens("fghijklmoqxy"),
            (Bytes{0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4F, 0x51, 0x58, 0x59}));
  EXPECT_EQ(ToTokens("abnuv"),
            (Bytes{0x62, 0x16, 0x62, 0x17, 0x62, 0x02, 0x5E, 0x80, 0x5E, 0x81}));
  // Upper-case words win over their letters; alternative names are accepted.
  EXPECT_EQ(ToTokens("PlotsOn:Pause "), (Bytes{0xE9, 0x3E, 0xD8}));
  EXPECT_EQ(ToTokens("UnArchive A"), (Bytes{0xBB, 0x69, 0x41}));
}

TEST(XbTextToTokens, StopsBeforeATokenThatDoesNotFit) {
  Bytes out(4, 0xEE);
  EXPECT_EQ(XbTextToTokens(out.data(), 2, "A+1"), 2u);
  EXPECT_EQ(out, (Bytes{0x41, 0x70, 0xEE, 0xEE}));

  out.assign(4, 0xEE);
  EXPECT_EQ(XbTextToTokens(out.data(), 2, "A[A]"), 1u);
  EXPECT_EQ(out, (Bytes{0x41, 0xEE, 0xEE, 0xEE}));

  EXPECT_EQ(XbTextToTokens(out.data(), 0, "A"), 0u);
  EXPECT_EQ(XbTextToTokens(nullptr, 0, "A"), 0u);
}

// ---- Round trips ----

// Each named token, alone, reads back as itself: the tables hold no name
// twice and the tokenizer knows every name it writes.
TEST(XbTokenRoundTrip, EveryNamedTokenAlone) {
  std::vector<std::uint16_t> failures;
  for (std::uint16_t code : Vocabulary()) {
    const Bytes tokens = CodeBytes(code);
    if (ToTokens(ToText(tokens)) != tokens) failures.push_back(code);
  }
  EXPECT_EQ(Vocabulary().size(), 243u + 307u);
  EXPECT_EQ(failures, std::vector<std::uint16_t>{});
}

// The whole vocabulary as one long stream, each token followed by ":".
TEST(XbTokenRoundTrip, WholeVocabularyAsOneStream) {
  Bytes stream;
  for (std::uint16_t code : Vocabulary()) {
    const Bytes bytes = CodeBytes(code);
    stream.insert(stream.end(), bytes.begin(), bytes.end());
    stream.push_back(0x3E);
  }
  EXPECT_EQ(ToTokens(ToText(stream)), stream);
}

// Two tokens in a row read back unless the first name with the start of the
// second spells a longer name, e.g. "F" and "V" read as "FV". The set of
// failing pairs must be exactly the set that such a longer name explains.
TEST(XbTokenRoundTrip, EveryPairOfTokens) {
  const std::vector<std::uint16_t> vocabulary = Vocabulary();
  std::map<std::uint16_t, std::string> names;
  std::map<std::uint16_t, std::vector<std::string_view>> longerNames;
  for (std::uint16_t code : vocabulary) {
    names[code] = ToText(CodeBytes(code));
    for (const XbTokenizeEntry& e : XbTokenizeList()) {
      if (e.name.size() > names[code].size() && e.name.starts_with(names[code])) {
        longerNames[code].push_back(e.name);
      }
    }
  }

  std::size_t expectedFailures = 0;
  std::size_t mismatches = 0;
  for (std::uint16_t t : vocabulary) {
    for (std::uint16_t u : vocabulary) {
      const std::string text = names[t] + names[u];
      bool overshoots = false;
      for (std::string_view longer : longerNames[t]) overshoots |= text.starts_with(longer);
      Bytes tokens = CodeBytes(t);
      const Bytes second = CodeBytes(u);
      tokens.insert(tokens.end(), second.begin(), second.end());
      const bool roundTrips = ToTokens(ToText(tokens)) == tokens;
      expectedFailures += overshoots;
      if (roundTrips == overshoots && ++mismatches <= 10) {
        ADD_FAILURE() << "pair " << std::hex << t << " " << u << " text \"" << text << "\"";
      }
    }
  }
  EXPECT_EQ(mismatches, 0u);
  // Known members of the set.
  EXPECT_EQ(ToTokens(ToText({0x46, 0x56})), (Bytes{0x63, 0x2F}));        // F V -> FV
  EXPECT_EQ(ToTokens(ToText({0x44, 0xB9})), (Bytes{0x44, 0xB9}));        // D iPart( stays
  EXPECT_EQ(ToTokens(ToText({0xCE, 0x29})), (Bytes{0xCE}));              // If, space -> "If "
  EXPECT_EQ(ToTokens(ToText({0x52, 0x62, 0x35})), (Bytes{0x52, 0x62, 0x35}));  // R r_^2_
  EXPECT_GT(expectedFailures, 0u);
}

}  // namespace
}  // namespace gridlet
