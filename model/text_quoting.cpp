#include "model/text_quoting.h"

#include <algorithm>

#include "model/field_scan.h"

namespace gridlet {

namespace {
constexpr char kQuote = '"';

// Where the next quote from i is, or the text's size.
std::size_t NextQuote(std::string_view text, std::size_t i) {
  return static_cast<std::size_t>(FindByte(text.data() + i, text.data() + text.size(), kQuote) - text.data());
}
}  // namespace

std::string QuotePlainText(std::string_view text) {
  std::string out;
  AppendQuotedPlainText(out, text);
  return out;
}

void AppendQuotedPlainText(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size() + 4);
  out += kQuote;
  for (std::size_t i = 0; i < text.size();) {
    // The bytes up to the next quote go over as one piece.
    const std::size_t quote = NextQuote(text, i);
    out.append(text, i, quote - i);
    i = quote;
    if (i == text.size()) break;
    const std::size_t start = i;
    while (i < text.size() && text[i] == kQuote) ++i;
    const std::size_t run = i - start;
    // A run next to an enclosing quote shares it; one inside needs a pair
    // of its own.
    const bool touchesEnd = start == 0 || i == text.size();
    out.append(touchesEnd ? 2 * run : 2 * run + 2, kQuote);
  }
  out += kQuote;
}

std::string UnquotePlainText(std::string_view field) {
  if (field.empty() || field.front() != kQuote) return std::string(field);
  return CollapseQuotes(field, false);
}

bool IsPlainlyQuoted(std::string_view field) {
  if (field.size() < 2 || field.front() != kQuote || field.back() != kQuote) return false;
  const char* const last = field.data() + field.size() - 1;
  return FindByte(field.data() + 1, last, kQuote) == last;
}

std::string QuoteExchangeText(std::string_view text) {
  std::string out;
  AppendQuotedExchangeText(out, text);
  return out;
}

void AppendQuotedExchangeText(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size() + 4);
  out += kQuote;
  for (std::size_t i = 0; i < text.size();) {
    // Up to and with the next quote, which is doubled.
    const std::size_t quote = NextQuote(text, i);
    out.append(text, i, quote - i);
    if (quote < text.size()) out.append(2, kQuote);
    i = quote + 1;
  }
  out += kQuote;
}

std::string UnquoteExchangeText(std::string_view field) {
  if (field.empty() || field.front() != kQuote) return std::string(field);
  std::string out;
  out.reserve(field.size());
  std::size_t i = 1;
  for (; i < field.size(); ++i) {
    if (field[i] != kQuote) {
      out += field[i];
    } else if (i + 1 < field.size() && field[i + 1] == kQuote) {
      out += kQuote;
      ++i;
    } else {
      ++i;  // the closing quote
      break;
    }
  }
  out.append(field.substr(std::min(i, field.size())));
  return out;
}

std::string CollapseQuotes(std::string_view text, bool keepHalf) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t quote = NextQuote(text, i);
    out.append(text, i, quote - i);
    i = quote;
    if (i == text.size()) break;
    std::size_t run = 0;
    while (i < text.size() && text[i] == kQuote) ++run, ++i;
    out.append(keepHalf ? run / 2 : (run - 1) / 2, kQuote);
  }
  return out;
}

}  // namespace gridlet
