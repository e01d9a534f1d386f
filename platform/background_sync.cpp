#include "platform/background_sync.h"

#include <unistd.h>

#include <cerrno>

#include "model/spare_threads.h"

namespace gridlet {

void BackgroundSync::Request() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    ++requested_;
    if (!started_) {
      started_ = true;
      // Without a thread, the final sync does it all.
      ended_ = StartOnSpareThread([this] { Run(); });
    }
  }
  wake_.notify_one();
}

int BackgroundSync::End(bool meetRequests) {
  {
    std::lock_guard lock(mutex_);
    if (!stopping_) meetRequests_ = meetRequests;
    stopping_ = true;
  }
  wake_.notify_one();
  if (ended_.valid()) ended_.wait();
  return error_;
}

void BackgroundSync::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || requested_ > served_; });
    if (stopping_ && !(meetRequests_ && requested_ > served_)) return;
    const std::uint64_t meeting = requested_;
    lock.unlock();
    int result;
    while ((result = ::fdatasync(fd_)) != 0 && errno == EINTR) {
    }
    const int error = result == 0 ? 0 : errno;
    lock.lock();
    if (error_ == 0) error_ = error;
    served_ = meeting;
  }
}

}  // namespace gridlet
