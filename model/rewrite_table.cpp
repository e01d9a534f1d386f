#include "model/rewrite_table.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>

namespace gridlet {

bool IsNameLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsNameDigit(char c) { return c >= '0' && c <= '9'; }

namespace {
char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

// Eight bytes at a time: each byte of 'A' to 'Z' is given the bit 0x20.
// The high bit of the two sums below tells, for the low seven bits of each
// byte, that they reach 'A' and that they pass 'Z' (neither sum carries
// into the next byte); a byte whose own high bit is set is left alone.
void FoldLetters(std::string& out, std::string_view text) {
  out.assign(text);
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHigh = 0x8080808080808080u;
  std::size_t i = 0;
  for (; i + 8 <= out.size(); i += 8) {
    std::uint64_t bytes;
    std::memcpy(&bytes, out.data() + i, 8);
    const std::uint64_t low = bytes & ~kHigh;
    const std::uint64_t fromA = low + kOnes * (0x80 - 'A');
    const std::uint64_t pastZ = low + kOnes * (0x80 - 'Z' - 1);
    bytes |= (fromA & ~pastZ & ~bytes & kHigh) >> 2;
    std::memcpy(out.data() + i, &bytes, 8);
  }
  for (; i < out.size(); ++i) out[i] = Fold(out[i]);
}

namespace {

bool IsAlnum(char c) { return IsNameLetter(c) || IsNameDigit(c); }

std::string Folded(std::string_view text) {
  std::string out;
  FoldLetters(out, text);
  return out;
}

// The escapes that the intermediate form uses for operators: a minus sign
// after one of them is a negation, not a subtraction.
constexpr std::array<std::string_view, 6> kOperatorEscapes{"_neg_", "_EE_", "_<=_",
                                                            "_>=_", "_!=_", "_->_"};

// Whether the text before `end` (exclusive) ends an operand.
bool EndsOperand(std::string_view before) {
  if (before.empty()) return false;
  const char c = before.back();
  if (IsAlnum(c) || c == '.' || c == ')' || c == ']' || c == '}' || c == '"' || c == '%') {
    return true;
  }
  if (c != '_') return false;
  for (std::string_view escape : kOperatorEscapes) {
    if (before.ends_with(escape)) return false;
  }
  return before.size() > 1;  // a lone underscore at the start is no escape
}

// The bytes that occur in a text, as a bit set. A rule whose find text has a
// byte the text lacks cannot match, so most rules of a table are passed over
// without a search. After a rewrite the set is widened by the replacement's
// bytes; it may then hold bytes the text lost, which only costs a search.
class ByteSet {
 public:
  // With `fold`, letters count in lower case.
  ByteSet(std::string_view text, bool fold) : fold_(fold) { Add(text); }
  void Add(std::string_view text) {
    for (const char c : text) {
      const auto b = Byte(c);
      bits_[b >> 6] |= std::uint64_t{1} << (b & 63);
    }
  }
  bool HasAll(std::string_view text) const {
    for (const char c : text) {
      const auto b = Byte(c);
      if ((bits_[b >> 6] >> (b & 63) & 1) == 0) return false;
    }
    return true;
  }

 private:
  unsigned char Byte(char c) const { return static_cast<unsigned char>(fold_ ? Fold(c) : c); }

  std::array<std::uint64_t, 4> bits_{};
  bool fold_;
};

// Whether the escapes of `find` (the parts between a pair of underscores)
// stand in `text` at `at` exactly, letter case included.
bool EscapesMatchExactly(std::string_view text, std::size_t at, std::string_view find) {
  bool inEscape = false;
  for (std::size_t i = 0; i < find.size(); ++i) {
    if (find[i] == '_') {
      inEscape = !inEscape;
      continue;
    }
    if (inEscape && text[at + i] != find[i]) return false;
  }
  return true;
}

// Tells, for positions met in increasing order, whether they stand inside
// a string literal: an odd number of double quotes lies before them.
class LiteralCursor {
 public:
  explicit LiteralCursor(std::string_view text) : text_(text) {}
  bool Inside(std::size_t at) {
    while (position_ < at) {
      const auto* quote = static_cast<const char*>(std::memchr(text_.data() + position_, '"', at - position_));
      if (quote == nullptr) {
        position_ = at;
        break;
      }
      inside_ = !inside_;
      position_ = static_cast<std::size_t>(quote - text_.data()) + 1;
    }
    return inside_;
  }

 private:
  std::string_view text_;
  std::size_t position_ = 0;
  bool inside_ = false;
};

// Tells, for positions met in increasing order, whether they stand inside a
// named escape: an underscore, one to eleven characters that are neither an
// underscore, a space nor a quote, and an underscore ("_pi_", "_^-1_"). A
// match may begin at an escape's first underscore but not within it, so
// the "-" of "_^-1_" is no minus sign. Escapes are found from the start of
// the text on, so "_chi__^2_" is two of them. With the names of the
// escapes, only those count.
class EscapeCursor {
 public:
  EscapeCursor(std::string_view text, EscapeLength named) : text_(text), named_(named) {}
  bool Inside(std::size_t at) {
    while (next_ <= at) {
      // Escapes begin only at an underscore.
      const auto* underscore =
          static_cast<const char*>(std::memchr(text_.data() + next_, '_', at + 1 - next_));
      if (underscore == nullptr) {
        next_ = at + 1;
        break;
      }
      next_ = static_cast<std::size_t>(underscore - text_.data());
      const std::size_t end = EscapeEnd(next_);
      if (end != 0) {
        start_ = next_;
        end_ = end;
        next_ = end;
      } else {
        ++next_;
      }
    }
    return start_ < at && at < end_;
  }

 private:
  // The position after the escape that begins at `at`, or 0.
  std::size_t EscapeEnd(std::size_t at) const {
    if (text_[at] != '_') return 0;
    if (named_ != nullptr) {
      const std::size_t length = named_(text_, at);
      return length == 0 ? 0 : at + length;
    }
    for (std::size_t i = at + 1; i < text_.size() && i <= at + 12; ++i) {
      const char c = text_[i];
      if (c == '_') return i > at + 1 ? i + 1 : 0;
      if (c == ' ' || c == '"') return 0;
    }
    return 0;
  }

  std::string_view text_;
  EscapeLength named_;
  std::size_t next_ = 0;   // where the search for the next escape goes on
  std::size_t start_ = 0;  // the last escape found
  std::size_t end_ = 0;
};

bool BeforeAllows(const RewriteRule& rule, std::string_view before) {
  const std::optional<char> c = before.empty() ? std::nullopt : std::optional(before.back());
  switch (rule.before) {
    case Before::Operand: return EndsOperand(before);
    case Before::NoOperand: return !EndsOperand(before);
    case Before::Digit: return c && (IsNameDigit(*c) || *c == '.');
    case Before::NameBoundary: break;
  }
  if (!c) return true;
  const char first = rule.find.front();
  if (IsNameLetter(first)) return !IsNameLetter(*c);
  if (IsNameDigit(first)) return !IsAlnum(*c) && *c != '.';
  return true;
}

bool AfterAllows(const RewriteRule& rule, std::string_view after) {
  const std::optional<char> c = after.empty() ? std::nullopt : std::optional(after.front());
  switch (rule.after) {
    case After::NoName: return !c || !(IsAlnum(*c) || *c == '_');
    case After::Digit: return c && (IsNameDigit(*c) || *c == '.');
    case After::NameBoundary: break;
  }
  if (!c) return true;
  const char last = rule.find.back();
  if (IsNameLetter(last)) return !IsAlnum(*c) && *c != '(';
  if (IsNameDigit(last)) return !IsAlnum(*c) && *c != '.';
  return true;
}

// Whether a match of the rule may stand right after the byte `c`: false
// when BeforeAllows refuses every text that ends with it. The last byte
// alone decides, but for an underscore that closes an escape ("_pi_"),
// which ends an operand where a lone one does not.
bool MayPrecede(const RewriteRule& rule, char c) {
  return BeforeAllows(rule, std::string_view(&c, 1)) || (c == '_' && rule.before == Before::Operand);
}

// Whether a match of the rule may stand at the start of a text.
bool MayStartText(const RewriteRule& rule) { return BeforeAllows(rule, std::string_view()); }

// How many characters before a match its context looks at, at most: the
// longest escape that ends no operand.
constexpr std::size_t kContextLength = 8;

// One rule over the text; returns whether it replaced anything.
// `foldedText` is the text with its letters folded, when the options
// ignore letter case.
bool ApplyRule(std::string& text, const std::string& foldedText, const RewriteRule& rule,
               RewriteOptions options, std::string& rewritten) {
  const std::string foldedFind = options.ignoreLetterCase ? Folded(rule.find) : std::string();
  const std::string_view needle = options.ignoreLetterCase ? std::string_view(foldedFind) : rule.find;
  const std::string_view haystack = options.ignoreLetterCase ? std::string_view(foldedText) : text;

  LiteralCursor literals(text);
  EscapeCursor escapes(text, options.escapeLength);
  std::string context;
  bool changed = false;
  std::size_t from = 0;  // text before this is in `rewritten`
  for (std::size_t hit = haystack.find(needle); hit != std::string_view::npos;
       hit = haystack.find(needle, hit + 1)) {
    if (options.skipStringLiterals && literals.Inside(hit)) continue;
    if (escapes.Inside(hit)) continue;
    // What stands before the match, with the row's earlier replacements
    // spliced in: the contexts look at its last few characters only.
    std::string_view before = std::string_view(text).substr(0, hit);
    if (changed && hit - from < kContextLength) {
      context.assign(rewritten, rewritten.size() - std::min(rewritten.size(), kContextLength), std::string::npos);
      context.append(text, from, hit - from);
      before = context;
    }
    if (!BeforeAllows(rule, before)) continue;
    if (!AfterAllows(rule, std::string_view(text).substr(hit + needle.size()))) continue;
    if (options.ignoreLetterCase && !EscapesMatchExactly(text, hit, rule.find)) continue;
    if (!changed) rewritten.clear();
    rewritten.append(text, from, hit - from);
    rewritten.append(rule.replace);
    from = hit + needle.size();
    hit = from - 1;  // the search resumes after the inserted replacement
    changed = true;
  }
  if (!changed) return false;
  rewritten.append(text, from, std::string::npos);
  text.swap(rewritten);
  return true;
}

// Applies the rules in table order, passing over those the filter rules
// out: filter.MayMatch(i) for rule i of the current text, and
// filter.Changed(text, rule) after a rule rewrote it.
template <class Filter>
bool ApplyFiltered(std::string& text, std::span<const RewriteRule> table, RewriteOptions options,
                   Filter& filter) {
  bool changed = false;
  // Kept from call to call by each thread, so that rewriting the many
  // formulas of a sheet allocates nothing for most of them.
  thread_local std::string rewritten;
  // The folded text is made when a rule first needs it, and again only
  // after a rule changed the text.
  thread_local std::string folded;
  bool foldedCurrent = false;
  for (std::size_t i = filter.Next(0); i < table.size(); i = filter.Next(i + 1)) {
    const RewriteRule& rule = table[i];
    if (rule.find.empty()) continue;
    if (options.ignoreLetterCase && !foldedCurrent) {
      FoldLetters(folded, text);
      foldedCurrent = true;
    }
    if (!ApplyRule(text, folded, rule, options, rewritten)) continue;
    foldedCurrent = false;
    filter.Changed(text, rule);
    changed = true;
  }
  // (A long text's buffers are not kept.)
  constexpr std::size_t kKeptScratch = 4096;
  if (rewritten.capacity() > kKeptScratch) std::string().swap(rewritten);
  if (folded.capacity() > kKeptScratch) std::string().swap(folded);
  return changed;
}

// Passes over the rules with a byte the text lacks.
class ByteSetFilter {
 public:
  ByteSetFilter(std::string_view text, std::span<const RewriteRule> table, bool fold)
      : present_(text, fold), table_(table) {}
  // The first rule from i on that may match (table size when none).
  std::size_t Next(std::size_t i) const {
    while (i < table_.size() && !present_.HasAll(table_[i].find)) ++i;
    return i;
  }
  void Changed(std::string_view, const RewriteRule& rule) { present_.Add(rule.replace); }

 private:
  ByteSet present_;
  std::span<const RewriteRule> table_;
};

// Passes over the rules the index rules out.
class IndexFilter {
 public:
  IndexFilter(const RewriteIndex& index, std::uint64_t candidates) : index_(index), candidates_(candidates) {}
  // The first rule from i on that may match (64 or more when none: every
  // rule from 63 on may, when bit 63 is set).
  std::size_t Next(std::size_t i) const {
    if (i >= 63) return (candidates_ >> 63) != 0 ? i : index_.Rules().size();
    const std::uint64_t left = candidates_ >> i << i;
    return left == 0 ? index_.Rules().size() : static_cast<std::size_t>(std::countr_zero(left));
  }
  void Changed(std::string_view text, const RewriteRule&) { candidates_ = index_.Candidates(text); }

 private:
  const RewriteIndex& index_;
  std::uint64_t candidates_;
};

}  // namespace

bool ApplyRewrites(std::string& text, std::span<const RewriteRule> table, RewriteOptions options) {
  ByteSetFilter filter(text, table, options.ignoreLetterCase);
  return ApplyFiltered(text, table, options, filter);
}

RewriteIndex::RewriteIndex(std::span<const RewriteRule> table, RewriteOptions options)
    : table_(table), options_(options) {
  // Each byte as it may stand in a text: with letter case ignored, a letter
  // of either case (the escapes, matched exactly, only widen the filter).
  const auto forms = [&](char c) {
    const auto byte = static_cast<unsigned char>(c);
    std::array<unsigned char, 2> both{byte, byte};
    if (options_.ignoreLetterCase && IsNameLetter(c)) {
      both = {static_cast<unsigned char>(Fold(c)), static_cast<unsigned char>(Fold(c) - 'a' + 'A')};
    }
    return both;
  };
  for (std::size_t i = 0; i < table.size(); ++i) {
    const RewriteRule& rule = table[i];
    const std::string_view find = rule.find;
    if (find.empty()) continue;
    const std::uint64_t bit = std::uint64_t{1} << std::min<std::size_t>(i, 63);
    if (find.size() > 1) {
      for (const unsigned char b : forms(find[0])) first_[b] |= bit;
      for (const unsigned char b : forms(find[1])) second_[b] |= bit;
      continue;
    }
    // A one-byte find text is told by the byte before it, which its rule's
    // context may rule out (a number's exponent "E" follows a digit), or by
    // its standing first.
    for (int b = 0; b < 256; ++b) {
      if (MayPrecede(rule, static_cast<char>(b))) first_[b] |= bit;
    }
    for (const unsigned char b : forms(find[0])) {
      second_[b] |= bit;
      if (MayStartText(rule)) start_[b] |= bit;
    }
  }
}

std::uint64_t RewriteIndex::Candidates(std::string_view text) const {
  if (text.empty()) return 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::uint64_t candidates = start_[bytes[0]];
  for (std::size_t i = 0; i + 1 < text.size(); ++i) candidates |= first_[bytes[i]] & second_[bytes[i + 1]];
  return candidates;
}

bool ApplyRewrites(std::string& text, const RewriteIndex& table) {
  return ApplyRewrites(text, table, table.Candidates(text));
}

bool ApplyRewrites(std::string& text, const RewriteIndex& table, std::uint64_t candidates) {
  if (candidates == 0) return false;
  IndexFilter filter(table, candidates);
  return ApplyFiltered(text, table.Rules(), table.Options(), filter);
}

}  // namespace gridlet
