// The launcher that keeps one spreadsheet application for a batch.
#include "platform/reusing_launcher.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "model/com_error.h"

namespace gridlet {
namespace {

// Applications that count what happens to them.
struct Log {
  int started = 0;
  int quit = 0;
  int released = 0;
  bool failStart = false;
};

class FakeApplication : public SpreadsheetApplication {
 public:
  FakeApplication(Log& log, int id) : log_(log), id_(id) {}
  ~FakeApplication() override { ++log_.released; }
  void PutVisible(bool) override {}
  bool GetDisplayAlerts() override {
    if (gone) throw ComError(E_FAIL, "gone");
    return alerts_;
  }
  void PutDisplayAlerts(bool value) override { alerts_ = value; }
  std::unique_ptr<SpreadsheetWorkbooks> GetWorkbooks() override { return nullptr; }
  std::unique_ptr<SpreadsheetWindow> GetActiveWindow() override { return nullptr; }
  void Quit() override { ++log_.quit; }

  int id() const { return id_; }
  static inline bool gone = false;

 private:
  Log& log_;
  int id_;
  bool alerts_ = true;
};

class FakeLauncher : public SpreadsheetApplicationLauncher {
 public:
  explicit FakeLauncher(Log& log) : log_(log) {}
  std::unique_ptr<SpreadsheetApplication> Start() override {
    if (log_.failStart) return nullptr;
    return std::make_unique<FakeApplication>(log_, ++log_.started);
  }

 private:
  Log& log_;
};

class ReusingLauncherTest : public ::testing::Test {
 protected:
  void TearDown() override { FakeApplication::gone = false; }
  Log log;
  FakeLauncher starter{log};
};

TEST_F(ReusingLauncherTest, OperationsThatQuitShareOneInstance) {
  {
    ReusingLauncher launcher(starter);
    for (int i = 0; i < 5; ++i) {
      std::unique_ptr<SpreadsheetApplication> app = launcher.Start();
      ASSERT_NE(app, nullptr);
      app->PutDisplayAlerts(false);
      EXPECT_FALSE(app->GetDisplayAlerts());  // members reach the instance
      app->PutDisplayAlerts(true);
      app->Quit();
    }
    EXPECT_EQ(log.started, 1);
    EXPECT_EQ(log.quit, 0);
    EXPECT_EQ(log.released, 0);
  }
  // The batch is over: the instance is quit and released.
  EXPECT_EQ(log.quit, 1);
  EXPECT_EQ(log.released, 1);
}

TEST_F(ReusingLauncherTest, AnOperationThatFailsEndsItsInstance) {
  ReusingLauncher launcher(starter);
  launcher.Start()->Quit();
  {
    std::unique_ptr<SpreadsheetApplication> failing = launcher.Start();
    EXPECT_EQ(log.started, 1);
    // Released without Quit, as after an error half-way.
  }
  EXPECT_EQ(log.released, 1);
  launcher.Start()->Quit();
  EXPECT_EQ(log.started, 2);
}

TEST_F(ReusingLauncherTest, AKeptInstanceThatEndedIsReplaced) {
  ReusingLauncher launcher(starter);
  launcher.Start()->Quit();
  FakeApplication::gone = true;
  std::unique_ptr<SpreadsheetApplication> app = launcher.Start();
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(log.started, 2);
  EXPECT_EQ(log.released, 1);
  FakeApplication::gone = false;
  app->Quit();
}

TEST_F(ReusingLauncherTest, TwoOperationsAtOnceGetTwoInstancesAndOneIsKept) {
  ReusingLauncher launcher(starter);
  std::unique_ptr<SpreadsheetApplication> first = launcher.Start();
  std::unique_ptr<SpreadsheetApplication> second = launcher.Start();
  EXPECT_EQ(log.started, 2);
  first->Quit();
  second->Quit();
  first.reset();
  second.reset();
  EXPECT_EQ(log.quit, 1);  // the second is not kept
  EXPECT_EQ(log.released, 1);
  launcher.Start()->Quit();
  EXPECT_EQ(log.started, 2);
}

TEST_F(ReusingLauncherTest, AtTheLimitOfRunningInstancesAnOperationWaitsForOne) {
  ReusingLauncher launcher(starter, ReusingLauncher::Limits{1, 1});
  std::unique_ptr<SpreadsheetApplication> first = launcher.Start();
  std::unique_ptr<SpreadsheetApplication> second;
  std::thread waiting([&] { second = launcher.Start(); });
  // The second operation can only have the instance the first gives back:
  // with a second instance started, the limit would not hold.
  first->Quit();
  first.reset();
  waiting.join();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(log.started, 1);
  EXPECT_EQ(launcher.InUse(), 1u);
  second->Quit();
  second.reset();
  EXPECT_EQ(launcher.InUse(), 0u);
}

TEST_F(ReusingLauncherTest, AnOperationIsToldWhenItsInstanceWasLost) {
  ReusingLauncher launcher(starter, ReusingLauncher::Limits{2, 2});
  int lost = 0;
  launcher.StartWatched([&] { ++lost; })->Quit();  // ended well
  launcher.StartWatched([&] { ++lost; }).reset();  // failed, the instance still answers
  EXPECT_EQ(lost, 0);
  {
    std::unique_ptr<SpreadsheetApplication> app = launcher.StartWatched([&] { ++lost; });
    FakeApplication::gone = true;  // ended during the operation
  }
  EXPECT_EQ(lost, 1);
  FakeApplication::gone = false;
  EXPECT_EQ(log.released, log.started);  // failed operations end their instances
}

TEST_F(ReusingLauncherTest, NoInstanceWhenTheStarterHasNone) {
  ReusingLauncher launcher(starter);
  log.failStart = true;
  EXPECT_EQ(launcher.Start(), nullptr);
}

}  // namespace
}  // namespace gridlet
