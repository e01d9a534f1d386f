// Rewrites of formula and cell texts between the calculators' spellings of
// functions and characters and the intermediate spelling, one per
// direction and calculator family.
#pragma once

#include <span>
#include <string>

#include "model/rewrite_table.h"

namespace gridlet {

// The rewrite tables, in the order they are applied.
std::span<const RewriteRule> XbToIntermediateRewrites();
std::span<const RewriteRule> IntermediateToXbRewrites();
std::span<const RewriteRule> Sheet68kToIntermediateRewrites();
std::span<const RewriteRule> IntermediateToSheet68kRewrites();

// A text read from an XB Plus sheet, already turned from tokens into text.
void XbNamesToIntermediate(std::string& text);
// A text bound for an XB Plus sheet; the caller has upper-cased it.
void IntermediateNamesToXb(std::string& text);
// A text read from a 68k-class sheet: device character bytes become named
// escapes, then the function names are rewritten.
void Sheet68kNamesToIntermediate(std::string& text);
// A text bound for a 68k-class sheet (formulas lower-cased by the caller):
// function names are rewritten, then named escapes become device bytes.
void IntermediateNamesToSheet68k(std::string& text);

}  // namespace gridlet
