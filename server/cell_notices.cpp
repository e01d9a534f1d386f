#include "server/cell_notices.h"

namespace gridlet {

std::string ChangedCellsText(std::string_view file, std::string_view change,
                             const std::vector<std::string>& cells) {
  std::string text(file);
  text += ": ";
  text += change;
  text += " in " + std::to_string(cells.size()) + (cells.size() == 1 ? " cell: " : " cells: ");
  for (std::size_t i = 0; i < cells.size() && i < LISTED_CELLS; ++i) {
    if (i > 0) text += ", ";
    text += cells[i];
  }
  if (cells.size() > LISTED_CELLS) text += " and " + std::to_string(cells.size() - LISTED_CELLS) + " more";
  return text;
}

void WarnAboutCells(UserMessages& messages, std::string_view file, std::string_view change,
                    const std::vector<std::string>& cells) {
  if (cells.empty()) return;
  messages.ShowMessage(NO_WINDOW, ChangedCellsText(file, change, cells), "", MB_OK | MB_ICONWARNING);
}

}  // namespace gridlet
