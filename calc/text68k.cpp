#include "calc/text68k.h"

#include <array>

#include "calc/formula_names.h"
#include "calc/named_char_table.h"
#include "encoding/char_escape_translator.h"
#include "encoding/cp1252.h"

namespace gridlet {

namespace {

constexpr char kNewline68k = '\r';
constexpr char kLineFeed = '\n';
constexpr std::string_view kTabEscape = "_tab_";
// The translator's operation for escapes to device bytes of the 68k-class
// column.
constexpr std::int32_t kOpUnescape = 0;
constexpr std::int32_t kSubUnescapeInto68k = 11;

const CharEscapeTranslator& Translator68k() {
  static const CharEscapeTranslator translator(NamedCharTable());
  return translator;
}

// How each stored byte reads: empty for a byte that stays itself.
const std::array<std::string_view, 256>& ByteSpellings() {
  static const std::array<std::string_view, 256> spellings = [] {
    std::array<std::string_view, 256> out{};
    out['\t'] = kTabEscape;
    out['\n'] = "\n";
    out['\r'] = "\n";
    for (unsigned byte = 0x80; byte < 0x100; ++byte) {
      if (IsCp1252Character(static_cast<unsigned char>(byte))) continue;
      for (const SpecialCharEntry& entry : NamedCharTable()) {
        if (!entry.name.empty() && (entry.codes[kColumn68k] & 0xFF) == byte) {
          out[byte] = entry.name;
          break;
        }
      }
    }
    return out;
  }();
  return spellings;
}

}  // namespace

std::string Text68kCharacters(std::string_view stored) {
  const auto& spellings = ByteSpellings();
  std::string out;
  out.reserve(stored.size());
  for (const char c : stored) {
    const std::string_view spelling = spellings[static_cast<unsigned char>(c)];
    if (spelling.empty()) {
      out += c;
    } else {
      out += spelling;
    }
  }
  return out;
}

bool HasSymbolBytes(std::string_view characters) {
  for (const char c : characters) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 && byte < 0xA0 && IsCp1252Character(byte)) return true;
  }
  return false;
}

std::string Text68kBytes(std::string_view characters, std::size_t capacity, CellChanges& changes) {
  if (HasSymbolBytes(characters)) changes.Add(CellChange::ShownAsSymbols);
  std::string text;
  text.reserve(characters.size());
  for (std::size_t i = 0; i < characters.size();) {
    if (characters[i] == kLineFeed) {
      text += kNewline68k;
      ++i;
    } else if (characters.substr(i).starts_with(kTabEscape)) {
      text += '\t';
      i += kTabEscape.size();
    } else {
      text += characters[i++];
    }
  }
  std::string bytes;
  if (Translator68k().Translate(kOpUnescape, text, kSubUnescapeInto68k, bytes) < 0) bytes = text;
  // An escape left is a character the calculators do not have.
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (EscapeLengthAt(bytes, i) != 0) {
      changes.Add(CellChange::CharactersReplaced);
      break;
    }
  }
  if (bytes.size() > capacity) {
    changes.Add(CellChange::TextCut);
    bytes.resize(capacity);
  }
  return bytes;
}

}  // namespace gridlet
