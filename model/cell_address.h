// Cell addresses as spreadsheets write them: column letters and row number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gridlet {

// "A".."Z", "AA", ...; "?" for a column below 1.
std::string ColumnLetters(std::int32_t column);

// "B7" for row 7, column 2 (both 1-based).
std::string CellAddress(std::int32_t row, std::int32_t column);

// The row and column of an address such as "B3" or "aa10" (letters in
// either case), or nothing when the text is no address.
struct CellPosition {
  std::int32_t row = 0;
  std::int32_t column = 0;
};
std::optional<CellPosition> ParseCellAddress(std::string_view address);

}  // namespace gridlet
