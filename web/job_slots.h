// Bounds the conversions that run at once. A request takes a slot for its
// conversions and gives it back when it ends; a request that finds every
// slot taken waits its turn, for a limited time.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace gridlet::web {

class JobSlots {
 public:
  explicit JobSlots(std::size_t count) : count_(count == 0 ? 1 : count) {}

  // A taken slot, given back when it is destroyed.
  class Slot {
   public:
    explicit Slot(JobSlots* owner) : owner_(owner) {}
    Slot(Slot&& other) noexcept : owner_(other.owner_) { other.owner_ = nullptr; }
    Slot& operator=(Slot&&) = delete;
    ~Slot() { Release(); }
    explicit operator bool() const { return owner_ != nullptr; }
    // Gives the slot back early. Idempotent.
    void Release() {
      if (owner_) owner_->Release();
      owner_ = nullptr;
    }

   private:
    JobSlots* owner_;
  };

  // A slot, or an empty one when none came free within the wait.
  Slot Take(std::chrono::milliseconds wait);

  std::size_t Count() const { return count_; }
  std::size_t Busy() const;
  std::size_t Waiting() const;

 private:
  void Release();

  const std::size_t count_;
  mutable std::mutex mutex_;
  std::condition_variable freed_;
  std::size_t busy_ = 0;
  std::size_t waiting_ = 0;
};

}  // namespace gridlet::web
