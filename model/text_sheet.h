// Tab-delimited text sheets: plain ".txt" files (TextSheet) and the text
// exchanged with the spreadsheet program (ExcelTextSheet).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/spreadsheet_file.h"
#include "model/text_cell.h"

namespace gridlet {

class TextSheet : public SpreadsheetFile {
 public:
  TextSheet(const std::uint8_t* bytes, std::size_t length) : SpreadsheetFile(bytes, length) {}
  explicit TextSheet(SpreadsheetFile& source) : SpreadsheetFile(source) {}

  void TranslateToIntermediate() override;
  std::string Dump() override;
  void TranslateFromIntermediate() override;
  // The text, one NUL, and a terminating NUL; GetOutputLength counts the
  // text only.
  ByteBuffer GetOutput() override;

  // Splits the input into cells.
  virtual void Initialise();
  // Renders the cell list, which must be in row-major order, as tab text.
  virtual void WriteOutput();

 protected:
  virtual std::unique_ptr<TextCell> ReadCell(ByteReader& input) {
    return std::make_unique<TextCell>(input);
  }
  virtual void BuildCellsFromSource() { TakeCellsFromSource<TextCell>(); }

 private:
  std::string output_;
};

class ExcelTextSheet : public TextSheet {
 public:
  using TextSheet::TextSheet;

 protected:
  std::unique_ptr<TextCell> ReadCell(ByteReader& input) override {
    return std::make_unique<ExcelTextCell>(input);
  }
  void BuildCellsFromSource() override { TakeCellsFromSource<ExcelTextCell>(); }
};

}  // namespace gridlet
