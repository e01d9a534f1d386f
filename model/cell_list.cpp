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
  // The positions are read once into one 64-bit key per cell, with the
  // cell's place as the tie-break, so the sort neither follows pointers nor
  // needs a stable algorithm to keep cells of one position in order. Cells
  // without a record sort first; they never occur in a translated sheet.
  struct Entry {
    std::uint64_t key;
    std::size_t place;
    bool operator<(const Entry& other) const {
      return key != other.key ? key < other.key : place < other.place;
    }
  };
  const auto biased = [](std::int32_t n) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(n) ^ 0x80000000u);
  };
  std::vector<Entry> entries;
  entries.reserve(cells_.size());
  bool sorted = true;
  for (std::size_t i = 0; i < cells_.size(); ++i) {
    const IntermediateCell* record = cells_[i]->Cell();
    const std::uint64_t key = record ? biased(record->Row) << 32 | biased(record->Column) : 0;
    if (!entries.empty() && key < entries.back().key) sorted = false;
    entries.push_back({key, i});
  }
  cursor_ = 0;
  if (sorted) return;
  std::sort(entries.begin(), entries.end());
  std::vector<std::unique_ptr<SpreadsheetCell>> ordered;
  ordered.reserve(cells_.size());
  for (const Entry& entry : entries) ordered.push_back(std::move(cells_[entry.place]));
  cells_ = std::move(ordered);
}

}  // namespace gridlet
