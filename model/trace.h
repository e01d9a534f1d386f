// Diagnostic trace lines. They carry nothing for the user: the default sink
// writes them to the standard error stream and flushes at once; a front end
// may silence them.
#pragma once

#include <atomic>
#include <string_view>

namespace gridlet {

using TraceSink = void (*)(std::string_view text);

// The sink that writes to the standard error stream.
void StandardErrorTraceSink(std::string_view text);

// Replaces the sink; nullptr silences every trace. Returns the previous one.
TraceSink SetTraceSink(TraceSink sink);

namespace detail {
extern std::atomic<TraceSink> currentTraceSink;
}

// Whether traces go anywhere: work that would trace every cell from two
// threads at once does it on one while they do.
inline bool Tracing() { return detail::currentTraceSink.load(std::memory_order_relaxed) != nullptr; }

// Inline, so that a silenced trace costs one load on the paths that trace
// every cell.
inline void Trace(std::string_view text) {
  if (TraceSink sink = detail::currentTraceSink.load(std::memory_order_relaxed)) sink(text);
}

}  // namespace gridlet
