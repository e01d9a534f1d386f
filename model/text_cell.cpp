#include "model/text_cell.h"

#include <algorithm>
#include <array>

#include "model/field_scan.h"
#include "model/slot_pool.h"
#include "model/spreadsheet_text_rewrites.h"
#include "model/trace.h"

namespace gridlet {

namespace {
constexpr char TAB = '\t';
constexpr const char* NUMBER_CHARACTERS = "0123456789.-";
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

std::string CollapseQuotes(const std::string& text, bool keepHalf) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != '"') {
      out.push_back(text[i++]);
      continue;
    }
    std::size_t run = 0;
    while (i < text.size() && text[i] == '"') ++run, ++i;
    out.append(keepHalf ? run / 2 : (run - 1) / 2, '"');
  }
  return out;
}

bool IsNumberText(const std::string& text) {
  static constexpr std::array<bool, 256> kNumberCharacter = [] {
    std::array<bool, 256> table{};
    for (const char* c = NUMBER_CHARACTERS; *c; ++c) table[static_cast<unsigned char>(*c)] = true;
    return table;
  }();
  for (const char c : text) {
    if (!kNumberCharacter[static_cast<unsigned char>(c)]) return false;
  }
  return true;
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
  } else if (IsNumberText(text_)) {
    record.Type = CELL_NUMBER;
    record.Data = std::move(text_);
  } else {
    record.Type = CELL_TEXT;
    // Most texts hold no quote: they move over as they are.
    std::string collapsed =
        text_.find('"') == std::string::npos ? std::move(text_) : CollapseQuotes(text_, false);
    record.Length = static_cast<std::int32_t>(collapsed.size());
    if (collapsed.size() > MAX_TEXT_CELL_LENGTH) collapsed.resize(MAX_TEXT_CELL_LENGTH);
    record.Data = std::move(collapsed);
  }
  ReleaseText();
  Trace("TextCell::TranslateToIntermediate4\n");
}

std::string TextCell::Dump() {
  std::string out = "Text Data\nRow: " + std::to_string(row_) + "\t\tColumn: " +
                    std::to_string(column_) + "\nData: " + text_ + "\n";
  return out + SpreadsheetCell::Dump();
}

void TextCell::TextFromRecord() {
  const IntermediateCell* record = Cell();
  if (!record) return;
  row_ = record->Row;
  column_ = record->Column;
  switch (record->Type & 3) {
    case CELL_NUMBER:
      Trace("Code changed in mac version\n");
      text_ = record->Data;
      break;
    case CELL_TEXT:
      // Texts go out enclosed in a pair of double quotes. A text from a
      // calculator brings its opening quote along; one read from tab text
      // or a workbook lost its quotes on the way in and gets both (a
      // closing quote alone would stay in the text when it is read again).
      text_.clear();
      if (!record->Data.starts_with('"')) text_ += '"';
      text_ += record->Data;
      text_ += '"';
      break;
    case CELL_FORMULA:
      text_ = record->Data2.value_or(std::string());
      IntermediateNamesToExcel();
      break;
    default:  // never produced: an empty field
      text_.clear();
      break;
  }
}

void TextCell::TranslateFromIntermediate() {
  const std::uint8_t state = Cell() ? Cell()->State : 0;
  TextFromRecord();
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
  // The spreadsheet quotes a formula that holds a quote, doubling the
  // quotes inside: the formula is the field unquoted.
  if (text_.size() >= 2 && text_[1] == '=' && text_.front() == '"' && text_.back() == '"') {
    text_ = CollapseQuotes(text_.substr(1, text_.size() - 2), true);
  }
  TextCell::TranslateToIntermediate();
  IntermediateCell& record = *Cell();
  if (record.Type == CELL_TEXT || record.Type == CELL_FORMULA) {
    record.Data = CollapseQuotes(record.Data, true);
    record.Length = static_cast<std::int32_t>(record.Data.size());
  }
  record.State = 2;
}

void ExcelTextCell::TranslateFromIntermediate() {
  const std::uint8_t state = Cell() ? Cell()->State : 0;
  TextFromRecord();
  if (Cell()) Cell()->State = state;
}

}  // namespace gridlet
