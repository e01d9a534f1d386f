// Ordered search-and-replace tables: the one rewrite engine behind every
// function-name table of the text cells and the calculator sheets.
//
// A rule matches names, not letters inside words. Unless the rule asks for
// another context, these name boundaries hold:
//   - a find text that begins with a letter does not match right after a
//     letter ("IF(" finds nothing in "COUNTIF(");
//   - one that begins with a digit does not match right after a letter, a
//     digit or a point ("10^(" finds nothing in "A10^(" or "210^(");
//   - one that ends with a letter or digit does not match right before a
//     letter or digit ("rand" finds nothing in "randInt(", "^2" nothing in
//     "^25"), and one that ends with a letter not right before "(" either
//     (the bare name "rand" is not the call "rand(").
// And no match begins inside a named escape ("_^-1_" holds no minus sign).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace gridlet {

// What must stand before a match, instead of the name boundary.
enum class Before : std::uint8_t {
  NameBoundary,
  Operand,    // the end of an operand: a letter, digit, ".", ")", a closing
              // quote or the closing underscore of an escape
  NoOperand,  // the start of the text or anything that ends no operand
  Digit,      // a digit or a point: the match continues a number
};

// What must follow a match, instead of the name boundary.
enum class After : std::uint8_t {
  NameBoundary,
  NoName,  // the end of the text or anything but a letter, digit or "_"
  Digit,   // a digit or a point: the match is inside a number
};

struct RewriteRule {
  std::string_view find;
  std::string_view replace;
  Before before = Before::NameBoundary;
  After after = After::NameBoundary;
};

// The length of the named escape that begins at `at` in `text`, or 0.
using EscapeLength = std::size_t (*)(std::string_view text, std::size_t at);

struct RewriteOptions {
  // Formulas: nothing between a pair of double quotes (a string literal,
  // with "" standing for a quote inside) is matched.
  bool skipStringLiterals = false;
  // Letters match whatever their case, except inside the escapes of a find
  // text ("_pi_" and "_PI_" stay different characters).
  bool ignoreLetterCase = false;
  // Which escapes there are. Without it, an underscore, one to eleven
  // characters that are neither an underscore, a space nor a quote, and an
  // underscore make one; given the names, an underscore that begins none
  // is a character of its own ("_O^__a1" is "_O^_" and the name "_a1").
  EscapeLength escapeLength = nullptr;
};

// Applies the rules in table order. Each rule replaces every match of its
// find text, resuming the search after the inserted replacement, so a rule
// never rewrites its own output while later rules see it. Returns whether
// anything was replaced.
bool ApplyRewrites(std::string& text, std::span<const RewriteRule> table,
                   RewriteOptions options = {});

// A table prepared for texts that mostly hold none of its find texts (the
// formulas of a large sheet): it tells from the pairs of adjacent bytes of
// a text which rules may match there, so the others are passed over
// without a search. Build it once per table; it refers to the table.
class RewriteIndex {
 public:
  RewriteIndex(std::span<const RewriteRule> table, RewriteOptions options);

  std::span<const RewriteRule> Rules() const { return table_; }
  RewriteOptions Options() const { return options_; }

  // Bit i is set when rule i may match somewhere in `text` (bit 63 stands
  // for rule 63 and every later one); a rule whose bit is clear cannot.
  std::uint64_t Candidates(std::string_view text) const;

 private:
  std::span<const RewriteRule> table_;
  RewriteOptions options_;
  // By byte, for a pair of adjacent bytes: the rules whose find text may
  // begin with the first and continue with the second; a rule whose find
  // text is one byte, when it may follow the first and is the second.
  std::array<std::uint64_t, 256> first_{};
  std::array<std::uint64_t, 256> second_{};
  // By byte: the rules whose one-byte find text may be a text's first.
  std::array<std::uint64_t, 256> start_{};
};

// The same as ApplyRewrites over the index's table and options.
bool ApplyRewrites(std::string& text, const RewriteIndex& table);
// The same, given the text's candidates (table.Candidates(text)).
bool ApplyRewrites(std::string& text, const RewriteIndex& table, std::uint64_t candidates);

// The character classes the matching rule is built on.
bool IsNameLetter(char c);
bool IsNameDigit(char c);
// Sets `out` to the text with its letters A to Z in lower case, as texts
// are matched when letter case is ignored.
void FoldLetters(std::string& out, std::string_view text);

}  // namespace gridlet
