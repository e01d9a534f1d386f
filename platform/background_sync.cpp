#include "platform/background_sync.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace gridlet {

void BackgroundSync::Request() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    ++requested_;
    if (!started_) {
      started_ = true;
      try {
        thread_ = std::thread([this] { Run(); });
      } catch (const std::system_error&) {
        // No thread to be had: the final sync does it all.
      }
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
  if (thread_.joinable()) thread_.join();
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
