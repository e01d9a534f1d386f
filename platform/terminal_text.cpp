#include "platform/terminal_text.h"

#include <langinfo.h>

#include <cstdio>
#include <cstring>

#include "encoding/cp1252.h"
#include "encoding/escape_glyphs.h"

namespace gridlet {

namespace {

bool IsInvisibleControl(char32_t c) {
  return (c >= 0x200B && c <= 0x200F) ||  // zero-width characters, direction marks
         (c >= 0x202A && c <= 0x202E) ||  // direction embeddings and overrides
         (c >= 0x2060 && c <= 0x2069) ||  // word joiner, direction isolates
         c == 0xFEFF;                     // zero-width no-break space
}

void AppendEscaped(std::string& out, char32_t c) {
  char escape[16];
  switch (c) {
    case '\t': out += "\\t"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    default: break;
  }
  if (c < 0x100) {
    std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(c));
  } else {
    std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
  }
  out += escape;
}

bool IsCombining(char32_t c) {
  return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
         (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE20 && c <= 0xFE2F);
}

bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
         (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

std::size_t WidthOf(char32_t c) {
  if (IsCombining(c)) return 0;
  return IsWide(c) ? 2 : 1;
}

}  // namespace

bool TerminalTakesUtf8() {
  const char* codeset = nl_langinfo(CODESET);
  return codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

std::vector<std::string> TerminalSafePieces(std::string_view utf8, bool utf8Terminal) {
  std::vector<std::string> pieces;
  pieces.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    std::string piece;
    char32_t c = 0;
    const std::size_t length = DecodeUtf8Character(utf8, i, &c);
    if (length == 0) {
      AppendEscaped(piece, static_cast<unsigned char>(utf8[i]));
      ++i;
    } else {
      const std::string_view character = utf8.substr(i, length);
      i += length;
      if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || IsInvisibleControl(c)) {
        AppendEscaped(piece, c);
      } else if (c < 0x80 || utf8Terminal) {
        piece = character;
      } else if (std::optional<std::string_view> escape = EscapeOfGlyph(character)) {
        piece = *escape;
      } else {
        AppendEscaped(piece, c);
      }
    }
    pieces.push_back(std::move(piece));
  }
  return pieces;
}

std::string TerminalSafe(std::string_view utf8, bool utf8Terminal) {
  std::string out;
  out.reserve(utf8.size());
  for (const std::string& piece : TerminalSafePieces(utf8, utf8Terminal)) out += piece;
  return out;
}

std::size_t DisplayWidth(std::string_view safeText) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < safeText.size();) {
    char32_t c = 0;
    const std::size_t length = DecodeUtf8Character(safeText, i, &c);
    width += length ? WidthOf(c) : 1;
    i += length ? length : 1;
  }
  return width;
}

}  // namespace gridlet
