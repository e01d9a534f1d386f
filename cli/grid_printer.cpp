#include "cli/grid_printer.h"

#include <algorithm>
#include <map>
#include <vector>

#include "platform/terminal_text.h"

namespace gridlet::cli {

namespace {

constexpr std::size_t kGap = 2;  // between columns

// A safe text no wider than `width`, cut with a mark when it is wider.
std::string Cut(const std::string& text, std::size_t width, bool utf8) {
  if (DisplayWidth(text) <= width) return text;
  const std::string mark = utf8 ? "…" : "~";
  if (width == 0) return "";
  return std::string(FitToWidth(text, width - 1)) + mark;
}

std::string Pad(std::string text, std::size_t width) {
  const std::size_t w = DisplayWidth(text);
  if (w < width) text.append(width - w, ' ');
  return text;
}

void TrimRight(std::string& line) {
  while (!line.empty() && line.back() == ' ') line.pop_back();
}

}  // namespace

std::string FormatGrid(const SheetPreview& preview, const GridLayout& layout) {
  if (preview.cells.empty()) return "(no cells)\n";
  // Texts by row and column; several records in one place show together.
  std::map<std::int32_t, std::map<std::int32_t, std::string>> rows;
  for (const DisplayCell& cell : preview.cells) {
    std::string& slot = rows[cell.row][cell.column];
    slot += (slot.empty() ? "" : "|") + TerminalSafe(cell.text, layout.utf8);
  }
  std::size_t labelWidth = 1;
  std::map<std::int32_t, std::size_t> widths;  // the columns that hold cells
  for (const auto& [row, cells] : rows) {
    labelWidth = std::max(labelWidth, std::to_string(row).size());
    for (const auto& [column, text] : cells) {
      std::size_t& width = widths[column];
      width = std::max({width, ColumnLetters(column).size(), DisplayWidth(text)});
    }
  }
  // No column is wider than a line can hold beside the row numbers.
  std::size_t widest = layout.widestCell;
  if (layout.width > 0) {
    const std::size_t room = layout.width > labelWidth + kGap + 2 ? layout.width - labelWidth - kGap : 2;
    widest = std::min(widest, room);
  }
  for (auto& [column, width] : widths) width = std::min(width, std::max(widest, ColumnLetters(column).size()));

  // Columns in blocks that fit the width.
  std::vector<std::vector<std::int32_t>> blocks(1);
  std::size_t used = labelWidth;
  for (const auto& [column, width] : widths) {
    if (layout.width > 0 && !blocks.back().empty() && used + kGap + width > layout.width) {
      blocks.emplace_back();
      used = labelWidth;
    }
    blocks.back().push_back(column);
    used += kGap + width;
  }

  std::string out;
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    const std::vector<std::int32_t>& columns = blocks[b];
    if (b > 0) out += "\n";
    std::string header(labelWidth, ' ');
    for (std::int32_t column : columns) header += std::string(kGap, ' ') + Pad(ColumnLetters(column), widths[column]);
    TrimRight(header);
    out += header + "\n";
    for (const auto& [row, cells] : rows) {
      std::string line;
      bool any = false;
      for (std::int32_t column : columns) {
        const auto it = cells.find(column);
        const std::string text = it == cells.end() ? "" : Cut(it->second, widths[column], layout.utf8);
        any = any || it != cells.end();
        line += std::string(kGap, ' ') + Pad(text, widths[column]);
      }
      if (!any) continue;
      std::string label = std::to_string(row);
      label.insert(0, labelWidth - label.size(), ' ');
      line = label + line;
      TrimRight(line);
      out += line + "\n";
    }
  }
  return out;
}

}  // namespace gridlet::cli
