#include "model/spare_threads.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace gridlet {

namespace {

// A spare thread waits this long for more work, and no more than this many
// wait at once: a busy spell leaves no crowd of idle threads behind.
constexpr auto kKeptFor = std::chrono::seconds(10);
constexpr std::size_t kMostWaiting = 8;

struct Spares {
  std::mutex mutex;
  std::condition_variable workCame;
  std::deque<std::function<void()>> work;  // handed over, not yet taken up
  std::size_t waiting = 0;
};

// Never destroyed: spare threads may still be waiting on it while the
// process ends.
Spares& TheSpares() {
  static Spares* const spares = new Spares;
  return *spares;
}

// A spare thread's life: its first work, then whatever is handed over
// while it waits.
void Serve(std::function<void()> work) {
  Spares& spares = TheSpares();
  for (;;) {
    work();
    work = nullptr;  // what it holds goes before the thread waits
    std::unique_lock lock(spares.mutex);
    if (spares.waiting >= kMostWaiting) return;
    ++spares.waiting;
    const bool came = spares.workCame.wait_for(lock, kKeptFor, [&] { return !spares.work.empty(); });
    --spares.waiting;
    if (!came) return;
    work = std::move(spares.work.front());
    spares.work.pop_front();
  }
}

}  // namespace

bool RunOnSpareThread(std::function<void()> work) {
  Spares& spares = TheSpares();
  {
    std::lock_guard lock(spares.mutex);
    // Each waiting thread takes one piece of work.
    if (spares.waiting > spares.work.size()) {
      spares.work.push_back(std::move(work));
      spares.workCame.notify_one();
      return true;
    }
  }
  try {
    std::thread(Serve, std::move(work)).detach();
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

std::future<void> StartOnSpareThread(std::function<void()> work) {
  // Shared, since work handed over must be copyable.
  auto ended = std::make_shared<std::promise<void>>();
  std::future<void> future = ended->get_future();
  const bool started = RunOnSpareThread([work = std::move(work), ended]() {
    try {
      work();
      ended->set_value();
    } catch (...) {
      ended->set_exception(std::current_exception());
    }
  });
  if (!started) return {};
  return future;
}

std::size_t SpareThreadsWaiting() {
  Spares& spares = TheSpares();
  std::lock_guard lock(spares.mutex);
  return spares.waiting;
}

}  // namespace gridlet
