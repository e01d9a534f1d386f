// gridlet-serve: the web page and conversion service, which `gridlet
// serve` starts with the options it was given. A program of its own, so
// that the command does not load the web libraries on every start.
#include <CLI/CLI.hpp>
#include <clocale>

#include "cli/serve_options.h"
#include "cli/usage_error.h"
#include "model/fresh_memory.h"
#include "model/trace.h"
#include "platform/fresh_pages.h"
#include "web/serve_command.h"

int main(int argc, char** argv) {
  std::setlocale(LC_CTYPE, "");
  gridlet::SetFreshMemoryAdvice(gridlet::AdviseFreshPages);
  CLI::App app{"The Gridlet conversion web page and HTTP API; started by `gridlet serve`."};
  bool trace = false;
  app.add_flag("--trace", trace, "Show the engine's diagnostic trace on stderr");
  gridlet::cli::ServeOptions serve;
  gridlet::cli::AddServeOptions(app, serve);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return gridlet::cli::EXIT_USAGE;
  }
  if (!trace) gridlet::SetTraceSink(nullptr);
  return gridlet::web::RunServe(serve);
}
