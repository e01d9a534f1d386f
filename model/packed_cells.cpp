#include "model/packed_cells.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "model/field_scan.h"

namespace gridlet {

namespace {

// An entry: bits 0-31 the text's address, 32-60 the column, 61-62 the low
// two bits of the kind, 63 set when the text is in the arena. An address
// or column that does not fit holds all ones and is looked up by index.
constexpr int kColumnShift = 32;
constexpr int kTypeShift = 61;
constexpr std::uint64_t kInArena = std::uint64_t{1} << 63;
constexpr std::uint64_t kWideAddress = 0xFFFFFFFFu;
constexpr std::uint64_t kWideColumn = (std::uint64_t{1} << 29) - 1;

constexpr int kChunkBits = 21;
constexpr std::size_t kChunkSize = std::size_t{1} << kChunkBits;
static_assert(kChunkSize == kLargeBlock);
// Texts longer than this get a chunk of their own.
constexpr std::size_t kLongText = kChunkSize / 4;

template <class T>
T Wide(const std::vector<std::pair<std::size_t, T>>& table, std::size_t i) {
  const auto at = std::lower_bound(table.begin(), table.end(), i,
                                   [](const auto& entry, std::size_t index) { return entry.first < index; });
  return at->second;
}

}  // namespace

PackedCells::PackedCells(ByteBuffer bytes, std::uint8_t state) : source_(std::move(bytes)), state_(state) {}

PackedCells::~PackedCells() {
  for (const Chunk& chunk : chunks_) DeleteBlock(chunk.bytes, chunk.size);
}

std::uint64_t PackedCells::ArenaAddress(std::string_view text) {
  const auto newChunk = [this](std::size_t size) {
    chunks_.reserve(chunks_.size() + 1);
    chunks_.push_back({static_cast<char*>(NewBlock(size)), size});
    return chunks_.size() - 1;
  };
  std::size_t chunk;
  std::size_t offset = 0;
  if (text.size() >= kLongText) {
    chunk = newChunk(text.size() + 1);
  } else {
    if (current_ == SIZE_MAX || used_ + text.size() + 1 > chunks_[current_].size) {
      current_ = newChunk(nextChunk_);
      nextChunk_ = std::min(nextChunk_ * 2, kChunkSize);
      used_ = 0;
    }
    chunk = current_;
    offset = used_;
    used_ += text.size() + 1;
  }
  char* at = chunks_[chunk].bytes + offset;
  std::memcpy(at, text.data(), text.size());
  at[text.size()] = '\0';
  return static_cast<std::uint64_t>(chunk) << kChunkBits | offset;
}

void PackedCells::Add(std::int32_t row, std::int32_t column, std::int16_t type, std::string_view text,
                      bool inSource) {
  const std::size_t index = cells_.size();
  if (index >= std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
  const std::uint64_t address =
      inSource ? static_cast<std::uint64_t>(reinterpret_cast<const std::uint8_t*>(text.data()) - Begin())
               : ArenaAddress(text);
  std::uint64_t packed = static_cast<std::uint64_t>(type & 3) << kTypeShift | (inSource ? 0 : kInArena);
  if (address < kWideAddress) {
    packed |= address;
  } else {
    packed |= kWideAddress;
    wideAddresses_.emplace_back(index, address);
  }
  if (static_cast<std::uint64_t>(column) < kWideColumn) {
    packed |= static_cast<std::uint64_t>(column) << kColumnShift;
  } else {
    packed |= kWideColumn << kColumnShift;
    wideColumns_.emplace_back(index, column);
  }
  if (rows_.empty() || rows_.back().row != row) rows_.push_back({static_cast<std::uint32_t>(index), row});
  cells_.push_back(packed);
}

std::string_view PackedCells::TextAt(std::uint64_t address, bool inArena) const {
  if (inArena) {
    const char* text = chunks_[address >> kChunkBits].bytes + (address & (kChunkSize - 1));
    return std::string_view(text, std::strlen(text));
  }
  // A field's text ends at its TAB, CR or NUL, or at the end of the bytes.
  const std::uint8_t* start = Begin() + address;
  return std::string_view(reinterpret_cast<const char*>(start),
                          static_cast<std::size_t>(FindFieldStop(start, End()) - start));
}

PackedCells::Entry PackedCells::Decode(std::uint64_t packed, std::size_t i, std::int32_t row) const {
  std::uint64_t address = packed & kWideAddress;
  if (address == kWideAddress) address = Wide(wideAddresses_, i);
  const std::uint64_t column = packed >> kColumnShift & kWideColumn;
  std::int16_t type = static_cast<std::int16_t>(packed >> kTypeShift & 3);
  return Entry{row, column == kWideColumn ? Wide(wideColumns_, i) : static_cast<std::int32_t>(column), type,
               TextAt(address, (packed & kInArena) != 0)};
}

PackedCells::Entry PackedCells::At(std::size_t i) const {
  // The last run that starts at or before i.
  std::size_t low = 0;
  std::size_t high = rows_.size();
  while (high - low > 1) {
    const std::size_t middle = low + (high - low) / 2;
    if (rows_[middle].first <= i) {
      low = middle;
    } else {
      high = middle;
    }
  }
  return Decode(cells_[i], i, rows_[low].row);
}

void PackedCells::FillRecord(std::size_t i, IntermediateCell& record) const {
  const Entry entry = At(i);
  FillTextRecord(record, entry.row, entry.column, entry.type, std::string(entry.text), state_);
}

void FillTextRecord(IntermediateCell& record, std::int32_t row, std::int32_t column, std::int16_t type,
                    std::string text, std::uint8_t state) {
  record.Row = row;
  record.Column = column;
  record.Type = type;
  record.State = state;
  record.Length = type == CELL_TEXT ? static_cast<std::int32_t>(text.size()) : 0;
  if (type == CELL_FORMULA) {
    record.Data.clear();  // the value 0, read as an empty text
    record.Data2 = std::move(text);
  } else {
    record.Data = std::move(text);
    record.Data2.reset();
  }
}

}  // namespace gridlet
