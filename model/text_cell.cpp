#include "model/text_cell.h"

#include <algorithm>
#include <optional>

#include "model/decimal_number.h"
#include "model/field_scan.h"
#include "model/slot_pool.h"
#include "model/spreadsheet_text_rewrites.h"
#include "model/text_quoting.h"
#include "model/trace.h"

namespace gridlet {

namespace {

constexpr char TAB = '\t';
// Spreadsheets hold doubles; 1E-307 to 9.9999999999999E307 keep every
// calculator digit.
constexpr std::int64_t kWorkbookMaxExponent = 307;

// A text as a field may hold it: no reader of this system gives a text a
// TAB or a CR, which would end the field; should one come, a TAB is
// spelled as its escape and a CR, or CR LF, as the line break LF.
std::string FieldSafe(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\t') {
      out += "_tab_";
    } else if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += '\n';
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

void* TextCell::operator new(std::size_t size) { return NewPooled<TextCell>(size); }

void TextCell::operator delete(void* cell, std::size_t size) noexcept { DeletePooled<TextCell>(cell, size); }

std::string_view ReadField(const std::uint8_t*& p, const std::uint8_t* end) {
  FieldStops stops(p, end);
  return stops.Field(p);
}

FieldReading ReadPlainField(std::string_view field, std::string& changed) {
  if (const std::optional<FieldReading> asItStands = ReadFieldAsItStands(field)) return *asItStands;
  FieldReading reading{CELL_TEXT, false};
  if (!field.empty() && field[0] == '=') {
    reading.type = CELL_FORMULA;
    // Spreadsheet names become intermediate names on every path, so that
    // reading accepts what writing writes. Most formulas hold none.
    const RewriteIndex& names = ExcelNamesToIntermediateIndex();
    if (const std::uint64_t candidates = names.Candidates(field)) {
      changed.assign(field);
      reading.changed = ApplyRewrites(changed, names, candidates);
    }
  } else if (field.starts_with('"')) {
    // Most texts are not quoted: they move over as they are. A text is
    // kept whole; the formats that hold less say what they cut.
    if (IsPlainlyQuoted(field)) {
      reading.inQuotes = true;
    } else {
      changed = UnquotePlainText(field);
      reading.changed = true;
    }
  }
  Trace("TextCell::TranslateToIntermediate4\n");
  return reading;
}

FieldReading ReadExchangeField(std::string_view field, std::string& changed) {
  // Quoted by the application: a text, even when it looks like a number
  // or begins with "=".
  if (!field.starts_with('"')) return ReadPlainField(field, changed);
  if (IsPlainlyQuoted(field)) return {CELL_TEXT, false, true};
  changed = UnquoteExchangeText(field);
  return {CELL_TEXT, true};
}

void TextCell::RecordFromText(FieldReading reading, std::string& changed, std::uint8_t state) {
  FillTextRecord(NewCell(), row_, column_, reading.type,
                 reading.changed    ? std::move(changed)
                 : reading.inQuotes ? std::string(reading.TextOf(text_))
                                    : std::move(text_),
                 state);
  ReleaseText();
}

void TextCell::TakeRecord(const PackedCells& store, std::size_t i) {
  IntermediateCell& record = NewCell();
  store.FillRecord(i, record);
  SetPosition(record.Row, record.Column);
}

void TextCell::TranslateToIntermediate() {
  std::string changed;
  RecordFromText(ReadPlainField(text_, changed), changed, 0);
}

std::string TextCell::Dump() {
  std::string out = "Text Data\nRow: " + std::to_string(row_) + "\t\tColumn: " +
                    std::to_string(column_) + "\nData: " + text_ + "\n";
  return out + SpreadsheetCell::Dump();
}

bool WorkbookHoldsNumber(std::string_view number) {
  const std::optional<DecimalNumber> value = ParseDecimalNumber(number);
  return value && (value->IsZero() || (value->exponent >= -kWorkbookMaxExponent &&
                                        value->exponent <= kWorkbookMaxExponent));
}

const FieldWriting kPlainFieldWriting{AppendQuotedPlainText, nullptr};
const FieldWriting kExchangeFieldWriting{AppendQuotedExchangeText, WorkbookHoldsNumber};

std::string_view WriteFieldText(std::string& field, std::int16_t type, std::string_view data,
                                std::string_view formula, std::int16_t origin, const FieldWriting& writing,
                                bool readAsNumber) {
  field.clear();
  switch (type & 3) {
    case CELL_NUMBER:
      Trace("Code changed in mac version\n");
      // A number stands as written; what no reader would take for one
      // (damaged data) goes out as the text it is.
      if ((readAsNumber || IsDecimalNumber(data)) && writing.Holds(data)) return data;
      writing.quote(field, data);
      break;
    case CELL_TEXT: {
      const std::string_view characters = TextCharacters(data, origin);
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(characters.data());
      if (FindFieldStop(bytes, bytes + characters.size()) == bytes + characters.size()) {
        writing.quote(field, characters);
      } else {
        writing.quote(field, FieldSafe(characters));
      }
      break;
    }
    case CELL_FORMULA: {
      // Most formulas hold none of the names that writing respells.
      const RewriteIndex& names = IntermediateNamesToExcelIndex();
      const std::uint64_t candidates = names.Candidates(formula);
      if (candidates == 0) return formula;
      field.assign(formula);
      ApplyRewrites(field, names, candidates);
      break;
    }
    default:  // never produced: an empty field
      break;
  }
  return field;
}

void TextCell::TextFromRecord(std::int16_t origin, const FieldWriting& writing) {
  const IntermediateCell* record = Cell();
  if (!record) return;
  row_ = record->Row;
  column_ = record->Column;
  const std::string_view text =
      WriteFieldText(text_, record->Type, record->Data,
                     record->Data2 ? std::string_view(*record->Data2) : std::string_view(), origin, writing);
  if (text.data() != text_.data()) text_.assign(text);
}

void TextCell::TranslateFromIntermediate(std::int16_t origin) {
  const std::uint8_t state = Cell() ? Cell()->State : 0;
  TextFromRecord(origin, kPlainFieldWriting);
  if (Cell()) Cell()->State = state;
}

void TextCell::IntermediateNamesToExcel() {
  if (text_.empty()) return;
  if (Cell()) Cell()->State = 2;
  ApplyRewrites(text_, IntermediateNamesToExcelIndex());
}

ByteBuffer TextCell::GetOutput() {
  ByteBuffer out(text_.begin(), text_.end());
  out.push_back(TAB);
  return out;
}

std::uint16_t TextCell::GetOutputLength() { return static_cast<std::uint16_t>(text_.size() + 1); }

void ExcelTextCell::TranslateToIntermediate() {
  std::string changed;
  RecordFromText(ReadExchangeField(Text(), changed), changed, 2);
}

void ExcelTextCell::TranslateFromIntermediate(std::int16_t origin) {
  const std::uint8_t state = Cell() ? Cell()->State : 0;
  TextFromRecord(origin, kExchangeFieldWriting);
  if (Cell()) Cell()->State = state;
}

}  // namespace gridlet
