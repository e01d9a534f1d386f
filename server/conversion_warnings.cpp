#include "server/conversion_warnings.h"

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

void Warn(UserMessages& messages, const std::string& text) {
  messages.ShowMessage(NO_WINDOW, text, "", MB_OK | MB_ICONWARNING);
}

void WarnAboutCells(UserMessages& messages, std::string_view file, std::string_view change,
                    const std::vector<std::string>& cells) {
  if (!cells.empty()) Warn(messages, ChangedCellsText(file, change, cells));
}

}  // namespace gridlet
