#include "encoding/line_feed_rows.h"

#include <cstring>

namespace gridlet {

namespace {

// Calls `rowEnd` with the place of each line feed outside a quoted field.
template <class RowEnd>
void ForEachRowEndingLineFeed(std::string_view text, RowEnd rowEnd) {
  bool fieldStart = true;
  bool quotedField = false;  // the field opened with a quote
  bool inQuotes = false;     // ... and its quotes are open here
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\t' || (c == '\n' && !inQuotes)) {
      if (c == '\n') rowEnd(i);
      fieldStart = true;
      quotedField = inQuotes = false;
      continue;
    }
    if (c == '"') {
      if (fieldStart) quotedField = true;
      // Each quote of a quoted field closes or reopens it, so a doubled
      // quote leaves it open.
      if (quotedField) inQuotes = !inQuotes;
    }
    fieldStart = false;
  }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> WithCarriageReturnRowEnds(std::string_view text) {
  if (text.empty() || std::memchr(text.data(), '\n', text.size()) == nullptr ||
      std::memchr(text.data(), '\r', text.size()) != nullptr) {
    return std::nullopt;
  }
  std::size_t rowEnds = 0;
  ForEachRowEndingLineFeed(text, [&rowEnds](std::size_t) { ++rowEnds; });
  if (rowEnds == 0) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() + rowEnds);
  std::size_t from = 0;
  ForEachRowEndingLineFeed(text, [&](std::size_t at) {
    bytes.insert(bytes.end(), text.begin() + from, text.begin() + at);
    bytes.push_back('\r');
    from = at;  // the line feed goes with the next piece
  });
  bytes.insert(bytes.end(), text.begin() + from, text.end());
  return bytes;
}

}  // namespace gridlet
