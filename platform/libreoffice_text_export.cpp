#include "platform/libreoffice_text_export.h"

namespace gridlet {

std::string RowEndsToCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  // Quotes appear only in quoted fields, doubled inside them, so toggling
  // at each quote tells inside from outside.
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') quoted = !quoted;
    if (c == '\n' && !quoted && (i == 0 || text[i - 1] != '\r')) out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

}  // namespace gridlet
