#include "model/rewrite_table.h"

namespace gridlet {

bool ApplyRewrites(std::string& text, std::span<const RewriteRule> table) {
  bool changed = false;
  std::string rewritten;
  for (const RewriteRule& rule : table) {
    if (rule.find.empty()) continue;
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
    changed = true;
  }
  return changed;
}

}  // namespace gridlet
