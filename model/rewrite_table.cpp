#include "model/rewrite_table.h"

#include <array>
#include <cstdint>

namespace gridlet {

namespace {

// The bytes that occur in a text, as a bit set. A rule whose find text has a
// byte the text lacks cannot match, so most rules of a table are passed over
// without a search. After a rewrite the set is widened by the replacement's
// bytes; it may then hold bytes the text lost, which only costs a search.
class ByteSet {
 public:
  explicit ByteSet(std::string_view text) { Add(text); }
  void Add(std::string_view text) {
    for (const char c : text) {
      const auto b = static_cast<unsigned char>(c);
      bits_[b >> 6] |= std::uint64_t{1} << (b & 63);
    }
  }
  bool HasAll(std::string_view text) const {
    for (const char c : text) {
      const auto b = static_cast<unsigned char>(c);
      if ((bits_[b >> 6] >> (b & 63) & 1) == 0) return false;
    }
    return true;
  }

 private:
  std::array<std::uint64_t, 4> bits_{};
};

}  // namespace

bool ApplyRewrites(std::string& text, std::span<const RewriteRule> table) {
  bool changed = false;
  ByteSet present(text);
  std::string rewritten;
  for (const RewriteRule& rule : table) {
    if (rule.find.empty() || !present.HasAll(rule.find)) continue;
    std::size_t hit = text.find(rule.find);
    if (hit == std::string::npos) continue;
    // Build the result in one pass instead of splicing in place, so long
    // texts with many hits stay linear.
    rewritten.clear();
    std::size_t from = 0;
    while (hit != std::string::npos) {
      rewritten.append(text, from, hit - from);
      rewritten.append(rule.replace);
      from = hit + rule.find.size();
      hit = text.find(rule.find, from);
    }
    rewritten.append(text, from, std::string::npos);
    text.swap(rewritten);
    present.Add(rule.replace);
    changed = true;
  }
  return changed;
}

}  // namespace gridlet
