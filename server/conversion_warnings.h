// Warnings: what a conversion changed on the way, such as the cells whose
// content it replaced. Every warning goes through here, so that all read
// alike and reach the user the same way.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "server/user_messages.h"

namespace gridlet {

// How many cell addresses a warning lists before it only counts the rest.
inline constexpr std::size_t LISTED_CELLS = 5;

// "FILE: CHANGE in 7 cells: A2, B3, C4, D5, E6 and 2 more". Nothing is
// shown when no cell changed.
std::string ChangedCellsText(std::string_view file, std::string_view change,
                             const std::vector<std::string>& cells);

// Shows a warning.
void Warn(UserMessages& messages, const std::string& text);

// Shows ChangedCellsText as a warning.
void WarnAboutCells(UserMessages& messages, std::string_view file, std::string_view change,
                    const std::vector<std::string>& cells);

}  // namespace gridlet
