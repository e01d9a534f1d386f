#include "model/text_sheet.h"

#include "model/trace.h"

namespace gridlet {

namespace {
constexpr int CR = '\r';
constexpr int LF = '\n';
}  // namespace

void TextSheet::TranslateToIntermediate() {
  Trace("\t TTranslateToIntermediate\n");
  Initialise();
  Trace("\t after Initialise\n");
  CreateHeader(ORIGIN_TAB_TEXT);
}

void TextSheet::Initialise() {
  cells_ = std::make_unique<CellList>();
  if (!input_) return;
  ByteReader& input = *input_;
  std::int32_t row = 1;
  std::int32_t column = 1;
  try {
    while (!input.AtEnd()) {
      std::unique_ptr<TextCell> cell = ReadCell(input);
      cell->SetPosition(row, column++);
      if (!input.AtEnd()) {
        if (input.Get() == CR) {
          const int next = input.Get();
          column = 1;
          ++row;
          if (next != LF) input.Unget();
        } else {
          input.Unget();
        }
      }
      if (cell->Text().empty()) continue;
      Trace("DONE WITH TELLG1");
      cell->TranslateToIntermediate();
      Trace("DONE WITH TELLG11");
      cells_->Append(std::move(cell));
    }
  } catch (...) {
    cells_->DeleteAll();
    throw;
  }
  input_.reset();
}

std::string TextSheet::Dump() {
  std::string out;
  if (!cells_) return out;
  for (const auto& cell : *cells_) out += cell->Dump() + "\n";
  return out;
}

void TextSheet::TranslateFromIntermediate() {
  BuildCellsFromSource();
  WriteOutput();
}

void TextSheet::WriteOutput() {
  output_.clear();
  std::int32_t previousRow = 1;
  std::int32_t previousColumn = 0;
  for (const auto& cellPointer : *cells_) {
    auto& cell = static_cast<TextCell&>(*cellPointer);
    cell.TranslateFromIntermediate();
    const IntermediateCell* record = cell.Cell();
    const std::int32_t row = record ? record->Row : previousRow;
    const std::int32_t column = record ? record->Column : previousColumn + 1;
    if (row != previousRow) {
      for (std::int32_t i = previousRow; i < row; ++i) output_ += "\t\r\n";
      previousColumn = 0;
    }
    for (std::int32_t i = previousColumn + 1; i < column; ++i) output_ += '\t';
    // The whole text goes out, however long; the cell's 16-bit output
    // length would wrap for texts beyond 65534 bytes.
    output_ += cell.Text();
    output_ += '\t';
    cell.ReleaseText();
    previousRow = row;
    previousColumn = column;
  }
  outputLength_ = static_cast<std::int32_t>(output_.size());
}

ByteBuffer TextSheet::GetOutput() {
  ByteBuffer out;
  out.reserve(output_.size() + 2);
  out.assign(output_.begin(), output_.end());
  out.push_back(0);
  out.push_back(0);
  return out;
}

}  // namespace gridlet
