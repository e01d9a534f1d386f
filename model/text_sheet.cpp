#include "model/text_sheet.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "model/field_scan.h"
#include "model/fresh_memory.h"
#include "model/helper_thread.h"
#include "model/sheet_changes.h"
#include "model/sheet_data_error.h"
#include "model/tab_text_writer.h"
#include "model/text_memo.h"
#include "model/trace.h"

namespace gridlet {

namespace {
constexpr std::uint8_t CR = '\r';
const ChangeKind kNumberAsText{
    "These numbers lie beyond what a spreadsheet holds as numbers (1E-307 to "
    "9.9999999999999E307) and were kept as texts stating them"};
constexpr std::int32_t kLastPosition = std::numeric_limits<std::int32_t>::max();
// A text of this size or more is read in two parts at once (up to
// kLastPosition bytes, so that no part numbers its cells within range
// where the whole would not).
constexpr std::size_t kReadInParts = std::size_t{4} << 20;

// The start of the row after the first row end at p or after it (a CR,
// with the LF after it), or end when there is none.
const std::uint8_t* NextRowStart(const std::uint8_t* p, const std::uint8_t* end) {
  const auto* next = static_cast<const std::uint8_t*>(std::memchr(p, CR, static_cast<std::size_t>(end - p)));
  if (next == nullptr) return end;
  TakeRowEnd(next, end);
  return next;
}

[[noreturn]] void ThrowBeyondPositions() {
  throw SheetDataError("the text has a cell beyond row or field " + std::to_string(kLastPosition));
}

// A part of a text that one thread reads, from the start of a row to its
// end, or to the row start that another thread sets `stop` to, offering
// to read the rest itself (see ReadInTwoParts): the reader takes the
// offer when it comes to that row start and finds it there; an offer that
// comes late is passed by.
struct TextPart {
  TextPart(const std::uint8_t* from, const std::uint8_t* to) : begin(from), end(to), stop(to), reached(from) {}

  const std::uint8_t* const begin;
  const std::uint8_t* const end;
  std::atomic<const std::uint8_t*> stop;
  std::atomic<const std::uint8_t*> reached;  // the last row start read from
};

// How far the reading of a part went: the number of the row it ended in,
// and where it stopped.
struct PartRead {
  std::int64_t row;
  const std::uint8_t* stoppedAt;
};

// Reads the records of a part into the store.
PartRead ReadRecords(PackedCells& store, TextPart& part, const TextCellKind& kind) {
  const std::uint8_t* p = part.begin;
  const std::uint8_t* const end = part.end;
  // Counted in 64 bits: positions are 32-bit, and a cell beyond them
  // (after gigabytes of row ends or TABs) cannot be numbered. The bytes
  // are read from the start of a row.
  std::int64_t row = 1;
  std::int64_t column = 1;
  std::string changed;
  struct KnownFormula {
    bool inSource;
    std::uint64_t address;
  };
  TextMemo<KnownFormula> formulas;
  FieldStops stops(p, end);
  PackedCells::Filler fill(store);
  const bool tracing = Tracing();
  const std::uint8_t* stopAt = end;
  while (p < stopAt) {
    const std::uint8_t* const field = p;
    const std::string_view text = stops.Field(p);
    const std::int64_t cellColumn = column++;
    const std::int64_t cellRow = row;
    if (TakeRowEnd(p, end)) {
      column = 1;
      ++row;
      part.reached.store(p, std::memory_order_relaxed);
      if (p == part.stop.load(std::memory_order_relaxed)) stopAt = p;
    }
    // Most fields are short numbers, texts and empty ones, mixed: read
    // without a branch between them.
    if (text.size() <= SixteenBytes::kSize && end - field >= static_cast<std::ptrdiff_t>(SixteenBytes::kSize) &&
        !tracing) {
      const int type = ShortFieldType(reinterpret_cast<const char*>(field), text.size());
      if (type >= 0) {
        const bool record = !text.empty();
        if (((cellRow > kLastPosition) | (cellColumn > kLastPosition)) & record) ThrowBeyondPositions();
        fill.AddKept(cellRow, cellColumn, field, static_cast<std::int16_t>(type), record);
        continue;
      }
    }
    if (text.empty()) {
      fill.AddEmpty();
      continue;
    }
    if (cellRow > kLastPosition || cellColumn > kLastPosition) ThrowBeyondPositions();
    Trace("DONE WITH TELLG1");
    // A field that begins with "=" is a formula to both kinds, read from
    // its text alone: a formula met before is not read again, and a
    // rewritten one shares its text with the first.
    const bool formula = text.front() == '=';
    const KnownFormula* known = nullptr;
    if (const std::optional<FieldReading> asItStands =
            ReadFieldAsItStands(text, reinterpret_cast<const char*>(end))) {
      fill.Add(cellRow, cellColumn, field, asItStands->type, text, PackedCells::TextIn::kField);
    } else if (formula && (known = formulas.Find(text)) != nullptr) {
      if (known->inSource) {
        fill.Add(cellRow, cellColumn, field, CELL_FORMULA, text, PackedCells::TextIn::kField);
      } else {
        fill.AddArenaText(cellRow, cellColumn, field, CELL_FORMULA, known->address);
      }
      Trace("TextCell::TranslateToIntermediate4\n");  // as when read afresh
    } else {
      const FieldReading reading = kind.read(text, changed);
      using TextIn = PackedCells::TextIn;
      const std::uint64_t address =
          fill.Add(cellRow, cellColumn, field, reading.type, reading.changed ? std::string_view(changed) : text,
                    reading.changed    ? TextIn::kArena
                    : reading.inQuotes ? TextIn::kQuotes
                                       : TextIn::kField);
      if (formula) formulas.Remember(text, {!reading.changed, address});
    }
    Trace("DONE WITH TELLG11");
  }
  return {row, p};
}

// The rest of a part, from a row start on, read by another thread into a
// store of its own.
struct PartRest {
  std::unique_ptr<PackedCells> store;
  const std::uint8_t* from;
  PartRead read;
};

// Takes over the second half of what another thread has left of its part,
// from a row start on, when that is worth the while: reads it into a
// store of the given arena part.
std::optional<PartRest> TakeOver(TextPart& other, std::uint16_t arenaPart, const TextCellKind& kind) {
  constexpr std::ptrdiff_t kWorthTakingOver = 256 << 10;
  const std::uint8_t* const reached = other.reached.load(std::memory_order_relaxed);
  if (other.end - reached < kWorthTakingOver) return std::nullopt;
  const std::uint8_t* const middle = reached + (other.end - reached) / 2;
  const std::uint8_t* const from = NextRowStart(middle, other.end);
  if (from == other.end) return std::nullopt;
  other.stop.store(from, std::memory_order_relaxed);
  PartRest rest{std::make_unique<PackedCells>(SourceBytes(from, static_cast<std::size_t>(other.end - from), nullptr),
                                              kind.state, arenaPart),
                from, {}};
  TextPart bytes(from, other.end);
  rest.read = ReadRecords(*rest.store, bytes, kind);
  return rest;
}

// Appends to the store the rest of a part that was taken over, when its
// reader took the offer (otherwise it read the whole part, and the rest
// read by the other thread is dropped). `rows` is how many rows the
// store's bytes end, and counts those of the rest.
void AppendRest(PackedCells& store, const PartRead& read, std::optional<PartRest>& taken, std::int64_t& rows) {
  if (!taken || taken->from != read.stoppedAt) return;
  store.Append(std::move(*taken->store), rows);
  rows += taken->read.row - 1;
}

// Reads a text in two parts at once, the second from `split` (a row start)
// on. The thread that ends first takes over the second half of what the
// other has left, so that a thread slowed by other work on the machine
// holds the reading up less.
void ReadInTwoParts(PackedCells& store, const std::uint8_t* split, const TextCellKind& kind) {
  TextPart parts[2]{{store.Begin(), split}, {split, store.End()}};
  // (Its arena is the text's second part; the rests taken over are the
  // third and fourth.)
  PackedCells second(SourceBytes(split, static_cast<std::size_t>(store.End() - split), nullptr), kind.state, 1);
  PackedCells* const stores[2]{&store, &second};
  PartRead reads[2]{};
  std::optional<PartRest> taken[2];
  std::atomic<bool> takingOver{false};
  const auto read = [&](int own) {
    reads[own] = ReadRecords(*stores[own], parts[own], kind);
    const int other = 1 - own;
    if (!takingOver.exchange(true)) taken[other] = TakeOver(parts[other], static_cast<std::uint16_t>(2 + other), kind);
  };
  HelperThread helper([&] { read(1); });
  read(0);
  helper.Join();
  std::int64_t rows = reads[0].row - 1;
  AppendRest(store, reads[0], taken[0], rows);
  store.Append(std::move(second), rows);
  rows += reads[1].row - 1;
  AppendRest(store, reads[1], taken[1], rows);
}

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
  const std::uint8_t* const begin = store->Begin();
  const std::uint8_t* const end = store->End();
  // A large text is read in two parts at once, the second from the start
  // of a row near the middle; traced reading keeps to one thread, so that
  // the traces come in order.
  const std::uint8_t* split = end;
  const auto size = static_cast<std::size_t>(end - begin);
  if (size >= kReadInParts && size < kLastPosition && !Tracing()) {
    split = NextRowStart(begin + size / 2, end);
  }
  if (split == end) {
    TextPart whole(begin, end);
    ReadRecords(*store, whole, kind);
  } else {
    ReadInTwoParts(*store, split, kind);
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
  const std::int16_t origin = GetHeader() ? GetHeader()->origin : ORIGIN_TAB_TEXT;
  const FieldWriting& writing = *CellKind().writing;
  SheetChanges changes;
  const auto numbersAsTexts = [&changes](const std::vector<CellPosition>& cells) {
    for (const CellPosition& cell : cells) changes.Add(kNumberAsText, cell.row, cell.column);
  };
  OutputPieces out(output_, sink_);
  if (const PackedCells* store = cells_->Packed()) {
    if (!sink_) {
      // Fields grow by their quotes: room for that, which costs nothing
      // until it is written.
      output_.reserve(static_cast<std::size_t>(store->End() - store->Begin()) * 3 / 2 + 64);
      AdviseFreshMemory(output_.data(), output_.capacity(), FreshUse::kFilledInTime);
    }
    WritePackedRecords(*store, out, origin, writing, numbersAsTexts);
  } else {
    FieldPlacer placer(out);
    for (const auto& cellPointer : *cells_) {
      auto& cell = static_cast<TextCell&>(*cellPointer);
      cell.TranslateFromIntermediate(origin);
      const IntermediateCell* record = cell.Cell();
      if (record) {
        placer.Place(record->Row, record->Column, record->Type, cell.Text());
      } else {
        placer.Place(placer.PreviousRow(), placer.PreviousColumn() + 1, 2, cell.Text());
      }
      cell.ReleaseText();
    }
    placer.Finish();
    numbersAsTexts(placer.numbersAsTexts);
  }
  outputLength_ = static_cast<std::int32_t>(out.Finish());
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
