#include "calc/formula_rewrites.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "calc/cell_changes.h"
#include "calc/formula_names.h"
#include "calc/named_char_table.h"
#include "calc/text68k.h"
#include "model/spreadsheet_text_rewrites.h"
#include "support/formula_vocabulary.h"

namespace gridlet {
namespace {

// ---- The special-character table ----------------------------------------

// Every escape name of the intermediate form that has a calculator
// character, in alphabetical table order (the grave-accented letters and
// the repeated names are placed among them by the table itself).
const std::vector<std::string_view> kTableVocabulary = {
    "_!_", "_!=_", "_(C)_", "_))_", "_/_", "_?_", "_[_", "_^-_", "_neg_", "_^-1_", "_degrees_",
    "_^2_", "_^3_", "_^a_", "_^x_", "_-_", "_|_", "_+_", "_+-_", "_<-_", "_<<_", "_<=_", "_>_",
    "_->_", "_>=_", "_>>_", "_0_", "_1_", "_10_", "_2_", "_3_", "_4_", "_5_", "_6_", "_7_",
    "_8_", "_9_", "_A:_", "_a:_", "_A^_", "_a^_", "_A_", "_A'_", "_a'_", "_A~_", "_a~_",
    "_accent_", "_ae_", "_AE_", "_alpha_", "_angle_", "_Ao_", "_ao_", "_B_", "_beta_", "_bin_",
    "_block_", "_box_", "_boxplot1_", "_boxplot2_", "_C_", "_c_", "_cents_", "_chi_", "_cubed_",
    "_D_", "_Dbar_", "_dbar_", "_dec_", "_DELTA_", "_delta_", "_dier_", "_diff_", "_dn-arrow_",
    "_dn-triangle_", "_dot_", "_E:_", "_e:_", "_E^_", "_e^_", "_E_", "_E'_", "_e'_", "_e_",
    "_element_", "_ellipsis_", "_enter_", "_epsilon_", "_F_", "_F-stat_", "_gamma_", "_GAMMA_",
    "_grave_", "_hex_", "_hist1_", "_hist2_", "_I:_", "_i:_", "_I^_", "_i^_", "_i_", "_I'_",
    "_i'_", "_infinity_", "_integral_", "_intersect_", "_invEq_", "_L_", "_lambda_",
    "_listlock_", "_lnot_", "_modbox1_", "_modbox2_", "_mu_", "_n_", "_N_", "_N~_", "_n~_",
    "_narrow-E_", "_normplot1_", "_normplot2_", "_not_", "_O/_", "_o/_", "_O:_", "_o:_", "_O^_",
    "_o^_", "_O'_", "_o'_", "_O~_", "_o~_", "_oct_", "_OMEGA_", "_omega_", "_ord_", "_P_", "_p_",
    "_para_", "_per_", "_phi_", "_pi_", "_PI_", "_pounds_", "_psi_", "_radians_", "_registered_",
    "_rho^_", "_rho_", "_root_", "_scatter1_", "_scatter2_", "_section_", "_sideways+_",
    "_SIGMA_", "_sigma_", "_sp4_", "_squared_", "_ss_", "_starburst_", "_subset_", "_T_",
    "_tau_", "_temp_", "_theta_", "_trans_", "_U:_", "_u:_", "_U^_", "_u^_", "_u_", "_U'_",
    "_u'_", "_union_", "_up-arrow_", "_v_", "_w_", "_xi_", "_xmean_", "_xyplot1_", "_xyplot2_",
    "_y:_", "_Y'_", "_y'_", "_yen_", "_ymean_", "_zeta_",
};

// Escape names used only by the XB Plus tokens: not characters of this table.
const std::vector<std::string_view> kTokenOnlyNames = {
    "_^+_", "_^1_", "_C,_", "_c,_", "_EE_", "_softwrap_", "_sp1_", "_sp2_", "_sp3_", "_tab_",
};

const std::vector<std::pair<std::string_view, std::uint32_t>> kGraveLetters = {
    {"_A`_", 192}, {"_a`_", 220}, {"_E`_", 199}, {"_e`_", 228}, {"_I`_", 0},
    {"_i`_", 0},   {"_O`_", 208}, {"_o`_", 238}, {"_U`_", 214}, {"_u`_", 244}};

// The coded entries other than the grave-accented letters, in table order.
const std::vector<std::pair<std::string_view, std::uint32_t>> kCodedEntries = {
    {"_!_", 162}, {"_!=_", 157}, {"_(C)_", 168}, {"_?_", 185}, {"_^-_", 171}, {"_neg_", 173},
    {"_^-1_", 180}, {"_degrees_", 176}, {"_^2_", 174}, {"_^3_", 175}, {"_^x_", 179},
    {"_<<_", 253}, {"_<=_", 156}, {"_>_", 252}, {"_->_", 187}, {"_>=_", 158}, {"_>>_", 254},
    {"_A:_", 196}, {"_a:_", 196}, {"_A^_", 194}, {"_a^_", 194}, {"_A'_", 193}, {"_a'_", 221},
    {"_A~_", 195}, {"_a~_", 195}, {"_ae_", 226}, {"_AE_", 194}, {"_alpha_", 128},
    {"_angle_", 159}, {"_Ao_", 197}, {"_ao_", 225}, {"_beta_", 129}, {"_C_", 198}, {"_c_", 227},
    {"_cents_", 163}, {"_dbar_", 236}, {"_degrees_", 172}, {"_DELTA_", 132}, {"_delta_", 133},
    {"_diff_", 182}, {"_E:_", 202}, {"_e:_", 231}, {"_E^_", 201}, {"_e^_", 230}, {"_E'_", 200},
    {"_e'_", 229}, {"_e_", 150}, {"_element_", 191}, {"_ellipsis_", 161}, {"_epsilon_", 134},
    {"_gamma_", 131}, {"_GAMMA_", 130}, {"_i_", 151}, {"_lambda_", 137}, {"_lnot_", 169},
    {"_mu_", 177}, {"_N~_", 207}, {"_n~_", 237}, {"_neg_", 170}, {"_O/_", 213}, {"_o/_", 243},
    {"_O:_", 212}, {"_o:_", 242}, {"_O^_", 210}, {"_o^_", 240}, {"_O'_", 209}, {"_o'_", 239},
    {"_O~_", 211}, {"_o~_", 241}, {"_OMEGA_", 147}, {"_omega_", 148}, {"_ord_", 181},
    {"_p_", 249}, {"_phi_", 145}, {"_pi_", 140}, {"_PI_", 139}, {"_pounds_", 164},
    {"_psi_", 146}, {"_radians_", 152}, {"_rho_", 141}, {"_root_", 167}, {"_SIGMA_", 142},
    {"_sigma_", 143}, {"_ss_", 219}, {"_starburst_", 165}, {"_subset_", 190}, {"_tau_", 144},
    {"_theta_", 136}, {"_trans_", 153}, {"_U:_", 217}, {"_u:_", 247}, {"_U^_", 216},
    {"_u^_", 246}, {"_U'_", 215}, {"_u'_", 245}, {"_union_", 188}, {"_xi_", 138},
    {"_xmean_", 154}, {"_y:_", 250}, {"_Y'_", 218}, {"_y'_", 248}, {"_yen_", 166},
    {"_ymean_", 155}, {"_zeta_", 135},
};

bool IsGrave(std::string_view name) { return name.find('`') != std::string_view::npos; }

TEST(NamedCharTable, HasTwoHundredNamedEntriesAndAnEmptyLastOne) {
  const auto table = NamedCharTable();
  ASSERT_EQ(table.size(), 201u);
  for (std::size_t i = 0; i + 1 < table.size(); ++i) {
    const std::string_view name = table[i].name;
    ASSERT_GE(name.size(), 3u) << i;
    EXPECT_EQ(name.front(), '_') << name;
    EXPECT_EQ(name.back(), '_') << name;
  }
  EXPECT_TRUE(table.back().name.empty());
  for (std::uint32_t code : table.back().codes) EXPECT_EQ(code, 0u);
}

TEST(NamedCharTable, OnlyThe68kColumnIsFilled) {
  for (const SpecialCharEntry& entry : NamedCharTable()) {
    for (std::size_t column = 0; column < kCharsetColumnCount; ++column) {
      if (column != kColumn68k) {
        EXPECT_EQ(entry.codes[column], 0u) << entry.name;
      }
    }
    EXPECT_LT(entry.codes[kColumn68k], 256u) << entry.name;
  }
}

TEST(NamedCharTable, CodedEntriesInTableOrder) {
  std::vector<std::pair<std::string_view, std::uint32_t>> coded;
  for (const SpecialCharEntry& entry : NamedCharTable()) {
    if (entry.codes[kColumn68k] != 0 && !IsGrave(entry.name)) {
      coded.emplace_back(entry.name, entry.codes[kColumn68k]);
    }
  }
  EXPECT_EQ(coded, kCodedEntries);
}

TEST(NamedCharTable, GraveAccentedLetters) {
  const auto table = NamedCharTable();
  for (const auto& [name, code] : kGraveLetters) {
    const auto it = std::find_if(table.begin(), table.end(),
                                 [&](const SpecialCharEntry& e) { return e.name == name; });
    ASSERT_NE(it, table.end()) << name;
    EXPECT_EQ(it->codes[kColumn68k], code) << name;
  }
}

TEST(NamedCharTable, NamesAreTheVocabularyWithThreeRepeats) {
  const auto table = NamedCharTable();
  std::map<std::string_view, std::vector<std::uint32_t>> codesByName;
  std::vector<std::string_view> firstOrder;
  for (std::size_t i = 0; i + 1 < table.size(); ++i) {
    auto& codes = codesByName[table[i].name];
    if (codes.empty()) firstOrder.push_back(table[i].name);
    codes.push_back(table[i].codes[kColumn68k]);
  }
  EXPECT_EQ(codesByName.size(), 197u);
  EXPECT_EQ(codesByName["_degrees_"], (std::vector<std::uint32_t>{176, 172}));
  EXPECT_EQ(codesByName["_neg_"], (std::vector<std::uint32_t>{173, 170}));
  EXPECT_EQ(codesByName["_C_"], (std::vector<std::uint32_t>{198, 0}));
  for (const auto& [name, codes] : codesByName) {
    if (name != "_degrees_" && name != "_neg_" && name != "_C_") {
      EXPECT_EQ(codes.size(), 1u) << name;
    }
  }
  // Without the grave-accented letters the first entries follow the
  // vocabulary order exactly.
  std::vector<std::string_view> withoutGrave;
  std::copy_if(firstOrder.begin(), firstOrder.end(), std::back_inserter(withoutGrave),
               [](std::string_view name) { return !IsGrave(name); });
  EXPECT_EQ(withoutGrave, kTableVocabulary);
  for (std::string_view name : kTokenOnlyNames) EXPECT_EQ(codesByName.count(name), 0u) << name;
}

// ---- Rewrite tables -------------------------------------------------------

TEST(RewriteTables, RowsHoldShortTexts) {
  // 19 bytes for the XB Plus tables, 17 for the 68k-class ones.
  auto check = [](std::span<const RewriteRule> table, std::size_t limit) {
    for (const RewriteRule& rule : table) {
      EXPECT_FALSE(rule.find.empty());
      EXPECT_LE(rule.find.size(), limit) << rule.find;
      EXPECT_LE(rule.replace.size(), limit) << rule.replace;
    }
  };
  check(XbToIntermediateRewrites(), 19);
  check(IntermediateToXbRewrites(), 19);
  check(Sheet68kToIntermediateRewrites(), 17);
  check(IntermediateToSheet68kRewrites(), 17);
}

std::string FromXb(std::string text) {
  XbNamesToIntermediate(text);
  return text;
}
std::string ToXb(std::string text) {
  IntermediateNamesToXb(text);
  return text;
}
std::string From68k(std::string text) {
  Sheet68kNamesToIntermediate(text);
  return text;
}
std::string To68k(std::string text) {
  IntermediateNamesToSheet68k(text);
  return text;
}

TEST(XbRewrites, NamesAreRewrittenAtNameBoundariesOnly) {
  EXPECT_EQ(FromXb("=randInt(1,6)+rand"), "=RANDBETWEEN(1,6)+RAND()");
  EXPECT_EQ(FromXb("=rand(5)+randM(2,2)"), "=RAND(5)+randM(2,2)");
  EXPECT_EQ(FromXb("=iPart(A1)+int(A2)"), "=TRUNC(A1)+INT(A2)");
  EXPECT_EQ(ToXb("=COUNTIF(A1:A3,1)"), "=COUNTIF(A1:A3,1)");
  EXPECT_EQ(ToXb("=A1^25"), "=A1^25");
}

TEST(XbRewrites, StringLiteralsAndEscapesKeepTheirLetters) {
  EXPECT_EQ(ToXb("=IF(A1=\"mean(x)\",_pi_,_PI_)"), "=if(A1=\"mean(x)\",_pi_,_PI_)");
  EXPECT_EQ(ToXb("=sum(a1:a3)+_SIGMA_Int(1,2)"), "=sum(A1:A3)+_SIGMA_Int(1,2)");
}

TEST(XbRewrites, FunctionsOfTheCalculatorAreFoundWhateverTheirCase) {
  EXPECT_EQ(ToXb("=IPART(A1)+fnint(X,X,0,1)+SEQ(X,X,1,3)"),
            "=iPart(A1)+fnInt(X,X,0,1)+seq(X,X,1,3)");
  // Names the spreadsheet gives to other functions only in the
  // calculator's own spelling.
  EXPECT_EQ(ToXb("=TEXT(A1,\"0\")"), "=TEXT(A1,\"0\")");
  EXPECT_EQ(ToXb("=Text(A1)"), "=Text(A1)");
}

TEST(XbRewrites, PowersAndAbsoluteReferences) {
  EXPECT_EQ(FromXb("=A1^2+A2_^3_+A3^_neg_1"), "=A1_^2_+A2_^3_+A3_^-1_");
  EXPECT_EQ(ToXb("=$A$1*B$2"), "=A1*B2");
  EXPECT_EQ(FromXb("=90_degrees_"), "=90\xB0");
  EXPECT_EQ(ToXb("=90\xB0"), "=90_degrees_");
}

TEST(Sheet68kRewrites, IfRoundTripsThroughTheApplicationFunction) {
  const std::string device = To68k("=IF(A1>0,1,2)");
  EXPECT_EQ(device, "=QZGRIDLT.cellIf(a1>0,1,2)");
  EXPECT_EQ(From68k(device), "=IF(A1>0,1,2)");
  EXPECT_EQ(To68k("=if (a1,1,2)"), "=QZGRIDLT.cellIf(a1,1,2)");
}

TEST(Sheet68kRewrites, PiAndDegreesAreDeviceBytes) {
  EXPECT_EQ(To68k("=_pi_"), "=\x8C");
  EXPECT_EQ(From68k("=\x8C"), "=_pi_");
  EXPECT_EQ(To68k("=2*PI()"), "=2*\x8C");
  EXPECT_EQ(To68k("=90_degrees_"), "=90\xB0");
  EXPECT_EQ(To68k("=90\xB0"), "=90\xB0");
  // Both device codes read back as the ANSI degree sign.
  EXPECT_EQ(From68k("=90\xB0"), "=90\xB0");
  EXPECT_EQ(From68k("=90\xAC"), "=90\xB0");
}

TEST(Sheet68kRewrites, TextWithoutEscapesPassesUnchanged) {
  EXPECT_EQ(To68k("=a_b_c"), "=a_b_c");
  EXPECT_EQ(From68k("=a_b_c"), "=A_B_C");
  EXPECT_EQ(To68k(""), "");
  EXPECT_EQ(From68k(""), "");
}

TEST(Sheet68kRewrites, PowerOfTenMultipliesOnlyAfterAnOperand) {
  EXPECT_EQ(To68k("=_10_^(A1)"), "=10^(a1)");
  EXPECT_EQ(To68k("=2+_10_^(A1)"), "=2+10^(a1)");
  EXPECT_EQ(To68k("=2_10_^(A1)"), "=2*10^(a1)");
  EXPECT_EQ(From68k("=10^(a1)"), "=_10_^(A1)");
}

TEST(Sheet68kRewrites, CaseOfNamesLiteralsAndEscapes) {
  // Names are in capitals in the intermediate form; the calculator's mixed
  // case names come back in its spelling; literals keep their letters.
  EXPECT_EQ(From68k("=ndEriv(a1,x,1)&\"Hi\""), "=NDERIV(A1,X,1)&\"Hi\"");
  EXPECT_EQ(To68k("=NDERIV(A1,X,1)&\"Hi\""), "=nDeriv(a1,x,1)&\"Hi\"");
  EXPECT_EQ(To68k("=STDEV(A1:A3)+TRUNC(B1)+QUOTIENT(7,2)"),
            "=stdDev(a1:a3)+iPart(b1)+intDiv(7,2)");
  EXPECT_EQ(From68k("=stdDev(a1:a3)+iPart(b1)+intDiv(7,2)"),
            "=STDEV(A1:A3)+TRUNC(B1)+QUOTIENT(7,2)");
  // Escapes keep their case: capital sigma and delta stay themselves.
  EXPECT_EQ(To68k("=_SIGMA_+_DELTA_"), "=\x8E+\x84");
}

TEST(Sheet68kRewrites, ReadingDeviceBytes) {
  EXPECT_EQ(From68k("=1\x95" "3"), "=1_EE_3");
  EXPECT_EQ(To68k("=1_EE_3"), "=1\x95" "3");
  EXPECT_EQ(From68k("=\x96^(1)"), "=_e_^(1)");
  EXPECT_EQ(From68k("=(\xAD" "3)"), "=(_neg_3)");
  EXPECT_EQ(From68k("=\xA8(a1)"), "=SQRT(A1)");
  EXPECT_EQ(From68k("=a\xBB" "b"), "=A_->_B");
  EXPECT_EQ(From68k("=\x01"), "=\x01");
}

// References to other worksheets, which no calculator sheet can hold,
// are told from factorials.
TEST(FormulaNames, SheetReferencesAreToldFromFactorials) {
  for (const char* formula : {"=Sheet2!A1", "='My sheet'!$B$2*2", "=SUM(data.x!A1:A3)", "=1+s_2!b3"}) {
    EXPECT_TRUE(HoldsSheetReference(formula)) << formula;
  }
  for (const char* formula : {"=5!", "=A1!*2", "=(A1)!+B2", "=\"Sheet2!A1\"", "=_pi_!", "=3!A1"}) {
    EXPECT_FALSE(HoldsSheetReference(formula)) << formula;
  }
}

// The calculators' bytes from 0xC0 up are Windows-1252's letters, in
// formulas as in texts: each reads as itself, in a string and in a name,
// and is stored again as it was.
TEST(Sheet68kRewrites, BytesFrom0xC0ReadAsTheirWindows1252Letters) {
  for (unsigned byte = 0xC0; byte <= 0xFF; ++byte) {
    const std::string letter(1, static_cast<char>(byte));
    const std::string inString = "=\"K" + letter + "se\"";
    EXPECT_EQ(From68k(inString), inString);
    EXPECT_EQ(To68k(From68k(inString)), inString);
    const std::string inName = "=a" + letter + "*2";
    EXPECT_EQ(From68k(inName), "=A" + letter + "*2");
    EXPECT_EQ(To68k(From68k(inName)), inName);
  }
}

// A calculator's name may hold an underscore ("_m", a unit), also right
// after a character that reads as an escape ("\x8C_r" reads "_pi__R"):
// such an underscore pairs with no other, and every function, operator and
// constant of the vocabulary reads and writes beside it as it does alone.
TEST(Sheet68kRewrites, TheVocabularyBesideUnderscoresOfNames) {
  for (const std::string& alone : testing::Sheet68kVocabulary()) {
    const std::string read = From68k(alone);
    ASSERT_EQ(To68k(read), alone);
    for (const std::string_view before : {"\xD2_a1,", "\x8C_r*", "_m*_s+", "a_b,"}) {
      const std::string device = "=" + std::string(before) + alone.substr(1);
      const std::string beside = From68k(device);
      EXPECT_TRUE(beside.ends_with(read.substr(1))) << device << " reads " << beside;
      EXPECT_EQ(To68k(beside), device);
    }
  }
}

// The same for texts: a text of the 68k class whose underscores stand
// beside characters that read as escapes (a tab, the exponent sign) is
// stored again as it was, and no change is named. (Random texts of
// letters that spell no escape's name, seeded.)
TEST(Sheet68kTexts, UnderscoresBesideEscapedCharactersAreStoredAgainAsTheyWere) {
  std::mt19937 random(20261211);
  const std::string alphabet = "abmx_\t\x95";
  for (int round = 0; round < 3000; ++round) {
    std::string stored;
    for (std::size_t n = random() % 12; n > 0; --n) stored += alphabet[random() % alphabet.size()];
    CellChanges changes;
    const std::string read = Text68kCharacters(stored);
    EXPECT_EQ(Text68kBytes(read, 1000, changes), stored) << "read as " << read;
    EXPECT_FALSE(changes.Has(CellChange::CharactersReplaced)) << read;
  }
}

// ---- The indexed tables -----------------------------------------------------

// An indexed table rewrites exactly as the table does: texts generated from
// the table's own find and replacement texts (so that rules match, overlap
// and feed later rules) mixed with bytes that make and break name
// boundaries, string literals and escapes, in either letter case.
TEST(RewriteIndex, RewritesAsTheTableDoes) {
  struct Table {
    std::span<const RewriteRule> rules;
    RewriteOptions options;
  };
  const RewriteOptions plain{};
  const Table tables[] = {
      {ExcelNamesToIntermediateTable(), kSpreadsheetFormulaRewrite},
      {IntermediateNamesToExcelTable(), kSpreadsheetFormulaRewrite},
      {ExcelNamesToIntermediateTable(), plain},
      {XbToIntermediateRewrites(), plain},
      {IntermediateToXbRewrites(), plain},
      {Sheet68kToIntermediateRewrites(), kSpreadsheetFormulaRewrite},
      {IntermediateToSheet68kRewrites(), plain},
  };
  constexpr std::string_view kBytes = "aZe1.0_\"()-^ E+<>=!,x9]}%*";
  std::mt19937 random(18);
  for (const Table& table : tables) {
    const RewriteIndex index(table.rules, table.options);
    int rewritten = 0;
    for (int n = 0; n < 4000; ++n) {
      std::string text;
      const int pieces = std::uniform_int_distribution<int>(0, 6)(random);
      for (int i = 0; i < pieces; ++i) {
        const RewriteRule& rule = table.rules[random() % table.rules.size()];
        switch (random() % 4) {
          case 0: text += rule.find; break;
          case 1: text += rule.replace; break;
          default: text += kBytes[random() % kBytes.size()];
        }
        if (random() % 3 == 0) {
          for (char& c : text) c = IsNameLetter(c) && random() % 2 ? static_cast<char>(c ^ 0x20) : c;
        }
      }
      std::string expected = text;
      std::string actual = text;
      const bool expectedChanged = ApplyRewrites(expected, table.rules, table.options);
      ASSERT_EQ(ApplyRewrites(actual, index), expectedChanged) << text;
      ASSERT_EQ(actual, expected) << text;
      rewritten += expectedChanged;
    }
    // The generated texts exercise the rules, not only the quick refusal.
    EXPECT_GT(rewritten, 400);
  }
}

// Folding letters eight bytes at a time changes A to Z alone, wherever
// they stand among any bytes.
TEST(FoldLetters, LowersTheLettersAToZAlone) {
  std::mt19937 random(7);
  std::string folded;
  for (int n = 0; n < 5000; ++n) {
    std::string text(random() % 40, '\0');
    for (char& c : text) c = static_cast<char>(random() % 4 == 0 ? 'A' + random() % 26 : random() % 256);
    std::string expected = text;
    for (char& c : expected) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    FoldLetters(folded, text);
    ASSERT_EQ(folded, expected) << n;
  }
}

// The index tells a one-byte find text by the byte before it: most
// formulas, with their subtractions and their names' letters E, are passed
// over without a search, and those that hold a match are not.
TEST(RewriteIndex, ToldOneByteFindsByWhatStandsBefore) {
  const RewriteIndex& index = ExcelNamesToIntermediateIndex();
  for (const std::string_view unmatched : {"=AVERAGE(B2:B9)-C2*1.5", "=SUM(E1:E4)-E5", "=(A1)-MAX(B1,2)"}) {
    EXPECT_EQ(index.Candidates(unmatched), 0u) << unmatched;
  }
  for (std::string_view matched : {"=1E5", "=2.e3*A1", "=-A1", "=A1*-2", "-1", "=(-B2)", "=A1_neg_-2"}) {
    std::string text(matched);
    EXPECT_NE(index.Candidates(text), 0u) << matched;
    EXPECT_TRUE(ApplyRewrites(text, index)) << matched;
  }
}

}  // namespace
}  // namespace gridlet
