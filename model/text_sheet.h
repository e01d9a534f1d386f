// Tab-delimited text sheets: plain ".txt" files (TextSheet) and the text
// exchanged with the spreadsheet program (ExcelTextSheet).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "model/output_pieces.h"
#include "model/spreadsheet_file.h"
#include "model/text_cell.h"

namespace gridlet {

// What tells the text sheets apart: how their cells read fields, the State
// of the records they make, how they write records, and how one is made
// from a store of packed records.
struct TextCellKind {
  FieldReading (*read)(std::string_view field, std::string& changed);
  std::uint8_t state;
  const FieldWriting* writing;
  PackedCellMaker make;
};

class TextSheet : public SpreadsheetFile {
 public:
  TextSheet(const std::uint8_t* bytes, std::size_t length) : SpreadsheetFile(bytes, length) {}
  explicit TextSheet(SourceBytes&& bytes) : SpreadsheetFile(std::move(bytes)) {}
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
  // The text alone (GetOutputLength bytes), moved out of the sheet, which
  // then holds no output: spares a copy of a large output.
  ByteBuffer TakeOutput();

  // Where the output goes in pieces as it is written, instead of being
  // kept whole for GetOutput/TakeOutput (which then give nothing): a large
  // sheet is not held twice.
  using OutputSink = OutputPieces::Sink;
  void StreamOutputTo(OutputSink sink) { sink_ = std::move(sink); }

  // Splits the input into cells. The records are kept packed (see
  // CellList) until cell objects are asked for.
  virtual void Initialise();
  // Renders the cell list, which must be in row-major order, as tab text.
  // A number the text cannot hold as a number (see ExcelTextCell) is
  // written as the text stating it, with a warning naming its cells.
  virtual void WriteOutput();

 protected:
  virtual const TextCellKind& CellKind() const;
  virtual void BuildCellsFromSource() { TakeCellsFromSource<TextCell>(); }

 private:
  ByteBuffer output_;
  OutputSink sink_;
};

class ExcelTextSheet : public TextSheet {
 public:
  using TextSheet::TextSheet;
  explicit ExcelTextSheet(ExcelTextSheet& source) : TextSheet(static_cast<SpreadsheetFile&>(source)) {}

 protected:
  const TextCellKind& CellKind() const override;
  void BuildCellsFromSource() override { TakeCellsFromSource<ExcelTextCell>(); }
};

}  // namespace gridlet
