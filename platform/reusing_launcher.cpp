#include "platform/reusing_launcher.h"

#include <utility>

namespace gridlet {

// The instance as one operation sees it: every member goes to the kept
// instance, except Quit, which only marks the operation as ended well.
class ReusingLauncher::Lease : public SpreadsheetApplication {
 public:
  Lease(ReusingLauncher& owner, std::unique_ptr<SpreadsheetApplication> application,
        std::function<void()> onLost)
      : owner_(owner), application_(std::move(application)), onLost_(std::move(onLost)) {}
  ~Lease() override {
    if (quit_) {
      owner_.GiveBack(std::move(application_));
      return;
    }
    if (onLost_ && !Answers(*application_)) onLost_();
    application_.reset();
    owner_.Ended();
  }

  void PutVisible(bool value) override { application_->PutVisible(value); }
  bool GetDisplayAlerts() override { return application_->GetDisplayAlerts(); }
  void PutDisplayAlerts(bool value) override { application_->PutDisplayAlerts(value); }
  std::unique_ptr<SpreadsheetWorkbooks> GetWorkbooks() override { return application_->GetWorkbooks(); }
  std::unique_ptr<SpreadsheetWindow> GetActiveWindow() override {
    return application_->GetActiveWindow();
  }
  void Quit() override { quit_ = true; }

  // Whether an instance still takes calls.
  static bool Answers(SpreadsheetApplication& application) {
    try {
      application.GetDisplayAlerts();
      return true;
    } catch (...) {
      return false;
    }
  }

 private:
  ReusingLauncher& owner_;
  std::unique_ptr<SpreadsheetApplication> application_;
  std::function<void()> onLost_;
  bool quit_ = false;
};

ReusingLauncher::ReusingLauncher(SpreadsheetApplicationLauncher& starter, Limits limits)
    : starter_(starter), limits_(limits) {}

ReusingLauncher::~ReusingLauncher() {
  for (std::unique_ptr<SpreadsheetApplication>& application : idle_) {
    try {
      application->Quit();
    } catch (...) {
      // Already gone; releasing it below ends whatever is left.
    }
  }
}

std::unique_ptr<SpreadsheetApplication> ReusingLauncher::StartWatched(std::function<void()> onLost) {
  std::unique_ptr<SpreadsheetApplication> application;
  std::vector<std::unique_ptr<SpreadsheetApplication>> ended;  // released outside the lock
  {
    std::unique_lock lock(mutex_);
    for (;;) {
      // A kept instance that ended while it was kept is replaced.
      while (!application && !idle_.empty()) {
        std::unique_ptr<SpreadsheetApplication> candidate = std::move(idle_.back());
        idle_.pop_back();
        if (Lease::Answers(*candidate)) {
          application = std::move(candidate);
        } else {
          ended.push_back(std::move(candidate));
          --running_;
        }
      }
      if (application) break;
      if (limits_.running == 0 || running_ < limits_.running) {
        ++running_;  // the place of the instance started below
        break;
      }
      changed_.wait(lock);
    }
    ++inUse_;
  }
  ended.clear();
  if (!application) {
    try {
      std::lock_guard one(starting_);
      application = starter_.Start();
    } catch (...) {
      Ended();
      throw;
    }
    if (!application) {
      Ended();
      return nullptr;
    }
  }
  return std::make_unique<Lease>(*this, std::move(application), std::move(onLost));
}

void ReusingLauncher::GiveBack(std::unique_ptr<SpreadsheetApplication> application) {
  {
    std::lock_guard lock(mutex_);
    --inUse_;
    if (idle_.size() < limits_.kept) {
      idle_.push_back(std::move(application));
      changed_.notify_all();
      return;
    }
  }
  // More instances than are kept: this one ends.
  try {
    application->Quit();
  } catch (...) {
  }
  application.reset();
  std::lock_guard lock(mutex_);
  --running_;
  changed_.notify_all();
}

void ReusingLauncher::Ended() {
  std::lock_guard lock(mutex_);
  --running_;
  --inUse_;
  changed_.notify_all();
}

std::size_t ReusingLauncher::InUse() const {
  std::lock_guard lock(mutex_);
  return inUse_;
}

}  // namespace gridlet
