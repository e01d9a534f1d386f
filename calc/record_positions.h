// The positions a calculator sheet's reader has given cells. A record that
// names row 0 is damaged, and one at a position already taken repeats an
// earlier record: the reader leaves both out, with a warning, rather than
// let them take another cell's place.
#pragma once

#include <cstdint>
#include <unordered_set>

#include "model/sheet_changes.h"

namespace gridlet {

class RecordPositions {
 public:
  // Whether the record at the position ((column - 1) x 1000 + row) is
  // kept; when it is not, the change is added for the record's cell.
  bool Take(std::uint16_t position, SheetChanges& changes);

 private:
  std::unordered_set<std::uint16_t> taken_;
};

}  // namespace gridlet
