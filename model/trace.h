// Diagnostic trace lines. They carry nothing for the user: the default sink
// writes them to the standard error stream and flushes at once; a front end
// may silence them.
#pragma once

#include <string_view>

namespace gridlet {

using TraceSink = void (*)(std::string_view text);

// The sink that writes to the standard error stream.
void StandardErrorTraceSink(std::string_view text);

// Replaces the sink; nullptr silences every trace. Returns the previous one.
TraceSink SetTraceSink(TraceSink sink);

void Trace(std::string_view text);

}  // namespace gridlet
