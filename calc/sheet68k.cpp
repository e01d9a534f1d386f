#include "calc/sheet68k.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

#include "calc/record_positions.h"
#include "model/sheet_changes.h"
#include "model/sheet_data_error.h"

namespace gridlet {

namespace {

constexpr std::size_t kLengthField = 2;     // the output length before the data
constexpr std::int32_t kTrailerBytes = 8;   // terminator, and what the device adds after it
constexpr std::uint8_t kPlaceholder = 0x61;
constexpr std::size_t kMaxName = 8;

std::array<std::uint8_t, kSheet68kHeaderSize> Header() {
  std::array<std::uint8_t, kSheet68kHeaderSize> header{};
  auto at = header.begin();
  for (char c : std::string_view("Gridlt")) *at++ = static_cast<std::uint8_t>(c);
  at += 3;     // three 0x00 end the label
  *at++ = 0x00;
  *at++ = 0x01;
  at = std::fill_n(at, 32, std::uint8_t{0x66});
  at = std::fill_n(at, 32, std::uint8_t{0x00});
  at = std::fill_n(at, 64, std::uint8_t{0x14});
  for (std::uint8_t b : {0x01, 0x00, 0x01, 0x00, 0x02}) *at++ = b;  // ..., then d = 2
  return header;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsNameCharacter(char c) { return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_'; }

// What the 68k-class calculators force on a sheet, as the warnings name it.
const ChangeKind kOffSheet{
    "These cells lie beyond the 68k-class sheet, which ends at row 999 and column BL, and were "
    "left out"};
const ChangeKind kTooLarge{"These cells did not fit in the 65300 bytes a 68k-class sheet holds "
                           "and were left out",
                           GRIDLET_E_SHEET_TOO_LARGE};
const ChangeKind kFormulaTooLong{
    "These formulas are longer than the 237 characters a cell of a 68k-class sheet holds and "
    "were left out (cut, they would compute something else)"};
static_assert(kSheet68kMaxFormula == 237 && kSheet68kMaxOutput == 65300);
const ChangeKind kNumberOutOfRange{
    "These numbers lie beyond what the 68k-class calculators hold (1E-999 to "
    "9.9999999999999E999) and were kept as texts stating them"};
const ChangeKind kTextCut{"These texts are longer than the 243 characters a cell of a 68k-class "
                          "sheet holds and were cut"};
static_assert(kSheet68kMaxText == 243);
const ChangeKind kCharactersReplaced{
    "These texts hold characters the 68k-class calculators do not have, which were replaced: "
    "by the nearest they have (\x80 by EUR, curly quotes by straight ones) or \"?\", and the "
    "XB Plus's own characters by their names (_box_)"};
const ChangeKind kFormulaCharacters{
    "These formulas hold characters the 68k-class calculators do not have (\x80, curly quotes, "
    "dashes, the XB Plus's own characters such as _box_), which they would read as other "
    "symbols or names, and were left out"};
const ChangeKind kSheetReference{
    "These formulas refer to cells of other worksheets (Sheet2!A1), which a 68k-class sheet "
    "cannot, and were left out"};
const ChangeKind kFormulaStrings{
    "These formulas hold strings with characters the 68k-class calculators do not have, which "
    "were replaced by the nearest they have (\x80 by EUR, curly quotes by straight ones) or "
    "\"?\", and the XB Plus's own characters by their names (_box_)"};

// The changes a cell's encoding names, in the order the warnings list them.
const CellChangeKind kCellChanges[] = {
    {CellChange::NumberOutOfRange, &kNumberOutOfRange},
    {CellChange::TextCut, &kTextCut},
    {CellChange::CharactersReplaced, &kCharactersReplaced},
    {CellChange::FormulaStrings, &kFormulaStrings},
};

// The changes that leave a cell out, the first of them named.
const CellChangeKind kLeftOut[] = {
    {CellChange::SheetReference, &kSheetReference},
    {CellChange::FormulaCharacters, &kFormulaCharacters},
    {CellChange::FormulaTooLong, &kFormulaTooLong},
};


}  // namespace

Sheet68k::Sheet68k(const std::uint8_t* data, std::size_t length) : SpreadsheetFile(data, length) {
  cells_ = std::make_unique<CellList>();
  ReadCells(length);
  input_.reset();
}

Sheet68k::Sheet68k(SpreadsheetFile& source) : SpreadsheetFile(source) {
  outputLength_ = -1;
  TakeCellsFromSource<Cell68k>();
}

void Sheet68k::ReadCells(std::size_t length) {
  const std::size_t size = input_ ? input_->Size() : 0;
  if (size < kSheet68kHeaderSize) {
    throw SheetDataError("the sheet data is " + std::to_string(size) +
                         " bytes long, shorter than its " +
                         std::to_string(kSheet68kHeaderSize) + "-byte header");
  }
  ByteReader& input = *input_;
  input.Seek(kSheet68kCellOffsetField);
  std::uint8_t field[2];
  input.ReadExact(field, sizeof field, "the cell offset");
  const std::size_t d = static_cast<std::size_t>(field[0] << 8 | field[1]);
  const std::size_t start = kSheet68kCellOffsetField + d;
  if (start >= size) {
    throw SheetDataError("the cell offset " + std::to_string(d) + " points to offset " +
                         std::to_string(start) + ", outside the " + std::to_string(size) +
                         " bytes of sheet data");
  }
  input.Seek(start);
  std::int64_t total = static_cast<std::int64_t>(std::min<std::size_t>(
      length, static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())));
  RecordPositions positions;
  for (;;) {
    auto cell = std::make_unique<Cell68k>(input);
    if (cell->Length() == 0) break;
    total += cell->Length();
    if (!positions.Take(cell->Position(), readChanges_)) continue;
    cell->TranslateToIntermediate();
    cells_->Append(std::move(cell));
  }
  cells_->SortByPosition();
  outputLength_ = static_cast<std::int32_t>(
      std::min<std::int64_t>(total, std::numeric_limits<std::int32_t>::max()));
}

bool Sheet68k::SetName(std::string_view name) {
  std::string normalised(name);
  for (char& c : normalised) {
    if (!IsNameCharacter(c)) c = '_';  // spaces included
  }
  if (normalised.empty()) {
    normalised.assign(1, 'A');
  } else if (!IsAsciiLetter(normalised.front())) {
    normalised.front() = 'A';
  }
  if (normalised.size() > kMaxName) normalised.resize(kMaxName);
  const bool changed = normalised != name;
  name_ = std::move(normalised);
  return changed;
}

void Sheet68k::TranslateToIntermediate() {
  CreateHeader(ORIGIN_SHEET68K);
  readChanges_.Report(messages_);
}

void Sheet68k::TranslateFromIntermediate() {
  // Kept for the record; the name is not part of the data (the device file
  // service names the variable).
  name_ = HeaderName().substr(0, kMaxName);
  outputLength_ = static_cast<std::int32_t>(kSheet68kHeaderSize);
  output_.assign(kLengthField + kSheet68kHeaderSize, kPlaceholder);

  const std::int16_t origin = GetHeader() ? GetHeader()->origin : ORIGIN_TAB_TEXT;
  bool full = false;
  SheetChanges changes;
  for (const auto& cellPointer : *cells_) {
    auto& cell = static_cast<Cell68k&>(*cellPointer);
    const IntermediateCell* record = cell.Cell();
    if (!record) continue;
    if (record->Row < 1 || record->Row > kSheet68kMaxRow || record->Column < 1 ||
        record->Column > kSheet68kMaxColumn) {
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
      continue;
    }
    // The whole sheet must stay within what its length fields can hold.
    if (outputLength_ + cell.Length() > kSheet68kMaxOutput) {
      full = true;
      changes.Add(kTooLarge, record->Row, record->Column);
      cell.ReleasePayload();
      continue;
    }
    AddCellChanges(changes, kCellChanges, cellChanges, record->Row, record->Column);
    const ByteBuffer bytes = cell.GetOutput();
    output_.insert(output_.end(), bytes.begin(), bytes.begin() + cell.Length());
    outputLength_ += cell.Length();
    cell.ReleasePayload();
  }
  changes.Report(messages_);
  outputLength_ += kTrailerBytes;
}

ByteBuffer Sheet68k::GetOutput() {
  if (output_.size() < kLengthField + kSheet68kHeaderSize || outputLength_ < 0) return {};
  ByteBuffer out = output_;
  out[0] = static_cast<std::uint8_t>(outputLength_ & 0xFF);
  out[1] = static_cast<std::uint8_t>((outputLength_ >> 8) & 0xFF);
  const auto header = Header();
  std::copy(header.begin(), header.end(), out.begin() + kLengthField);
  out.push_back(0);  // the terminator
  out.push_back(0);
  return out;
}

}  // namespace gridlet
