// Keeps one instance of the spreadsheet application for a whole batch of
// conversions. Starting LibreOffice takes seconds, its work on a small
// workbook a fraction of one; a command converting a folder of workbooks
// therefore starts it once and hands the same instance to every operation.
//
// An operation that ends with Quit gives the instance back for the next
// one. An operation that ends any other way (a failure, which may leave a
// document open or the instance broken) ends the instance with it, and the
// next operation starts a fresh one. The kept instance is quit when the
// launcher is destroyed.
#pragma once

#include <memory>

#include "bridge/spreadsheet_application.h"

namespace gridlet {

class ReusingLauncher : public SpreadsheetApplicationLauncher {
 public:
  explicit ReusingLauncher(SpreadsheetApplicationLauncher& starter) : starter_(starter) {}
  ReusingLauncher(const ReusingLauncher&) = delete;
  ReusingLauncher& operator=(const ReusingLauncher&) = delete;
  // Every instance handed out must have been released before.
  ~ReusingLauncher() override;

  // The kept instance when there is one, otherwise a new one from the
  // starter (null when it cannot start one).
  std::unique_ptr<SpreadsheetApplication> Start() override;

 private:
  class Lease;
  void GiveBack(std::unique_ptr<SpreadsheetApplication> application);

  SpreadsheetApplicationLauncher& starter_;
  std::unique_ptr<SpreadsheetApplication> idle_;
};

}  // namespace gridlet
