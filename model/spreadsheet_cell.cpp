#include "model/spreadsheet_cell.h"

namespace gridlet {

SpreadsheetCell::SpreadsheetCell(SpreadsheetCell& source) noexcept : cell_(source.cell_) {
  source.cell_ &= ~kOwned;
}

SpreadsheetCell::~SpreadsheetCell() {
  if (OwnsCell()) delete Cell();
}

void SpreadsheetCell::ReturnCellTo(SpreadsheetCell& source) noexcept {
  if (OwnsCell() && source.Cell() == Cell()) {
    source.cell_ |= kOwned;
    cell_ &= ~kOwned;
  }
}

void SpreadsheetCell::ReferTo(IntermediateCell* record) noexcept {
  if (OwnsCell()) delete Cell();
  cell_ = reinterpret_cast<std::uintptr_t>(record);
}

IntermediateCell& SpreadsheetCell::NewCell() {
  auto record = std::make_unique<IntermediateCell>();
  if (OwnsCell()) delete Cell();
  cell_ = reinterpret_cast<std::uintptr_t>(record.release()) | kOwned;
  return *Cell();
}

std::string SpreadsheetCell::Dump() {
  std::string out = "Intermediate SpreadsheetCell\n";
  if (!Cell()) return out;
  const IntermediateCell& c = *Cell();
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
