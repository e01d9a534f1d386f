// Work done on a second thread beside the caller's, so that a large sheet
// is read or written by two cores. When no thread can be started the work
// is done by Join, on the caller's thread: the result is the same.
#pragma once

#include <functional>
#include <future>

namespace gridlet {

class HelperThread {
 public:
  explicit HelperThread(std::function<void()> work);
  // Waits for work under way; what it threw is dropped (call Join to see
  // it).
  ~HelperThread();
  HelperThread(const HelperThread&) = delete;
  HelperThread& operator=(const HelperThread&) = delete;

  // Whether the work is done on a thread of its own.
  bool Running() const { return ended_.valid(); }
  // Waits for the work to end, or does it; throws what it threw.
  void Join();

 private:
  std::function<void()> work_;
  std::future<void> ended_;  // of the work on a spare thread
  bool joined_ = false;
};

}  // namespace gridlet
