#include "platform/mapped_files.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

#include "platform/leftovers.h"

namespace gridlet {

namespace {

// The mapped ranges, for the handler to tell our bus errors from others:
// a fixed table that the handler can read without a lock. A range that
// finds no free slot is not mapped.
struct Range {
  std::atomic<std::uintptr_t> begin{0};
  std::atomic<std::uintptr_t> end{0};
};
constexpr int kRanges = 64;
Range ranges[kRanges];
std::atomic<bool> handling{false};

bool Record(const void* start, std::size_t size) {
  const auto begin = reinterpret_cast<std::uintptr_t>(start);
  for (Range& range : ranges) {
    std::uintptr_t free = 0;
    if (range.begin.compare_exchange_strong(free, begin)) {
      range.end.store(begin + size);
      return true;
    }
  }
  return false;
}

void Forget(const void* start) {
  const auto begin = reinterpret_cast<std::uintptr_t>(start);
  for (Range& range : ranges) {
    if (range.begin.load() == begin) {
      range.end.store(0);
      range.begin.store(0);
      return;
    }
  }
}

bool InAMappedFile(const void* address) {
  const auto at = reinterpret_cast<std::uintptr_t>(address);
  for (const Range& range : ranges) {
    const std::uintptr_t begin = range.begin.load();
    if (begin != 0 && at >= begin && at < range.end.load()) return true;
  }
  return false;
}

void OnBusError(int signal, siginfo_t* info, void*) {
  if (!InAMappedFile(info->si_addr)) {
    // Not ours: the usual effect, once the handler returns and the access
    // is made again.
    ::signal(signal, SIG_DFL);
    return;
  }
  static constexpr char kNote[] =
      "gridlet: error: a source file was cut short by another program while it was being read; "
      "the conversion stopped and what it was writing was removed\n";
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, kNote, sizeof kNote - 1);
  leftovers::RemoveAll();
  ::_exit(1);
}

}  // namespace

void EndCleanlyWhenAMappedFileShrinks() {
  struct sigaction action {};
  action.sa_sigaction = OnBusError;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  if (::sigaction(SIGBUS, &action, nullptr) == 0) handling.store(true);
}

std::optional<SourceBytes> MapFile(int fd, std::size_t size) {
  if (!handling.load() || size == 0) return std::nullopt;
  void* start = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  if (start == MAP_FAILED) return std::nullopt;
  if (!Record(start, size)) {
    ::munmap(start, size);
    return std::nullopt;
  }
  // Read front to back.
  ::madvise(start, size, MADV_SEQUENTIAL);
  std::shared_ptr<const void> holder(start, [size](const void* mapped) {
    Forget(mapped);
    ::munmap(const_cast<void*>(mapped), size);
  });
  return SourceBytes(static_cast<const std::uint8_t*>(start), size, std::move(holder));
}

}  // namespace gridlet
