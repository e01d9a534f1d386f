// The base of every cell kind: a cell holds its IntermediateCell record
// and its content in its own format.
//
// A record has one owner at a time. A cell made from a source cell takes
// the record over; the source keeps a pointer to it but no longer frees it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/intermediate_cell.h"
#include "model/translatable.h"

namespace gridlet {

class SpreadsheetCell : public Translatable {
 public:
  SpreadsheetCell() = default;
  // Takes the source's record over (the source gives up ownership).
  explicit SpreadsheetCell(SpreadsheetCell& source) noexcept;
  ~SpreadsheetCell() override;

  std::string Dump() override;
  virtual std::uint16_t GetOutputLength() { return 0; }

  IntermediateCell* Cell() const { return reinterpret_cast<IntermediateCell*>(cell_ & ~kOwned); }
  bool OwnsCell() const { return (cell_ & kOwned) != 0; }

  // Hands the record back to the cell it was taken from; used when a
  // destination sheet fails half-way and must leave the source intact.
  void ReturnCellTo(SpreadsheetCell& source) noexcept;
  // Refers to a record that another cell owns (or to none), as a cell
  // does once its record was taken over; a record of its own is freed.
  void ReferTo(IntermediateCell* record) noexcept;

 protected:
  // Creates a fresh record owned by this cell and returns it.
  IntermediateCell& NewCell();

  std::string text_;  // the cell's content in its own format

 private:
  // The record's address, with the lowest bit set while this cell owns it
  // (records are aligned, so the bit is free). Sheets hold a cell for
  // every field of their source, so a text cell is kept within 56 bytes.
  static constexpr std::uintptr_t kOwned = 1;
  static_assert(alignof(IntermediateCell) > 1);
  std::uintptr_t cell_ = 0;
};

}  // namespace gridlet
