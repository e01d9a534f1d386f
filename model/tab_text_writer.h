// Writing records as tab text: each record's field after the row ends
// and TABs that lead to it from the record before, and a TAB after it.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

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
 public:
  // After the record at the given position (row 1, column 0 before the
  // first).
  explicit FieldPlacer(OutputPieces& out, std::int32_t previousRow = 1, std::int32_t previousColumn = 0)
      : out_(out), previousRow_(previousRow), previousColumn_(previousColumn) {}

  void Place(std::int32_t row, std::int32_t column, std::int16_t type, std::string_view field);
  // The same for a field that is `text` enclosed in quotes.
  void PlaceQuoted(std::int32_t row, std::int32_t column, std::string_view text);
  // The same for a field whose bytes may be read a little beyond it: up
  // to `readable`, at least.
  void PlaceReadable(std::int32_t row, std::int32_t column, std::int16_t type, std::string_view field,
                     const char* readable);
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
  // Puts the separators before a field of `size` bytes at the position,
  // and returns where the field goes: Room for it and `slack` bytes more.
  // Done() then counts in what was written up to the given place.
  std::uint8_t* Lead(std::int32_t row, std::int32_t column, std::size_t size, std::size_t slack = 0);
  void Done(std::uint8_t* at) { out_.Advance(static_cast<std::size_t>(at - start_)); }

  OutputPieces& out_;
  std::uint8_t* start_ = nullptr;  // of the bytes Lead gave room for
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
