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

std::optional<CellPosition> ParseCellAddress(std::string_view address) {
  // Positions are held in 32 bits; anything longer is no address of a sheet.
  constexpr std::int64_t kLargest = 0x7FFFFFFF;
  std::size_t i = 0;
  std::int64_t column = 0;
  for (; i < address.size(); ++i) {
    char c = address[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c < 'A' || c > 'Z') break;
    column = column * 26 + (c - 'A' + 1);
    if (column > kLargest) return std::nullopt;
  }
  if (i == 0 || i == address.size()) return std::nullopt;
  std::int64_t row = 0;
  for (; i < address.size(); ++i) {
    const char c = address[i];
    if (c < '0' || c > '9') return std::nullopt;
    row = row * 10 + (c - '0');
    if (row > kLargest) return std::nullopt;
  }
  if (row == 0) return std::nullopt;
  return CellPosition{static_cast<std::int32_t>(row), static_cast<std::int32_t>(column)};
}

}  // namespace gridlet
