// The characters of 68k-class text cells. The calculators store a text as
// bytes in a character set of their own: from 0x20 to 0x7E and from 0xA0 on
// it is Windows-1252's (Müller, Käse, ±3 stay as they are), while from 0x80
// to 0x9F it holds symbols of the calculators (α, π, ≤ ...), which the
// intermediate form spells as their escapes ("_alpha_"). The calculator's
// newline (0x0D) is the line break LF, and a TAB its escape "_tab_", so
// that no text ends a field or a row of tab text.
#pragma once

#include <string>
#include <string_view>

#include "calc/cell_changes.h"

namespace gridlet {

// The characters of a text's stored bytes (without the enclosing quotes).
std::string Text68kCharacters(std::string_view stored);

// A text's characters as the bytes to store, at most `capacity` of them.
// Every escape the calculators have a character for becomes its byte.
// `changes` receives a cut, and characters the calculators do not have
// (CharactersReplaced): the Windows-1252 characters from 0x80 to 0x9F,
// replaced by their nearest ASCII, and escapes of characters of the XB Plus
// alone, which stay spelled out ("_box_").
std::string Text68kBytes(std::string_view characters, std::size_t capacity, CellChanges& changes);

// A formula's Windows-1252 characters from 0x80 to 0x9F, which the
// calculators do not have: in its strings they become the nearest ASCII or
// "?" (FormulaStrings); outside its strings the calculators would read
// their own symbols at those bytes (FormulaCharacters: the formula must not
// be written).
void ReplaceWindows1252OnlyInFormula(std::string& formula, CellChanges& changes);

// Escapes left in a formula once its characters became device bytes name
// characters the calculators do not have (the XB Plus's own, "_box_"): in
// its strings they stay spelled out (FormulaStrings); outside them the
// formula must not be written (FormulaCharacters).
void NoteEscapesLeftInFormula(const std::string& formula, CellChanges& changes);

}  // namespace gridlet
