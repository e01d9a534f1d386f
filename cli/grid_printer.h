// A sheet's records laid out as a grid of text for the terminal.
#pragma once

#include <string>
#include <vector>

#include "model/cell_address.h"
#include "model/intermediate_cell.h"

namespace gridlet::cli {

// Rows that hold cells, each under its number, with the columns from A to
// the last one used; formulas show their text. Texts are cp1252 and the
// result is UTF-8. Cells wider than maxWidth are cut with "...".
std::string FormatGrid(const std::vector<IntermediateCell>& records, std::size_t maxWidth = 24);

}  // namespace gridlet::cli
