#include "model/spare_threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <stdexcept>
#include <thread>
#include <vector>

#include "model/helper_thread.h"

namespace gridlet {
namespace {

// Waits, for a few seconds at most, until `count` spare threads wait.
bool AwaitWaiting(std::size_t count) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (SpareThreadsWaiting() < count) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

std::thread::id RunAndTellThread() {
  std::thread::id ranOn;
  StartOnSpareThread([&] { ranOn = std::this_thread::get_id(); }).get();
  return ranOn;
}

TEST(SpareThreadsTest, AThreadDoneWithItsWorkTakesTheNext) {
  const std::thread::id first = RunAndTellThread();
  EXPECT_NE(first, std::this_thread::get_id());
  ASSERT_TRUE(AwaitWaiting(1));
  const std::size_t waiting = SpareThreadsWaiting();
  // Whichever waiting thread takes it, no thread is started: one fewer waits
  // while the work runs, and it waits again after.
  std::latch running(1), release(1);
  std::future<void> held = StartOnSpareThread([&] {
    running.count_down();
    release.wait();
  });
  running.wait();
  EXPECT_EQ(SpareThreadsWaiting(), waiting - 1);
  release.count_down();
  held.get();
  EXPECT_TRUE(AwaitWaiting(waiting));
}

// Work handed over at once, more pieces than threads wait, runs all at once:
// none is left queued behind another that waits for it.
TEST(SpareThreadsTest, WorkHandedOverTogetherRunsTogether) {
  for (const int pieces : {1, 3, 12}) {
    std::latch allRunning(pieces);
    std::atomic<int> sawAllRunning{0};
    std::vector<std::future<void>> ended;
    for (int i = 0; i < pieces; ++i) {
      ended.push_back(StartOnSpareThread([&] {
        allRunning.count_down();
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!allRunning.try_wait() && std::chrono::steady_clock::now() < until) {
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (allRunning.try_wait()) ++sawAllRunning;
      }));
      ASSERT_TRUE(ended.back().valid());
    }
    for (std::future<void>& e : ended) e.get();
    EXPECT_EQ(sawAllRunning, pieces);
  }
}

TEST(SpareThreadsTest, WhatTheWorkThrewReachesTheCaller) {
  std::future<void> ended = StartOnSpareThread([] { throw std::runtime_error("no room"); });
  EXPECT_THROW(ended.get(), std::runtime_error);

  std::atomic<int> done{0};
  HelperThread helper([&] {
    ++done;
    throw std::invalid_argument("bad field");
  });
  EXPECT_TRUE(helper.Running());
  EXPECT_THROW(helper.Join(), std::invalid_argument);
  helper.Join();  // once only
  EXPECT_EQ(done, 1);
}

}  // namespace
}  // namespace gridlet
