// Keeps instances of the spreadsheet application for a whole batch of
// conversions. Starting LibreOffice takes seconds, its work on a small
// workbook a fraction of one; a command converting a folder of workbooks
// therefore starts it once and hands the same instance to every operation,
// and a server keeps a small pool of them for its requests.
//
// An operation that ends with Quit gives the instance back for the next
// one. An operation that ends any other way (a failure, which may leave a
// document open or the instance broken) ends the instance with it, and the
// next operation starts a fresh one. The kept instances are quit when the
// launcher is destroyed.
//
// The launcher may be used from several threads at once. Instances are
// started one at a time: the starter need not be thread-safe.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "bridge/spreadsheet_application.h"

namespace gridlet {

class ReusingLauncher : public SpreadsheetApplicationLauncher {
 public:
  struct Limits {
    std::size_t kept = 1;     // idle instances kept for later operations
    std::size_t running = 0;  // instances alive at once, idle or in use; 0: no limit
  };

  explicit ReusingLauncher(SpreadsheetApplicationLauncher& starter) : ReusingLauncher(starter, Limits{}) {}
  ReusingLauncher(SpreadsheetApplicationLauncher& starter, Limits limits);
  ReusingLauncher(const ReusingLauncher&) = delete;
  ReusingLauncher& operator=(const ReusingLauncher&) = delete;
  // Every instance handed out must have been released before.
  ~ReusingLauncher() override;

  // A kept instance when there is one, otherwise a new one from the
  // starter (null when it cannot start one). At the limit of running
  // instances, waits until an operation ends.
  std::unique_ptr<SpreadsheetApplication> Start() override { return StartWatched(nullptr); }

  // As Start; `onLost` is called when the operation ends without Quit and
  // its instance no longer answers: it ended or was ended during the
  // operation, rather than failing on the operation's document.
  std::unique_ptr<SpreadsheetApplication> StartWatched(std::function<void()> onLost);

  // Instances handed out and not yet released.
  std::size_t InUse() const;

 private:
  class Lease;
  void GiveBack(std::unique_ptr<SpreadsheetApplication> application);
  void Ended();

  SpreadsheetApplicationLauncher& starter_;
  const Limits limits_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::mutex starting_;  // one start at a time
  std::vector<std::unique_ptr<SpreadsheetApplication>> idle_;
  std::size_t running_ = 0;  // counted from the start until the release
  std::size_t inUse_ = 0;
};

}  // namespace gridlet
