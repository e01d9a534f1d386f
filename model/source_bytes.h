// The bytes of a source file, read only: either a buffer of their own or
// memory that a holder keeps valid (a file the platform mapped into
// memory, which then needs no copy). Moving keeps the bytes where they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace gridlet {

class SourceBytes {
 public:
  SourceBytes() = default;
  // Takes the buffer over.
  SourceBytes(std::vector<std::uint8_t> bytes) noexcept  // NOLINT: a buffer is the common source
      : owned_(std::move(bytes)), data_(owned_.data()), size_(owned_.size()) {}
  // Bytes that stay valid as long as the holder lives.
  SourceBytes(const std::uint8_t* data, std::size_t size, std::shared_ptr<const void> holder) noexcept
      : data_(data), size_(size), holder_(std::move(holder)) {}

  SourceBytes(SourceBytes&& other) noexcept { *this = std::move(other); }
  SourceBytes& operator=(SourceBytes&& other) noexcept {
    if (this != &other) {
      // A vector keeps its storage when moved, so data_ stays valid.
      owned_ = std::move(other.owned_);
      holder_ = std::move(other.holder_);
      data_ = std::exchange(other.data_, nullptr);
      size_ = std::exchange(other.size_, 0);
      other.owned_.clear();
    }
    return *this;
  }
  SourceBytes(const SourceBytes&) = delete;
  SourceBytes& operator=(const SourceBytes&) = delete;

  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::uint8_t operator[](std::size_t i) const { return data_[i]; }
  const std::uint8_t* begin() const { return data_; }
  const std::uint8_t* end() const { return data_ + size_; }

 private:
  std::vector<std::uint8_t> owned_;
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::shared_ptr<const void> holder_;
};

}  // namespace gridlet
