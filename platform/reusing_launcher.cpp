#include "platform/reusing_launcher.h"

#include <utility>

namespace gridlet {

// The instance as one operation sees it: every member goes to the kept
// instance, except Quit, which only marks the operation as ended well.
class ReusingLauncher::Lease : public SpreadsheetApplication {
 public:
  Lease(ReusingLauncher& owner, std::unique_ptr<SpreadsheetApplication> application)
      : owner_(owner), application_(std::move(application)) {}
  ~Lease() override {
    if (quit_) owner_.GiveBack(std::move(application_));
  }

  void PutVisible(bool value) override { application_->PutVisible(value); }
  bool GetDisplayAlerts() override { return application_->GetDisplayAlerts(); }
  void PutDisplayAlerts(bool value) override { application_->PutDisplayAlerts(value); }
  std::unique_ptr<SpreadsheetWorkbooks> GetWorkbooks() override { return application_->GetWorkbooks(); }
  std::unique_ptr<SpreadsheetWindow> GetActiveWindow() override {
    return application_->GetActiveWindow();
  }
  void Quit() override { quit_ = true; }

 private:
  ReusingLauncher& owner_;
  std::unique_ptr<SpreadsheetApplication> application_;
  bool quit_ = false;
};

ReusingLauncher::~ReusingLauncher() {
  if (!idle_) return;
  try {
    idle_->Quit();
  } catch (...) {
    // Already gone; releasing it below ends whatever is left.
  }
}

std::unique_ptr<SpreadsheetApplication> ReusingLauncher::Start() {
  std::unique_ptr<SpreadsheetApplication> application = std::move(idle_);
  if (application) {
    // An instance that ended while it was kept is replaced.
    try {
      application->GetDisplayAlerts();
    } catch (...) {
      application.reset();
    }
  }
  if (!application) application = starter_.Start();
  if (!application) return nullptr;
  return std::make_unique<Lease>(*this, std::move(application));
}

void ReusingLauncher::GiveBack(std::unique_ptr<SpreadsheetApplication> application) {
  // With two operations at once, the second instance is not kept.
  if (!idle_) {
    idle_ = std::move(application);
    return;
  }
  try {
    application->Quit();
  } catch (...) {
  }
}

}  // namespace gridlet
