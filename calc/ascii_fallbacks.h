// What the calculators show for the Windows-1252 characters from 0x80 to
// 0x9F, which neither has (the 68k-class calculators keep symbols of their
// own at those bytes): the nearest ASCII, or "?".
#pragma once

#include <string>
#include <string_view>

namespace gridlet {

// Whether the byte is one of those characters.
bool IsWindows1252Only(unsigned char byte);

// The text with each of those characters replaced by its nearest ASCII
// ("€" by "EUR", curly quotes by straight ones, dashes by "-") or by "?".
// Returns whether anything was replaced.
bool ReplaceWindows1252Only(std::string& text);

}  // namespace gridlet
