// The cells of a sheet, in the order they were appended unless
// SortByPosition reorders them. The list owns its cells.
//
// A tab-text sheet fills its list with a store of packed records instead
// (model/packed_cells.h); the list makes the cell objects from it the first
// time one is asked for, so a sheet whose cells are only counted, or taken
// over whole by another tab-text sheet, never has them.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "model/packed_cells.h"
#include "model/spreadsheet_cell.h"

namespace gridlet {

// Makes the cell of a sheet's kind for record i of a store, holding a
// record of its own filled from it.
using PackedCellMaker = std::unique_ptr<SpreadsheetCell> (*)(const PackedCells& store, std::size_t i);

class CellList {
 public:
  CellList() = default;
  CellList(const CellList&) = delete;
  CellList& operator=(const CellList&) = delete;
  // A list destroyed while it still holds cells deletes them (and says so
  // on the trace), so nothing is lost or freed twice.
  ~CellList();

  void Append(std::unique_ptr<SpreadsheetCell> cell);
  void Reserve(std::size_t count) {
    MakeCells();
    cells_.reserve(count);
  }

  // Holds a store of records in place of cells, made with `maker` when
  // asked for; the list must be empty. The list's cells own the records.
  void HoldPacked(std::shared_ptr<PackedCells> store, PackedCellMaker maker);
  // The store, while the list holds one, owns its records and has made no
  // cells from it; null otherwise.
  const PackedCells* Packed() const;
  // Hands the store (Packed() must not be null) to another list, which
  // takes the records over: cells made here afterwards refer to that
  // list's records without owning them, as cells do once a destination
  // has taken their records.
  std::shared_ptr<PackedCells> GivePacked() { return store_; }

  // Cursor iteration: ResetCursor, then Next until it returns null.
  void ResetCursor() { cursor_ = 0; }
  SpreadsheetCell* Next() {
    MakeCells();
    return cursor_ < cells_.size() ? cells_[cursor_++].get() : nullptr;
  }

  // Deletes every cell through its virtual destructor.
  void DeleteAll();

  // Orders the cells by the Row and then the Column of their records.
  // Cells at the same position keep their order.
  void SortByPosition();

  std::size_t Size() const { return store_ && !made_ ? store_->Size() : cells_.size(); }
  bool Empty() const { return Size() == 0; }
  SpreadsheetCell& At(std::size_t i) const {
    MakeCells();
    return *cells_[i];
  }

  auto begin() const {
    MakeCells();
    return cells_.begin();
  }
  auto end() const {
    MakeCells();
    return cells_.end();
  }

 private:
  // Turns a held store into cell objects (once; nothing changes if that
  // fails).
  void MakeCells() const {
    if (store_ && !made_) MakeCellsFromStore();
  }
  void MakeCellsFromStore() const;
  // Lets go of the store, and of the records' ownership with it.
  void DropStore() const;

  mutable std::vector<std::unique_ptr<SpreadsheetCell>> cells_;
  std::size_t cursor_ = 0;
  mutable std::shared_ptr<PackedCells> store_;
  mutable bool made_ = false;  // the cells of store_ are in cells_
  PackedCellMaker maker_ = nullptr;
};

inline constexpr const char* NON_EMPTY_LIST_MESSAGE = "Try to delete an non empty linked list";

}  // namespace gridlet
