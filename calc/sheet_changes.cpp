#include "calc/sheet_changes.h"

#include <algorithm>

#include "model/cell_address.h"
#include "model/sheet_messages.h"

namespace gridlet {

namespace {
constexpr std::size_t kMaxListedCells = 10;
}  // namespace

void SheetChanges::Add(std::string_view change, std::int32_t row, std::int32_t column) {
  auto kind = std::find_if(kinds_.begin(), kinds_.end(),
                           [&](const auto& entry) { return entry.first == change; });
  if (kind == kinds_.end()) kind = kinds_.insert(kinds_.end(), {std::string(change), {}});
  kind->second.push_back(CellAddress(row, column));
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
