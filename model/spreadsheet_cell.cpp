#include "model/spreadsheet_cell.h"

namespace gridlet {

SpreadsheetCell::SpreadsheetCell(SpreadsheetCell& source) noexcept
    : cell_(source.cell_), owned_(std::move(source.owned_)) {}

void SpreadsheetCell::ReturnCellTo(SpreadsheetCell& source) noexcept {
  if (owned_ && source.cell_ == cell_) source.owned_ = std::move(owned_);
}

IntermediateCell& SpreadsheetCell::NewCell() {
  owned_ = std::make_unique<IntermediateCell>();
  cell_ = owned_.get();
  return *cell_;
}

std::string SpreadsheetCell::Dump() {
  std::string out = "Intermediate SpreadsheetCell\n";
  if (!cell_) return out;
  const IntermediateCell& c = *cell_;
  out += "Row: " + std::to_string(c.Row) + "\t\t" + "Column: " + std::to_string(c.Column) +
         "\t\t" + "Type: " + std::to_string(c.Type) + "\t\t";
  switch (c.Type) {
    case 0:
    case 1:
    case 2:
      out += "Data: " + c.Data + "\n";
      break;
    case 3:
      out += "Data: " + c.Data + "\t\t" + "Data2: " + c.Data2.value_or("") + "\n";
      break;
    default:
      break;
  }
  return out;
}

}  // namespace gridlet
