// The records of a tab-text sheet, stored compactly: a tab-text file of
// 50 MB holds millions of short fields, and a record object and a cell
// object for each would take twenty times the file in memory.
//
// The store keeps the file's bytes, and for every field of it, in the
// order the fields come, one byte: whether the field makes a record, its
// kind, and whether its text is the field as it stands (most numbers,
// texts and formulas) or one that reading changed (unquoted, or a formula
// with its names rewritten), which the store keeps once in its own arena.
// Where a record's text starts, its row and its column are found again
// when it is walked, by splitting the bytes into fields as reading did:
// that costs about what reading the positions back from memory would,
// and spares writing them, which costs more on most machines. A few
// places along the way are kept so that any record is found quickly.
//
// A cell list holds the store in place of its cells (model/cell_list.h) and
// makes cell objects from it only when something asks for one; a text
// sheet built from such a list takes the whole store over and writes from
// it. The records a store gives are those the text cells would have made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "model/block_vector.h"
#include "model/field_scan.h"
#include "model/intermediate_cell.h"
#include "model/source_bytes.h"
#include "model/text_quoting.h"
#include "model/translatable.h"

namespace gridlet {

class CellList;

class PackedCells {
 public:
  // Where a record's text is: the field's own text within the bytes, the
  // field within its enclosing quotes, or a text of its own.
  enum class TextIn : std::uint8_t { kField, kQuotes, kArena };

  // One record as the store holds it.
  struct Entry {
    std::int32_t row;
    std::int32_t column;
    std::int16_t type;      // CELL_NUMBER, CELL_TEXT or CELL_FORMULA
    std::string_view text;  // Data, or a formula's Data2
    // kQuotes: the text was read from within its field's enclosing quotes,
    // and has none of its own: the field is the text with the byte before
    // it and the byte after it.
    TextIn where = TextIn::kField;
  };

  // Over the bytes of a tab-text file; `state` is the State every record
  // of the sheet carries. A store read as a later part of a text, to be
  // appended (see Append), numbers its arena as that part, so that its
  // texts keep their addresses when it is.
  PackedCells(SourceBytes bytes, std::uint8_t state, std::uint16_t part = 0);
  ~PackedCells();
  PackedCells(const PackedCells&) = delete;
  PackedCells& operator=(const PackedCells&) = delete;

  const std::uint8_t* Begin() const { return source_.data(); }
  const std::uint8_t* End() const { return source_.data() + source_.size(); }

  // Adds the fields of the bytes (see below).
  class Filler;

  std::size_t Size() const { return size_; }
  // How many parts the store was read in (see Append).
  std::size_t Parts() const { return parts_; }
  std::uint8_t State() const { return state_; }
  // Record i. Quick for any i, and quickest for the one after the last
  // asked for (a store is read by one thread at a time).
  Entry At(std::size_t i) const;

  // Calls f(Entry) for every record in order.
  template <class F>
  void ForEach(F&& f) const {
    ForEachIn(0, size_, f);
  }
  // The same for records first to last - 1; several threads may do this at
  // once.
  template <class F>
  void ForEachIn(std::size_t first, std::size_t last, F&& f) const {
    if (first >= last) return;
    Walk start = Start(first);
    while (start.place.record < first) Next(start);
    // Walked on in a copy that nothing else sees, which the compiler can
    // keep in registers: `f` writes bytes, which might be any variable
    // that is seen elsewhere, and which would be read again after each.
    Walk walk = start;
    for (std::size_t i = first; i < last; ++i) f(Step(walk));
  }

  // Walks records first to last - 1 for writing them out, field by field,
  // counting the row ends and the empty fields that lead from the record
  // before to each: `w.Near(type, where, field, rowEnds, emptyFields)`
  // is given the field as it stands in the bytes (within its quotes, when
  // it came within them), and places it when it can; when it does not (or
  // the record's text is in the arena), `w.Far(entry, rowEnds,
  // emptyFields)` places it. Quicker than ForEachIn for the many fields
  // that go out as they came: it makes no entry for them.
  template <class W>
  void WalkForWriting(std::size_t first, std::size_t last, W& w) const;

  // Takes over the store of the fields that follow this store's bytes
  // (within the same bytes, from the start of a row): a large text is read
  // in parts at once. `rowsBefore` is how many rows this store's bytes end.
  // Nothing is copied: the following store's blocks are joined to this
  // store's, and its places kept along the way recounted where they are.
  // The two stores' arenas must be of different parts (std::logic_error).
  void Append(PackedCells&& following, std::int64_t rowsBefore);

  // Fills a record with the values of entry `i`.
  void FillRecord(std::size_t i, IntermediateCell& record) const;

  // The list whose cells own the records (the last sheet they were handed
  // to); lists that handed them on refer to its records.
  CellList* owner = nullptr;

 private:
  // A field's kind byte (of a type of its own: a store through a pointer
  // to bytes may change any variable, which the compiler would then read
  // again after each), whether it makes a record, the low two bits of
  // the record's kind, and whether its text is in the arena or within
  // the field's quotes.
  enum class FieldKind : std::uint8_t {};
  static constexpr std::uint8_t kRecord = 8;
  static constexpr std::uint8_t kInArena = 4;
  static constexpr std::uint8_t kInQuotes = 16;

  // Where a walk through the fields stands: at the start of a field.
  // (Of a size that is a power of two, as block vectors' elements are.)
  struct alignas(64) Place {
    std::size_t offset = 0;  // in the bytes
    std::size_t field = 0;   // index of its kind byte
    std::size_t arena = 0;   // index of the next arena text's address
    std::size_t record = 0;  // index of the next record
    std::int64_t row = 1;
    std::int64_t column = 1;
  };
  struct Walk {
    Place place;
    FieldStops stops;
    const FieldKind* kind = nullptr;  // place.field's kind byte, and
    std::size_t kinds = 0;            // how many follow it in its block
  };
  // Every kCheckpoint-th record's place is kept (counted from the first
  // record of each part that was read on its own).
  static constexpr std::size_t kCheckpoint = 512;

  void AddCheckpoint(std::int64_t row, std::int64_t column, const std::uint8_t* field);
  Walk Start(std::size_t record) const;
  // The record at the walk's place or after it; moves past it. Step is
  // written out where it is used (see ForEachIn), Next is called.
  [[gnu::always_inline]] inline Entry Step(Walk& walk) const;
  // Where the text of a record of the given kind is.
  static TextIn WhereOf(unsigned kind) {
    return (kind & kInArena) != 0 ? TextIn::kArena : (kind & kInQuotes) != 0 ? TextIn::kQuotes : TextIn::kField;
  }
  // The entry of a record of the given kind, at the given position, read
  // from `field` as it stands in the bytes; `arena` is the index of the
  // next arena text's address, which an arena text takes.
  [[gnu::always_inline]] inline Entry EntryOf(std::int64_t row, std::int64_t column, unsigned kind,
                                              std::string_view field, std::size_t& arena) const;
  Entry Next(Walk& walk) const;
  std::uint64_t ArenaAddress(std::string_view text);
  std::string_view ArenaText(std::uint64_t address) const;

  SourceBytes source_;
  std::uint8_t state_;
  std::size_t size_ = 0;
  std::size_t parts_ = 1;
  BlockChain<FieldKind> kinds_;
  BlockChain<std::uint64_t> arenaAddresses_;  // of the changed texts, in order
  BlockChain<Place> checkpoints_;  // in the order of their records
  mutable std::optional<Walk> last_;  // after the record last asked for
  // The arena: chunks growing from 4 KB to a large block, and a chunk of
  // its own for each long text; each text ends with a NUL. A text's address
  // is its part, its chunk's index within the part and its offset.
  struct Chunk {
    char* bytes;
    std::size_t size;
  };
  std::vector<Chunk> chunks_;
  // The chunks of part p are those from chunks_[partStart_[p]] on
  // (SIZE_MAX: no part p here).
  std::vector<std::size_t> partStart_;
  std::uint64_t part_;  // of this store's own texts
  std::size_t current_ = SIZE_MAX;  // the chunk short texts go to
  std::size_t used_ = 0;            // bytes used of it
  std::size_t nextChunk_ = 4096;    // the size of the next one
};

// Adds the fields of a store's bytes in order, as FieldStops splits them
// and rows end at CR (with an LF after it): each empty one with AddEmpty,
// each other one with Add, which gives the field's place (for finding it
// again quickly), its kind and its text: in the bytes as `where` says, or
// one of its own without NUL bytes (copied into the arena). Fields after
// the last record may be left out. Raise std::bad_alloc when the store
// cannot grow.
//
// The filler keeps where the next kind byte goes, and the count of
// records, in members of its own, which the compiler can hold in
// registers: kept in the store, they would be read from memory and written
// back for every field. The store takes them when the filler goes; nothing
// else may use the store until then.
class PackedCells::Filler {
 public:
  explicit Filler(PackedCells& store) : store_(store), records_(store.size_) {
    std::tie(at_, limit_) = store.kinds_.Room();
  }
  ~Filler() { Hand(store_, at_, records_); }
  Filler(const Filler&) = delete;
  Filler& operator=(const Filler&) = delete;

  void AddEmpty() { Put(FieldKind{0}); }
  // Returns where an arena text went (0 for a text in the bytes), so that
  // a later record of the same text can share it (AddArenaText).
  std::uint64_t Add(std::int64_t row, std::int64_t column, const std::uint8_t* field, std::int16_t type,
                    std::string_view text, TextIn where) {
    const std::uint64_t address = where == TextIn::kArena ? store_.ArenaAddress(text) : 0;
    AddRecord(row, column, field, type, where, address);
    return address;
  }
  void AddArenaText(std::int64_t row, std::int64_t column, const std::uint8_t* field, std::int16_t type,
                    std::uint64_t address) {
    AddRecord(row, column, field, type, TextIn::kArena, address);
  }
  // A field kept as it stands, of the given type, or an empty field when
  // `record` is false: the same as Add or AddEmpty, without a branch
  // between them.
  void AddKept(std::int64_t row, std::int64_t column, const std::uint8_t* field, std::int16_t type, bool record) {
    if ((records_ % kCheckpoint == 0) & record) Checkpoint(store_, at_, records_, row, column, field);
    Put(static_cast<FieldKind>((kRecord | (type & 3)) * record));
    records_ += record;
  }

 private:
  void AddRecord(std::int64_t row, std::int64_t column, const std::uint8_t* field, std::int16_t type, TextIn where,
                 std::uint64_t address) {
    if (records_ % kCheckpoint == 0) Checkpoint(store_, at_, records_, row, column, field);
    std::uint8_t kind = kRecord | (type & 3);
    if (where == TextIn::kArena) {
      store_.arenaAddresses_.push_back(address);
      kind |= kInArena;
    } else if (where == TextIn::kQuotes) {
      kind |= kInQuotes;
    }
    Put(static_cast<FieldKind>(kind));
    ++records_;
  }
  [[gnu::always_inline]] void Put(FieldKind kind) {
    if (at_ == limit_) std::tie(at_, limit_) = NextBlock(store_, at_);
    *at_++ = kind;
  }
  // (Given the values, not the filler: a filler whose address is taken
  // stays in memory.)
  static void Hand(PackedCells& store, FieldKind* at, std::size_t records) {
    store.kinds_.Appended(at);
    store.size_ = records;
  }
  [[gnu::noinline]] static std::pair<FieldKind*, FieldKind*> NextBlock(PackedCells& store, FieldKind* at) {
    store.kinds_.Appended(at);
    return store.kinds_.Room();
  }
  [[gnu::noinline]] static void Checkpoint(PackedCells& store, FieldKind* at, std::size_t records, std::int64_t row,
                                           std::int64_t column, const std::uint8_t* field) {
    Hand(store, at, records);
    store.AddCheckpoint(row, column, field);
  }

  PackedCells& store_;
  FieldKind* at_;
  FieldKind* limit_;
  std::size_t records_;
};

// The value, which the compiler takes to be any value of its type.
template <class T>
[[gnu::always_inline]] inline T RangeUnknown(T value) {
#if defined(__GNUC__)
  asm("" : "+r"(value));
#endif
  return value;
}

PackedCells::Entry PackedCells::Step(Walk& walk) const {
  Place& at = walk.place;
  const std::uint8_t* p = Begin() + at.offset;
  const std::uint8_t* const end = End();
  for (;;) {
    if (walk.kinds == 0) {
      const auto [first, following] = kinds_.RunFrom(at.field);
      walk.kind = first;
      walk.kinds = following + 1;
    }
    // (Of a range the compiler cannot tell: known to fit a byte, it may be
    // put aside as one and read back as a word, which then waits for the
    // byte to reach the cache.)
    const unsigned kind = RangeUnknown(static_cast<unsigned>(*walk.kind++));
    --walk.kinds;
    ++at.field;
    const std::string_view text = walk.stops.Field(p);
    const std::int64_t row = at.row;
    const std::int64_t column = at.column++;
    if (TakeRowEnd(p, end)) {
      at.column = 1;
      ++at.row;
    }
    if ((kind & kRecord) == 0) continue;
    at.offset = static_cast<std::size_t>(p - Begin());
    ++at.record;
    return EntryOf(row, column, kind, text, at.arena);
  }
}

PackedCells::Entry PackedCells::EntryOf(std::int64_t row, std::int64_t column, unsigned kind, std::string_view field,
                                        std::size_t& arena) const {
  Entry entry;
  entry.row = static_cast<std::int32_t>(row);
  entry.column = static_cast<std::int32_t>(column);
  entry.type = static_cast<std::int16_t>(kind & 3);
  entry.where = WhereOf(kind);
  entry.text = entry.where == TextIn::kArena ? ArenaText(arenaAddresses_[arena++])
                                             : TextOfField(field, entry.where == TextIn::kQuotes);
  return entry;
}

template <class W>
void PackedCells::WalkForWriting(std::size_t first, std::size_t last, W& w) const {
  if (first >= last) return;
  // From just after the record before the first (or from the first): what
  // leads from it to the next field.
  Walk walk = Start(first > 0 ? first - 1 : 0);
  // (Before the first record, the position is row 1, column 0.)
  std::int64_t row = 1;
  std::int64_t column = 0;
  if (first > 0) {
    while (walk.place.record < first - 1) Next(walk);
    const Entry before = Next(walk);
    row = before.row;
    column = before.column;
  }
  Place at = walk.place;
  std::uint64_t rowEnds = static_cast<std::uint64_t>(at.row - row);
  std::uint64_t emptyFields = static_cast<std::uint64_t>(rowEnds > 0 ? at.column - 1 : at.column - column - 1);
  FieldStops stops = walk.stops;
  const std::uint8_t* p = Begin() + at.offset;
  const std::uint8_t* const end = End();
  const FieldKind* kinds = nullptr;
  std::size_t kindsLeft = 0;
  for (;;) {
    if (kindsLeft == 0) {
      const auto [firstKind, following] = kinds_.RunFrom(at.field);
      kinds = firstKind;
      kindsLeft = following + 1;
    }
    const unsigned kind = RangeUnknown(static_cast<unsigned>(*kinds++));
    --kindsLeft;
    ++at.field;
    const std::string_view field = stops.Field(p);
    const bool rowEnd = TakeRowEnd(p, end);
    if ((kind & kRecord) != 0) {
      const TextIn where = WhereOf(kind);
      if (where == TextIn::kArena || !w.Near(static_cast<std::int16_t>(kind & 3), where, field, rowEnds, emptyFields)) {
        w.Far(EntryOf(at.row, at.column, kind, field, at.arena), rowEnds, emptyFields);
      }
      rowEnds = 0;
      emptyFields = 0;
      if (++at.record == last) return;
    } else {
      ++emptyFields;
    }
    if (rowEnd) {
      ++rowEnds;
      emptyFields = 0;
      ++at.row;
      at.column = 1;
    } else {
      ++at.column;
    }
  }
}

// Sets a record to what a tab-text field makes of it: the text is the
// formula (Data2, with an empty Data) or the Data; a text's Length is its
// length.
void FillTextRecord(IntermediateCell& record, std::int32_t row, std::int32_t column, std::int16_t type,
                    std::string text, std::uint8_t state);

}  // namespace gridlet
