#include "calc/xb_sheet.h"

#include <algorithm>
#include <stdexcept>

#include "calc/record_positions.h"
#include "model/sheet_changes.h"
#include "model/sheet_data_error.h"

namespace gridlet {

namespace {

// What the XB Plus forces on a sheet, as the warnings name it.
const ChangeKind kOffSheet{
    "These cells lie beyond the XB Plus sheet, which ends at row 999 and column Z, and were "
    "left out"};
const ChangeKind kTooLarge{"These cells did not fit in the 22527 bytes an XB Plus sheet holds "
                           "and were left out",
                           GRIDLET_E_SHEET_TOO_LARGE};
const ChangeKind kFormulaTooLong{
    "These formulas are longer than the 40 token bytes an XB Plus formula holds and were left "
    "out (cut, they would compute something else)"};
const ChangeKind kUnknownFunction{
    "These formulas call functions the XB Plus does not have, which it would read as products "
    "of variables, and were left out"};
const ChangeKind kFormulaCharacters{
    "These formulas hold characters the XB Plus has no form for (such as &, % or #), which it "
    "would read as \"?\" and compute something else, and were left out"};
const ChangeKind kFormulaStrings{
    "These formulas hold strings with small letters or characters the XB Plus has no form for, "
    "which became capitals, \"?\" or spaces"};
const ChangeKind kAbsoluteReferences{
    "These formulas lost the $ of their absolute references ($A$1 became A1), which the XB Plus "
    "does not have; they refer to the same cells"};
const ChangeKind kSheetReference{
    "These formulas refer to cells of other worksheets (Sheet2!A1), which an XB Plus sheet "
    "cannot, and were left out"};
const ChangeKind kNumberOutOfRange{
    "These numbers lie beyond what an XB Plus holds (1E-99 to 9.9999999999999E99) and were "
    "kept as texts stating them"};
const ChangeKind kTextCut{"These texts are longer than the 39 token bytes an XB Plus text "
                          "holds and were cut"};
const ChangeKind kCharactersReplaced{
    "These texts hold characters the XB Plus has no form for, which were replaced by the "
    "nearest it has (\x80 by EUR, curly quotes by straight ones) or by \"?\""};
const ChangeKind kCapitals{"These texts were put in capitals, as the XB Plus has no small letters"};

// The changes a cell's encoding names, in the order the warnings list them.
const CellChangeKind kCellChanges[] = {
    {CellChange::NumberOutOfRange, &kNumberOutOfRange},
    {CellChange::TextCut, &kTextCut},
    {CellChange::CharactersReplaced, &kCharactersReplaced},
    {CellChange::Capitals, &kCapitals},
    {CellChange::FormulaStrings, &kFormulaStrings},
    {CellChange::AbsoluteReferences, &kAbsoluteReferences},
};

// The changes that leave a cell out, the first of them named.
const CellChangeKind kLeftOut[] = {
    {CellChange::SheetReference, &kSheetReference},
    {CellChange::FormulaCharacters, &kFormulaCharacters},
    {CellChange::FormulaTooLong, &kFormulaTooLong},
    {CellChange::UnknownFunction, &kUnknownFunction},
};

constexpr std::size_t kNameAt = 6;
constexpr std::uint8_t kReserved13Fill = 0xAA;
constexpr std::uint8_t kPlaceholder = 0x61;
// The size field counts the header after itself; the terminator comes last.
constexpr std::int32_t kHeaderAfterSizeField = XB_SHEET_HEADER_SIZE - 2;
constexpr std::int32_t kTerminatorSize = 2;

// A name field's text: up to its first 0x00, at most 8 characters.
std::string FieldName(const std::uint8_t* field, std::size_t size) {
  const std::uint8_t* end = std::find(field, field + size, 0);
  return std::string(field, end);
}

bool IsAsciiUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsAsciiAlnum(char c) {
  return IsAsciiUpper(c) || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

}  // namespace

XbSheet::XbSheet(const std::uint8_t* data, std::size_t length) : SpreadsheetFile(data, length) {
  cells_ = std::make_unique<CellList>();
  if (!input_ || input_->Size() < XB_SHEET_HEADER_SIZE) {
    throw SheetDataError("the XB Plus sheet data of " + std::to_string(data ? length : 0) +
                         " bytes is shorter than its " + std::to_string(XB_SHEET_HEADER_SIZE) +
                         "-byte header");
  }
  ByteReader& input = *input_;
  std::uint8_t size[2];
  input.ReadExact(size, sizeof size, "the data size");
  outputLength_ = size[0] | size[1] << 8;
  input.Seek(kNameAt);
  std::uint8_t name[XB_SHEET_NAME_SIZE];
  input.ReadExact(name, sizeof name, "the sheet name");
  name_ = FieldName(name, sizeof name);
  input.ReadExact(reserved2_.data(), reserved2_.size(), "the reserved fields");
  input.ReadExact(reserved13_.data(), reserved13_.size(), "the reserved fields");

  input.Seek(XB_SHEET_HEADER_SIZE);
  RecordPositions positions;
  try {
    for (;;) {
      auto cell = std::make_unique<XbCell>(input);
      if (cell->Length() == 0) break;
      outputLength_ += cell->Length();
      if (!positions.Take(cell->Position(), readChanges_)) continue;
      cell->TranslateToIntermediate();
      cells_->Append(std::move(cell));
    }
  } catch (...) {
    cells_->DeleteAll();
    throw;
  }
  cells_->SortByPosition();
  input_.reset();
}

XbSheet::XbSheet(SpreadsheetFile& source) : SpreadsheetFile(source) {
  outputLength_ = -1;
  TakeCellsFromSource<XbCell>();
}

void XbSheet::TranslateToIntermediate() {
  CreateHeader(ORIGIN_XB_PLUS);
  readChanges_.Report(messages_);
}

std::string XbSheet::Dump() {
  std::string out;
  if (!cells_) return out;
  for (const auto& cell : *cells_) out += cell->Dump() + "\n";
  return out;
}

bool XbSheet::SetName(std::string_view name) {
  std::array<char, XB_SHEET_NAME_SIZE + 1> buffer{};
  const std::string_view text = name.substr(0, std::min(name.find('\0'), XB_SHEET_NAME_SIZE));
  std::copy(text.begin(), text.end(), buffer.begin());
  for (std::size_t i = 0; i < XB_SHEET_NAME_SIZE; ++i) {
    char& c = buffer[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != '\0' && !IsAsciiAlnum(c)) c = 'A';
  }
  if (!IsAsciiUpper(buffer[0])) buffer[0] = 'A';
  name_ = buffer.data();
  return true;
}

void XbSheet::TranslateFromIntermediate() {
  std::string name = HeaderName();
  name = name.substr(0, std::min(name.find('\0'), XB_SHEET_NAME_SIZE));
  UpperCaseAscii(name);
  name_ = std::move(name);
  reserved13_.fill(kReserved13Fill);
  reserved2_ = {'0', '0'};

  outputLength_ = kHeaderAfterSizeField;
  output_.assign(XB_SHEET_HEADER_SIZE, kPlaceholder);
  const std::int16_t origin = GetHeader() ? GetHeader()->origin : ORIGIN_TAB_TEXT;
  SheetChanges changes;
  bool full = false;
  if (cells_) {
    for (const auto& pointer : *cells_) {
      auto& cell = static_cast<XbCell&>(*pointer);
      const IntermediateCell* record = cell.Cell();
      if (!record) continue;
      if (!cell.FitsOnSheet()) {
        changes.Add(kOffSheet, record->Row, record->Column);
        continue;
      }
      if (full) {
        changes.Add(kTooLarge, record->Row, record->Column);
        continue;
      }
      cell.TranslateFromIntermediate(origin);
      const CellChanges& cellChanges = cell.Changes();
      if (const ChangeKind* leftOut = FirstCellChange(kLeftOut, cellChanges)) {
        changes.Add(*leftOut, record->Row, record->Column);
        cell.ReleaseBytes();
        continue;
      }
      // Only whole cells that fit go out; the calculator holds no more.
      if (outputLength_ + cell.GetOutputLength() > XB_MAX_SHEET_DATA) {
        full = true;
        changes.Add(kTooLarge, record->Row, record->Column);
        cell.ReleaseBytes();
        continue;
      }
      AddCellChanges(changes, kCellChanges, cellChanges, record->Row, record->Column);
      const ByteBuffer bytes = cell.GetOutput();
      const std::uint8_t length = cell.GetOutputLength();
      output_.insert(output_.end(), bytes.begin(), bytes.begin() + length);
      outputLength_ += length;
      cell.ReleaseBytes();
    }
  }
  changes.Report(messages_);
  outputLength_ += kTerminatorSize;
}

ByteBuffer XbSheet::GetOutput() {
  if (output_.size() < XB_SHEET_HEADER_SIZE || outputLength_ < kHeaderAfterSizeField) {
    throw std::logic_error("an XB Plus sheet is output before it is encoded");
  }
  ByteBuffer out(output_);
  auto at = out.begin();
  *at++ = static_cast<std::uint8_t>(outputLength_ & 0xFF);
  *at++ = static_cast<std::uint8_t>(outputLength_ >> 8 & 0xFF);
  for (int i = 0; i < 4; ++i) *at++ = static_cast<std::uint8_t>(XB_SHEET_SIGNATURE >> (8 * i));
  const std::string name = name_.substr(0, std::min(name_.find('\0'), XB_SHEET_NAME_SIZE));
  at = std::copy(name.begin(), name.end(), at);
  if (name.size() < XB_SHEET_NAME_SIZE) {
    *at++ = 0;
    at = std::fill_n(at, XB_SHEET_NAME_SIZE - 1 - name.size(), ' ');
  }
  *at++ = 0;
  *at++ = 0;
  at = std::copy(reserved13_.begin(), reserved13_.end(), at);
  std::fill(at, out.begin() + XB_SHEET_HEADER_SIZE, 0);
  // The terminator at offset output length, then the trailing 0x00.
  out.resize(static_cast<std::size_t>(outputLength_));
  out.insert(out.end(), {0, 0, 0});
  return out;
}

}  // namespace gridlet
