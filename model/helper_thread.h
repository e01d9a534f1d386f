// Work done on a second thread beside the caller's, so that a large sheet
// is read or written by two cores. When no thread can be started the work
// is done by Join, on the caller's thread: the result is the same.
#pragma once

#include <exception>
#include <functional>
#include <thread>

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
  bool Running() const { return thread_.joinable(); }
  // Waits for the work to end, or does it; throws what it threw.
  void Join();

 private:
  void Run() noexcept;

  std::function<void()> work_;
  std::thread thread_;
  std::exception_ptr error_;
  bool done_ = false;
};

}  // namespace gridlet
