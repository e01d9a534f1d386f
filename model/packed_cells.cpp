#include "model/packed_cells.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "model/field_scan.h"
#include "model/text_quoting.h"

namespace gridlet {

namespace {

constexpr int kChunkBits = 21;
constexpr std::size_t kChunkSize = std::size_t{1} << kChunkBits;
// An address's part is in its top 16 bits, then the chunk, then the offset.
constexpr int kPartBits = 48;
constexpr std::uint64_t kChunksOfPart = std::uint64_t{1} << (kPartBits - kChunkBits);
static_assert(kChunkSize == kLargeBlock);
// Texts longer than this get a chunk of their own.
constexpr std::size_t kLongText = kChunkSize / 4;

}  // namespace

PackedCells::PackedCells(SourceBytes bytes, std::uint8_t state, std::uint16_t part)
    : source_(std::move(bytes)), state_(state), partStart_(std::size_t{part} + 1, SIZE_MAX), part_(part) {
  partStart_[part] = 0;
}

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
      // The chunks double in size; a text may be longer than the next.
      current_ = newChunk(std::max(nextChunk_, text.size() + 1));
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
  // (The store's own chunks come first, before those of any part appended.)
  return part_ << kPartBits | static_cast<std::uint64_t>(chunk) << kChunkBits | offset;
}

std::string_view PackedCells::ArenaText(std::uint64_t address) const {
  const std::size_t chunk = partStart_[address >> kPartBits] + ((address >> kChunkBits) & (kChunksOfPart - 1));
  const char* text = chunks_[chunk].bytes + (address & (kChunkSize - 1));
  return std::string_view(text, std::strlen(text));
}

void PackedCells::AddCheckpoint(std::int64_t row, std::int64_t column, const std::uint8_t* field) {
  checkpoints_.push_back(
      Place{static_cast<std::size_t>(field - Begin()), kinds_.size(), arenaAddresses_.size(), size_, row, column});
}

PackedCells::Walk PackedCells::Start(std::size_t record) const {
  Walk walk{Place{}, FieldStops(Begin(), End())};
  // The last checkpoint at or before the record.
  std::size_t low = 0;
  std::size_t high = checkpoints_.size();  // the first checkpoint after the record is in [low, high]
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (checkpoints_[middle].record <= record) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (low > 0) walk.place = checkpoints_[low - 1];
  walk.stops.Seek(Begin() + walk.place.offset);
  return walk;
}

void PackedCells::Append(PackedCells&& following, std::int64_t rowsBefore) {
  for (std::size_t p = 0; p < following.partStart_.size() && p < partStart_.size(); ++p) {
    if (following.partStart_[p] != SIZE_MAX && partStart_[p] != SIZE_MAX) {
      throw std::logic_error("a store appended holds a part of the arena that this store holds");
    }
  }
  const auto offset = static_cast<std::size_t>(following.Begin() - Begin());
  // The following store's places, counted from its own start, are
  // counted from this store's (in place: nothing is copied).
  following.checkpoints_.ForEach([&](Place& place) {
    place.offset += offset;
    place.field += kinds_.size();
    place.arena += arenaAddresses_.size();
    place.record += size_;
    place.row += rowsBefore;
  });
  checkpoints_.Append(std::move(following.checkpoints_));
  // The following store's texts keep their addresses: only where its
  // parts' chunks now start is new.
  kinds_.Append(std::move(following.kinds_));
  arenaAddresses_.Append(std::move(following.arenaAddresses_));
  if (partStart_.size() < following.partStart_.size()) partStart_.resize(following.partStart_.size(), SIZE_MAX);
  for (std::size_t p = 0; p < following.partStart_.size(); ++p) {
    if (following.partStart_[p] != SIZE_MAX) partStart_[p] = chunks_.size() + following.partStart_[p];
  }
  chunks_.insert(chunks_.end(), following.chunks_.begin(), following.chunks_.end());
  following.chunks_.clear();  // they are this store's now
  size_ += following.size_;
  parts_ += following.parts_;
  last_.reset();
}

PackedCells::Entry PackedCells::Next(Walk& walk) const { return Step(walk); }

PackedCells::Entry PackedCells::At(std::size_t i) const {
  // Onwards from the last record asked for when that is on the way,
  // otherwise from the last checkpoint before i.
  if (!last_ || last_->place.record > i || i - last_->place.record >= kCheckpoint) {
    last_.emplace(Start(i));
  }
  while (last_->place.record < i) Next(*last_);
  return Next(*last_);
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
