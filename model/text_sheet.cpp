#include "model/text_sheet.h"

#include <limits>
#include <string>

#include "model/sheet_changes.h"
#include "model/sheet_data_error.h"
#include "model/trace.h"

namespace gridlet {

namespace {
constexpr std::uint8_t CR = '\r';
const ChangeKind kNumberAsText{
    "These numbers lie beyond what a spreadsheet holds as numbers (1E-307 to "
    "9.9999999999999E307) and were kept as texts stating them"};
constexpr std::uint8_t LF = '\n';
constexpr std::int32_t kLastPosition = std::numeric_limits<std::int32_t>::max();
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
  // The fields are split straight from the stream's bytes: an empty field
  // takes its column but makes no cell.
  const std::uint8_t* p = input_->Data();
  const std::uint8_t* const end = p + input_->Size();
  // Counted in 64 bits: positions are 32-bit, and a cell beyond them
  // (after gigabytes of row ends or TABs) cannot be numbered.
  std::int64_t row = 1;
  std::int64_t column = 1;
  try {
    while (p < end) {
      const std::string_view text = ReadField(p, end);
      const std::int64_t cellColumn = column++;
      const std::int64_t cellRow = row;
      if (p < end && *p == CR) {
        ++p;
        if (p < end && *p == LF) ++p;
        column = 1;
        ++row;
      }
      if (text.empty()) continue;
      if (cellRow > kLastPosition || cellColumn > kLastPosition) {
        throw SheetDataError("the text has a cell beyond row or field " +
                             std::to_string(kLastPosition));
      }
      std::unique_ptr<TextCell> cell = MakeCell(text);
      cell->SetPosition(static_cast<std::int32_t>(cellRow), static_cast<std::int32_t>(cellColumn));
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
  const std::int16_t origin = GetHeader() ? GetHeader()->origin : ORIGIN_TAB_TEXT;
  SheetChanges changes;
  for (const auto& cellPointer : *cells_) {
    auto& cell = static_cast<TextCell&>(*cellPointer);
    cell.TranslateFromIntermediate(origin);
    const IntermediateCell* record = cell.Cell();
    if (record && (record->Type & 3) == CELL_NUMBER && cell.Text().starts_with('"')) {
      changes.Add(kNumberAsText, record->Row, record->Column);
    }
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
  changes.Report(messages_);
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
