#include "bench/bench_data.h"

#include <array>
#include <cstdint>
#include <random>
#include <string_view>

#include "calc/sheet68k.h"
#include "calc/xb_sheet.h"
#include "model/text_sheet.h"
#include "model/trace.h"

namespace gridlet::bench {

namespace {

constexpr std::array kWords{"Widget", "blue",  "large", "Total",  "north", "Q3",
                            "budget", "rent",  "fuel",  "salary", "misc",  "net"};
constexpr std::array kFormulas{
    "=SUM(A1:A10)",  "=B2*C2+1",           "=IF(A1>=2,SQRT(A2),0)", "=AVERAGE(B1:B9)",
    "=ACOS(-A3)/PI()", "=ROUND(D4,2)",     "=MAX(A1,B1)-MIN(A1,B1)", "=10^(A2)",
    "=LN(A5)*2",     "=C3<>0",             "=INT(E2/3)",            "=ABS(F1-G1)"};

std::string Number(std::mt19937& random) {
  switch (random() % 4) {
    case 0: return std::to_string(random() % 1000);
    case 1: return std::to_string(random() % 100000) + "." + std::to_string(random() % 100);
    case 2: return "-" + std::to_string(random() % 5000);
    default: return "0." + std::to_string(random() % 1000);
  }
}

std::string Text(std::mt19937& random) {
  std::string text = kWords[random() % kWords.size()];
  const unsigned words = random() % 3;
  for (unsigned i = 0; i < words; ++i) {
    text += ' ';
    text += kWords[random() % kWords.size()];
  }
  // Now and then a field quoted by the spreadsheet program.
  if (random() % 8 == 0) text = "\"" + text + "\"";
  return text;
}

// The formula with each cell reference's row moved down by `rows` ("A1"
// becomes "A8" for 7), as a formula copied down a column reads.
std::string MovedDown(std::string_view formula, std::size_t rows) {
  std::string out;
  for (std::size_t i = 0; i < formula.size();) {
    const bool reference = formula[i] >= 'A' && formula[i] <= 'Z' && i + 1 < formula.size() &&
                           formula[i + 1] >= '0' && formula[i + 1] <= '9' &&
                           (i == 0 || formula[i - 1] < 'A' || formula[i - 1] > 'Z');
    out += formula[i++];
    if (!reference) continue;
    std::size_t row = 0;
    while (i < formula.size() && formula[i] >= '0' && formula[i] <= '9') row = row * 10 + (formula[i++] - '0');
    out += std::to_string(row + rows);
  }
  return out;
}

// One field by kind: numbers half the time, texts, formulas (moved down
// to the row, when `byRow`), empty fields.
std::string Field(std::mt19937& random, bool byRow, std::size_t row) {
  const unsigned kind = random() % 10;
  if (kind < 5) return Number(random);
  if (kind < 8) return Text(random);
  if (kind < 9) {
    const std::string_view formula = kFormulas[random() % kFormulas.size()];
    return byRow ? MovedDown(formula, row) : std::string(formula);
  }
  return {};
}

// The cell at a position of the grid used for full sheets: numbers,
// texts and formulas in turn.
std::string GridCell(int row, int column) {
  switch ((row + column) % 3) {
    case 0: return std::to_string(row * 37 + column) + "." + std::to_string(column);
    case 1: return "Item " + std::to_string(row) + "-" + std::to_string(column);
    default: return "=SUM(A" + std::to_string(row) + ":Z" + std::to_string(row) + ")*2";
  }
}

// The tab text of the first `count` cells of the grid in row-major order
// (all of them by default).
std::string GridText(int rows, int columns, std::size_t count = SIZE_MAX) {
  std::string text;
  std::size_t n = 0;
  for (int row = 1; row <= rows && n < count; ++row) {
    for (int column = 1; column <= columns && n < count; ++column, ++n) {
      if (column > 1) text += '\t';
      text += GridCell(row, column);
    }
    text += "\r\n";
  }
  return text;
}

// How many of the source's cells a destination sheet writes: the count
// read back from its output.
template <class SheetT>
std::size_t CellsWritten(const std::string& text, std::size_t outputOffset) {
  auto source = ReadTabText(text);
  SheetT target(*source);
  target.TranslateFromIntermediate();
  const ByteBuffer out = target.GetOutput();
  SheetT back(out.data() + outputOffset, out.size() - outputOffset);
  return back.GetCellList()->Size();
}

template <class SheetT>
std::string FullSheetText(int rows, int columns, std::size_t outputOffset) {
  QuietTrace quiet;
  const std::size_t fit = CellsWritten<SheetT>(GridText(rows, columns), outputOffset);
  return GridText(rows, columns, fit);
}

}  // namespace

QuietTrace::QuietTrace() : previous_(SetTraceSink(nullptr)) {}
QuietTrace::~QuietTrace() { SetTraceSink(previous_); }

std::string GenerateTabText(std::size_t size, std::uint32_t seed, bool formulasByRow) {
  std::mt19937 random(seed);
  std::string text;
  text.reserve(size + 256);
  for (std::size_t row = 0; text.size() < size; ++row) {
    for (int column = 0; column < 12; ++column) {
      if (column) text += '\t';
      text += Field(random, formulasByRow, row);
    }
    text += "\r\n";
  }
  return text;
}

std::unique_ptr<SpreadsheetFile> ReadTabText(const std::string& text) {
  auto sheet = std::make_unique<TextSheet>(reinterpret_cast<const std::uint8_t*>(text.data()),
                                           text.size());
  sheet->SetName("BENCH");
  sheet->TranslateToIntermediate();
  return sheet;
}

// An XB Plus sheet is read from its size field on; a 68k-class sheet after
// its output length.
std::string FullXbSheetText() {
  static const std::string text = FullSheetText<XbSheet>(XB_MAX_ROW, XB_MAX_COLUMN, 0);
  return text;
}

std::string Full68kSheetText() {
  static const std::string text = FullSheetText<Sheet68k>(kSheet68kMaxRow, kSheet68kMaxColumn, 2);
  return text;
}

std::string LongSpreadsheetFormula(std::size_t length) {
  static constexpr std::array kParts{"IMABS(A1)", "+ACOS(-B2)", "*SQRTPI()", "-QUOTIENT(C3,2)",
                                     "+IF(A1>=2,PI(),0)", "/LOG10(D4)", "+10^(E5)",
                                     "-ATANH(F6)", "*MDETERM(G1:H2)", "+(A1<>B1)"};
  std::string text = "=";
  for (std::size_t i = 0; text.size() < length; ++i) text += kParts[i % kParts.size()];
  return text;
}

std::string LongIntermediateFormula(std::size_t length) {
  static constexpr std::array kParts{"abs(a1)", "+cos_^-1_(_neg_b2)", "*_pi_", "-ipart(c3)",
                                     "+If(a1_>=_2,sqrt(a2),0)", "/log(d4)", "+_10_^(e5)",
                                     "-_e_^(f6)", "*det(g1)", "+rand"};
  std::string text = "=";
  for (std::size_t i = 0; text.size() < length; ++i) text += kParts[i % kParts.size()];
  return text;
}

Bytes DeepExpressionVariable(int depth) {
  // Operators whose near operand is the nested expression, so every level
  // is one more step of the walk: + - * / ^ in turn.
  static constexpr std::array<std::uint8_t, 5> kOperators{0x8B, 0x8D, 0x8F, 0x91, 0x93};
  Bytes body{0x0B};  // the variable a
  for (int level = 0; level < depth; ++level) {
    const std::uint8_t op = kOperators[level % kOperators.size()];
    const std::uint8_t letter = static_cast<std::uint8_t>(0x0C + level % 15);  // b..p
    // The far operand (a letter) first, then the near one, then the tag:
    // a - (...), a / (...), and for the power (...)^a, whose base is near.
    Bytes next{letter};
    next.insert(next.end(), body.begin(), body.end());
    next.push_back(op);
    body = std::move(next);
  }
  Bytes variable{static_cast<std::uint8_t>(body.size() >> 8),
                 static_cast<std::uint8_t>(body.size() & 0xFF)};
  variable.insert(variable.end(), body.begin(), body.end());
  return variable;
}

}  // namespace gridlet::bench
