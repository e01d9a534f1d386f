// Writing records as tab text: each record's field after the row ends
// and TABs that lead to it from the record before, and a TAB after it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

#include "model/field_scan.h"
#include "model/output_pieces.h"
#include "model/packed_cells.h"
#include "model/text_cell.h"

namespace gridlet {

struct CellPosition {
  std::int32_t row;
  std::int32_t column;
};

// Puts records' fields into an output, in row-major order.
class FieldPlacer {
  static constexpr std::uint8_t kRowEnd[] = {'\t', '\r', '\n'};
  static constexpr std::uint8_t kTabs[] = {'\t', '\t', '\t', '\t', '\t', '\t', '\t', '\t'};
  // The separators before a field are placed in one go when there are no
  // more than these.
  static constexpr std::uint64_t kFewSeparators = 64;

 public:
  // After the record at the given position (row 1, column 0 before the
  // first).
  explicit FieldPlacer(OutputPieces& out, std::int32_t previousRow = 1, std::int32_t previousColumn = 0)
      : out_(out), previousRow_(previousRow), previousColumn_(previousColumn) {}

  void Place(std::int32_t row, std::int32_t column, std::int16_t type, std::string_view field);
  // The same for a field that is not a number put as a text (which
  // numbersAsTexts would be told of), whose bytes may be read a little
  // beyond it: up to `readable`, at least.
  void PlaceReadable(std::int32_t row, std::int32_t column, std::string_view field, const char* readable) {
    std::uint8_t* at = Lead(row, column, field.size() + 1, kCopy);
    at = Copy(at, field, readable);
    *at++ = '\t';
    Done(at);
  }
  // The same for a field of `size` bytes (at most 16), the first of
  // `bytes`, put between quotes when `quote`, after `rowEnds` row ends and
  // `emptyFields` TABs more than the one after the field before (the
  // position is not kept: After tells it when it is needed again).
  // Numbers, texts and quoted texts go the same way, with no branch
  // between them to mispredict.
  void PlaceShortAfter(std::uint64_t rowEnds, std::uint64_t emptyFields, const SixteenBytes& bytes,
                       std::size_t size, bool quote) {
    std::uint8_t* at = LeadBy(rowEnds, emptyFields, size + 3, kCopy);
    *at = '"';
    at += quote;
    bytes.StoreTo(at);
    at += size;
    *at = '"';
    at += quote;
    *at++ = '\t';
    Done(at);
  }
  // The same for a field that is `text` enclosed in quotes.
  void PlaceQuoted(std::int32_t row, std::int32_t column, std::string_view text, const char* readable) {
    std::uint8_t* at = Lead(row, column, text.size() + 3, kCopy);
    *at++ = '"';
    at = Copy(at, text, readable);
    *at++ = '"';
    *at++ = '\t';
    Done(at);
  }
  // Counts what was placed into the output: placing is done, or the output
  // is used meanwhile.
  void Finish() {
    out_.Advance(static_cast<std::size_t>(at_ - taken_));
    at_ = limit_ = taken_ = nullptr;
  }
  // Puts row ends and TABs, as PlaceShortAfter does before its field.
  void PutSeparators(std::uint64_t rowEnds, std::uint64_t emptyFields) {
    if ((rowEnds | emptyFields) != 0) Done(LeadBy(rowEnds, emptyFields, 0));
  }
  // Goes on as after the record at the given position.
  void After(std::int32_t row, std::int32_t column) {
    previousRow_ = row;
    previousColumn_ = column;
  }

  std::int32_t PreviousRow() const { return previousRow_; }
  std::int32_t PreviousColumn() const { return previousColumn_; }
  // The numbers placed as the texts stating them (a writing that does not
  // hold them), in order.
  std::vector<CellPosition> numbersAsTexts;

 private:
  // Copies `bytes`, readable up to `readable` at least, to `at`, which has
  // room for kCopy bytes more than them; returns the end of the copy. A
  // short text is copied in one move of a fixed size, which costs less
  // than a copy of its own size; what goes beyond it is written over.
  static constexpr std::size_t kCopy = SixteenBytes::kSize;
  static std::uint8_t* Copy(std::uint8_t* at, std::string_view bytes, const char* readable) {
    if (bytes.size() <= kCopy && readable - bytes.data() >= static_cast<std::ptrdiff_t>(kCopy)) {
      SixteenBytes(bytes.data()).StoreTo(at);
    } else if (!bytes.empty()) {
      std::memcpy(at, bytes.data(), bytes.size());
    }
    return at + bytes.size();
  }
  // Puts the separators before a field of `size` bytes at the position,
  // and returns where the field goes, with room for it and `slack` bytes
  // more. Done() then takes the given place as the next.
  [[gnu::always_inline]] std::uint8_t* Lead(std::int32_t row, std::int32_t column, std::size_t size,
                                            std::size_t slack = 0) {
    // Records out of order (which no reader gives) get no separators to
    // lead back to them.
    std::uint64_t rowEnds = 0;
    if (row != previousRow_) {
      rowEnds = static_cast<std::uint64_t>(std::max<std::int64_t>(std::int64_t{row} - previousRow_, 0));
      previousColumn_ = 0;
    }
    const auto tabs =
        static_cast<std::uint64_t>(std::max<std::int64_t>(std::int64_t{column} - previousColumn_ - 1, 0));
    previousRow_ = row;
    previousColumn_ = column;
    return LeadBy(rowEnds, tabs, size, slack);
  }
  // The same for the given row ends and TABs.
  [[gnu::always_inline]] std::uint8_t* LeadBy(std::uint64_t rowEnds, std::uint64_t tabs, std::size_t size,
                                              std::size_t slack = 0) {
    if (rowEnds > kFewSeparators || tabs > kFewSeparators) return LeadFar(rowEnds, tabs, size + slack);
    // Written in moves of a fixed size (quicker than a copy or a fill of
    // the size itself), up to 8 bytes beyond them: room for those too.
    const std::size_t room = sizeof kRowEnd * rowEnds + tabs + size + slack + sizeof kTabs;
    if (static_cast<std::size_t>(limit_ - at_) < room) TakeRoom(room);
    std::uint8_t* at = at_;
    for (std::uint64_t i = 0; i < rowEnds; ++i) {
      std::memcpy(at, kRowEnd, sizeof kRowEnd);
      at += sizeof kRowEnd;
    }
    for (std::uint64_t i = 0; i < tabs; i += sizeof kTabs) std::memcpy(at + i, kTabs, sizeof kTabs);
    return at + tabs;
  }
  // The same for many separators, put a piece at a time.
  std::uint8_t* LeadFar(std::uint64_t rowEnds, std::uint64_t tabs, std::size_t room);
  void Done(std::uint8_t* at) { at_ = at; }
  // Counts what was placed, and takes room for `size` bytes or more.
  void TakeRoom(std::size_t size);

  OutputPieces& out_;
  // The room taken from the output (kept here rather than asked for at
  // each field: the bytes written might be anything, so that what the
  // output holds would be read again after each): where it starts, where
  // the next byte goes, and where it ends.
  std::uint8_t* taken_ = nullptr;
  std::uint8_t* at_ = nullptr;
  std::uint8_t* limit_ = nullptr;
  std::int32_t previousRow_;
  std::int32_t previousColumn_;
};

// Writes the records of a store as fields of the given writing, for a
// sheet of the given origin (see WriteFieldText); a large store is written
// by two threads, which give the same bytes. `numbersAsTexts` is told,
// in order, where numbers went out as texts. Returns whether two threads
// wrote it.
bool WritePackedRecords(const PackedCells& store, OutputPieces& out, std::int16_t origin,
                        const FieldWriting& writing,
                        const std::function<void(const std::vector<CellPosition>&)>& numbersAsTexts);

}  // namespace gridlet
