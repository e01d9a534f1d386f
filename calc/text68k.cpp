#include "calc/text68k.h"

#include <algorithm>
#include <array>

#include "calc/ascii_fallbacks.h"
#include "calc/formula_names.h"
#include "calc/named_char_table.h"
#include "encoding/char_escape_translator.h"
#include "model/rewrite_table.h"

namespace gridlet {

namespace {

constexpr char kNewline68k = '\r';
constexpr char kLineFeed = '\n';
constexpr unsigned kFirstSymbol = 0x80;
constexpr unsigned kLastSymbol = 0x9F;

// Characters of a text that the special-character table does not name:
// the TAB, and the exponent mark that the calculators show at 0x95.
constexpr std::array kOwnEscapes{
    RewriteRule{"_tab_", "\t"},
    RewriteRule{"_EE_", "\x95"},
};

// The translator's operation for escapes to device bytes of the 68k-class
// column.
constexpr std::int32_t kOpUnescape = 0;
constexpr std::int32_t kSubUnescapeInto68k = 11;

const CharEscapeTranslator& Translator68k() {
  static const CharEscapeTranslator translator(NamedCharTable68k());
  return translator;
}

// How each stored byte reads: empty for a byte that stays itself.
const std::array<std::string_view, 256>& ByteSpellings() {
  static const std::array<std::string_view, 256> spellings = [] {
    std::array<std::string_view, 256> out{};
    out['\n'] = "\n";
    out['\r'] = "\n";
    for (const RewriteRule& own : kOwnEscapes) out[static_cast<unsigned char>(own.replace[0])] = own.find;
    for (unsigned byte = kFirstSymbol; byte <= kLastSymbol; ++byte) {
      for (const SpecialCharEntry& entry : NamedCharTable()) {
        if (out[byte].empty() && !entry.name.empty() && (entry.codes[kColumn68k] & 0xFF) == byte) {
          out[byte] = entry.name;
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

std::string Text68kBytes(std::string_view characters, std::size_t capacity, CellChanges& changes) {
  std::string text(characters);
  if (ReplaceWindows1252Only(text)) changes.Add(CellChange::CharactersReplaced);
  for (char& c : text) {
    if (c == kLineFeed) c = kNewline68k;
  }
  ApplyRewrites(text, kOwnEscapes, kNamedEscapesOnly);
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

void ReplaceWindows1252OnlyInFormula(std::string& formula, CellChanges& changes) {
  if (std::none_of(formula.begin(), formula.end(),
                   [](char c) { return IsWindows1252Only(static_cast<unsigned char>(c)); })) {
    return;
  }
  std::string out;
  bool first = true;
  ForEachFormulaPiece(formula, [&](std::string_view view, bool inString) {
    std::string piece(view);
    if (inString) {
      if (ReplaceWindows1252Only(piece)) {
        changes.Add(CellChange::FormulaStrings);
        // A curly double quote must not end the string: it becomes a
        // single straight one.
        std::replace(piece.begin(), piece.end(), '"', '\'');
      }
    } else if (std::any_of(piece.begin(), piece.end(),
                           [](char c) { return IsWindows1252Only(static_cast<unsigned char>(c)); })) {
      changes.Add(CellChange::FormulaCharacters);
    }
    if (!first) out += '"';  // the quote between this piece and the last
    first = false;
    out += piece;
  });
  formula = std::move(out);
}

void NoteEscapesLeftInFormula(const std::string& formula, CellChanges& changes) {
  if (formula.find('_') == std::string::npos) return;
  ForEachFormulaPiece(formula, [&](std::string_view piece, bool inString) {
    for (std::size_t i = 0; i < piece.size(); ++i) {
      if (piece[i] == '_' && EscapeLengthAt(piece, i) != 0) {
        changes.Add(inString ? CellChange::FormulaStrings : CellChange::FormulaCharacters);
        return;
      }
    }
  });
}

}  // namespace gridlet
