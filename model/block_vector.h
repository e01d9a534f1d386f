// A growable array kept in blocks: appending never moves what is stored,
// so a large array grows without holding an old and a new copy at once,
// nor the slack of a doubled capacity. The blocks double from 4 KB to a
// large block (kLargeBlock bytes, aligned to its size and announced as
// fresh memory, see model/fresh_memory.h), so that a small array stays
// small and a large one is filled a large block at a time.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "model/fresh_memory.h"

namespace gridlet {

// A block of fresh memory of `bytes` bytes; large blocks are aligned to
// kLargeBlock. Raises std::bad_alloc.
void* NewBlock(std::size_t bytes);
void DeleteBlock(void* block, std::size_t bytes) noexcept;

template <class T>
class BlockVector {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
  static constexpr std::size_t kFirst = 4096 / sizeof(T);  // elements of the first block
  static constexpr std::size_t kLast = kLargeBlock / sizeof(T);
  static_assert(std::has_single_bit(kFirst) && std::has_single_bit(kLast));
  // The growing blocks hold kFirst * (2^kGrowing - 1) elements together.
  static constexpr int kGrowing = std::countr_zero(kLast / kFirst);
  static constexpr std::size_t kGrown = kFirst * ((std::size_t{1} << kGrowing) - 1);

 public:
  BlockVector() = default;
  BlockVector(const BlockVector&) = delete;
  BlockVector& operator=(const BlockVector&) = delete;
  // Moving takes the blocks over and leaves the other empty.
  BlockVector(BlockVector&& other) noexcept { Take(other); }
  BlockVector& operator=(BlockVector&& other) noexcept {
    if (this != &other) {
      Free();
      Take(other);
    }
    return *this;
  }
  ~BlockVector() { Free(); }

  [[gnu::always_inline]] void push_back(const T& value) {
    if (size_ == capacity_) Grow();
    T* at = end_;
    *at = value;
    ++end_;
    ++size_;
  }
  const T& operator[](std::size_t i) const {
    std::size_t block;
    std::size_t offset;
    if (i < kGrown) {
      block = static_cast<std::size_t>(std::bit_width(i / kFirst + 1) - 1);
      offset = i - kFirst * ((std::size_t{1} << block) - 1);
    } else {
      block = kGrowing + (i - kGrown) / kLast;
      offset = (i - kGrown) % kLast;
    }
    return blocks_[block][offset];
  }
  // Element i and the number of elements stored after it in its block,
  // for walking from i without indexing each element.
  std::pair<const T*, std::size_t> RunFrom(std::size_t i) const {
    const T* at = &(*this)[i];
    const std::size_t b = BlockIndex(i);
    const std::size_t blockStart = b < static_cast<std::size_t>(kGrowing)
                                       ? kFirst * ((std::size_t{1} << b) - 1)
                                       : kGrown + (b - kGrowing) * kLast;
    const std::size_t stored = std::min(size_, blockStart + BlockLength(b));
    return {at, stored - i - 1};
  }
  const T& back() const { return end_[-1]; }
  std::size_t size() const { return size_; }

  // Appending through a cursor of the caller's, which it can keep in a
  // register: Room gives where the next element goes and where the room
  // of the last block ends (after a new block when it is full); Appended
  // takes the cursor's place as the end.
  std::pair<T*, T*> Room() {
    if (size_ == capacity_) Grow();
    return {end_, end_ + (capacity_ - size_)};
  }
  void Appended(T* end) {
    size_ += static_cast<std::size_t>(end - end_);
    end_ = end;
  }
  bool empty() const { return size_ == 0; }

  // Calls f on every element in order, which it may change.
  template <class F>
  void ForEach(F&& f) {
    std::size_t left = size_;
    for (std::size_t b = 0; left > 0; ++b) {
      const std::size_t n = std::min(left, BlockLength(b));
      T* block = blocks_[b];
      for (std::size_t i = 0; i < n; ++i) f(block[i]);
      left -= n;
    }
  }

 private:
  static std::size_t BlockIndex(std::size_t i) {
    return i < kGrown ? static_cast<std::size_t>(std::bit_width(i / kFirst + 1) - 1)
                      : kGrowing + (i - kGrown) / kLast;
  }
  static std::size_t BlockLength(std::size_t b) {
    return b < static_cast<std::size_t>(kGrowing) ? kFirst << b : kLast;
  }
  void Free() noexcept {
    for (std::size_t b = 0; b < blocks_.size(); ++b) DeleteBlock(blocks_[b], BlockLength(b) * sizeof(T));
    blocks_.clear();
  }
  void Take(BlockVector& other) noexcept {
    blocks_ = std::move(other.blocks_);
    other.blocks_.clear();
    end_ = std::exchange(other.end_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  [[gnu::noinline]] void Grow() {
    const std::size_t length = BlockLength(blocks_.size());
    blocks_.reserve(blocks_.size() + 1);
    T* block = static_cast<T*>(NewBlock(length * sizeof(T)));
    blocks_.push_back(block);
    end_ = block;
    capacity_ += length;
  }

  std::vector<T*> blocks_;
  T* end_ = nullptr;  // where the next element goes
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

// Block vectors joined end to end: one appended keeps its blocks, nothing
// is copied. Elements are added to the last, which is held in place, so
// that adding costs what it costs in a block vector.
template <class T>
class BlockChain {
 public:
  [[gnu::always_inline]] void push_back(const T& value) { last_.push_back(value); }
  const T& operator[](std::size_t i) const {
    if (i >= lastStart_) return last_[i - lastStart_];
    const Link& link = LinkOf(i);
    return link.values[i - link.start];
  }
  // As BlockVector::RunFrom: the run ends with its block.
  std::pair<const T*, std::size_t> RunFrom(std::size_t i) const {
    if (i >= lastStart_) return last_.RunFrom(i - lastStart_);
    const Link& link = LinkOf(i);
    return link.values.RunFrom(i - link.start);
  }
  std::size_t size() const { return lastStart_ + last_.size(); }
  // As in a block vector.
  std::pair<T*, T*> Room() { return last_.Room(); }
  void Appended(T* end) { last_.Appended(end); }
  // Calls f on every element in order, which it may change.
  template <class F>
  void ForEach(F&& f) {
    for (Link& link : earlier_) link.values.ForEach(f);
    last_.ForEach(f);
  }

  // Takes over every element of `other`, after this chain's; `other` is
  // left empty.
  void Append(BlockChain&& other) {
    AddLink(std::move(last_));
    for (Link& link : other.earlier_) AddLink(std::move(link.values));
    last_ = std::move(other.last_);
    other.earlier_.clear();
    other.lastStart_ = 0;
  }

 private:
  struct Link {
    BlockVector<T> values;
    std::size_t start;  // the index of its first element in the chain
  };
  // Puts a full block vector after the links and before the last.
  void AddLink(BlockVector<T>&& values) {
    if (values.empty()) return;
    const std::size_t size = values.size();
    earlier_.push_back({std::move(values), lastStart_});
    lastStart_ += size;
  }
  // The link before the last that holds element i: chains have few.
  const Link& LinkOf(std::size_t i) const {
    std::size_t l = earlier_.size() - 1;
    while (earlier_[l].start > i) --l;
    return earlier_[l];
  }

  std::vector<Link> earlier_;
  std::size_t lastStart_ = 0;  // the index of last_'s first element
  BlockVector<T> last_;
};

}  // namespace gridlet
