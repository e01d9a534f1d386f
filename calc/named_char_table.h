// The special-character table of the calculator charsets. Only column 8,
// the character codes of the 68k-class calculators, is filled in; every
// other column is 0.
#pragma once

#include <cstddef>
#include <span>

#include "encoding/special_char_entry.h"

namespace gridlet {

// 200 named entries followed by one entry with an empty name and no codes.
inline constexpr std::size_t kNamedCharTableSize = 201;

// Column of the 68k-class calculators' character codes.
inline constexpr std::size_t kColumn68k = 8;

std::span<const SpecialCharEntry, kNamedCharTableSize> NamedCharTable();

// The table as the 68k-class sheets translate with it. From 0xC0 up the
// calculators' bytes are the letters Windows-1252 has there, as their texts
// show (the ü of "Müller" is stored as 0xFC), while the table's 68k codes
// in that range name other characters (0xE4, ä, as "_e`_"; 0xFC as "_>_").
// Those codes are left out here: the bytes read as the letters they are,
// and those escapes stay spelled out.
std::span<const SpecialCharEntry, kNamedCharTableSize> NamedCharTable68k();

}  // namespace gridlet
