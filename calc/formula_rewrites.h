// Rewrites of formula and cell texts between the calculators' spellings of
// functions and characters and the intermediate spelling, one per
// direction and calculator family.
//
// The intermediate form spells a function that has a spreadsheet
// counterpart by the spreadsheet's name in capitals ("AVERAGE(", "TRUNC(")
// and a calculator's character by its escape ("_pi_", "_<=_"); a function
// of one calculator alone keeps that calculator's spelling ("fnInt(",
// "nDeriv("). Each table and its reverse are each other's inverse on that
// vocabulary, so a formula goes out and comes back as it was.
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

// What a text is: a formula's names are rewritten outside its string
// literals, and its letter case is set by the calculator's rules; a text
// cell's text is rewritten as a whole.
enum class CellText { Text, Formula };

// A text read from an XB Plus sheet, already turned from tokens into text.
void XbNamesToIntermediate(std::string& text, CellText kind);
// A text bound for an XB Plus sheet. A text cell's text the caller has
// upper-cased; a formula's names outside string literals and escapes are
// upper-cased here, and the XB Plus names of functions are found whatever
// their case.
void IntermediateNamesToXb(std::string& text, CellText kind);
// A text read from a 68k-class sheet: device character bytes become named
// escapes, then the function names are rewritten; a formula's names end
// up in capitals, as in the intermediate form.
void Sheet68kNamesToIntermediate(std::string& text, CellText kind);
// A text bound for a 68k-class sheet: function names are rewritten (a
// formula's names in lower case first, the calculator's own spelling of its
// functions restored), then named escapes become device bytes.
void IntermediateNamesToSheet68k(std::string& text, CellText kind);

}  // namespace gridlet
