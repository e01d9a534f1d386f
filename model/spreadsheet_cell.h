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

  std::string Dump() override;
  virtual std::uint16_t GetOutputLength() { return 0; }

  IntermediateCell* Cell() const { return cell_; }
  bool OwnsCell() const { return owned_ != nullptr; }

  // Hands the record back to the cell it was taken from; used when a
  // destination sheet fails half-way and must leave the source intact.
  void ReturnCellTo(SpreadsheetCell& source) noexcept;

 protected:
  // Creates a fresh record owned by this cell and returns it.
  IntermediateCell& NewCell();

  std::string text_;  // the cell's content in its own format

 private:
  IntermediateCell* cell_ = nullptr;
  std::unique_ptr<IntermediateCell> owned_;
};

}  // namespace gridlet
