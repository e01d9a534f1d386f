#include "calc/sheet_changes.h"

#include <algorithm>

#include "model/sheet_messages.h"

namespace gridlet {

namespace {
constexpr std::size_t kMaxListedCells = 10;
}  // namespace

std::string CellName(std::int32_t row, std::int32_t column) {
  std::string letters;
  for (std::int64_t n = column; n > 0; n = (n - 1) / 26) {
    letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
  }
  return letters + std::to_string(row);
}

void SheetChanges::Add(std::string_view change, std::int32_t row, std::int32_t column) {
  auto kind = std::find_if(kinds_.begin(), kinds_.end(),
                           [&](const auto& entry) { return entry.first == change; });
  if (kind == kinds_.end()) kind = kinds_.insert(kinds_.end(), {std::string(change), {}});
  kind->second.push_back(CellName(row, column));
}

void SheetChanges::Report(SheetMessages* messages) const {
  if (!messages) return;
  for (const auto& [change, cells] : kinds_) {
    std::string text = change + ": ";
    for (std::size_t i = 0; i < cells.size() && i < kMaxListedCells; ++i) {
      text += (i ? ", " : "") + cells[i];
    }
    if (cells.size() > kMaxListedCells) {
      text += " and " + std::to_string(cells.size() - kMaxListedCells) + " more";
    }
    messages->Warn(text + ".");
  }
}

}  // namespace gridlet
