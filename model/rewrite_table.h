// Ordered search-and-replace tables: the one rewrite engine behind every
// function-name table of the text cells and the calculator sheets.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace gridlet {

struct RewriteRule {
  std::string_view find;
  std::string_view replace;
};

// Applies the rules in table order. Each rule replaces every occurrence of
// its find text, resuming the search after the inserted replacement, so a
// rule never rewrites its own output while later rules see it. Returns
// whether anything was replaced.
bool ApplyRewrites(std::string& text, std::span<const RewriteRule> table);

}  // namespace gridlet
