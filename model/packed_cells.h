// The records of a tab-text sheet, stored compactly: a tab-text file of
// 50 MB holds millions of short fields, and a record object and a cell
// object for each would take twenty times the file in memory.
//
// The store keeps the file's bytes. A record whose text is the field as it
// stands (most numbers, texts and formulas) is a view into those bytes; a
// text that reading changed (unquoted, or a formula with its names
// rewritten) is kept once in the store's own arena. Each record is then
// eight bytes: where its text starts, its column and its kind. Rows are
// kept as runs (the first record of each row and the row's number), since
// a file's records come in row-major order.
//
// A cell list holds the store in place of its cells (model/cell_list.h) and
// makes cell objects from it only when something asks for one; a text
// sheet built from such a list takes the whole store over and writes from
// it. The records a store gives are those the text cells would have made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/block_vector.h"
#include "model/intermediate_cell.h"
#include "model/translatable.h"

namespace gridlet {

class CellList;

class PackedCells {
 public:
  // One record as the store holds it.
  struct Entry {
    std::int32_t row;
    std::int32_t column;
    std::int16_t type;      // CELL_NUMBER, CELL_TEXT or CELL_FORMULA
    std::string_view text;  // Data, or a formula's Data2
  };

  // Over the bytes of a tab-text file; `state` is the State every record
  // of the sheet carries.
  PackedCells(ByteBuffer bytes, std::uint8_t state);
  ~PackedCells();
  PackedCells(const PackedCells&) = delete;
  PackedCells& operator=(const PackedCells&) = delete;

  const std::uint8_t* Begin() const { return source_.data(); }
  const std::uint8_t* End() const { return source_.data() + source_.size(); }

  // Appends a record, in row-major order. `text` is either a field within
  // the bytes (`inSource`: a view is kept) or a text of its own without
  // NUL bytes (copied into the arena). Raises std::bad_alloc when the
  // store cannot grow.
  void Add(std::int32_t row, std::int32_t column, std::int16_t type, std::string_view text,
           bool inSource);

  std::size_t Size() const { return cells_.size(); }
  std::uint8_t State() const { return state_; }
  Entry At(std::size_t i) const;

  // Calls f(Entry) for every record in order.
  template <class F>
  void ForEach(F&& f) const {
    std::size_t run = 0;
    std::size_t next = rows_.size() > 1 ? rows_[1].first : SIZE_MAX;
    std::size_t i = 0;
    cells_.ForEach([&](std::uint64_t packed) {
      while (i >= next) next = ++run + 1 < rows_.size() ? rows_[run + 1].first : SIZE_MAX;
      f(Decode(packed, i, rows_[run].row));
      ++i;
    });
  }

  // Fills a record with the values of entry `i`.
  void FillRecord(std::size_t i, IntermediateCell& record) const;

  // The list whose cells own the records (the last sheet they were handed
  // to); lists that handed them on refer to its records.
  CellList* owner = nullptr;

 private:
  struct RowRun {
    std::uint32_t first;  // index of the row's first record
    std::int32_t row;
  };

  Entry Decode(std::uint64_t packed, std::size_t i, std::int32_t row) const;
  std::uint64_t ArenaAddress(std::string_view text);
  std::string_view TextAt(std::uint64_t address, bool inArena) const;

  ByteBuffer source_;
  std::uint8_t state_;
  BlockVector<std::uint64_t> cells_;
  BlockVector<RowRun> rows_;
  // Addresses and columns too large for their fields, by record index.
  std::vector<std::pair<std::size_t, std::uint64_t>> wideAddresses_;
  std::vector<std::pair<std::size_t, std::int32_t>> wideColumns_;
  // The arena: chunks growing from 4 KB to a large block, and a chunk of
  // its own for each long text; each text ends with a NUL. A text's address
  // is its chunk's index and its offset.
  struct Chunk {
    char* bytes;
    std::size_t size;
  };
  std::vector<Chunk> chunks_;
  std::size_t current_ = SIZE_MAX;  // the chunk short texts go to
  std::size_t used_ = 0;            // bytes used of it
  std::size_t nextChunk_ = 4096;    // the size of the next one
};

// Sets a record to what a tab-text field makes of it: the text is the
// formula (Data2, with an empty Data) or the Data; a text's Length is its
// length.
void FillTextRecord(IntermediateCell& record, std::int32_t row, std::int32_t column, std::int16_t type,
                    std::string text, std::uint8_t state);

}  // namespace gridlet
