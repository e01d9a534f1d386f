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

// The rewrites work on formulas: names are rewritten outside string
// literals, and letter case is set by the calculator's rules. Text cells
// do not pass them: a text is characters, not names (calc/xb_text.h,
// calc/text68k.h).

// A formula read from an XB Plus sheet, already turned from tokens into
// text.
void XbNamesToIntermediate(std::string& formula);
// A formula bound for an XB Plus sheet: its names outside string literals
// and escapes are upper-cased, and the XB Plus names of functions are found
// whatever their case.
void IntermediateNamesToXb(std::string& formula);
// A formula read from a 68k-class sheet: device character bytes become
// named escapes, then the function names are rewritten; its names end up
// in capitals, as in the intermediate form.
void Sheet68kNamesToIntermediate(std::string& formula);
// A formula bound for a 68k-class sheet: function names are rewritten (in
// lower case first, the calculator's own spelling of its functions
// restored), then named escapes become device bytes.
void IntermediateNamesToSheet68k(std::string& formula);

}  // namespace gridlet
