// Tab text made on Unix-like systems ends its rows with a line feed alone.
// The sheet reader ends a row only at a carriage return (a line feed alone
// is a line break inside a cell), so such a file would read as one row with
// its rows run together in the cells.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace gridlet {

// When `text` holds no carriage return at all and a line feed outside a
// quoted field, the text with a carriage return put before each such line
// feed; otherwise nothing (the text reads as it stands). A field that opens
// with a double quote is quoted up to its closing quote (a doubled quote
// stays inside): a line feed there is a line break in the cell, as tab text
// writes one. A tab ends every field, quoted or not.
std::optional<std::vector<std::uint8_t>> WithCarriageReturnRowEnds(std::string_view text);

}  // namespace gridlet
