#include "model/cell_address.h"

namespace gridlet {

std::string ColumnLetters(std::int32_t column) {
  std::string letters;
  while (column > 0) {
    --column;
    letters.insert(letters.begin(), static_cast<char>('A' + column % 26));
    column /= 26;
  }
  return letters.empty() ? "?" : letters;
}

std::string CellAddress(std::int32_t row, std::int32_t column) {
  return ColumnLetters(column) + std::to_string(row);
}

}  // namespace gridlet
