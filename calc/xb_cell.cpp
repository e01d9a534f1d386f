#include "calc/xb_cell.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "calc/formula_rewrites.h"
#include "calc/xb_formula.h"
#include "calc/xb_text.h"
#include "encoding/calculator_numbers.h"
#include "encoding/xb_tokens.h"
#include "model/sheet_data_error.h"

namespace gridlet {

namespace {

constexpr std::uint8_t kFormulaRecordMinimum = XB_NUMBER_RECORD;  // overhead + the value

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

std::string FormulaText(const std::uint8_t* tokens, std::size_t count) {
  std::string text;
  XbTokensToText(tokens, count, text);  // an assembly program gives no text
  XbNamesToIntermediate(text);
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

// The text that states a number beyond the reals' range: as written, or,
// when that is longer than a text record holds, the same value in the
// exponent form with every significant digit ("1E400" for a 1 and 400
// zeros).
std::string OutOfRangeText(const std::string& written) {
  std::string text = written.size() < XB_MAX_PAYLOAD ? written : ExactScientificForm(written);
  UpperCaseAscii(text);
  return text;
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
    // The payload begins with the quote token; the text begins with the
    // calculator's opening quote.
    const std::uint8_t* tokens = Bytes(text_);
    std::size_t count = TextTokenCount(tokens, text_.size());
    if (count > 0 && tokens[0] == XB_QUOTE_TOKEN) ++tokens, --count;
    record.Data = '"' + XbTextCharacters(tokens, count);
  } else {
    record.Data = RealText(text_);
    record.Data2 = FormulaText(Bytes(formula_), formula_.size());
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
  return record && record->Row >= XB_FIRST_ROW && record->Row <= XB_MAX_ROW &&
         record->Column >= 1 && record->Column <= XB_MAX_COLUMN;
}

void XbCell::TranslateFromIntermediate(std::int16_t origin) {
  IntermediateCell* record = Cell();
  if (!record) return;
  const unsigned kind = static_cast<unsigned>(record->Type) & 3u;
  if (kind == 2) throw std::invalid_argument("Type");
  position_ = FitsOnSheet()
                  ? static_cast<std::uint16_t>(record->Column * 1000 + record->Row - 1000)
                  : 0;
  type_ = static_cast<std::uint8_t>(kind);
  changes_.Clear();
  formula_.clear();
  switch (kind) {
    case CELL_NUMBER: EncodeNumber(record->Data); break;
    case CELL_TEXT: EncodeText(TextCharacters(*record, origin)); break;
    default: EncodeFormula(*record); break;
  }
}

void XbCell::EncodeNumber(const std::string& text) {
  // A number as the readers give it, rounded to fourteen digits from its
  // decimal digits; anything else is read as far as it is a number.
  std::array<std::uint8_t, kXbRealSize> real{};
  int last = 0;
  const bool fits = IsDecimalNumber(text)
                        ? EncodeXbReal(*ParseDecimalNumber(text), real.data()) == NumberFit::Fits
                        : TextToXbReal(text.c_str(), real.data(), &last) == S_OK;
  if (fits) {
    text_.assign(real.begin(), real.end());
    tokenLength_ = 0;
    length_ = XB_NUMBER_RECORD;
    return;
  }
  // No real holds it: the cell keeps the number as the text stating it.
  changes_.Add(CellChange::NumberOutOfRange);
  type_ = CELL_TEXT;
  EncodeText(OutOfRangeText(text));
}

void XbCell::EncodeText(std::string_view characters) {
  const std::vector<std::uint8_t> tokens = XbTextTokens(characters, XB_MAX_PAYLOAD - 1, changes_);
  text_.assign(1, static_cast<char>(XB_QUOTE_TOKEN));
  text_.append(tokens.begin(), tokens.end());
  tokenLength_ = static_cast<std::int16_t>(text_.size());
  length_ = static_cast<std::uint8_t>(tokenLength_ + XB_RECORD_OVERHEAD);
}

void XbCell::EncodeFormula(const IntermediateCell& record) {
  // The value is the formula's last result, which the calculator works
  // out again: one beyond the reals' range is written as zero.
  if (!EncodeReal(record.Data, text_)) text_ = ZeroReal();
  std::vector<std::uint8_t> tokens = XbFormulaTokens(record.Data2.value_or(std::string()), changes_);
  if (tokens.size() > XB_MAX_FORMULA) {
    changes_.Add(CellChange::FormulaTooLong);
    tokens.clear();
  }
  tokenLength_ = static_cast<std::int16_t>(tokens.size());
  formula_.assign(tokens.begin(), tokens.end());
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
