#include "model/cell_list.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "model/trace.h"

namespace gridlet {

CellList::~CellList() {
  if (!cells_.empty()) {
    Trace(NON_EMPTY_LIST_MESSAGE);
    Trace("\n");
  }
}

void CellList::Append(std::unique_ptr<SpreadsheetCell> cell) { cells_.push_back(std::move(cell)); }

void CellList::DeleteAll() {
  cells_.clear();
  cursor_ = 0;
}

void CellList::SortByPosition() {
  // Cells without a record sort first; they never occur in a translated
  // sheet.
  auto key = [](const std::unique_ptr<SpreadsheetCell>& cell) {
    const IntermediateCell* record = cell->Cell();
    return record ? std::pair{record->Row, record->Column} : std::pair{INT32_MIN, INT32_MIN};
  };
  std::stable_sort(cells_.begin(), cells_.end(),
                   [&](const auto& a, const auto& b) { return key(a) < key(b); });
  cursor_ = 0;
}

}  // namespace gridlet
