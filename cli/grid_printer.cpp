#include "cli/grid_printer.h"

#include <algorithm>
#include <map>
#include <vector>

#include "platform/terminal_text.h"

namespace gridlet::cli {

namespace {

constexpr std::size_t kGap = 2;  // between columns

std::string Pad(std::string text, std::size_t width) {
  const std::size_t w = DisplayWidth(text);
  if (w < width) text.append(width - w, ' ');
  return text;
}

void TrimRight(std::string& line) {
  while (!line.empty() && line.back() == ' ') line.pop_back();
}

}  // namespace

std::string CutToWidth(std::string_view utf8Text, std::size_t width, bool utf8) {
  const std::vector<std::string> pieces = TerminalSafePieces(utf8Text, utf8);
  std::string out;
  std::size_t used = 0;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const std::size_t w = DisplayWidth(pieces[i]);
    // The last column is kept for the mark unless everything fits.
    if (used + w > (width == 0 ? 0 : width - 1)) {
      std::size_t rest = 0;
      for (std::size_t k = i; k < pieces.size(); ++k) rest += DisplayWidth(pieces[k]);
      if (used + rest <= width) {
        for (std::size_t k = i; k < pieces.size(); ++k) out += pieces[k];
        return out;
      }
      return width == 0 ? std::string() : out + (utf8 ? "…" : "~");
    }
    out += pieces[i];
    used += w;
  }
  return out;
}

std::string FormatGrid(const SheetPreview& preview, const GridLayout& layout) {
  if (preview.cells.empty()) return "(no cells)\n";
  // Texts (UTF-8, not yet made safe) by row and column; several records in
  // one place show together.
  std::map<std::int32_t, std::map<std::int32_t, std::string>> rows;
  for (const DisplayCell& cell : preview.cells) {
    std::string& slot = rows[cell.row][cell.column];
    slot += (slot.empty() ? "" : "|") + cell.text;
  }
  std::size_t labelWidth = 1;
  std::map<std::int32_t, std::size_t> widths;  // the columns that hold cells
  for (const auto& [row, cells] : rows) {
    labelWidth = std::max(labelWidth, std::to_string(row).size());
    for (const auto& [column, text] : cells) {
      std::size_t& width = widths[column];
      width = std::max({width, ColumnLetters(column).size(), DisplayWidth(TerminalSafe(text, layout.utf8))});
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
        const std::string text = it == cells.end() ? "" : CutToWidth(it->second, widths[column], layout.utf8);
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
