// How texts are quoted in tab text, so that every reader gives them back
// and a spreadsheet opening the file keeps every cell in its column.
//
// Plain tab text (".txt") is read with the quote-collapsing rule: in a field
// that begins with a double quote, each run of n quotes becomes (n - 1) / 2
// of them. The writer encloses a text in quotes and writes a run of k
// quotes of the text as 2k quotes next to an enclosing quote and as 2k + 2
// quotes inside, which the rule turns back into k; a spreadsheet reading
// the field as quoted stays inside the quotes up to the closing one.
//
// The text exchanged with the spreadsheet application is quoted as the
// application writes and reads it: enclosed in quotes, each quote doubled.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace gridlet {

// A text as a field of plain tab text.
std::string QuotePlainText(std::string_view text);
void AppendQuotedPlainText(std::string& out, std::string_view text);
// The text of a plain tab-text field: a field that begins with a quote has
// its quote runs collapsed; any other field is its text as it stands.
std::string UnquotePlainText(std::string_view field);

// Whether a field is a text enclosed in quotes with none inside: both
// kinds of tab text read it as the bytes between them.
bool IsPlainlyQuoted(std::string_view field);
// The text of a field read as it stands: the bytes between its quotes when
// it is plainly quoted (inQuotes), otherwise the whole field. Without a
// branch: which it is follows no pattern in most sheets.
inline std::string_view TextOfField(std::string_view field, bool inQuotes) {
  const std::size_t quote = inQuotes ? 1 : 0;
  return field.substr(quote, field.size() - 2 * quote);
}

// A text as a field of the spreadsheet exchange.
std::string QuoteExchangeText(std::string_view text);
void AppendQuotedExchangeText(std::string& out, std::string_view text);
// The text of an exchange field that begins with a quote: up to the
// closing quote with "" read as one quote, then whatever follows it.
std::string UnquoteExchangeText(std::string_view field);

// Quote runs of n double quotes become (n - 1) / 2 of them (plain text
// fields) or n / 2 (keepHalf).
std::string CollapseQuotes(std::string_view text, bool keepHalf);

}  // namespace gridlet
