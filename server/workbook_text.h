// The tab text the spreadsheet application saves for a worksheet, made
// ready to be read as a sheet: what the exchange needed and the sheet does
// not hold goes, and no cell's content can move another cell.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gridlet {

struct WorkbookText {
  std::vector<std::uint8_t> bytes;
  // Cells (A1 form) that held a TAB or a line break, each now a space.
  std::vector<std::string> cellsWithBreaks;
  bool empty = true;  // no field holds anything
};

// Rows end in CR LF. A field in double quotes (doubled inside) keeps its
// quotes, but a TAB, a CR, an LF or a CR LF inside becomes one space: the
// sheet's reader splits at every TAB and line end. With placeholderInA1,
// the first field (the placeholder the export put into an empty A1) is
// emptied.
WorkbookText PrepareWorkbookText(std::string_view exported, bool placeholderInA1);

}  // namespace gridlet
