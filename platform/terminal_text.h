// Text as a terminal shows it, safely: nothing from a file or a name ever
// reaches the terminal as a control sequence.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace gridlet {

// Whether the terminal takes UTF-8, by the locale (LC_CTYPE) the program
// runs in; the caller sets the locale from the environment first.
bool TerminalTakesUtf8();

// UTF-8 text made safe to print: control characters (C0, DEL, C1) and the
// invisible direction and width controls appear escaped, "\t", "\n", "\r"
// or "\x1b" and "\u202e", and a byte that is no part of valid UTF-8 as
// "\xff". On a terminal that does not take UTF-8 every other character
// beyond ASCII is escaped too: a calculator character as its named escape
// ("_pi_"), any other as "\u00e9".
std::string TerminalSafe(std::string_view utf8, bool utf8Terminal);

// The same, one piece per character of the text, so that text can be cut
// without splitting an escape.
std::vector<std::string> TerminalSafePieces(std::string_view utf8, bool utf8Terminal);

// The columns a terminal gives safe text: two for wide (East Asian)
// characters, none for combining marks, one for every other character.
std::size_t DisplayWidth(std::string_view safeText);

}  // namespace gridlet
