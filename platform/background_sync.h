// Syncing a file to the disk on a thread of its own while more of it is
// being written. A sync waits until the disk holds everything written so
// far, down to its own cache; for a large file that wait can be longer
// than the writing itself, even when the system was asked to send the
// bytes on early. Syncs made while the rest of the file is still being
// made leave the last one, which makes the file durable, only the tail to
// wait for.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <future>
#include <mutex>

namespace gridlet {

class BackgroundSync {
 public:
  // For the open file `fd`, which must stay open until Finish, or until
  // this is destroyed.
  explicit BackgroundSync(int fd) : fd_(fd) {}
  // Waits for a sync under way; drops requests not yet taken up.
  ~BackgroundSync() { End(false); }
  BackgroundSync(const BackgroundSync&) = delete;
  BackgroundSync& operator=(const BackgroundSync&) = delete;

  // Asks for what has been written so far to be synced, without waiting.
  // The first request starts the thread; when none can be started, the
  // requests are left to the final sync.
  void Request();

  // Waits until every request has been met and ends the thread. Returns
  // the first error a sync met (errno), or 0. The system reports such an
  // error only once, so a later sync of the file may not see it again:
  // the caller must take it as its own.
  int Finish() { return End(true); }
  // As Finish, but drops requests not yet taken up: for a caller that has
  // synced the whole file itself since its last write.
  int Stop() { return End(false); }

 private:
  int End(bool meetRequests);
  void Run();

  const int fd_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::uint64_t requested_ = 0;  // requests made
  std::uint64_t served_ = 0;     // requests met by a finished sync
  bool stopping_ = false;
  bool meetRequests_ = false;  // before stopping
  bool started_ = false;  // (or tried)
  int error_ = 0;
  std::future<void> ended_;  // of the thread
};

}  // namespace gridlet
