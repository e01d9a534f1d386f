// gridlet serve: the web page and conversion service.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "cli/serve_options.h"

namespace gridlet::web {

using ServeOptions = cli::ServeOptions;

// Serves until SIGINT, SIGTERM or SIGHUP. Returns the exit status: 0 after
// such a signal, 1 when the address cannot be had, 2 for bad options.
int RunServe(const ServeOptions& options);

// "16M", "512K", "1G" (powers of 1024) or a plain count of bytes.
std::optional<std::size_t> ParseByteSize(const std::string& text);

}  // namespace gridlet::web
