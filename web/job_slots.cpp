#include "web/job_slots.h"

namespace gridlet::web {

JobSlots::Slot JobSlots::Take(std::chrono::milliseconds wait) {
  std::unique_lock lock(mutex_);
  ++waiting_;
  const bool free = freed_.wait_for(lock, wait, [this] { return busy_ < count_; });
  --waiting_;
  if (!free) return Slot(nullptr);
  ++busy_;
  return Slot(this);
}

std::size_t JobSlots::Busy() const {
  std::lock_guard lock(mutex_);
  return busy_;
}

std::size_t JobSlots::Waiting() const {
  std::lock_guard lock(mutex_);
  return waiting_;
}

void JobSlots::Release() {
  {
    std::lock_guard lock(mutex_);
    --busy_;
  }
  freed_.notify_one();
}

}  // namespace gridlet::web
