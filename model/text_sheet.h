// Tab-delimited text sheets: plain ".txt" files (TextSheet) and the text
// exchanged with the spreadsheet program (ExcelTextSheet).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "model/spreadsheet_file.h"
#include "model/text_cell.h"

namespace gridlet {

class TextSheet : public SpreadsheetFile {
 public:
  TextSheet(const std::uint8_t* bytes, std::size_t length) : SpreadsheetFile(bytes, length) {}
  explicit TextSheet(ByteBuffer&& bytes) : SpreadsheetFile(std::move(bytes)) {}
  explicit TextSheet(SpreadsheetFile& source) : SpreadsheetFile(source) {}
  // A source of this kind goes the same way, not through an implicit copy
  // constructor that would copy the output too.
  explicit TextSheet(TextSheet& source) : SpreadsheetFile(static_cast<SpreadsheetFile&>(source)) {}

  void TranslateToIntermediate() override;
  std::string Dump() override;
  void TranslateFromIntermediate() override;
  // The text, one NUL, and a terminating NUL; GetOutputLength counts the
  // text only.
  ByteBuffer GetOutput() override;

  // Splits the input into cells.
  virtual void Initialise();
  // Renders the cell list, which must be in row-major order, as tab text.
  // A number the text cannot hold as a number (see ExcelTextCell) is
  // written as the text stating it, with a warning naming its cells.
  virtual void WriteOutput();

 protected:
  // A cell of this sheet's kind holding a field's text.
  virtual std::unique_ptr<TextCell> MakeCell(std::string_view text) {
    return std::make_unique<TextCell>(text);
  }
  virtual void BuildCellsFromSource() { TakeCellsFromSource<TextCell>(); }

 private:
  std::string output_;
};

class ExcelTextSheet : public TextSheet {
 public:
  using TextSheet::TextSheet;
  explicit ExcelTextSheet(ExcelTextSheet& source) : TextSheet(static_cast<SpreadsheetFile&>(source)) {}

 protected:
  std::unique_ptr<TextCell> MakeCell(std::string_view text) override {
    return std::make_unique<ExcelTextCell>(text);
  }
  void BuildCellsFromSource() override { TakeCellsFromSource<ExcelTextCell>(); }
};

}  // namespace gridlet
