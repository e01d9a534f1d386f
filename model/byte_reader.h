// A read stream over a sheet's source bytes (a private copy, or bytes
// handed over): position, single-byte reads with put-back, seeks, and
// bounded block reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "model/source_bytes.h"

namespace gridlet {

class ByteReader {
 public:
  ByteReader(const std::uint8_t* bytes, std::size_t size)
      : data_(std::vector<std::uint8_t>(bytes, bytes + size)) {}
  // Over bytes handed over by their owner, without a copy.
  explicit ByteReader(SourceBytes&& bytes) noexcept : data_(std::move(bytes)) {}

  std::size_t Size() const { return data_.size(); }
  std::size_t Position() const { return pos_; }
  // False once a read went past the end; later reads return nothing.
  bool Good() const { return good_; }
  bool AtEnd() const { return !good_ || pos_ >= data_.size(); }

  // The next byte, or -1 (and the stream turns bad) at the end.
  int Get() {
    if (!good_ || pos_ >= data_.size()) {
      good_ = false;
      return -1;
    }
    return data_[pos_++];
  }
  void Unget() {
    if (good_ && pos_ > 0) --pos_;
  }
  void Seek(std::size_t position) {
    pos_ = position;
    good_ = position <= data_.size();
  }

  // Copies n bytes; returns false (and reads nothing) when fewer remain.
  bool Read(std::uint8_t* out, std::size_t n);

  // Like Read, but a shortfall raises SheetDataError naming what was being
  // read and where.
  void ReadExact(std::uint8_t* out, std::size_t n, std::string_view what);
  std::uint8_t ReadByte(std::string_view what);

  const std::uint8_t* Data() const { return data_.data(); }
  // Hands the bytes over; the stream is then empty.
  SourceBytes Release() noexcept {
    pos_ = 0;
    return std::move(data_);
  }

 private:
  SourceBytes data_;
  std::size_t pos_ = 0;
  bool good_ = true;
};

}  // namespace gridlet
