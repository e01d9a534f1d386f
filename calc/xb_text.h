// The characters of XB Plus text cells. A text is characters, not a
// formula: its tokens are read by their names, and only the few tokens
// that are characters of the Windows ANSI code page (the degree sign,
// squared and cubed, the newline) are spelled as those characters; every
// other calculator character keeps its escape ("_theta_").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "calc/cell_changes.h"

namespace gridlet {

// The characters of a text's token bytes (without the quote token).
std::string XbTextCharacters(const std::uint8_t* tokens, std::size_t count);

// A text's characters as token bytes, at most `capacity` of them (whole
// tokens only). `changes` receives what the calculator forced: small
// letters put in capitals (outside escapes), characters it has no token
// for replaced by "?", and a cut.
std::vector<std::uint8_t> XbTextTokens(std::string_view characters, std::size_t capacity,
                                       CellChanges& changes);

}  // namespace gridlet
