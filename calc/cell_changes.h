// What a calculator cell had to change while it encoded its record, for
// its sheet to name (see SheetChanges).
#pragma once

#include <cstdint>
#include <span>

#include "model/sheet_changes.h"

namespace gridlet {

enum class CellChange : std::uint16_t {
  TextCut = 1 << 0,             // the text is longer than a record holds
  CharactersReplaced = 1 << 1,  // characters the calculator has no form for
  Capitals = 1 << 2,            // small letters put in capitals
  NumberOutOfRange = 1 << 3,    // kept as the text stating the number
  FormulaTooLong = 1 << 4,      // left out
  UnknownFunction = 1 << 5,     // left out
  FormulaCharacters = 1 << 6,   // left out: characters it has no form for outside strings
  FormulaStrings = 1 << 7,      // a formula's strings in capitals or with characters replaced
  AbsoluteReferences = 1 << 8,  // $A$1 written as A1
  SheetReference = 1 << 9,      // left out: refers to another worksheet
};

// A set of changes.
class CellChanges {
 public:
  void Add(CellChange change) { bits_ |= static_cast<std::uint16_t>(change); }
  bool Has(CellChange change) const { return (bits_ & static_cast<std::uint16_t>(change)) != 0; }
  void Clear() { bits_ = 0; }

 private:
  std::uint16_t bits_ = 0;
};

// How a sheet names a change of its cells.
struct CellChangeKind {
  CellChange change;
  const ChangeKind* kind;
};

// The first change of `made` that the table names, or null: of the changes
// that leave a cell out, the one its warning tells.
inline const ChangeKind* FirstCellChange(std::span<const CellChangeKind> table, const CellChanges& made) {
  for (const CellChangeKind& named : table) {
    if (made.Has(named.change)) return named.kind;
  }
  return nullptr;
}

// Adds every change of `made` that the table names, in table order, for
// the cell at row and column.
inline void AddCellChanges(SheetChanges& changes, std::span<const CellChangeKind> table,
                           const CellChanges& made, std::int32_t row, std::int32_t column) {
  for (const CellChangeKind& named : table) {
    if (made.Has(named.change)) changes.Add(*named.kind, row, column);
  }
}

}  // namespace gridlet
