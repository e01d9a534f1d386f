#include "calc/cell68k.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string_view>

#include "calc/formula_names.h"
#include "calc/formula_rewrites.h"
#include "calc/text68k.h"
#include "encoding/calculator_numbers.h"
#include "encoding/render68k.h"
#include "model/sheet_data_error.h"
#include "model/trace.h"

namespace gridlet {

namespace {

constexpr std::uint8_t kStringTag = 0x2D;
constexpr std::uint8_t kValueField = 11;   // the n of a written formula: n, then 10 bytes
constexpr std::size_t kFixedBytes = 6;     // length, position, type, reference count
constexpr std::size_t kMinRecord = 7;      // the fixed bytes and one payload byte
constexpr std::size_t kMinFormulaRecord = 9;  // n, one value byte, the formula's 0x00
constexpr std::uint8_t kNumberRecord = 16;
constexpr std::uint8_t kTextOverhead = 9;
constexpr std::uint8_t kFormulaOverhead = 18;
constexpr char kQuote = '"';
constexpr char kLineBreak = '\n';
constexpr char kCalcMinus = '\xAD';
constexpr char kCalcExponent = '\x95';

// A value as the renderer takes it: a 2-byte big-endian size, then the
// bytes, the tag last.
std::string AsVariable(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + 2);
  out.push_back(static_cast<char>(bytes.size() >> 8));
  out.push_back(static_cast<char>(bytes.size() & 0xFF));
  out.append(bytes);
  return out;
}

// A string variable: the characters between two zero bytes, then the
// string tag.
std::string AsStringVariable(std::string_view characters) {
  std::string bytes;
  bytes.reserve(characters.size() + 3);
  bytes.push_back('\0');
  bytes.append(characters);
  bytes.push_back('\0');
  bytes.push_back(static_cast<char>(kStringTag));
  return AsVariable(bytes);
}

// The text of a variable built by AsVariable, without its final line break.
std::string Render(const std::string& variable) {
  std::optional<std::string> text =
      RenderVariable68k({}, reinterpret_cast<const std::uint8_t*>(variable.data()),
                        variable.size(), 0, 0);
  if (!text) throw std::bad_alloc();
  if (!text->empty() && text->back() == kLineBreak) text->pop_back();
  return std::move(*text);
}

// The renderer writes a string between double quotes with every quote
// inside doubled; this gives back the string's own characters. A text of
// another shape (damaged data) is kept as it stands.
std::string Unquote(std::string text) {
  if (text.size() < 2 || text.front() != kQuote || text.back() != kQuote) return text;
  std::string out;
  out.reserve(text.size() - 2);
  for (std::size_t i = 1; i + 1 < text.size(); ++i) {
    out.push_back(text[i]);
    if (text[i] == kQuote && i + 2 < text.size() && text[i + 1] == kQuote) ++i;
  }
  return out;
}

// Texts are zero-terminated inside the engine: a NUL byte ends them.
std::string UpToNul(const std::string& text) { return text.substr(0, text.find('\0')); }

std::string RecordAt(std::size_t offset) {
  return "the cell record at offset " + std::to_string(offset) + " of the sheet data";
}

}  // namespace

Cell68k::Cell68k(ByteReader& input) {
  const std::size_t at = input.Position();
  if (input.AtEnd()) {
    throw SheetDataError("the cell list ends at offset " + std::to_string(at) +
                         " of the sheet data without its terminator");
  }
  length_ = input.ReadByte("the length of a cell record");
  if (length_ == 0) return;

  const std::size_t left = input.Size() - input.Position();
  if (length_ - 1u > left) {
    throw SheetDataError(RecordAt(at) + " is " + std::to_string(length_) +
                         " bytes long and runs past the end of the data (" +
                         std::to_string(left + 1) + " bytes left)");
  }
  if (length_ < kMinRecord) {
    throw SheetDataError(RecordAt(at) + " is " + std::to_string(length_) +
                         " bytes long, too short for a cell record (at least " +
                         std::to_string(kMinRecord) + ")");
  }
  std::uint8_t head[3];
  input.ReadExact(head, sizeof head, "the position and type of a cell record");
  position_ = static_cast<std::uint16_t>(head[0] << 8 | head[1]);
  type_ = head[2];

  const std::size_t payload = length_ - kFixedBytes;
  std::string bytes;
  auto read = [&](std::size_t count, std::string_view what) {
    bytes.assign(count, '\0');
    input.ReadExact(reinterpret_cast<std::uint8_t*>(bytes.data()), count, what);
  };
  switch (type_ & 3) {
    case 0:
      read(payload, "the value of a number record");
      text_ = AsVariable(bytes);
      break;
    case 1:
      // The final byte is the string's 0x00, which the string form supplies.
      read(payload, "the characters of a text record");
      text_ = AsStringVariable(std::string_view(bytes).substr(0, payload - 1));
      break;
    default: {
      if (length_ < kMinFormulaRecord) {
        throw SheetDataError(RecordAt(at) + " is " + std::to_string(length_) +
                             " bytes long, too short for a formula record (at least " +
                             std::to_string(kMinFormulaRecord) + ")");
      }
      const std::uint8_t n = input.ReadByte("the value field of a formula record");
      // The field holds n - 1 value bytes (at least the tag) and leaves
      // at least the formula's 0x00.
      if (n < 2 || n > payload - 1) {
        throw SheetDataError("the value field of " + RecordAt(at) + " claims " +
                             std::to_string(n) + " bytes, which do not fit in its record of " +
                             std::to_string(length_) + " bytes");
      }
      read(n - 1u, "the value of a formula record");
      text_ = AsVariable(bytes);
      const std::size_t formulaBytes = payload - n;
      read(formulaBytes, "the formula of a formula record");
      formula_ = AsStringVariable(std::string_view(bytes).substr(0, formulaBytes - 1));
      break;
    }
  }
  std::uint8_t count[2];
  input.ReadExact(count, sizeof count, "the reference count of a cell record");
  referenceCount_ = static_cast<std::uint16_t>(count[0] << 8 | count[1]);
}

void Cell68k::TranslateToIntermediate() {
  if (length_ == 0) return;  // the terminator holds no cell
  IntermediateCell& record = NewCell();
  record.Column = position_ / 1000 + 1;
  record.Row = position_ % 1000;
  record.Type = type_;
  if ((type_ & 3) == 2) record.Type = CELL_FORMULA;

  switch (type_ & 3) {
    case 1: {
      Trace("Mac version changed, remove quote\n");
      // Stored between two quotes; a calculator text in the intermediate
      // form begins with one quote, as the other calculator sheets give it.
      std::string text = Unquote(Render(text_));
      if (text.size() >= 2 && text.front() == kQuote && text.back() == kQuote) {
        text = text.substr(1, text.size() - 2);
      }
      record.Data = kQuote + Text68kCharacters(text);
      break;
    }
    case 2:
    case 3: {
      // The value is for information only: spelt with a plain minus sign
      // and exponent mark so that any reader takes it as a number.
      std::string value = Render(text_);
      std::replace(value.begin(), value.end(), kCalcMinus, '-');
      std::replace(value.begin(), value.end(), kCalcExponent, 'E');
      record.Data = std::move(value);
      std::string formula = Unquote(Render(formula_));
      Sheet68kNamesToIntermediate(formula);
      record.Data2 = std::move(formula);
      break;
    }
    default: {
      std::string text = Render(text_);
      // A number renders with the calculator's minus sign and exponent
      // mark; as a number it is spelt with "-" and "E".
      std::string number = text;
      std::replace(number.begin(), number.end(), kCalcMinus, '-');
      std::replace(number.begin(), number.end(), kCalcExponent, 'E');
      if (IsDecimalNumber(number)) {
        record.Data = std::move(number);
      } else {
        Sheet68kNamesToIntermediate(text);
        // An exact value (1/2, a root, a constant) is kept as a formula.
        record.Type = CELL_FORMULA;
        record.Data.assign(1, '0');
        std::string formula(1, '=');
        formula += text;
        record.Data2 = std::move(formula);
      }
      break;
    }
  }
  ReleasePayload();
}

void Cell68k::TranslateFromIntermediate(std::int16_t origin) {
  length_ = 0;
  changes_.Clear();
  ReleasePayload();
  const IntermediateCell* record = Cell();
  if (!record) return;
  // The sheet writes only rows 0..999 of columns 1..64, whose positions fit.
  position_ = static_cast<std::uint16_t>((std::int64_t{record->Column} - 1) * 1000 + record->Row);
  type_ = static_cast<std::uint8_t>(record->Type & 3);
  if (type_ == 3) type_ = 2;
  switch (type_) {
    case 0: EncodeNumber(record->Data); break;
    case 1: EncodeText(TextCharacters(*record, origin)); break;
    default: EncodeFormula(*record); break;
  }
}

void Cell68k::EncodeNumber(const std::string& data) {
  // A number as the readers give it, rounded to fourteen digits from its
  // decimal digits; anything else is read as far as it is a number.
  std::uint8_t bytes[kFloat68kSize];
  const std::string number = UpToNul(data);
  bool fits = true;
  if (IsDecimalNumber(number)) {
    fits = EncodeFloat68k(*ParseDecimalNumber(number), bytes) == NumberFit::Fits;
  } else {
    EncodeFloat68k(std::strtod(number.c_str(), nullptr), bytes);
  }
  if (!fits) {
    // No float holds it: the cell keeps the number as the text stating it.
    changes_.Add(CellChange::NumberOutOfRange);
    type_ = 1;
    EncodeText(number.size() <= kSheet68kMaxText ? number : ExactScientificForm(number));
    return;
  }
  text_.assign(reinterpret_cast<const char*>(bytes), sizeof bytes);
  length_ = kNumberRecord;
}

void Cell68k::EncodeText(std::string_view characters) {
  const std::string bytes = Text68kBytes(characters, kSheet68kMaxText, changes_);
  text_.reserve(bytes.size() + 3);
  text_.push_back(kQuote);
  text_.append(bytes);
  text_.push_back(kQuote);
  text_.push_back('\0');
  length_ = static_cast<std::uint8_t>(bytes.size() + kTextOverhead);
}

void Cell68k::EncodeFormula(const IntermediateCell& record) {
  std::string formula = UpToNul(record.Data2.value_or(std::string()));
  if (HoldsSheetReference(formula)) {
    changes_.Add(CellChange::SheetReference);
    return;
  }
  ReplaceWindows1252OnlyInFormula(formula, changes_);
  if (changes_.Has(CellChange::FormulaCharacters)) return;
  IntermediateNamesToSheet68k(formula);
  NoteEscapesLeftInFormula(formula, changes_);
  if (changes_.Has(CellChange::FormulaCharacters)) return;
  if (formula.size() > kSheet68kMaxFormula) {
    // Its record length would not fit the length byte, and a cut formula
    // would compute something else: the cell is left out.
    changes_.Add(CellChange::FormulaTooLong);
    return;
  }
  std::uint8_t zero[kFloat68kSize];
  EncodeFloat68k(0.0, zero);
  text_.push_back(static_cast<char>(kValueField));
  text_.append(reinterpret_cast<const char*>(zero), sizeof zero);
  formula_ = formula;
  formula_.push_back('\0');
  formulaLength_ = static_cast<std::int16_t>(formula_.size());
  length_ = static_cast<std::uint8_t>(formula.size() + kFormulaOverhead);
}

ByteBuffer Cell68k::GetOutput() {
  ByteBuffer out;
  out.reserve(length_);
  out.push_back(length_);
  out.push_back(static_cast<std::uint8_t>(position_ >> 8));
  out.push_back(static_cast<std::uint8_t>(position_ & 0xFF));
  out.push_back(type_);
  switch (length_ == 0 ? 0xFF : type_) {
    case 0:
    case 1:
      out.insert(out.end(), text_.begin(), text_.end());
      break;
    case 2:
      out.insert(out.end(), text_.begin(), text_.end());
      out.insert(out.end(), formula_.begin(), formula_.end());
      break;
    default:
      throw std::invalid_argument("Type");
  }
  out.push_back(0);  // the reference count
  out.push_back(0);
  out.resize(length_);
  return out;
}

void Cell68k::ReleasePayload() {
  std::string().swap(text_);
  std::string().swap(formula_);
}

std::string Cell68k::Dump() {
  auto characters = [](const std::string& bytes) { return UpToNul(bytes); };
  std::string out = "Calculator Data\n";
  out += "Offset: " + std::to_string(position_) + "\t\t" + "CellLength: " +
         std::to_string(length_) + "\t\t" + "Type: " + std::to_string(type_) + "\t\t" +
         "Reference count: " + std::to_string(referenceCount_) + "\n";
  out += "Data: " + characters(text_) + "\n";
  out += "Data2: " + characters(formula_) + "\n";
  return out + SpreadsheetCell::Dump();
}

}  // namespace gridlet
