// A sheet laid out as a grid of text that fits a terminal.
#pragma once

#include <cstddef>
#include <string>

#include "server/sheet_preview.h"

namespace gridlet::cli {

struct GridLayout {
  std::size_t width = 80;      // of the terminal; 0: no limit
  bool utf8 = true;            // whether the terminal takes UTF-8
  std::size_t widestCell = 32;  // cells wider than this are cut (and marked)
};

// The rows that hold cells, each under its number, in the columns that
// hold cells, headed by their letters. Every text is made safe for the
// terminal; a cell cut to fit ends with "…" ("~" without UTF-8). Columns
// that do not fit the width beside each other follow in further blocks,
// each headed again, so no line is wider than the layout's width.
std::string FormatGrid(const SheetPreview& preview, const GridLayout& layout);

// UTF-8 text made safe for the terminal and no wider than `width`: cut,
// between whole characters and escapes, with the mark when it is wider.
std::string CutToWidth(std::string_view utf8Text, std::size_t width, bool utf8);

}  // namespace gridlet::cli
