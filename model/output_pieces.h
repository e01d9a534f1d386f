// The bytes of an output as it is made: kept whole in a buffer, or, when
// there is a sink, sent on to it a piece at a time so that a large output
// is never held whole. Bytes are written straight into the buffer: Room
// gives the place for them, Advance counts them in.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>

#include "model/translatable.h"

namespace gridlet {

class OutputPieces {
 public:
  using Sink = std::function<void(const std::uint8_t* bytes, std::size_t size)>;
  static constexpr std::size_t kPiece = std::size_t{1} << 20;
  static constexpr std::size_t kFirstRoom = std::size_t{64} << 10;

  // Writes into `buffer` from its start (what it held is written over);
  // `sink` may be empty.
  OutputPieces(ByteBuffer& buffer, const Sink& sink) : buffer_(buffer), sink_(sink) {}

  // The place for `size` more bytes.
  std::uint8_t* Room(std::size_t size) {
    if (buffer_.size() - used_ < size) {
      // Grown by what it holds, from 64 KB up to a piece at a time: a
      // small output stays small. Room set aside beforehand is not
      // outgrown before it is full: growing would copy the bytes.
      const std::size_t step = std::min(std::max(buffer_.size(), kFirstRoom), kPiece);
      std::size_t grown = used_ + std::max(size, step);
      if (used_ + size <= buffer_.capacity()) grown = std::min(grown, buffer_.capacity());
      buffer_.resize(grown);
    }
    return buffer_.data() + used_;
  }
  // How many bytes may be written at the place that Room(asked) gave: all
  // it has room for, or, when the output is sent on in pieces, no more
  // than the piece being made takes (but never fewer than asked for).
  std::size_t RoomLeft(std::size_t asked) const {
    std::size_t left = buffer_.size() - used_;
    if (sink_ && used_ < kPiece) left = std::min(left, kPiece - used_);
    return std::max(left, asked);
  }
  // Counts in the `size` bytes just written at Room.
  void Advance(std::size_t size) {
    used_ += size;
    if (used_ >= kPiece) Flush();
  }
  void Put(const void* bytes, std::size_t size) {
    if (size == 0) return;  // (an empty text may have no bytes at all)
    std::memcpy(Room(size), bytes, size);
    Advance(size);
  }
  // Bytes made elsewhere: sent to the sink as they are, after what is
  // kept, when there is one, and otherwise copied.
  void PutMade(const std::uint8_t* bytes, std::size_t size) {
    if (!sink_ || size < kPiece / 4) return Put(bytes, size);
    Flush();
    sink_(bytes, size);
    sent_ += size;
  }
  // `count` times the byte.
  void PutRepeated(std::uint8_t byte, std::uint64_t count) {
    while (count > 0) {
      const std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(count, kPiece));
      std::memset(Room(part), byte, part);
      Advance(part);
      count -= part;
    }
  }

  // The bytes written into the buffer and not yet sent.
  std::size_t Kept() const { return used_; }

  // Sends what is left to the sink; the buffer keeps only what no sink
  // took. Returns the size of the whole output.
  std::size_t Finish() {
    Flush();
    buffer_.resize(used_);
    return sent_ + used_;
  }

 private:
  void Flush() {
    if (!sink_ || used_ == 0) return;
    sink_(buffer_.data(), used_);
    sent_ += used_;
    used_ = 0;
  }

  ByteBuffer& buffer_;
  const Sink& sink_;
  std::size_t used_ = 0;  // of the buffer
  std::size_t sent_ = 0;  // to the sink
};

}  // namespace gridlet
