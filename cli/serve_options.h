// The options of `gridlet serve`, defined once for the command, which
// checks them and hands them on, and for the service's own program
// (gridlet-serve), which the command starts in its place.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace gridlet::cli {

struct ServeOptions {
  std::string host = "127.0.0.1";
  int port = 8080;
  std::string maxUpload = "16M";
  unsigned jobs = 0;          // 0: one per processor
  unsigned spreadsheets = 0;  // 0: as many as jobs, at most 2
  unsigned timeout = 60;      // seconds for one step of the spreadsheet application
  bool log = false;           // one line per request on stderr
};

inline void AddServeOptions(CLI::App& command, ServeOptions& serve) {
  command.add_option("--host", serve.host, "Address to listen on (default: 127.0.0.1, this machine only)");
  command.add_option("--port", serve.port, "Port to listen on (default: 8080; 0 takes a free one)");
  command.add_option("--max-upload", serve.maxUpload, "Largest request accepted, e.g. 16M (default), 512K");
  command.add_option("--jobs", serve.jobs, "Conversions at once (default: one per processor)");
  command.add_option("--spreadsheet-instances", serve.spreadsheets,
                     "LibreOffice instances kept for workbooks (default: as many as --jobs, at most 2)");
  command.add_option("--timeout", serve.timeout,
                     "Seconds LibreOffice may take for one step of a workbook conversion (default: 60)");
  command.add_flag("--log", serve.log, "Print one line per request on stderr");
  command.footer(
      "The service keeps nothing between requests: run as many as needed behind a load balancer. "
      "API: POST /api/convert, /api/sheets, /api/show; GET /api/health, /api/types.");
}

// The arguments that give the service's program these options.
inline std::vector<std::string> ServeArguments(const ServeOptions& serve, bool trace) {
  std::vector<std::string> arguments{"--host", serve.host, "--port", std::to_string(serve.port),
                                     "--max-upload", serve.maxUpload, "--jobs", std::to_string(serve.jobs),
                                     "--spreadsheet-instances", std::to_string(serve.spreadsheets),
                                     "--timeout", std::to_string(serve.timeout)};
  if (serve.log) arguments.push_back("--log");
  if (trace) arguments.push_back("--trace");
  return arguments;
}

}  // namespace gridlet::cli
