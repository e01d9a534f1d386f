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
  const std::uint8_t* const start = p;
  const std::uint8_t* stop = FindFieldStop(p, end);
  const std::uint8_t* textEnd = stop;
  // The text ends at a NUL; the field goes on to its TAB or CR.
  if (stop < end && *stop == 0) stop = FindFieldEnd(stop, end);
  if (stop < end && *stop == TAB) ++stop;
  p = stop;
  return std::string_view(reinterpret_cast<const char*>(start),
                          static_cast<std::size_t>(textEnd - start));
}

void TextCell::TranslateToIntermediate() {
  IntermediateCell& record = NewCell();
  record.Row = row_;
  record.Column = column_;
  if (!text_.empty() && text_[0] == '=') {
    record.Type = CELL_FORMULA;
    record.Data2 = std::move(text_);
    record.Data.clear();  // the value 0, read as an empty text
    // Spreadsheet names become intermediate names on every path, so that
    // reading accepts what writing writes.
    ApplyRewrites(*record.Data2, ExcelNamesToIntermediateTable(), kSpreadsheetFormulaRewrite);
  } else if (IsDecimalNumber(text_)) {
    record.Type = CELL_NUMBER;
    record.Data = std::move(text_);
  } else {
    record.Type = CELL_TEXT;
    // Most texts are not quoted: they move over as they are. A text is
    // kept whole; the formats that hold less say what they cut.
    record.Data = text_.starts_with('"') ? UnquotePlainText(text_) : std::move(text_);
    record.Length = static_cast<std::int32_t>(record.Data.size());
  }
  ReleaseText();
  Trace("TextCell::TranslateToIntermediate4\n");
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

void TextCell::TextFromRecord(std::int16_t origin, std::string (*quote)(std::string_view),
                              bool (*holds)(std::string_view number)) {
  const IntermediateCell* record = Cell();
  if (!record) return;
  row_ = record->Row;
  column_ = record->Column;
  switch (record->Type & 3) {
    case CELL_NUMBER:
      Trace("Code changed in mac version\n");
      // A number stands as written; what no reader would take for one
      // (damaged data) goes out as the text it is.
      text_ = IsDecimalNumber(record->Data) && holds(record->Data) ? record->Data
                                                                     : quote(record->Data);
      break;
    case CELL_TEXT: {
      const std::string_view characters = TextCharacters(*record, origin);
      text_ = characters.find_first_of("\t\r") == std::string_view::npos ? quote(characters)
                                                                         : quote(FieldSafe(characters));
      break;
    }
    case CELL_FORMULA:
      text_ = record->Data2.value_or(std::string());
      IntermediateNamesToExcel();
      break;
    default:  // never produced: an empty field
      text_.clear();
      break;
  }
}

void TextCell::TranslateFromIntermediate(std::int16_t origin) {
  const std::uint8_t state = Cell() ? Cell()->State : 0;
  TextFromRecord(origin, QuotePlainText, [](std::string_view) { return true; });
  if (Cell()) Cell()->State = state;
}

void TextCell::IntermediateNamesToExcel() {
  if (text_.empty()) return;
  if (Cell()) Cell()->State = 2;
  ApplyRewrites(text_, IntermediateNamesToExcelTable(), kSpreadsheetFormulaRewrite);
}

ByteBuffer TextCell::GetOutput() {
  ByteBuffer out(text_.begin(), text_.end());
  out.push_back(TAB);
  return out;
}

std::uint16_t TextCell::GetOutputLength() { return static_cast<std::uint16_t>(text_.size() + 1); }

void ExcelTextCell::TranslateToIntermediate() {
  if (text_.starts_with('"')) {
    // Quoted by the application: a text, even when it looks like a number
    // or begins with "=".
    IntermediateCell& record = NewCell();
    record.Row = Row();
    record.Column = Column();
    record.Type = CELL_TEXT;
    record.Data = UnquoteExchangeText(text_);
    record.Length = static_cast<std::int32_t>(record.Data.size());
    ReleaseText();
  } else {
    TextCell::TranslateToIntermediate();
  }
  Cell()->State = 2;
}

void ExcelTextCell::TranslateFromIntermediate(std::int16_t origin) {
  const std::uint8_t state = Cell() ? Cell()->State : 0;
  TextFromRecord(origin, QuoteExchangeText, WorkbookHoldsNumber);
  if (Cell()) Cell()->State = state;
}

}  // namespace gridlet
