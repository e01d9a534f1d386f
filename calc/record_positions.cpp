#include "calc/record_positions.h"

namespace gridlet {

namespace {
const ChangeKind kRowZero{"These records of the calculator sheet are damaged (they name row 0) "
                          "and were left out"};
const ChangeKind kTakenPosition{
    "These records of the calculator sheet repeat the position of an earlier record and were "
    "left out"};
}  // namespace

bool RecordPositions::Take(std::uint16_t position, SheetChanges& changes) {
  const std::int32_t row = position % 1000;
  const std::int32_t column = position / 1000 + 1;
  if (row == 0) {
    changes.Add(kRowZero, row, column);
    return false;
  }
  if (!taken_.insert(position).second) {
    changes.Add(kTakenPosition, row, column);
    return false;
  }
  return true;
}

}  // namespace gridlet
