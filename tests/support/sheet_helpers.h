// Building and inspecting sheets in tests.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/intermediate_cell.h"
#include "model/spreadsheet_file.h"

namespace gridlet::testing {

struct CellValues {
  std::int32_t row;
  std::int32_t column;
  std::int16_t type;
  std::string data;
  std::optional<std::string> data2 = std::nullopt;
};

inline bool operator==(const CellValues& a, const CellValues& b) {
  return a.row == b.row && a.column == b.column && a.type == b.type && a.data == b.data &&
         a.data2 == b.data2;
}

inline std::ostream& operator<<(std::ostream& os, const CellValues& c) {
  return os << "(" << c.row << "," << c.column << ") type " << c.type << " [" << c.data << "]"
            << (c.data2 ? " [" + *c.data2 + "]" : std::string());
}

inline std::vector<CellValues> Records(const SpreadsheetFile& sheet) {
  std::vector<CellValues> out;
  if (!sheet.GetCellList()) return out;
  for (const auto& cell : *sheet.GetCellList()) {
    const IntermediateCell* r = cell->Cell();
    if (r) out.push_back({r->Row, r->Column, r->Type, r->Data, r->Data2});
  }
  return out;
}

// Reads bytes with a source sheet of type SheetT.
template <class SheetT>
std::unique_ptr<SheetT> ReadSheet(const std::string& bytes, const std::string& name = "SHEET") {
  auto sheet = std::make_unique<SheetT>(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                        bytes.size());
  sheet->SetName(name);
  sheet->TranslateToIntermediate();
  return sheet;
}

// The text part of a sheet's output (GetOutputLength bytes).
inline std::string OutputText(SpreadsheetFile& sheet) {
  const ByteBuffer out = sheet.GetOutput();
  return std::string(out.begin(), out.begin() + sheet.GetOutputLength());
}

}  // namespace gridlet::testing
