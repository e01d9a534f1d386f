#include "model/helper_thread.h"

#include <system_error>
#include <utility>

namespace gridlet {

HelperThread::HelperThread(std::function<void()> work) : work_(std::move(work)) {
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    // No thread to be had: Join does the work.
  }
}

HelperThread::~HelperThread() {
  // Reached without Join only when the caller is leaving with an error of
  // its own: work not yet done is not started.
  if (thread_.joinable()) thread_.join();
}

void HelperThread::Run() noexcept {
  try {
    work_();
  } catch (...) {
    error_ = std::current_exception();
  }
}

void HelperThread::Join() {
  if (done_) return;
  done_ = true;
  if (thread_.joinable()) {
    thread_.join();
  } else {
    Run();
  }
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

}  // namespace gridlet
