#include "cli/grid_printer.h"

#include <algorithm>
#include <map>

#include "encoding/cp1252.h"

namespace gridlet::cli {

namespace {

// Display width of UTF-8 text, one column per code point.
std::size_t Width(const std::string& utf8) {
  std::size_t width = 0;
  for (unsigned char c : utf8) width += (c & 0xC0) != 0x80;
  return width;
}

std::string CutToWidth(const std::string& utf8, std::size_t maxWidth) {
  if (Width(utf8) <= maxWidth) return utf8;
  std::string out;
  std::size_t width = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if ((c & 0xC0) != 0x80 && ++width > maxWidth - 3) break;
    out += utf8[i];
  }
  return out + "...";
}

std::string CellText(const IntermediateCell& record) {
  std::string text = (record.Type & 3) == CELL_FORMULA ? record.Data2.value_or("=") : record.Data;
  for (char& c : text) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return Cp1252ToUtf8(text);
}

}  // namespace

std::string FormatGrid(const std::vector<IntermediateCell>& records, std::size_t maxWidth) {
  if (records.empty()) return "(no cells)\n";
  std::map<std::int32_t, std::map<std::int32_t, std::string>> rows;
  std::int32_t lastColumn = 1;
  for (const IntermediateCell& record : records) {
    if (record.Column < 1) continue;
    std::string& slot = rows[record.Row][record.Column];
    slot = slot.empty() ? CutToWidth(CellText(record), maxWidth) : slot + "|" + CutToWidth(CellText(record), maxWidth);
    lastColumn = std::max(lastColumn, record.Column);
  }
  lastColumn = std::min<std::int32_t>(lastColumn, 702);  // up to ZZ
  std::vector<std::size_t> widths(lastColumn + 1, 1);
  for (std::int32_t c = 1; c <= lastColumn; ++c) widths[c] = ColumnLetters(c).size();
  std::size_t rowLabel = 1;
  for (const auto& [row, cells] : rows) {
    rowLabel = std::max(rowLabel, std::to_string(row).size());
    for (const auto& [column, text] : cells) {
      if (column <= lastColumn) widths[column] = std::max(widths[column], Width(text));
    }
  }
  auto pad = [](std::string text, std::size_t width) {
    const std::size_t w = Width(text);
    if (w < width) text.append(width - w, ' ');
    return text;
  };
  std::string out = std::string(rowLabel, ' ');
  for (std::int32_t c = 1; c <= lastColumn; ++c) out += "  " + pad(ColumnLetters(c), widths[c]);
  while (!out.empty() && out.back() == ' ') out.pop_back();
  out += "\n";
  for (const auto& [row, cells] : rows) {
    std::string line = std::to_string(row);
    line.insert(0, rowLabel - line.size(), ' ');
    for (std::int32_t c = 1; c <= lastColumn; ++c) {
      auto it = cells.find(c);
      line += "  " + pad(it == cells.end() ? "" : it->second, widths[c]);
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
  }
  return out;
}

}  // namespace gridlet::cli
