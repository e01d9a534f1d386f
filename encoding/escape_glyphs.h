// The calculator characters as Unicode: what each named escape of the
// intermediate form ("_pi_", "_<=_", "_^-1_", ...) looks like on the
// calculator, for showing sheets to people. Escapes without a faithful
// Unicode form (plot marks, cursor shapes) have no glyph and stay escapes.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace gridlet {

struct EscapeGlyph {
  std::string_view escape;  // with both underscores, "_pi_"
  std::string_view utf8;    // "π"
};

// Every escape that has a glyph, each once.
std::span<const EscapeGlyph> EscapeGlyphTable();

// The glyph of one escape (with its underscores), if it has one.
std::optional<std::string_view> GlyphOfEscape(std::string_view escape);

// The escape a glyph stands for: the first escape of the table with that
// glyph. For showing text where only ASCII can be shown.
std::optional<std::string_view> EscapeOfGlyph(std::string_view utf8);

// An intermediate text (Windows-1252 with named escapes) as UTF-8 with the
// calculator characters as themselves. Escapes are found as the escape
// translator finds them: an underscore opens a candidate up to the next
// underscore; a candidate that names no glyph is kept as it stands and its
// closing underscore may open the next one.
std::string EscapedTextToUnicode(std::string_view text);

}  // namespace gridlet
