// The characters of 68k-class text cells. The calculators store a text as
// bytes, and every byte that is a character of Windows-1252 stays that
// byte both ways: Müller, 5 € and ±3 arrive as they were written. Only what
// a text of tab text cannot hold is spelled otherwise: the calculator's
// newline (0x0D) is the line break LF, a TAB its escape "_tab_", and a
// byte Windows-1252 leaves undefined the escape of its calculator
// character ("_beta_" for 0x81). On the way to the calculator every escape
// it has a character for becomes that byte ("_pi_" from an XB Plus text
// becomes 0x8C).
#pragma once

#include <string>
#include <string_view>

#include "calc/cell_changes.h"

namespace gridlet {

// The characters of a text's stored bytes (without the enclosing quotes).
std::string Text68kCharacters(std::string_view stored);

// Whether the characters hold a byte from 0x80 to 0x9F that is a
// Windows-1252 character (€, Œ, the curly quotes...): the calculators draw
// their own symbols there (α, π, ψ...).
bool HasSymbolBytes(std::string_view characters);

// A text's characters as the bytes to store, at most `capacity` of them.
// `changes` receives a cut, escapes of characters the calculators do not
// have, which stay spelled out (CharactersReplaced), and characters they
// show as their own symbols (ShownAsSymbols).
std::string Text68kBytes(std::string_view characters, std::size_t capacity, CellChanges& changes);

}  // namespace gridlet
