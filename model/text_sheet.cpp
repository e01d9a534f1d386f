#include "model/text_sheet.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "model/field_scan.h"
#include "model/fresh_memory.h"
#include "model/sheet_changes.h"
#include "model/sheet_data_error.h"
#include "model/text_memo.h"
#include "model/trace.h"

namespace gridlet {

namespace {
constexpr std::uint8_t CR = '\r';
const ChangeKind kNumberAsText{
    "These numbers lie beyond what a spreadsheet holds as numbers (1E-307 to "
    "9.9999999999999E307) and were kept as texts stating them"};
constexpr std::uint8_t LF = '\n';
constexpr std::uint8_t kRowEnd[] = {'\t', CR, LF};
constexpr std::int32_t kLastPosition = std::numeric_limits<std::int32_t>::max();
// The pieces a streamed output is sent in.
constexpr std::size_t kOutputPiece = std::size_t{1} << 20;
}  // namespace

void TextSheet::TranslateToIntermediate() {
  Trace("\t TTranslateToIntermediate\n");
  Initialise();
  Trace("\t after Initialise\n");
  CreateHeader(ORIGIN_TAB_TEXT);
}

const TextCellKind& TextSheet::CellKind() const {
  static const TextCellKind kind{ReadPlainField, 0, &kPlainFieldWriting, MakePackedCell<TextCell>};
  return kind;
}

const TextCellKind& ExcelTextSheet::CellKind() const {
  static const TextCellKind kind{ReadExchangeField, 2, &kExchangeFieldWriting, MakePackedCell<ExcelTextCell>};
  return kind;
}

void TextSheet::Initialise() {
  cells_ = std::make_unique<CellList>();
  if (!input_) return;
  const TextCellKind& kind = CellKind();
  // The records are read straight from the bytes into a store that keeps
  // the bytes: an empty field takes its column but makes no record.
  auto store = std::make_shared<PackedCells>(input_->Release(), kind.state);
  input_.reset();
  const std::uint8_t* p = store->Begin();
  const std::uint8_t* const end = store->End();
  // Counted in 64 bits: positions are 32-bit, and a cell beyond them
  // (after gigabytes of row ends or TABs) cannot be numbered.
  std::int64_t row = 1;
  std::int64_t column = 1;
  std::string changed;
  struct KnownFormula {
    bool inSource;
    std::uint64_t address;
  };
  TextMemo<KnownFormula> formulas;
  FieldStops stops(p, end);
  while (p < end) {
    const std::uint8_t* const field = p;
    const std::string_view text = stops.Field(p);
    const std::int64_t cellColumn = column++;
    const std::int64_t cellRow = row;
    if (p < end && *p == CR) {
      ++p;
      if (p < end && *p == LF) ++p;
      column = 1;
      ++row;
    }
    if (text.empty()) {
      store->AddEmpty();
      continue;
    }
    if (cellRow > kLastPosition || cellColumn > kLastPosition) {
      throw SheetDataError("the text has a cell beyond row or field " + std::to_string(kLastPosition));
    }
    Trace("DONE WITH TELLG1");
    // A field that begins with "=" is a formula to both kinds, read from
    // its text alone: a formula met before is not read again, and a
    // rewritten one shares its text with the first.
    const bool formula = text.front() == '=';
    const KnownFormula* known = nullptr;
    if (const std::optional<FieldReading> asItStands =
            ReadFieldAsItStands(text, reinterpret_cast<const char*>(end))) {
      store->Add(cellRow, cellColumn, field, asItStands->type, text, true);
    } else if (formula && (known = formulas.Find(text)) != nullptr) {
      if (known->inSource) {
        store->Add(cellRow, cellColumn, field, CELL_FORMULA, text, true);
      } else {
        store->AddArenaText(cellRow, cellColumn, field, CELL_FORMULA, known->address);
      }
      Trace("TextCell::TranslateToIntermediate4\n");  // as when read afresh
    } else {
      const FieldReading reading = kind.read(text, changed);
      const std::uint64_t address = store->Add(cellRow, cellColumn, field, reading.type,
                                               reading.changed ? std::string_view(changed) : text, !reading.changed);
      if (formula) formulas.Remember(text, {!reading.changed, address});
    }
    Trace("DONE WITH TELLG11");
  }
  cells_->HoldPacked(std::move(store), kind.make);
}

std::string TextSheet::Dump() {
  std::string out;
  if (!cells_) return out;
  for (const auto& cell : *cells_) out += cell->Dump() + "\n";
  return out;
}

void TextSheet::TranslateFromIntermediate() {
  // A text sheet's store of records is taken over whole.
  CellList* from = source_ ? source_->GetCellList() : nullptr;
  if (from && from->Packed()) {
    cells_ = std::make_unique<CellList>();
    cells_->HoldPacked(from->GivePacked(), CellKind().make);
  } else {
    BuildCellsFromSource();
  }
  WriteOutput();
}

void TextSheet::WriteOutput() {
  output_.clear();
  std::int32_t previousRow = 1;
  std::int32_t previousColumn = 0;
  const std::int16_t origin = GetHeader() ? GetHeader()->origin : ORIGIN_TAB_TEXT;
  const FieldWriting& writing = *CellKind().writing;
  SheetChanges changes;
  std::size_t streamed = 0;
  // The output's first `used` bytes are written; it grows a piece at a
  // time, within the capacity reserved below.
  std::size_t used = 0;
  const auto flush = [&] {
    if (!sink_ || used == 0) return;
    sink_(output_.data(), used);
    streamed += used;
    used = 0;
  };
  const auto put = [&](const std::uint8_t* text, std::size_t size) {
    if (size == 0) return;  // (an empty text may have no bytes at all)
    if (output_.size() - used < size) output_.resize(used + std::max(size, kOutputPiece));
    std::memcpy(output_.data() + used, text, size);
    used += size;
    if (used >= kOutputPiece) flush();
  };
  // Runs of TABs for the empty fields before a cell, put a run at a time.
  static constexpr std::uint8_t kTabs[] = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
  const auto putTabs = [&](std::int64_t count) {
    for (; count > 0; count -= 16) put(kTabs, static_cast<std::size_t>(std::min<std::int64_t>(count, 16)));
  };
  // Places a cell's field after the row ends and TABs that lead to it.
  const auto place = [&](std::int32_t row, std::int32_t column, std::int16_t type, std::string_view field) {
    if ((type & 3) == CELL_NUMBER && field.starts_with('"')) changes.Add(kNumberAsText, row, column);
    if (row != previousRow) {
      for (std::int32_t i = previousRow; i < row; ++i) put(kRowEnd, sizeof kRowEnd);
      previousColumn = 0;
    }
    putTabs(static_cast<std::int64_t>(column) - previousColumn - 1);
    // The whole text goes out, however long; the cell's 16-bit output
    // length would wrap for texts beyond 65534 bytes.
    put(reinterpret_cast<const std::uint8_t*>(field.data()), field.size());
    put(kTabs, 1);
    previousRow = row;
    previousColumn = column;
  };
  if (const PackedCells* store = cells_->Packed()) {
    if (sink_) {
      output_.reserve(kOutputPiece * 2);
    } else {
      // Fields grow by their quotes: room for that, which costs nothing
      // until it is written.
      output_.reserve(static_cast<std::size_t>(store->End() - store->Begin()) * 3 / 2 + 64);
      AdviseFreshMemory(output_.data(), output_.capacity());
    }
    std::string field;
    TextMemo<std::string> formulaFields;
    store->ForEach([&](const PackedCells::Entry& entry) {
      const bool formula = entry.type == CELL_FORMULA;
      // The same formula is written the same way each time.
      if (const std::string* known = formula ? formulaFields.Find(entry.text) : nullptr) {
        place(entry.row, entry.column, entry.type, *known);
        return;
      }
      // The store's numbers were read as numbers.
      WriteFieldText(field, entry.type, formula ? std::string_view() : entry.text,
                     formula ? entry.text : std::string_view(), origin, writing, true);
      if (formula) formulaFields.Remember(entry.text, field);
      place(entry.row, entry.column, entry.type, field);
    });
  } else {
    for (const auto& cellPointer : *cells_) {
      auto& cell = static_cast<TextCell&>(*cellPointer);
      cell.TranslateFromIntermediate(origin);
      const IntermediateCell* record = cell.Cell();
      if (record) {
        place(record->Row, record->Column, record->Type, cell.Text());
      } else {
        place(previousRow, previousColumn + 1, 2, cell.Text());
      }
      cell.ReleaseText();
    }
  }
  flush();
  output_.resize(used);
  outputLength_ = static_cast<std::int32_t>(streamed + used);
  changes.Report(messages_);
}

ByteBuffer TextSheet::GetOutput() {
  ByteBuffer out;
  out.reserve(output_.size() + 2);
  out.assign(output_.begin(), output_.end());
  out.push_back(0);
  out.push_back(0);
  return out;
}

ByteBuffer TextSheet::TakeOutput() {
  ByteBuffer out = std::move(output_);
  output_.clear();
  return out;
}

}  // namespace gridlet
