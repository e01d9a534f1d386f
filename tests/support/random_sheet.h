// Random sheets for property tests, the same on every platform for a
// given seed: numbers, texts and formulas of the spreadsheet vocabulary,
// laid out as tab text.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "support/seeded_random.h"

namespace gridlet::testing {

enum class Kind { Number, Text, Formula };

struct GeneratedCell {
  Kind kind;
  std::string field;  // as written to the tab text
};

using Position = std::pair<std::int32_t, std::int32_t>;  // row, column
using Grid = std::map<Position, std::string>;

// A number as the calculators spell it: no leading zeros, no trailing
// fraction zeros, at most 9 integer digits and 3 fraction digits.
inline std::string RandomNumber(Random& random) {
  std::string text = random.OneIn(3) ? "-" : "";
  const int integer = random.OneIn(4) ? 0 : random.Between(1, random.OneIn(5) ? 999999999 : 9999);
  text += std::to_string(integer);
  if (integer == 0 || random.OneIn(2)) {
    std::string fraction = std::to_string(random.Between(1, 999));
    fraction.insert(0, 3 - fraction.size(), '0');
    while (fraction.back() == '0') fraction.pop_back();
    text += "." + fraction;
  }
  return text;
}

// Letters of both cases, digits and inner spaces; never a number, never a
// formula.
inline std::string RandomText(Random& random, int longest) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  const int length = random.Between(1, longest);
  std::string text;
  for (int i = 0; i < length; ++i) {
    const int what = random.Between(0, 9);
    if (what < 7 || i == 0 || i == length - 1) {
      text += kLetters[random.Between(0, 51)];
    } else if (what < 9) {
      text += static_cast<char>('0' + random.Between(0, 9));
    } else if (text.back() != ' ') {
      text += ' ';
    }
  }
  return text;
}

inline std::string RandomReference(Random& random) {
  return std::string(1, static_cast<char>('A' + random.Between(0, 25))) +
         std::to_string(random.Between(1, 999));
}

inline std::string RandomRange(Random& random) {
  return RandomReference(random) + ":" + RandomReference(random);
}

// An expression of the formula vocabulary, upper case.
inline std::string RandomExpression(Random& random, int depth) {
  static const char* const kOperators[] = {"+", "-", "*", "/", "^"};
  static const char* const kComparisons[] = {"=", "<", ">", "<=", ">=", "<>"};
  const int what = depth <= 0 ? random.Between(0, 1) : random.Between(0, 7);
  switch (what) {
    case 0: return RandomReference(random);
    case 1: return std::to_string(random.Between(0, 99)) + (random.OneIn(3) ? ".5" : "");
    case 2:
    case 3:
      return RandomExpression(random, depth - 1) + random.Pick(kOperators) +
             RandomExpression(random, depth - 1);
    case 4: return (random.OneIn(2) ? "SUM(" : "AVERAGE(") + RandomRange(random) + ")";
    case 5: return "SQRT(" + RandomExpression(random, depth - 1) + ")";
    case 6: return "(" + RandomExpression(random, depth - 1) + ")";
    default:
      return "IF(" + RandomExpression(random, 0) + random.Pick(kComparisons) +
             RandomExpression(random, 0) + "," + RandomExpression(random, depth - 1) + "," +
             (random.OneIn(2) ? "-" : "") + RandomExpression(random, 0) + ")";
  }
}

// A formula short enough for an XB Plus record (40 token bytes; every
// character of these is one token or part of one).
inline std::string RandomFormula(Random& random) {
  for (;;) {
    std::string formula = "=" + std::string(random.OneIn(4) ? "-" : "") +
                          RandomExpression(random, random.Between(1, 3));
    if (formula.size() <= 40) return formula;
  }
}

struct RandomSheet {
  std::string text;  // the tab text
  std::map<Position, GeneratedCell> cells;
};

// Up to 60 cells on rows 1..999 and columns 1..columns.
inline RandomSheet MakeSheet(Random& random, int columns) {
  RandomSheet sheet;
  const int rows = random.OneIn(4) ? 999 : random.Between(1, 30);
  const int count = std::min(random.Between(1, 60), rows * columns);
  while (static_cast<int>(sheet.cells.size()) < count) {
    const Position at{random.Between(1, rows), random.Between(1, columns)};
    const int kind = random.Between(0, 9);
    if (kind < 4) {
      sheet.cells[at] = {Kind::Number, RandomNumber(random)};
    } else if (kind < 6) {
      sheet.cells[at] = {Kind::Text, RandomText(random, 30)};
    } else {
      sheet.cells[at] = {Kind::Formula, RandomFormula(random)};
    }
  }
  // Laid out row by row; a row ends with CR LF, or now and then a bare CR.
  std::int32_t row = 1;
  std::int32_t column = 1;
  for (const auto& [at, cell] : sheet.cells) {
    for (; row < at.first; ++row, column = 1) sheet.text += random.OneIn(5) ? "\r" : "\r\n";
    for (; column < at.second; ++column) sheet.text += '\t';
    sheet.text += cell.field;
  }
  return sheet;
}

}  // namespace gridlet::testing
