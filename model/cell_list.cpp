#include "model/cell_list.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "model/trace.h"

namespace gridlet {

CellList::~CellList() {
  if (!Empty()) {
    Trace(NON_EMPTY_LIST_MESSAGE);
    Trace("\n");
  }
  DropStore();
}

void CellList::Append(std::unique_ptr<SpreadsheetCell> cell) {
  MakeCells();
  cells_.push_back(std::move(cell));
}

void CellList::DeleteAll() {
  cells_.clear();
  cursor_ = 0;
  DropStore();
}

void CellList::HoldPacked(std::shared_ptr<PackedCells> store, PackedCellMaker maker) {
  DeleteAll();
  store->owner = this;
  store_ = std::move(store);
  maker_ = maker;
  made_ = false;
}

const PackedCells* CellList::Packed() const {
  return store_ && !made_ && store_->owner == this ? store_.get() : nullptr;
}

void CellList::DropStore() const {
  if (store_ && store_->owner == this) store_->owner = nullptr;
  store_.reset();
  made_ = false;
}

void CellList::MakeCellsFromStore() const {
  const PackedCells& store = *store_;
  CellList* owner = store.owner;
  std::vector<std::unique_ptr<SpreadsheetCell>> made;
  made.reserve(store.Size());
  for (std::size_t i = 0; i < store.Size(); ++i) made.push_back(maker_(store, i));
  if (owner != this) {
    // The records went on to the owner's cells; without an owner they are
    // gone, and these cells have none.
    if (owner) owner->MakeCells();
    for (std::size_t i = 0; i < made.size(); ++i) {
      made[i]->ReferTo(owner && i < owner->cells_.size() ? owner->cells_[i]->Cell() : nullptr);
    }
  }
  cells_ = std::move(made);
  made_ = true;
  // The records now live in the cells; the store stays only while other
  // lists need it to find them.
  if (store_.use_count() == 1) DropStore();
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
  MakeCells();
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
