#include "calc/formula_names.h"

#include <algorithm>
#include <unordered_set>

#include "calc/named_char_table.h"
#include "model/rewrite_table.h"

namespace gridlet {

namespace {

// Escapes that name XB Plus tokens but no character of the table.
constexpr std::string_view kTokenOnlyEscapes[] = {"_^+_", "_^1_",  "_C,_",  "_c,_",  "_EE_",
                                                  "_softwrap_", "_sp1_", "_sp2_", "_sp3_", "_tab_"};

const std::unordered_set<std::string_view>& EscapeNames() {
  static const std::unordered_set<std::string_view> names = [] {
    std::unordered_set<std::string_view> set(std::begin(kTokenOnlyEscapes),
                                             std::end(kTokenOnlyEscapes));
    for (const SpecialCharEntry& entry : NamedCharTable()) {
      if (!entry.name.empty()) set.insert(entry.name);
    }
    return set;
  }();
  return names;
}

char WithCase(char c, LetterCase letterCase) {
  if (letterCase == LetterCase::Upper && c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  if (letterCase == LetterCase::Lower && c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  return c;
}

}  // namespace

std::size_t EscapeLengthAt(std::string_view text, std::size_t at) {
  if (at >= text.size() || text[at] != '_') return 0;
  const std::size_t close = text.find('_', at + 1);
  if (close == std::string_view::npos) return 0;
  const std::size_t length = close - at + 1;
  return EscapeNames().contains(text.substr(at, length)) ? length : 0;
}

void SetNameCase(std::string& formula, LetterCase letterCase, bool calls) {
  std::size_t i = 0;
  while (i < formula.size()) {
    const char c = formula[i];
    if (c == '"') {  // a string literal, "" standing for a quote inside
      const std::size_t close = formula.find('"', i + 1);
      i = close == std::string::npos ? formula.size() : close + 1;
      continue;
    }
    if (const std::size_t escape = EscapeLengthAt(formula, i); escape != 0) {
      i += escape;
      continue;
    }
    if (!IsNameLetter(c)) {
      ++i;
      continue;
    }
    // A name: letters and digits.
    std::size_t end = i;
    while (end < formula.size() && (IsNameLetter(formula[end]) || IsNameDigit(formula[end]))) ++end;
    const bool call = end < formula.size() && formula[end] == '(';
    if (calls || !call) {
      std::transform(formula.begin() + static_cast<std::ptrdiff_t>(i),
                     formula.begin() + static_cast<std::ptrdiff_t>(end),
                     formula.begin() + static_cast<std::ptrdiff_t>(i),
                     [letterCase](char ch) { return WithCase(ch, letterCase); });
    }
    i = end;
  }
}

bool HoldsSheetReference(std::string_view formula) {
  if (formula.find('!') == std::string_view::npos) return false;
  const auto isAsciiLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  const auto isNameCharacter = [&](char c) {
    return isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_' || c == '.';
  };
  bool found = false;
  ForEachFormulaPiece(formula, [&](std::string_view piece, bool inString) {
    for (std::size_t i = 1; !inString && !found && i < piece.size(); ++i) {
      if (piece[i] != '!') continue;
      // A cell follows: a letter, or "$" and a letter.
      std::size_t cell = i + 1;
      if (cell < piece.size() && piece[cell] == '$') ++cell;
      if (cell >= piece.size() || !isAsciiLetter(piece[cell])) continue;
      // A quoted sheet name, or a plain one, which begins with a letter (a
      // number's factorial does not).
      std::size_t start = i;
      while (start > 0 && isNameCharacter(piece[start - 1])) --start;
      found = piece[i - 1] == '\'' || (start < i && isAsciiLetter(piece[start]));
    }
  });
  return found;
}

}  // namespace gridlet
