#include "model/helper_thread.h"

#include <utility>

#include "model/spare_threads.h"

namespace gridlet {

HelperThread::HelperThread(std::function<void()> work) : work_(std::move(work)) {
  // Without a thread, Join does the work.
  ended_ = StartOnSpareThread([this] { work_(); });
}

HelperThread::~HelperThread() {
  // Reached without Join only when the caller is leaving with an error of
  // its own: work not yet done is not started.
  if (ended_.valid()) ended_.wait();
}

void HelperThread::Join() {
  if (joined_) return;
  joined_ = true;
  if (ended_.valid()) {
    std::exchange(ended_, {}).get();
  } else {
    work_();
  }
}

}  // namespace gridlet
