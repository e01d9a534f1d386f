#include "model/sheet_changes.h"

#include <algorithm>

#include "model/cell_address.h"
#include "model/sheet_messages.h"

namespace gridlet {

namespace {
constexpr std::size_t kMaxListedCells = 10;
}  // namespace

void SheetChanges::Add(const ChangeKind& kind, std::int32_t row, std::int32_t column) {
  Add(kind, CellAddress(row, column));
}

void SheetChanges::Add(const ChangeKind& kind, std::string address) {
  auto entry = std::find_if(kinds_.begin(), kinds_.end(),
                            [&](const Entry& e) { return e.kind == &kind; });
  if (entry == kinds_.end()) entry = kinds_.insert(kinds_.end(), Entry{&kind, {}, 0});
  if (entry->cells.size() < kMaxListedCells) entry->cells.push_back(std::move(address));
  ++entry->count;
}

std::size_t SheetChanges::Count(const ChangeKind& kind) const {
  for (const Entry& entry : kinds_) {
    if (entry.kind == &kind) return entry.count;
  }
  return 0;
}

void SheetChanges::Report(SheetMessages* messages) const {
  if (!messages) return;
  for (const Entry& entry : kinds_) {
    std::string text(entry.kind->sentence);
    text += ": " + std::to_string(entry.count) + (entry.count == 1 ? " cell, " : " cells, ");
    for (std::size_t i = 0; i < entry.cells.size(); ++i) {
      if (i > 0) text += i + 1 == entry.cells.size() && entry.count == entry.cells.size() ? " and " : ", ";
      text += entry.cells[i];
    }
    if (entry.count > entry.cells.size()) {
      text += " and " + std::to_string(entry.count - entry.cells.size()) + " more";
    }
    text += ".";
    if (entry.kind->code != S_OK) {
      messages->ReportWarning(entry.kind->code, text);
    } else {
      messages->Warn(text);
    }
  }
}

}  // namespace gridlet
