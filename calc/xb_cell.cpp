#include "calc/xb_cell.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "calc/formula_rewrites.h"
#include "encoding/calculator_numbers.h"
#include "encoding/xb_tokens.h"
#include "model/sheet_data_error.h"

namespace gridlet {

namespace {

constexpr std::uint8_t kFormulaRecordMinimum = XB_NUMBER_RECORD;  // overhead + the value
constexpr std::uint8_t kTransSubstitute = 0x04;  // stands for "$" in a text's tokens

std::string RecordAt(std::size_t offset) {
  return "the cell record at offset " + std::to_string(offset) + " of the sheet data";
}

// Token bytes of a text up to its end mark: the first 0x00 that is a token
// of its own, not the second byte of a two-byte token such as [A] (5C 00).
std::size_t TextTokenCount(const std::uint8_t* tokens, std::size_t count) {
  std::size_t i = 0;
  while (i < count) {
    if (tokens[i] == 0) return i;
    i += IsXbPrefixByte(tokens[i]) ? 2 : 1;
  }
  return count;
}

const std::uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const std::uint8_t*>(s.data());
}

// The text of the real in the first nine bytes of a payload (missing bytes
// read as zero, which is the value 0).
std::string RealText(const std::string& payload) {
  std::array<std::uint8_t, kXbRealSize> real{};
  std::copy_n(payload.begin(), std::min<std::size_t>(payload.size(), real.size()), real.begin());
  std::string text;
  XbRealToText(real.data(), text);
  return text;
}

std::string TokensText(const std::uint8_t* tokens, std::size_t count, CellText kind) {
  std::string text;
  XbTokensToText(tokens, count, text);  // an assembly program gives no text
  XbNamesToIntermediate(text, kind);
  return text;
}

// Encodes the number text into nine bytes; false when it is out of range.
bool EncodeReal(const std::string& text, std::string& out) {
  std::array<std::uint8_t, kXbRealSize> real{};
  int last = 0;
  if (TextToXbReal(text.c_str(), real.data(), &last) != S_OK) return false;
  out.assign(real.begin(), real.end());
  return true;
}

std::string ZeroReal() {
  std::string out;
  EncodeReal("0", out);
  return out;
}

// The whole text as a plain decimal number (sign, digits, point, exponent),
// or nothing when anything else is left over.
std::optional<double> WholeNumber(const std::string& text) {
  std::size_t start = 0;
  if (start < text.size() && text[start] == '+') ++start;
  const std::size_t digitsAt = start < text.size() && text[start] == '-' ? start + 1 : start;
  if (digitsAt >= text.size() ||
      !(std::isdigit(static_cast<unsigned char>(text[digitsAt])) || text[digitsAt] == '.')) {
    return std::nullopt;  // also keeps out "INF" and "NAN"
  }
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data() + start, end, value);
  if (error != std::errc() || ptr != end) return std::nullopt;
  return value;
}

// A number too large for a real, spelled compactly so that it survives
// the cut of a text record ("1E+100").
std::string LargeNumberText(const std::string& data) {
  std::string trimmed = data;
  const std::size_t first = trimmed.find_first_not_of(" \t");
  trimmed.erase(0, first == std::string::npos ? trimmed.size() : first);
  double value = 0;
  const char* begin = trimmed.data() + (trimmed.starts_with('+') ? 1 : 0);
  const auto [ptr, error] = std::from_chars(begin, trimmed.data() + trimmed.size(), value);
  if (error != std::errc() || !std::isfinite(value)) return data;
  char buffer[32];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value,
                                     std::chars_format::general, 14);
  std::string text(buffer, written.ptr);
  UpperCaseAscii(text);
  return text;
}

void Trim(std::string& text, char c) {
  const std::size_t first = text.find_first_not_of(c);
  if (first == std::string::npos) {
    text.clear();
    return;
  }
  text.erase(text.find_last_not_of(c) + 1);
  text.erase(0, first);
}

}  // namespace

void UpperCaseAscii(std::string& text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
}

XbCell::XbCell(ByteReader& input) {
  const std::size_t offset = input.Position();
  if (input.AtEnd()) {
    throw SheetDataError("the cell records end at offset " + std::to_string(offset) +
                         " of the sheet data without their terminator");
  }
  length_ = input.ReadByte("the length of a cell record");
  if (length_ == 0) return;

  const std::size_t left = input.Size() - offset;
  // The texts of the errors are only built when one is raised.
  const auto L = [this] { return std::to_string(length_); };
  if (length_ < XB_RECORD_OVERHEAD) {
    throw SheetDataError(RecordAt(offset) + " has the length " + L() +
                         ", less than the 8 bytes of any record");
  }
  if (length_ > left) {
    throw SheetDataError(RecordAt(offset) + " has the length " + L() +
                         " and runs past the end of the data (" + std::to_string(left) +
                         " bytes left)");
  }
  std::uint8_t position[2];
  input.ReadExact(position, 2, "the position of a cell record");
  position_ = static_cast<std::uint16_t>(position[0] << 8 | position[1]);
  type_ = input.ReadByte("the type of a cell record");

  const auto readExact = [&](std::uint8_t* out, std::size_t n) {
    if (!input.Read(out, n)) input.ReadExact(out, n, RecordAt(offset));
  };
  const auto readInto = [&](std::string& out, std::size_t n) {
    out.resize(n);
    readExact(reinterpret_cast<std::uint8_t*>(out.data()), n);
  };
  const unsigned kind = type_ & 3u;
  if ((kind == 3 || kind == 0) && length_ < kFormulaRecordMinimum) {
    throw SheetDataError(RecordAt(offset) + " has the length " + L() + ", but a " +
                         (kind == 3 ? "formula" : "number") + " record needs at least " +
                         std::to_string(kFormulaRecordMinimum) + " bytes");
  }
  if (kind == 3) {
    readInto(text_, kXbRealSize);
    readInto(formula_, length_ - kFormulaRecordMinimum);
  } else {
    readInto(text_, length_ - XB_RECORD_OVERHEAD);
  }
  readExact(referenceCount_.data(), referenceCount_.size());
}

void XbCell::TranslateToIntermediate() {
  const unsigned kind = type_ & 3u;
  if (kind == 2) throw std::invalid_argument("Type");
  IntermediateCell& record = NewCell();
  record.Column = position_ / 1000 + 1;
  record.Row = position_ % 1000;
  record.Type = type_;
  if (kind == CELL_NUMBER) {
    record.Data = RealText(text_);
  } else if (kind == CELL_TEXT) {
    record.Data =
        TokensText(Bytes(text_), TextTokenCount(Bytes(text_), text_.size()), CellText::Text);
  } else {
    record.Data = RealText(text_);
    record.Data2 = TokensText(Bytes(formula_), formula_.size(), CellText::Formula);
  }
  ReleaseBytes();
  referenceCount_.fill(0);
}

void XbCell::ReleaseBytes() {
  std::string().swap(text_);
  std::string().swap(formula_);
}

bool XbCell::FitsOnSheet() const {
  const IntermediateCell* record = Cell();
  return record && record->Row >= 0 && record->Row <= XB_MAX_ROW && record->Column >= 1 &&
         record->Column <= XB_MAX_COLUMN;
}

void XbCell::TranslateFromIntermediate() {
  IntermediateCell* record = Cell();
  if (!record) return;
  const unsigned kind = static_cast<unsigned>(record->Type) & 3u;
  if (kind == 2) throw std::invalid_argument("Type");
  position_ = FitsOnSheet()
                  ? static_cast<std::uint16_t>(record->Column * 1000 + record->Row - 1000)
                  : 0;
  type_ = static_cast<std::uint8_t>(kind);
  numberOutOfRange_ = false;
  unknownFunction_ = false;
  formula_.clear();
  switch (kind) {
    case CELL_NUMBER: EncodeNumber(record->Data); break;
    case CELL_TEXT: EncodeText(*record); break;
    default: EncodeFormula(*record); break;
  }
}

void XbCell::EncodeNumber(const std::string& text) {
  if (EncodeReal(text, text_)) {
    tokenLength_ = 0;
    length_ = XB_NUMBER_RECORD;
    return;
  }
  // No real holds it: keep the number as a text cell rather than lose it.
  numberOutOfRange_ = true;
  type_ = CELL_TEXT;
  EncodeTokens(LargeNumberText(text));
}

void XbCell::EncodeText(IntermediateCell& record) {
  UpperCaseAscii(record.Data);
  const std::string upper = record.Data;
  std::string text = upper;
  if (std::erase(text, '$') != 0) {
    // A currency amount such as $12 goes out as the number it states.
    Trim(text, ' ');
    const std::optional<double> value = WholeNumber(text);
    if (value && std::trunc(*value) != 0 && EncodeReal(text, text_)) {
      type_ = CELL_NUMBER;
      tokenLength_ = 0;
      length_ = XB_NUMBER_RECORD;
      record.Type = CELL_TEXT;
      return;
    }
    text = upper;
    std::replace(text.begin(), text.end(), '$', static_cast<char>(kTransSubstitute));
  }
  // A text read from a calculator sheet begins with the calculator's
  // opening quote; the quote token written first stands for it.
  if (text.starts_with('"')) text.erase(0, 1);
  IntermediateNamesToXb(text, CellText::Text);
  EncodeTokens(text);
}

void XbCell::EncodeTokens(const std::string& text) {
  std::array<std::uint8_t, XB_MAX_PAYLOAD> payload{};
  payload[0] = XB_QUOTE_TOKEN;
  const std::size_t count = XbTextToTokens(payload.data() + 1, payload.size() - 1, text);
  tokenLength_ = static_cast<std::int16_t>(1 + count);
  text_.assign(payload.begin(), payload.begin() + tokenLength_);
  length_ = static_cast<std::uint8_t>(tokenLength_ + XB_RECORD_OVERHEAD);
}

void XbCell::EncodeFormula(IntermediateCell& record) {
  if (!EncodeReal(record.Data, text_)) {
    // The calculator works the value out again; the sheet reports it.
    numberOutOfRange_ = true;
    text_ = ZeroReal();
  }
  std::string formula = record.Data2.value_or(std::string());
  IntermediateNamesToXb(formula, CellText::Formula);
  std::array<std::uint8_t, XB_MAX_FORMULA> tokens{};
  const std::size_t count = XbTextToTokens(tokens.data(), tokens.size(), formula);
  unknownFunction_ = XbLettersBeforeParenthesis(tokens.data(), count);
  tokenLength_ = static_cast<std::int16_t>(count);
  formula_.assign(tokens.begin(), tokens.begin() + tokenLength_);
  length_ = static_cast<std::uint8_t>(XB_NUMBER_RECORD + tokenLength_);
}

ByteBuffer XbCell::GetOutput() {
  ByteBuffer out;
  out.reserve(4u + text_.size() + formula_.size() + referenceCount_.size() + 2u);
  out.push_back(length_);
  out.push_back(static_cast<std::uint8_t>(position_ >> 8));
  out.push_back(static_cast<std::uint8_t>(position_ & 0xFF));
  out.push_back(type_);
  out.insert(out.end(), text_.begin(), text_.end());
  out.insert(out.end(), formula_.begin(), formula_.end());
  out.insert(out.end(), referenceCount_.size(), 0);
  length_ = static_cast<std::uint8_t>(out.size());
  out.insert(out.end(), 2, 0);  // spare bytes
  return out;
}

std::string XbCell::Dump() {
  // Byte fields are shown as characters, up to their first NUL.
  const auto chars = [](const std::string& bytes) { return std::string(bytes.c_str()); };
  const std::string references(referenceCount_.begin(), referenceCount_.end());
  std::string out = "Calculator Data\n";
  out += "Offset: " + std::to_string(position_) + "\t\t" + "Length: " + std::to_string(length_) +
         "\t\t" + "Type: " + std::to_string(type_) + "\t\t" +
         "Reference count: " + chars(references) + "\n";
  out += "Data: " + chars(text_) + "\n";
  out += "Data2: " + chars(formula_) + "\n";
  return out + SpreadsheetCell::Dump();
}

}  // namespace gridlet
