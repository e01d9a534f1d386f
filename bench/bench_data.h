// Inputs for the benchmarks: generated tab text, full calculator sheets,
// long formulas and deeply nested 68k-class expressions. Every generator is
// deterministic, so runs compare.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/spreadsheet_file.h"

namespace gridlet::bench {

using Bytes = std::vector<std::uint8_t>;

// Tab text of at least `size` bytes: rows of 12 fields mixing numbers,
// texts (some quoted), formulas and empty fields, rows ending in CR LF.
// The formulas come from a short list; with `formulasByRow`, each refers
// to cells moved down by its row's number from the first, so that rows
// seldom repeat one another's formulas, as in a sheet whose formulas were
// copied down its columns.
std::string GenerateTabText(std::size_t size, std::uint32_t seed = 1, bool formulasByRow = false);

// Reads tab text into a translated source sheet (traces must be silenced
// by the caller).
std::unique_ptr<SpreadsheetFile> ReadTabText(const std::string& text);

// The tab text of a sheet whose cells fill an XB Plus sheet: row-major
// cells of columns A..Z, numbers, texts and formulas in turn, as many as
// the sheet data holds (cells beyond are left out by the writer, so every
// cell given is written).
std::string FullXbSheetText();
// The same for a 68k-class sheet (columns 1..64, up to its output limit).
std::string Full68kSheetText();

// A formula of about `length` characters made of calls and operators that
// the rewrite tables rewrite (upper case: spreadsheet names; lower case:
// intermediate names as the calculators spell them).
std::string LongSpreadsheetFormula(std::size_t length);
std::string LongIntermediateFormula(std::size_t length);

// A 68k-class expression variable (2-byte length, bytes, tag last) nested
// `depth` operators deep, mixing + - * / ^ so that parentheses are needed.
Bytes DeepExpressionVariable(int depth);

// Silences the engine's trace for the lifetime of the object.
class QuietTrace {
 public:
  QuietTrace();
  ~QuietTrace();
  QuietTrace(const QuietTrace&) = delete;
  QuietTrace& operator=(const QuietTrace&) = delete;

 private:
  void (*previous_)(std::string_view);
};

}  // namespace gridlet::bench
