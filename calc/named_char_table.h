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

}  // namespace gridlet
