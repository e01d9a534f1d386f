#include "encoding/char_escape_translator.h"

#include <optional>
#include <string_view>
#include <utility>

namespace gridlet {
namespace {

// Charset column that op 0 writes into, chosen by the sub-code.
std::optional<std::size_t> UnescapeColumnForSub(std::int32_t sub) {
  switch (sub) {
    case 1: return 0;
    case 2: case 3: return 1;
    case 4: return 2;
    case 5: return 3;
    case 6: return 4;
    case 7: return 5;
    case 10: return 6;
    case 8: case 12: return 7;
    case 11: return 8;
    case 9: case 13: return 9;
    default: return std::nullopt;
  }
}

// Charset column that an escaping op reads from.
std::optional<std::size_t> EscapeColumnForOp(std::int32_t op) {
  switch (op) {
    case 2: case 3: return 1;
    case 4: return 2;
    case 5: return 3;
    case 6: return 4;
    case 7: return 5;
    case 10: return 6;
    case 8: case 12: return 7;
    case 11: return 8;
    case 13: return 9;
    default: return std::nullopt;
  }
}

// The variable name "Y0" has its own spelling in these charsets.
constexpr std::string_view kPlainY0 = "Y0";
constexpr std::string_view kEscapedY0 = "Y_0_";

bool IsPlainAscii(unsigned char byte) { return byte >= 32 && byte <= 126; }

}  // namespace

CharEscapeTranslator::CharEscapeTranslator(const SpecialCharEntry* table, std::size_t count) {
  CharEscapeTranslator::SetTable(table, count, nullptr, nullptr);
}

CharEscapeTranslator::CharEscapeTranslator(std::span<const SpecialCharEntry> table)
    : CharEscapeTranslator(table.data(), table.size()) {}

HRESULT CharEscapeTranslator::SetTable(const SpecialCharEntry* table, std::size_t count,
                                       const SpecialCharEntry** previousTable,
                                       std::size_t* previousCount) {
  if (previousTable != nullptr) *previousTable = table_;
  if (previousCount != nullptr) *previousCount = count_;
  table_ = table;
  // A missing table has no entries, whatever count came with it.
  count_ = table == nullptr ? 0 : count;
  return S_OK;
}

HRESULT CharEscapeTranslator::Translate(std::int32_t op, const std::string& input,
                                        std::int32_t sub, std::string& output) const {
  if (op == 0) {
    const std::optional<std::size_t> column = UnescapeColumnForSub(sub);
    if (!column) return E_NOTIMPL;
    return UnescapeSpecialChars(input, *column, output);
  }
  if (op == 1) {
    if (input == kPlainY0) {
      output = kEscapedY0;
      return S_OK;
    }
    op = 12;
  }
  const std::optional<std::size_t> column = EscapeColumnForOp(op);
  if (!column || sub != 0) return E_NOTIMPL;
  if (op >= 3 && op <= 6 && input == kPlainY0) {
    // These charsets spell the name but report it as not translated.
    output = kEscapedY0;
    return E_NOTIMPL;
  }
  return EscapeSpecialChars(input, *column, output);
}

HRESULT CharEscapeTranslator::PostProcess(std::int32_t, const std::string&, std::int32_t,
                                          std::string&) const {
  return E_NOTIMPL;
}

HRESULT CharEscapeTranslator::TranslateAndPostProcess(std::int32_t op, const std::string& input,
                                                      std::int32_t sub,
                                                      std::string& output) const {
  const HRESULT result = Translate(op, input, sub, output);
  if (result >= 0) PostProcess(op, input, sub, output);
  return result;
}

HRESULT CharEscapeTranslator::TranslateOnly(std::int32_t op, const std::string& input,
                                            std::int32_t sub, std::string& output) const {
  return Translate(op, input, sub, output);
}

HRESULT CharEscapeTranslator::EscapeSpecialChars(const std::string& input, std::size_t column,
                                                 std::string& output) const {
  if (column >= kCharsetColumnCount) return E_INVALIDARG;
  std::string result;
  result.reserve(input.size());
  for (const char ch : input) {
    const auto byte = static_cast<unsigned char>(ch);
    const SpecialCharEntry* match = nullptr;
    if (!IsPlainAscii(byte)) {
      for (const SpecialCharEntry& entry : Entries()) {
        const std::uint32_t code = entry.codes[column];
        // Code 0 marks a character the charset lacks, not the byte 0.
        if (code != 0 && (code & 0xFFu) == byte) {
          match = &entry;
          break;
        }
      }
    }
    if (match != nullptr) {
      result.append(match->name);
    } else {
      result.push_back(ch);
    }
  }
  output = std::move(result);
  return S_OK;
}

HRESULT CharEscapeTranslator::UnescapeSpecialChars(const std::string& input, std::size_t column,
                                                   std::string& output) const {
  if (column >= kCharsetColumnCount) return E_INVALIDARG;
  constexpr std::size_t npos = std::string::npos;
  std::size_t open = input.find('_');
  if (open == npos) {
    output = input;
    return S_OK;
  }
  std::string result(input, 0, open);
  for (;;) {
    const std::size_t close = input.find('_', open + 1);
    if (close == npos) {
      result.append(input, open, npos);
      break;
    }
    const std::string_view candidate =
        std::string_view(input).substr(open, close - open + 1);
    std::uint32_t code = 0;
    for (const SpecialCharEntry& entry : Entries()) {
      if (entry.name == candidate) {
        code = entry.codes[column];
        break;
      }
    }
    if (code == 0) {
      // Not a character of this charset: keep the text; the closing
      // underscore may open the next escape.
      result.append(candidate.substr(0, candidate.size() - 1));
      open = close;
      continue;
    }
    result.push_back(static_cast<char>(code & 0xFFu));
    open = input.find('_', close + 1);
    if (open == npos) {
      result.append(input, close + 1, npos);
      break;
    }
    result.append(input, close + 1, open - close - 1);
  }
  output = std::move(result);
  return S_OK;
}

}  // namespace gridlet
