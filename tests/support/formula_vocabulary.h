// The formula vocabulary of each world, generated from the tables: every
// XB Plus token that can stand in a formula, every function, operator and
// constant of the 68k class, and every spreadsheet function the tables map.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <map>
#include <regex>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "calc/formula_rewrites.h"
#include "encoding/render68k_tables.h"
#include "encoding/xb_token_tables.h"
#include "encoding/xb_tokens.h"
#include "model/spreadsheet_text_rewrites.h"
#include "support/calculator_sheets.h"

namespace gridlet::testing {

inline std::string XbTokens(std::string_view text) {
  std::string tokens(2 * text.size() + 2, '\0');
  const std::size_t n = XbTextToTokens(reinterpret_cast<std::uint8_t*>(tokens.data()),
                                       tokens.size(), text);
  tokens.resize(n);
  return tokens;
}

// One formula for each XB Plus token of the vocabulary, in the names of the
// tokens: every function of both token tables, the operators, comparisons
// and postfix signs, the constants, a number's exponent and a string.
inline std::vector<std::string> XbVocabulary() {
  std::vector<std::string> formulas;
  for (std::string_view function : XbFunctionNames()) {
    formulas.push_back("=" + std::string(function) + "A1)");
  }
  for (const char* op : {"+", "-", "*", "/", "^", "=", "<", ">", "_<=_", "_>=_", "_!=_",
                         " and ", " or ", " xor ", " nPr ", " nCr ", "_^x__root_"}) {
    formulas.push_back(std::string("=A1") + op + "B2");
  }
  for (const char* postfix : {"!", "_^2_", "_^3_", "_^-1_", "_degrees_", "_radians_", "_trans_"}) {
    formulas.push_back(std::string("=A1") + postfix);
  }
  for (const char* constant : {"_pi_", "_e_", "_i_", "rand"}) {
    formulas.push_back(std::string("=2*") + constant);
  }
  formulas.push_back("=_neg_A1");
  formulas.push_back("=If(A1,1,2)");
  formulas.push_back("=1.5_EE_5+2_EE__neg_3");
  formulas.push_back("=A1+\"AB C\"");
  return formulas;
}

// One formula for each function, operator and constant of the 68k class,
// in the calculator's characters.
inline std::vector<std::string> Sheet68kVocabulary() {
  std::vector<std::string> formulas;
  for (std::string_view function : Function68kNames()) {
    formulas.push_back("=" + std::string(function) + "(a1)");
  }
  for (const char* op : {"+", "-", "*", "/", "^", ".+", ".-", ".*", "./", ".^", "=", "<", ">",
                         "\x9C", "\x9E", "\x9D", " and ", " or ", " xor ", "&"}) {
    formulas.push_back(std::string("=a1") + op + "b2");
  }
  for (const char* postfix : {"!", "%", "\xB0"}) formulas.push_back(std::string("=a1") + postfix);
  for (const char* constant : {"\x8C", "\x96", "\x97", "\xBE", "undef", "true", "false"}) {
    formulas.push_back(std::string("=2*") + constant);
  }
  formulas.push_back("=\xAD" "a1");
  formulas.push_back("=not a1");
  formulas.push_back("=\x96^(a1)");
  formulas.push_back("=10^(a1)");
  formulas.push_back("=2+10^(a1)");
  formulas.push_back("=2*10^(a1)");
  formulas.push_back("=1.5\x95" "5");
  formulas.push_back("=a1^2+a2^3+a3^\xAD" "1");
  formulas.push_back("=QZGRIDLT.cellIf(a1>0,1,2)");
  formulas.push_back("=\"Hi\"&a1");
  return formulas;
}

inline bool IsSpreadsheetFunction(std::string_view find) {
  static const std::regex name("[A-Z][A-Z0-9]*\\(");
  return std::regex_match(find.begin(), find.end(), name);
}

// The spreadsheet functions that the tables name, each in a formula, and
// the spreadsheet's operators.
inline std::vector<std::string> SpreadsheetVocabulary(
    std::initializer_list<std::span<const RewriteRule>> tables) {
  std::set<std::string> names;
  for (std::span<const RewriteRule> table : tables) {
    for (const RewriteRule& rule : table) {
      std::string find(rule.find);
      std::transform(find.begin(), find.end(), find.begin(), ::toupper);
      if (IsSpreadsheetFunction(find)) names.insert(find);
    }
  }
  std::vector<std::string> formulas;
  for (const std::string& name : names) formulas.push_back("=" + name + "A1)");
  for (const char* op : {"+", "-", "*", "/", "^", "=", "<", ">", "<=", ">=", "<>"}) {
    formulas.push_back(std::string("=A1") + op + "B2");
  }
  for (const char* formula : {"=-A1", "=PI()*2", "=EXP(1)^A1", "=2*10^(A1)", "=10^(A1)+1",
                              "=A1^2+A2^3+A3^-1", "=IF(A1=\"a\",1,0)", "=1.5E5+2E-3"}) {
    formulas.push_back(formula);
  }
  return formulas;
}

// Spreadsheet functions that a calculator holds under the name of another
// spreadsheet function, and the name they come back as.
inline const std::map<std::string, std::string> kXbReadsAs = {
    {"IMABS(", "ABS("},   {"IMEXP(", "EXP("}, {"IMLN(", "LN("},       {"IMLOG10(", "LOG10("},
    {"IMSQRT(", "SQRT("}, {"LOG(", "LOG10("}, {"REAL(", "IMREAL("},
};
inline const std::map<std::string, std::string> k68kReadsAs = {
    {"IMABS(", "ABS("},   {"IMEXP(", "EXP("},   {"IMLOG10(", "LOG10("},
    {"IMSQRT(", "SQRT("}, {"LOG(", "LOG10("}, {"REAL(", "IMREAL("},
};

// What an xls workbook gives back other than it was given: the optional
// argument that the format requires written out, and numbers in the
// spreadsheet's own form. Keyed by the formula as each world writes it.
inline const std::map<std::string, std::string> kXbThroughXls = {
    {"=round(A1)", "=round(A1,0)"}, {"=1.5_EE_5+2_EE__neg_3", "=150000+0.002"}};
inline const std::map<std::string, std::string> k68kThroughXls = {
    {"=round(a1)", "=round(a1,0)"}, {"=1.5\x95" "5", "=150000"}};
inline const std::map<std::string, std::string> kSpreadsheetThroughXls = {
    {"=ROUND(A1)", "=ROUND(A1,0)"}, {"=IF(A1)", "=IF(A1,TRUE())"}, {"=1.5E5+2E-3", "=150000+0.002"}};

inline std::string ReadAs(std::string formula, const std::map<std::string, std::string>& readsAs) {
  for (const auto& [from, to] : readsAs) {
    if (formula.starts_with("=" + from)) return "=" + to + formula.substr(1 + from.size());
  }
  return formula;
}

// The formulas, one a cell down column A, as stored formulas.
inline std::vector<StoredFormula> InColumnA(const std::vector<std::string>& stored) {
  std::vector<StoredFormula> cells;
  for (std::size_t i = 0; i < stored.size(); ++i) cells.push_back({{static_cast<std::int32_t>(i + 1), 1}, stored[i]});
  return cells;
}

// Reports each cell whose stored formula did not come back, and counts
// them.
inline int ExpectSameFormulas(const std::vector<StoredFormula>& sent, const std::map<Position, std::string>& back,
                              const std::string& route) {
  int lost = 0;
  for (const StoredFormula& cell : sent) {
    const auto found = back.find(cell.at);
    if (found == back.end() || found->second != cell.bytes) {
      ++lost;
      ADD_FAILURE() << route << ": " << ::testing::PrintToString(cell.bytes) << " came back as "
                    << (found == back.end() ? std::string("nothing") : ::testing::PrintToString(found->second));
    }
  }
  return lost;
}

// The lines of a tab text, without the empty fields at their ends.
inline std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find("\r\n", at), text.size());
    std::string line = text.substr(at, end - at);
    while (!line.empty() && line.back() == '\t') line.pop_back();
    lines.push_back(line);
    at = end + 2;
  }
  return lines;
}

}  // namespace gridlet::testing
