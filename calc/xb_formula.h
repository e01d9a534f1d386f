// An XB Plus formula's token bytes from its intermediate text, and what the
// calculator forced on it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "calc/cell_changes.h"

namespace gridlet {

// The tokens of `formula` (intermediate spelling). `changes` receives:
// FormulaCharacters when a character outside its strings has no token
// ("&", "%", "#", "é": the calculator would read "?" or a space there, and
// compute something else); UnknownFunction when it calls a function the
// calculator does not have; FormulaStrings when a string's small letters
// became capitals or its characters were replaced; AbsoluteReferences when
// "$" signs were dropped (the calculator has none; the cells are the same);
// SheetReference when it refers to another worksheet. FormulaCharacters,
// UnknownFunction, SheetReference and tokens beyond what a record holds
// (the caller's FormulaTooLong) mean the formula must not be written.
std::vector<std::uint8_t> XbFormulaTokens(std::string formula, CellChanges& changes);

}  // namespace gridlet
