#include "model/trace.h"

#include <atomic>
#include <cstdio>

namespace gridlet {

namespace {
std::atomic<TraceSink> currentSink{&StandardErrorTraceSink};
}

void StandardErrorTraceSink(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

TraceSink SetTraceSink(TraceSink sink) { return currentSink.exchange(sink); }

void Trace(std::string_view text) {
  if (TraceSink sink = currentSink.load(std::memory_order_relaxed)) sink(text);
}

}  // namespace gridlet
