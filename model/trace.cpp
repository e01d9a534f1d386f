#include "model/trace.h"

#include <cstdio>

namespace gridlet {

namespace detail {
std::atomic<TraceSink> currentTraceSink{&StandardErrorTraceSink};
}

void StandardErrorTraceSink(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

TraceSink SetTraceSink(TraceSink sink) { return detail::currentTraceSink.exchange(sink); }

}  // namespace gridlet
