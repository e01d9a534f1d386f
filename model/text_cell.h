// A cell of a tab-delimited text file: one field's bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/spreadsheet_cell.h"

namespace gridlet {

class TextCell : public SpreadsheetCell {
 public:
  // A cell holding a field's text (already cut at its first NUL); the
  // sheet splits the fields with ReadField below.
  explicit TextCell(std::string_view text) { text_.assign(text); }
  // Takes the source cell's record over.
  explicit TextCell(SpreadsheetCell& source) noexcept : SpreadsheetCell(source) {}

  void TranslateToIntermediate() override;
  std::string Dump() override;
  void TranslateFromIntermediate() override;
  // The text followed by one TAB.
  ByteBuffer GetOutput() override;
  std::uint16_t GetOutputLength() override;

  std::int32_t Row() const { return row_; }
  std::int32_t Column() const { return column_; }
  void SetPosition(std::int32_t row, std::int32_t column) {
    row_ = row;
    column_ = column;
  }
  const std::string& Text() const { return text_; }
  void ReleaseText() { std::string().swap(text_); }

  // Rewrites the cell's formula text into the spreadsheet's spelling; a
  // cell without text is left alone.
  void IntermediateNamesToExcel();

  // A text sheet makes one cell per field: cells of this size come from a
  // slot pool (model/slot_pool.h), larger derived cells from the heap.
  static void* operator new(std::size_t size);
  static void operator delete(void* cell, std::size_t size) noexcept;

 protected:
  // Sets position and text from the record; formulas get their names
  // rewritten into the spreadsheet's spelling.
  void TextFromRecord();

 private:
  std::int32_t row_ = 0;
  std::int32_t column_ = 0;
};

// A cell of the tab text exchanged with the spreadsheet program.
class ExcelTextCell : public TextCell {
 public:
  using TextCell::TextCell;

  void TranslateToIntermediate() override;
  void TranslateFromIntermediate() override;
};

// Reads one field of tab text starting at `p`: its bytes up to the first
// TAB or CR, or to `end`. A TAB is consumed with the field; a CR is left at
// `p` for the row end. Returns the field's text, which a NUL byte cuts.
std::string_view ReadField(const std::uint8_t*& p, const std::uint8_t* end);

// Quote runs of n double quotes become (n - 1) / 2 of them (plain text
// fields) or n / 2 (the second pass of spreadsheet-text fields).
std::string CollapseQuotes(const std::string& text, bool keepHalf);

// Whether every character is one of "0123456789.-".
bool IsNumberText(const std::string& text);

inline constexpr std::size_t MAX_TEXT_CELL_LENGTH = 239;

}  // namespace gridlet
