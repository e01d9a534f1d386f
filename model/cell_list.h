// The cells of a sheet, in the order they were appended unless
// SortByPosition reorders them. The list owns its cells.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "model/spreadsheet_cell.h"

namespace gridlet {

class CellList {
 public:
  CellList() = default;
  CellList(const CellList&) = delete;
  CellList& operator=(const CellList&) = delete;
  // A list destroyed while it still holds cells deletes them (and says so
  // on the trace), so nothing is lost or freed twice.
  ~CellList();

  void Append(std::unique_ptr<SpreadsheetCell> cell);
  void Reserve(std::size_t count) { cells_.reserve(count); }

  // Cursor iteration: ResetCursor, then Next until it returns null.
  void ResetCursor() { cursor_ = 0; }
  SpreadsheetCell* Next() { return cursor_ < cells_.size() ? cells_[cursor_++].get() : nullptr; }

  // Deletes every cell through its virtual destructor.
  void DeleteAll();

  // Orders the cells by the Row and then the Column of their records.
  // Cells at the same position keep their order.
  void SortByPosition();

  std::size_t Size() const { return cells_.size(); }
  bool Empty() const { return cells_.empty(); }
  SpreadsheetCell& At(std::size_t i) const { return *cells_[i]; }

  auto begin() const { return cells_.begin(); }
  auto end() const { return cells_.end(); }

 private:
  std::vector<std::unique_ptr<SpreadsheetCell>> cells_;
  std::size_t cursor_ = 0;
};

inline constexpr const char* NON_EMPTY_LIST_MESSAGE = "Try to delete an non empty linked list";

}  // namespace gridlet
