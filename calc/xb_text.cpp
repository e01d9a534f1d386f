#include "calc/xb_text.h"

#include <algorithm>
#include <array>

#include "calc/ascii_fallbacks.h"
#include "calc/formula_names.h"
#include "encoding/xb_tokens.h"
#include "model/rewrite_table.h"

namespace gridlet {

namespace {

// The tokens that are ANSI characters: the character a text holds, and
// the name the token text spells it with.
struct CharacterToken {
  std::string_view character;
  std::string_view name;
};
constexpr std::array<CharacterToken, 4> kCharacterTokens{{
    {"\n", "\r\n"},
    {"\xB0", "_degrees_"},
    {"\xB2", "_^2_"},
    {"\xB3", "_^3_"},
}};

constexpr std::array<RewriteRule, kCharacterTokens.size()> Rules(bool toNames) {
  std::array<RewriteRule, kCharacterTokens.size()> rules{};
  for (std::size_t i = 0; i < rules.size(); ++i) {
    const CharacterToken& token = kCharacterTokens[i];
    rules[i] = toNames ? RewriteRule{token.character, token.name}
                       : RewriteRule{token.name, token.character};
  }
  return rules;
}
constexpr auto kNamesToCharacters = Rules(false);
constexpr auto kCharactersToNames = Rules(true);

constexpr char kReplacement = '?';

std::string TokenText(const std::uint8_t* tokens, std::size_t count) {
  std::string text;
  XbTokensToText(tokens, count, text);  // an assembly program gives no text
  return text;
}

std::vector<std::uint8_t> Tokens(std::string_view text, std::size_t capacity) {
  // Two bytes for each character always suffice.
  std::vector<std::uint8_t> tokens(std::min(capacity, 2 * text.size()));
  tokens.resize(XbTextToTokens(tokens.data(), tokens.size(), text));
  return tokens;
}

// Whether the escape is the name of one token.
bool IsTokenName(std::string_view escape) {
  const std::vector<std::uint8_t> tokens = Tokens(escape, 2);
  return !tokens.empty() && TokenText(tokens.data(), tokens.size()) == escape;
}

// The text with its letters outside escapes in capitals.
std::string Capitals(std::string_view text) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size();) {
    if (const std::size_t escape = EscapeLengthAt(out, i); escape != 0) {
      i += escape;
      continue;
    }
    if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
    ++i;
  }
  return out;
}

// Escapes the calculator has no token for, and bytes beyond ASCII, become
// the replacement character; the tokenizer would make a space of such a
// byte and read an escape letter by letter.
std::string ForTokenizing(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (const std::size_t escape = EscapeLengthAt(text, i); escape != 0) {
      const std::string_view name = text.substr(i, escape);
      if (IsTokenName(name)) {
        out.append(name);
      } else {
        out += kReplacement;
      }
      i += escape;
      continue;
    }
    const char c = text[i++];
    out += static_cast<unsigned char>(c) >= 0x80 ? kReplacement : c;
  }
  return out;
}

}  // namespace

std::string XbTextCharacters(const std::uint8_t* tokens, std::size_t count) {
  std::string text = TokenText(tokens, count);
  ApplyRewrites(text, kNamesToCharacters, kNamedEscapesOnly);
  return text;
}

std::vector<std::uint8_t> XbTextTokens(std::string_view characters, std::size_t capacity,
                                       CellChanges& changes) {
  std::string named(characters);
  ApplyRewrites(named, kCharactersToNames, kNamedEscapesOnly);
  // Curly quotes, dashes, the euro sign: the nearest the calculator has.
  if (ReplaceWindows1252Only(named)) changes.Add(CellChange::CharactersReplaced);
  const std::string upper = Capitals(named);
  if (upper != named) changes.Add(CellChange::Capitals);
  const std::string text = ForTokenizing(upper);
  std::vector<std::uint8_t> tokens = Tokens(text, 2 * text.size());
  // What the calculator gives back is the text in capitals unless it had
  // to replace a character.
  if (TokenText(tokens.data(), tokens.size()) != upper) changes.Add(CellChange::CharactersReplaced);
  if (tokens.size() > capacity) {
    changes.Add(CellChange::TextCut);
    tokens = Tokens(text, capacity);
  }
  return tokens;
}

}  // namespace gridlet
