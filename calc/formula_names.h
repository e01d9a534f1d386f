// Finding the names in a formula text: string literals and the named
// escapes of calculator characters are not names, so changing the case of
// a formula's names leaves them alone.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "model/rewrite_table.h"

namespace gridlet {

// The length of the named escape ("_pi_", "_<=_") that begins at `at`, or
// 0 when none does.
std::size_t EscapeLengthAt(std::string_view text, std::size_t at);

// Rewrites of calculator texts pass over these escapes alone: an
// underscore that begins none is a character of its own, also right after
// one ("_O^__a1").
inline constexpr RewriteOptions kNamedEscapesOnly{.escapeLength = EscapeLengthAt};

enum class LetterCase { Upper, Lower };

// Sets the case of the letters of a formula's names. String literals and
// escapes keep theirs; with `calls` false, so does a name directly
// followed by "(" (a function's name).
void SetNameCase(std::string& formula, LetterCase letterCase, bool calls);

// Calls fn(piece, inString) for each piece of the formula between its
// double quotes, in order: outside a string, inside one, outside ... The
// pieces are views into `formula`, without the quotes.
template <class Fn>
void ForEachFormulaPiece(std::string_view formula, Fn fn) {
  bool inString = false;
  for (std::size_t at = 0;;) {
    const std::size_t quote = std::min(formula.find('"', at), formula.size());
    fn(formula.substr(at, quote - at), inString);
    if (quote == formula.size()) return;
    inString = !inString;
    at = quote + 1;
  }
}

// Whether the formula refers to a cell of another worksheet, outside its
// strings: a sheet's name, plain (Sheet2) or quoted ('My sheet'), then "!"
// and a cell (Sheet2!A1, 'My sheet'!$B$2). A calculator would read it as a
// product of variables and a factorial.
bool HoldsSheetReference(std::string_view formula);

}  // namespace gridlet
