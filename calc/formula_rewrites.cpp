#include "calc/formula_rewrites.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "calc/formula_names.h"
#include "calc/named_char_table.h"
#include "encoding/char_escape_translator.h"
#include "encoding/render68k_tables.h"
#include "encoding/xb_token_tables.h"
#include "model/spreadsheet_text_rewrites.h"

namespace gridlet {
namespace {

// Row order is behaviour: each row works on the output of the rows before
// it, so an earlier row can pre-empt a later one. Rows that map a text to
// itself change nothing; they keep each table in step with its reverse.
// Literals are split after a hex escape so that no following character is
// read as part of it.

// XB Plus to intermediate.
constexpr std::array kXbToIntermediate = {
    RewriteRule{"abs(", "ABS("},
    RewriteRule{"cos_^-1_(", "COS_^-1_("},
    RewriteRule{"cosh_^-1_(", "COSH_^-1_("},
    RewriteRule{"\x04", "$"},
    RewriteRule{"gcd(", "GCD("},
    RewriteRule{"int(", "INT("},
    RewriteRule{"lcm(", "LCM("},
    RewriteRule{"ln(", "LN("},
    RewriteRule{"max(", "MAX("},
    RewriteRule{"median(", "MEDIAN("},
    RewriteRule{"min(", "MIN("},
    RewriteRule{"rand", "RAND()"},
    RewriteRule{"rand", "RAND("},
    RewriteRule{"rand(", "RAND("},
    RewriteRule{"randInt(", "RANDBETWEEN("},
    RewriteRule{"round(", "ROUND("},
    RewriteRule{"sin_^-1_(", "SIN_^-1_("},
    RewriteRule{"sinh_^-1_(", "SINH_^-1_("},
    RewriteRule{"sum(", "SUM("},
    RewriteRule{"tan_^-1_(", "TAN_^-1_("},
    RewriteRule{"tanh_^-1_(", "TANH_^-1_("},
    RewriteRule{"log(", "LOG10("},
    RewriteRule{"imag(", "IMAGINARY("},
    RewriteRule{"conj(", "IMCONJUGATE("},
    RewriteRule{"_e_^(", "_e_^("},
    RewriteRule{"_e_", "_e_"},
    RewriteRule{"ln(", "LN("},
    RewriteRule{"real(", "IMREAL("},
    RewriteRule{"mean(", "AVERAGE("},
    RewriteRule{"cos(", "COS("},
    RewriteRule{"cosh(", "COSH("},
    RewriteRule{"sin(", "SIN("},
    RewriteRule{"sinh(", "SINH("},
    RewriteRule{"tan(", "TAN("},
    RewriteRule{"tanh(", "TANH("},
    RewriteRule{"det(", "MDETERM("},
    RewriteRule{"prod(", "PRODUCT("},
    RewriteRule{"iPart(", "TRUNC("},
    RewriteRule{"not(", "NOT("},
    RewriteRule{"stdDev(", "STDEV("},
    RewriteRule{"variance(", "VAR("},
    RewriteRule{"If(", "IF("},
    RewriteRule{"_root_(", "SQRT("},
    RewriteRule{"_neg_", "_neg_"},
    RewriteRule{"_^-1_", "_^-1_"},
    // A power written with "^" reads as the calculator's power sign, which
    // is how the spreadsheet's spelling of either reads back.
    RewriteRule{"^_neg_1", "_^-1_", Before::NameBoundary, After::NoName},
    RewriteRule{"^2", "_^2_", Before::NameBoundary, After::NoName},
    RewriteRule{"^3", "_^3_", Before::NameBoundary, After::NoName},
    RewriteRule{"_10_^(", "_10_^("},
    RewriteRule{"_degrees_", "\xB0"},
};

// Intermediate to XB Plus; a formula's names other than those of functions
// are in capitals when it arrives.
constexpr std::array kIntermediateToXb = {
    RewriteRule{"COS_^-1_(", "cos_^-1_("},
    RewriteRule{"COSH_^-1_(", "cosh_^-1_("},
    // The XB Plus has no absolute references; the cell is the same.
    RewriteRule{"$", ""},
    RewriteRule{"GCD(", "gcd("},
    RewriteRule{"INT(", "int("},
    RewriteRule{"LCM(", "lcm("},
    RewriteRule{"LN(", "ln("},
    RewriteRule{"MAX(", "max("},
    RewriteRule{"MEDIAN(", "median("},
    RewriteRule{"MIN(", "min("},
    RewriteRule{"RAND()", "rand"},
    RewriteRule{"RAND(", "rand("},
    RewriteRule{"RANDBETWEEN(", "randInt("},
    RewriteRule{"ROUND(", "round("},
    RewriteRule{"SIN_^-1_(", "sin_^-1_("},
    RewriteRule{"SINH_^-1_(", "sinh_^-1_("},
    RewriteRule{"SUM(", "sum("},
    RewriteRule{"TAN_^-1_(", "tan_^-1_("},
    RewriteRule{"TANH_^-1_(", "tanh_^-1_("},
    RewriteRule{"LOG10(", "log("},
    RewriteRule{"IMAGINARY(", "imag("},
    RewriteRule{"IMCONJUGATE(", "conj("},
    RewriteRule{"IMEXP(", "_e_^("},
    RewriteRule{"IMLN(", "ln("},
    RewriteRule{"IMREAL(", "real("},
    RewriteRule{"AVERAGE(", "mean("},
    RewriteRule{"COS(", "cos("},
    RewriteRule{"COSH(", "cosh("},
    RewriteRule{"SIN(", "sin("},
    RewriteRule{"SINH(", "sinh("},
    RewriteRule{"TAN(", "tan("},
    RewriteRule{"TANH(", "tanh("},
    RewriteRule{"MDETERM(", "det("},
    RewriteRule{"PRODUCT(", "prod("},
    RewriteRule{"TRUNC(", "iPart("},
    RewriteRule{"NOT(", "not("},
    RewriteRule{"STDEV(", "stdDev("},
    RewriteRule{"VAR(", "variance("},
    RewriteRule{"IF(", "if("},
    RewriteRule{"SQRT(", "_root_("},
    RewriteRule{"ABS(", "abs("},
    RewriteRule{"IMABS(", "abs("},
    RewriteRule{"IMSQRT(", "_root_("},
    RewriteRule{"^2", "_^2_", Before::NameBoundary, After::NoName},
    RewriteRule{"^3", "_^3_", Before::NameBoundary, After::NoName},
    RewriteRule{"EXP(", "_e_^("},
    RewriteRule{"IMLOG10(", "log("},
    RewriteRule{"REAL(", "real("},
    RewriteRule{"LOG(", "log("},
    RewriteRule{"\xB0", "_degrees_"},
};

// 68k-class to intermediate, after the device bytes have become escapes
// and a formula's names have been put in lower case.
constexpr std::array kSheet68kToIntermediate = {
    RewriteRule{"imag(", "imaginary("},
    RewriteRule{"conj(", "imconjugate("},
    RewriteRule{"rand(", "rand("},
    RewriteRule{"real(", "imreal("},
    RewriteRule{"_(C)_(", "sqrt("},
    RewriteRule{"mean(", "average("},
    RewriteRule{"log(", "log10("},
    RewriteRule{"det(", "mdeterm("},
    RewriteRule{"product(", "product("},
    RewriteRule{"ipart(", "trunc("},
    RewriteRule{"intdiv(", "quotient("},
    RewriteRule{"ncr(", "combin("},
    RewriteRule{"npr(", "permut("},
    RewriteRule{"\xA8" "(", "sqrt("},
    RewriteRule{"stddev(", "stdev("},
    RewriteRule{"variance(", "var("},
    RewriteRule{"qzgridlt.cellif(", "if("},
    RewriteRule{"10^(", "_10_^("},
    RewriteRule{"_e_^", "_e_^"},
    RewriteRule{"_e_", "_e_"},
    RewriteRule{"\x95", "_EE_"},
    // A minus sign where no operand ends is a negation; powers written with
    // "^" read as the power signs.
    RewriteRule{"-", "_neg_", Before::NoOperand},
    RewriteRule{"^_neg_1", "_^-1_", Before::NameBoundary, After::NoName},
    RewriteRule{"^2", "_^2_", Before::NameBoundary, After::NoName},
    RewriteRule{"^3", "_^3_", Before::NameBoundary, After::NoName},
    RewriteRule{"_degrees_", "\xB0"},
};

// Intermediate (a formula's names in lower case) to 68k-class, before the
// escapes become device bytes.
constexpr std::array kIntermediateToSheet68k = {
    RewriteRule{"imaginary(", "imag("},
    RewriteRule{"imconjugate(", "conj("},
    RewriteRule{"imexp(", "_e_^("},
    RewriteRule{"imabs(", "abs("},
    RewriteRule{"rand(", "rand("},
    RewriteRule{"imlog10(", "log10("},
    RewriteRule{"imreal(", "real("},
    RewriteRule{"imsqrt(", "sqrt("},
    RewriteRule{"average(", "mean("},
    RewriteRule{"exp(", "\x96" "^("},
    RewriteRule{"log10(", "log("},
    RewriteRule{"mdeterm(", "det("},
    RewriteRule{"product(", "product("},
    RewriteRule{"quotient(", "intDiv("},
    RewriteRule{"trunc(", "iPart("},
    RewriteRule{"combin(", "nCr("},
    RewriteRule{"permut(", "nPr("},
    RewriteRule{"sqrt(", "\xA8" "("},
    RewriteRule{"stdev(", "stdDev("},
    RewriteRule{"var(", "variance("},
    RewriteRule{"(-", "(" "\xAD"},
    RewriteRule{"if(", "QZGRIDLT.cellIf("},
    RewriteRule{"if (", "QZGRIDLT.cellIf("},
    RewriteRule{"_10_^(", "*10^(", Before::Operand},
    RewriteRule{"_10_^(", "10^("},
    RewriteRule{"pi()", "_pi_"},
    RewriteRule{"\xB0", "_degrees_"},
    RewriteRule{"_EE_", "\x95"},
    // The inverse functions keep their power sign; elsewhere the powers are
    // written with "^", as the calculator's keyboard enters them.
    RewriteRule{"cos_^-1_(", "cos\xB4" "("},
    RewriteRule{"cosh_^-1_(", "cosh\xB4" "("},
    RewriteRule{"sin_^-1_(", "sin\xB4" "("},
    RewriteRule{"sinh_^-1_(", "sinh\xB4" "("},
    RewriteRule{"tan_^-1_(", "tan\xB4" "("},
    RewriteRule{"tanh_^-1_(", "tanh\xB4" "("},
    RewriteRule{"_^-1_", "^_neg_1"},
    RewriteRule{"_^2_", "^2"},
    RewriteRule{"_^3_", "^3"},
};

// Translator codes for the 68k-class charset column.
constexpr std::int32_t kOpEscapeFrom68k = 11;
constexpr std::int32_t kSubEscapeFrom68k = 0;
constexpr std::int32_t kOpUnescape = 0;
constexpr std::int32_t kSubUnescapeInto68k = 11;

const CharEscapeTranslator& Translator68k() {
  static const CharEscapeTranslator translator(NamedCharTable68k());
  return translator;
}

bool HasUpper(std::string_view name) {
  return std::any_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}
bool HasLower(std::string_view name) {
  return std::any_of(name.begin(), name.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// A table whose rows turn each name, in the case given by `finds`, into its
// calculator spelling; the find texts are kept alive with the rows.
struct SpellingTable {
  std::vector<std::string> finds;
  std::vector<std::string> spellings;
  std::vector<RewriteRule> rows;

  void Add(std::string find, std::string spelling) {
    if (find == spelling) return;
    finds.push_back(std::move(find));
    spellings.push_back(std::move(spelling));
  }
  void Seal() {
    for (std::size_t i = 0; i < finds.size(); ++i) rows.push_back({finds[i], spellings[i]});
  }
};

// The XB Plus functions in capitals (escapes keep their case), each back to
// its own spelling: "IPART(" to "iPart(".
const SpellingTable& XbSpellings() {
  static const SpellingTable table = [] {
    SpellingTable out;
    for (std::string_view name : XbFunctionNames()) {
      // A name that begins with an operator would be found after a
      // spreadsheet's own operator ("A1*ROW(2)").
      if (name.front() == '*') continue;
      // Homonyms of spreadsheet functions are recognised only as the
      // calculator spells them.
      const auto homonyms = CalculatorSpreadsheetHomonyms();
      if (std::find(homonyms.begin(), homonyms.end(), name) != homonyms.end()) {
        continue;
      }
      std::string upper(name);
      SetNameCase(upper, LetterCase::Upper, true);
      out.Add(std::move(upper), std::string(name));
    }
    out.Seal();
    return out;
  }();
  return table;
}

// The 68k-class functions whose names mix cases, from lower case back to
// their own spelling: "nderiv(" to "nDeriv(".
const SpellingTable& Sheet68kSpellings() {
  static const SpellingTable table = [] {
    SpellingTable out;
    for (std::string_view name : Function68kNames()) {
      if (!IsNameLetter(name.front()) || !HasUpper(name)) continue;
      // The rows work on the text before its escapes become device bytes.
      std::string call;
      Translator68k().Translate(kOpEscapeFrom68k, std::string(name) + "(", kSubEscapeFrom68k,
                                call);
      std::string lower = call;
      SetNameCase(lower, LetterCase::Lower, true);
      out.Add(std::move(lower), std::move(call));
    }
    out.Seal();
    return out;
  }();
  return table;
}

// Puts a formula bound for the XB Plus in the calculator's case. A name of
// the calculator spelled exactly (a function, or another name of two or
// more characters that no "(" follows) stays as it is; every other letter
// outside string literals and escapes becomes a capital, as the letters of
// cell references and variables are on the calculator.
void UpperCaseForXb(std::string& formula) {
  std::size_t i = 0;
  while (i < formula.size()) {
    if (formula[i] == '"') {
      const std::size_t close = formula.find('"', i + 1);
      i = close == std::string::npos ? formula.size() : close + 1;
      continue;
    }
    const std::string_view rest = std::string_view(formula).substr(i);
    // A name begins where no letter stands before it.
    const bool inWord = i > 0 && IsNameLetter(formula[i - 1]);
    const std::size_t name = inWord ? 0 : XbNameLengthAt(rest);
    if (name >= 2 && (HasUpper(rest.substr(0, name)) || HasLower(rest.substr(0, name)))) {
      // A name that ends in a letter or digit is whole only where no "("
      // or further letter follows ("lower(" is no call of "lower").
      const char last = rest[name - 1];
      const char next = name < rest.size() ? rest[name] : '\0';
      const bool whole = !(IsNameLetter(last) || IsNameDigit(last)) ||
                         !(next == '(' || IsNameLetter(next) || IsNameDigit(next));
      if (whole) {
        i += name;
        continue;
      }
    }
    if (const std::size_t escape = EscapeLengthAt(formula, i); escape != 0) {
      i += escape;
      continue;
    }
    if (formula[i] >= 'a' && formula[i] <= 'z') formula[i] = static_cast<char>(formula[i] - 'a' + 'A');
    ++i;
  }
}

// Only the named escapes are passed over: a calculator's name may hold an
// underscore ("_m", a unit) right after one.
constexpr RewriteOptions kFormula{.skipStringLiterals = true, .escapeLength = kNamedEscapesOnly.escapeLength};

}  // namespace

std::span<const RewriteRule> XbToIntermediateRewrites() { return kXbToIntermediate; }
std::span<const RewriteRule> IntermediateToXbRewrites() { return kIntermediateToXb; }
std::span<const RewriteRule> Sheet68kToIntermediateRewrites() { return kSheet68kToIntermediate; }
std::span<const RewriteRule> IntermediateToSheet68kRewrites() { return kIntermediateToSheet68k; }

void XbNamesToIntermediate(std::string& formula) {
  ApplyRewrites(formula, kXbToIntermediate, kFormula);
}

void IntermediateNamesToXb(std::string& formula) {
  UpperCaseForXb(formula);
  ApplyRewrites(formula, kIntermediateToXb, kFormula);
  ApplyRewrites(formula, XbSpellings().rows, kFormula);
}

void Sheet68kNamesToIntermediate(std::string& formula) {
  std::string escaped;
  if (Translator68k().Translate(kOpEscapeFrom68k, formula, kSubEscapeFrom68k, escaped) < 0) return;
  // The calculator does not tell names apart by case.
  SetNameCase(escaped, LetterCase::Lower, true);
  ApplyRewrites(escaped, kSheet68kToIntermediate, kFormula);
  SetNameCase(escaped, LetterCase::Upper, true);
  formula = std::move(escaped);
}

void IntermediateNamesToSheet68k(std::string& formula) {
  SetNameCase(formula, LetterCase::Lower, true);
  ApplyRewrites(formula, kIntermediateToSheet68k, kFormula);
  ApplyRewrites(formula, Sheet68kSpellings().rows, kFormula);
  std::string unescaped;
  if (Translator68k().Translate(kOpUnescape, formula, kSubUnescapeInto68k, unescaped) < 0) return;
  formula = std::move(unescaped);
}

}  // namespace gridlet
