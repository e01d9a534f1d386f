#include "calc/ascii_fallbacks.h"

#include <array>

#include "encoding/cp1252.h"

namespace gridlet {

namespace {

// By byte from 0x80; "" for the bytes Windows-1252 leaves undefined.
constexpr std::array<std::string_view, 32> kNearestAscii{
    "EUR", "",  ",",  "f",  "\"", "...", "+", "+",   // 80..87  € . ‚ ƒ „ … † ‡
    "^",   "?", "S",  "<",  "OE", "",    "Z", "",    // 88..8F  ˆ ‰ Š ‹ Œ . Ž .
    "",    "'", "'",  "\"", "\"", "*",   "-", "-",   // 90..97  . ‘ ’ “ ” • – —
    "~",   "TM", "s", ">",  "oe", "",    "z", "Y",   // 98..9F  ˜ ™ š › œ . ž Ÿ
};

}  // namespace

bool IsWindows1252Only(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 && IsCp1252Character(byte);
}

bool ReplaceWindows1252Only(std::string& text) {
  bool replaced = false;
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (!IsWindows1252Only(byte)) {
      if (replaced) out += text[i];
      continue;
    }
    if (!replaced) out.assign(text, 0, i);
    replaced = true;
    out += kNearestAscii[byte - 0x80];
  }
  if (replaced) text = std::move(out);
  return replaced;
}

}  // namespace gridlet
