// Cell addresses as spreadsheets write them: column letters and row number.
#pragma once

#include <cstdint>
#include <string>

namespace gridlet {

// "A".."Z", "AA", ...; "?" for a column below 1.
std::string ColumnLetters(std::int32_t column);

// "B7" for row 7, column 2 (both 1-based).
std::string CellAddress(std::int32_t row, std::int32_t column);

}  // namespace gridlet
