#include "model/tab_text_writer.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>

#include "model/fresh_memory.h"
#include "model/helper_thread.h"
#include "model/text_memo.h"
#include "model/trace.h"

namespace gridlet {

namespace {

// Two threads write a store of this many records or more, a stretch of
// kStretch records at a time.
constexpr std::size_t kStretch = std::size_t{1} << 15;
constexpr std::size_t kWriteInTurns = 4 * kStretch;
// Stretches may be written this far ahead of the one put into the output.
constexpr std::size_t kTurns = 4;
// The most room a stretch's buffer is given before it is written.
constexpr std::size_t kMostRoomAtFirst = std::size_t{4} << 20;

// A record's sort: its type and where its text is, as a number below 16.
constexpr unsigned SortOf(int type, PackedCells::TextIn where) {
  return static_cast<unsigned>(type * 4 + static_cast<int>(where));
}
// The sort of record placed between quotes, as a bit.
constexpr std::uint32_t kQuotedSorts = 1u << SortOf(CELL_TEXT, PackedCells::TextIn::kField);

// Writes each record of a store as its field.
class PackedFieldWriter {
 public:
  PackedFieldWriter(const PackedCells& store, std::int16_t origin, const FieldWriting& writing)
      : readable_(reinterpret_cast<const char*>(store.End())),
        keepsQuotes_(!TextsCarryOpeningQuote(origin)),
        shortSorts_(ShortSorts(keepsQuotes_, writing.holds == nullptr)),
        origin_(origin),
        writing_(writing) {}

  // Most fields go out as they came, or as their text within quotes: those
  // are placed straight from the store's bytes, on one decision for each
  // (see PlaceNear); Write places the others.
  void Write(const PackedCells::Entry& entry, FieldPlacer& placer) {
    using TextIn = PackedCells::TextIn;
    const std::string_view text = entry.text;
    switch (SortOf(entry.type, entry.where)) {
      case SortOf(CELL_NUMBER, TextIn::kField):
        // Read as a number: it goes out as it came when the writing holds
        // it (traced as writing any number is).
        if (!writing_.Holds(text)) break;
        Trace("Code changed in mac version\n");
        return placer.PlaceReadable(entry.row, entry.column, text, readable_);
      case SortOf(CELL_TEXT, TextIn::kQuotes):
        // Enclosed in quotes, without quotes of its own: either writing
        // makes of it the field it was read from. (A calculator's text
        // would first lose its opening quote.)
        if (!keepsQuotes_) break;
        return placer.PlaceReadable(entry.row, entry.column, std::string_view(text.data() - 1, text.size() + 2),
                                    readable_);
      case SortOf(CELL_TEXT, TextIn::kField):
        // A field's own text holds no TAB, CR or NUL (it ends at them); one
        // without quotes either writing encloses in quotes as it stands.
        if (!keepsQuotes_ || FindByte(text.data(), text.data() + text.size(), '"') != text.data() + text.size()) break;
        return placer.PlaceQuoted(entry.row, entry.column, text, readable_);
      case SortOf(CELL_FORMULA, TextIn::kField):
      case SortOf(CELL_FORMULA, TextIn::kArena): {
        // The same formula is written the same way each time.
        const WrittenFormula* written = formulaFields_.Find(text);
        if (written == nullptr) written = &WriteFormula(text);
        if (!written->asItStands) {
          return placer.PlaceReadable(entry.row, entry.column, written->field,
                                      written->field.data() + written->field.capacity());
        }
        const bool inBytes = entry.where == TextIn::kField;
        return placer.PlaceReadable(entry.row, entry.column, text, inBytes ? readable_ : text.data() + text.size());
      }
      default:
        break;
    }
    // The store's numbers were read as numbers.
    const std::string_view field =
        WriteFieldText(scratch_, entry.type, text, std::string_view(), origin_, writing_, true);
    placer.Place(entry.row, entry.column, entry.type, field);
  }

  // Places a record's field, as it stands in the store's bytes (with its
  // quotes when it came within them), after the given separators, when it
  // is short and of one of the sorts that ShortSorts gives; returns
  // whether it did. Those are mixed in any order, and a branch on the sort
  // would often go the wrong way: it is worked out without one.
  [[gnu::always_inline]] bool PlaceNear(std::int16_t type, PackedCells::TextIn where, std::string_view field,
                                        std::uint64_t rowEnds, std::uint64_t emptyFields, FieldPlacer& placer) {
    const unsigned sort = SortOf(type & 3, where);
    const bool placed = ((shortSorts_ >> sort) & 1) != 0;
    const bool quote = ((kQuotedSorts >> sort) & 1) != 0;
    const std::size_t size = field.size();
    const bool readable = readable_ - field.data() >= static_cast<std::ptrdiff_t>(SixteenBytes::kSize);
    if (!placed | (size > SixteenBytes::kSize) | !readable) return false;
    const SixteenBytes bytes(field.data());
    if (quote & bytes.QuoteAmongFirst(size)) return false;
    placer.PlaceShortAfter(rowEnds, emptyFields, bytes, size, quote);
    return true;
  }

 private:
  // How a formula is written: as it stands (most are), or as `field`.
  struct WrittenFormula {
    bool asItStands = false;
    std::string field;
  };

  // Writes a formula not met before, and remembers how.
  const WrittenFormula& WriteFormula(std::string_view text) {
    WrittenFormula& written = formulaFields_.Renew(text);
    const std::string_view made = WriteFieldText(scratch_, CELL_FORMULA, std::string_view(), text, origin_, writing_);
    written.asItStands = made.data() == text.data();
    if (!written.asItStands) {
      // With room to be read beyond its end by a move of fixed size (the
      // slot's string from an earlier formula mostly has it).
      written.field.reserve(made.size() + SixteenBytes::kSize);
      written.field.assign(made);
    }
    return written;
  }

  // The sorts of record that PlaceNear places, as bits: a number as it
  // came (when every number goes so, and none is traced); a text without
  // quotes of its own between quotes (kQuotedSorts); a text that came
  // between quotes as it came, with them.
  static std::uint32_t ShortSorts(bool keepsQuotes, bool numbersAsRead) {
    using TextIn = PackedCells::TextIn;
    std::uint32_t sorts = 0;
    if (numbersAsRead && !Tracing()) sorts |= 1u << SortOf(CELL_NUMBER, TextIn::kField);
    if (keepsQuotes) sorts |= kQuotedSorts | 1u << SortOf(CELL_TEXT, TextIn::kQuotes);
    return sorts;
  }

  const char* readable_;  // the end of the store's bytes
  bool keepsQuotes_;      // texts of the origin carry no opening quote
  std::uint32_t shortSorts_;  // see ShortSorts
  std::int16_t origin_;
  const FieldWriting& writing_;
  std::string scratch_;
  TextMemo<WrittenFormula> formulaFields_;
};

// Writes records first to last - 1 of the store.
void WriteRecords(const PackedCells& store, std::size_t first, std::size_t last, OutputPieces& out,
                  PackedFieldWriter& writer, std::vector<CellPosition>& numbersAsTexts) {
  FieldPlacer placer(out);
  struct Placing {
    PackedFieldWriter& writer;
    FieldPlacer& placer;
    [[gnu::always_inline]] bool Near(std::int16_t type, PackedCells::TextIn where, std::string_view field,
                                     std::uint64_t rowEnds, std::uint64_t emptyFields) {
      return writer.PlaceNear(type, where, field, rowEnds, emptyFields, placer);
    }
    // (The separators put, the placer goes on as after the field before.)
    void Far(const PackedCells::Entry& entry, std::uint64_t rowEnds, std::uint64_t emptyFields) {
      placer.PutSeparators(rowEnds, emptyFields);
      placer.After(entry.row, entry.column - 1);
      writer.Write(entry, placer);
    }
  } placing{writer, placer};
  store.WalkForWriting(first, last, placing);
  placer.Finish();
  numbersAsTexts.swap(placer.numbersAsTexts);
}

// Writes a large store by two threads. Both take the next stretch of
// records in turn and write it into a buffer of its own (kTurns of them go
// round); the caller also puts each written stretch, in order, into the
// output, and frees its buffer. Whichever thread is quicker writes more.
// Returns false when no second thread could be started.
bool WriteInTurns(const PackedCells& store, OutputPieces& out, std::int16_t origin, const FieldWriting& writing,
                  const std::function<void(const std::vector<CellPosition>&)>& numbersAsTexts) {
  const std::size_t size = store.Size();
  const std::size_t stretches = (size + kStretch - 1) / kStretch;
  struct Turn {
    ByteBuffer buffer;  // its first `size` bytes
    std::size_t size = 0;
    std::vector<CellPosition> numbersAsTexts;
    bool written = false;
  };
  std::array<Turn, kTurns> turns;
  // Each buffer starts with room for a stretch as large as the store's
  // records make likely, and a quarter more (up to a few megabytes): grown
  // from small, the first stretches would copy, and touch afresh, about
  // twice their bytes. That room is about to be filled.
  const auto perRecord = static_cast<std::size_t>(store.End() - store.Begin()) / size + 1;
  for (Turn& turn : turns) {
    turn.buffer.reserve(std::min(kStretch * perRecord * 5 / 4, kMostRoomAtFirst));
    AdviseFreshMemory(turn.buffer.data(), turn.buffer.capacity(), FreshUse::kFilledWhole);
  }
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t taken = 0;   // stretches taken by a thread
  std::size_t put = 0;     // stretches put into the output
  bool stopped = false;    // by the caller, leaving early
  bool failed = false;     // the helper's work threw
  // Stretch s goes to buffer s % kTurns, free once stretch s - kTurns is put.
  const auto takeable = [&] { return taken < stretches && taken < put + kTurns; };
  const auto write = [&](PackedFieldWriter& writer, std::size_t s) {
    Turn& turn = turns[s % kTurns];
    // Kept whole in the buffer, which keeps its size from turn to turn.
    const OutputPieces::Sink kept;
    OutputPieces bytes(turn.buffer, kept);
    WriteRecords(store, s * kStretch, std::min(size, (s + 1) * kStretch), bytes, writer, turn.numbersAsTexts);
    turn.size = bytes.Kept();
    {
      std::lock_guard lock(mutex);
      turn.written = true;
    }
    changed.notify_all();
  };
  HelperThread helper([&] {
    try {
      PackedFieldWriter writer(store, origin, writing);
      for (;;) {
        std::size_t s;
        {
          std::unique_lock lock(mutex);
          changed.wait(lock, [&] { return stopped || taken == stretches || takeable(); });
          if (stopped || taken == stretches) return;
          s = taken++;
        }
        write(writer, s);
      }
    } catch (...) {
      {
        std::lock_guard lock(mutex);
        failed = true;
      }
      changed.notify_all();
      throw;
    }
  });
  if (!helper.Running()) return false;
  // Should the caller leave with an error, the helper stops before its
  // next stretch (the helper's destructor then waits for it).
  struct StopHelper {
    std::mutex& mutex;
    std::condition_variable& changed;
    bool& stopped;
    ~StopHelper() {
      {
        std::lock_guard lock(mutex);
        stopped = true;
      }
      changed.notify_all();
    }
  } stopHelper{mutex, changed, stopped};
  PackedFieldWriter writer(store, origin, writing);
  while (put < stretches) {
    std::unique_lock lock(mutex);
    Turn& next = turns[put % kTurns];
    changed.wait(lock, [&] { return failed || next.written || takeable(); });
    if (failed) break;
    if (!next.written) {
      const std::size_t s = taken++;
      lock.unlock();
      write(writer, s);
      continue;
    }
    lock.unlock();
    out.PutMade(next.buffer.data(), next.size);
    numbersAsTexts(next.numbersAsTexts);
    lock.lock();
    next.written = false;
    ++put;
    lock.unlock();
    changed.notify_all();
  }
  helper.Join();  // throws what the helper threw
  return true;
}

}  // namespace

void FieldPlacer::TakeRoom(std::size_t size) {
  // Taken a good deal at a time: each taking costs a few calls.
  constexpr std::size_t kAtLeast = std::size_t{16} << 10;
  Finish();
  const std::size_t asked = std::max(size, kAtLeast);
  taken_ = at_ = out_.Room(asked);
  limit_ = at_ + out_.RoomLeft(asked);
}

std::uint8_t* FieldPlacer::LeadFar(std::uint64_t rowEnds, std::uint64_t tabs, std::size_t room) {
  Finish();
  for (std::uint64_t i = 0; i < rowEnds; ++i) out_.Put(kRowEnd, sizeof kRowEnd);
  out_.PutRepeated('\t', tabs);
  TakeRoom(room);
  return at_;
}

void FieldPlacer::Place(std::int32_t row, std::int32_t column, std::int16_t type, std::string_view field) {
  if ((type & 3) == CELL_NUMBER && field.starts_with('"')) numbersAsTexts.push_back({row, column});
  // The whole text goes out, however long; the cell's 16-bit output
  // length would wrap for texts beyond 65534 bytes.
  std::uint8_t* at = Lead(row, column, field.size() + 1);
  if (!field.empty()) std::memcpy(at, field.data(), field.size());
  at += field.size();
  *at++ = '\t';
  Done(at);
}

bool WritePackedRecords(const PackedCells& store, OutputPieces& out, std::int16_t origin,
                        const FieldWriting& writing,
                        const std::function<void(const std::vector<CellPosition>&)>& numbersAsTexts) {
  // Traced writing keeps to one thread, so that the traces come in order.
  if (store.Size() >= kWriteInTurns && !Tracing() && WriteInTurns(store, out, origin, writing, numbersAsTexts)) {
    return true;
  }
  PackedFieldWriter writer(store, origin, writing);
  std::vector<CellPosition> numbers;
  WriteRecords(store, 0, store.Size(), out, writer, numbers);
  numbersAsTexts(numbers);
  return false;
}

}  // namespace gridlet
