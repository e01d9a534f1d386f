// gridlet serve: the web page and conversion service.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace gridlet::web {

struct ServeOptions {
  std::string host = "127.0.0.1";
  int port = 8080;
  std::string maxUpload = "16M";
  unsigned jobs = 0;          // 0: one per processor
  unsigned spreadsheets = 0;  // 0: as many as jobs, at most 2
  unsigned timeout = 60;      // seconds for one step of the spreadsheet application
  bool log = false;           // one line per request on stderr
};

// Serves until SIGINT, SIGTERM or SIGHUP. Returns the exit status: 0 after
// such a signal, 1 when the address cannot be had, 2 for bad options.
int RunServe(const ServeOptions& options);

// "16M", "512K", "1G" (powers of 1024) or a plain count of bytes.
std::optional<std::size_t> ParseByteSize(const std::string& text);

}  // namespace gridlet::web
