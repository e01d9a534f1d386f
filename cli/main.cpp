// The gridlet command: converts spreadsheets between workbooks, tab text
// and calculator sheet files, and shows sheets on the terminal.
#include <CLI/CLI.hpp>
#include <clocale>

#include "cli/convert_command.h"
#include "cli/file_type_names.h"
#include "cli/serve_options.h"
#include "cli/server_program.h"
#include "cli/sheets_command.h"
#include "cli/show_command.h"
#include "cli/usage_error.h"
#include "model/fresh_memory.h"
#include "model/trace.h"
#include "platform/fresh_pages.h"
#include "platform/mapped_files.h"
#include "platform/termination_signals.h"

using namespace gridlet::cli;

namespace {

// "gridlet: <what is wrong>", then where to read how to say it.
std::string FailureMessage(const CLI::App* app, const CLI::Error& error) {
  std::string command = "gridlet";
  for (const CLI::App* subcommand : app->get_subcommands()) command += " " + subcommand->get_name();
  return "gridlet: " + std::string(error.what()) + "\nTry '" + command + " --help' for more information.\n";
}

}  // namespace

int main(int argc, char** argv) {
  // Texts and terminal widths follow the user's locale (LC_CTYPE only:
  // numbers keep their C form).
  std::setlocale(LC_CTYPE, "");
  // Long texts are read and written through large buffers.
  gridlet::SetFreshMemoryAdvice(gridlet::AdviseFreshPages);

  CLI::App app{
      "Converts spreadsheets between workbooks (xls, xlsx, ods, csv), tab-delimited text (txt) and "
      "the sheet files of the Gridlet calculator application (xbv for the XB Plus; xcy, xdy, xfy "
      "for the XC, XD Plus and XF), and shows them."};
  app.require_subcommand(1);
  app.set_version_flag("--version", "gridlet 1.0");
  // Options of the command itself may stand anywhere on the line, after the
  // subcommand too.
  app.fallthrough();
  app.failure_message(FailureMessage);
  bool trace = false;
  app.add_flag("--trace", trace, "Show the engine's diagnostic trace on stderr");

  ConvertOptions convert;
  CLI::App* convertCommand = app.add_subcommand(
      "convert",
      "Convert each SOURCE to the target type; prints the path of every file written");
  convertCommand->add_option("sources", convert.sources, "Files to convert")->required();
  convertCommand->add_option("--to", convert.to, std::string("Target type: ") + TARGET_TYPE_LIST)->required();
  convertCommand->add_option("--from", convert.from,
                             std::string("Source type (default: from each file's extension; a "
                                         "calculator file is read as what its content is): ") +
                                 SOURCE_TYPE_LIST);
  convertCommand->add_option("--name", convert.name,
                             "Name of the sheet on the calculator, and base of the output file "
                             "name (default: the source's base name)");
  convertCommand->add_option("--sheet", convert.sheet,
                             "Worksheet to take from a workbook source: its name, its position as "
                             "#N, or all (one output each, named NAME-SHEET); default: the first");
  convertCommand->add_option("-o,--output", convert.outputDir,
                             "Output folder, made when missing (default: current folder)");
  convertCommand->add_option("--overwrite", convert.overwrite,
                             "When an output exists: ask, yes or no (default: ask on a terminal, "
                             "otherwise no)");
  convertCommand->add_option("--text-encoding", convert.textEncoding,
                             "Encoding of tab-text files: cp1252 (default) or utf-8; a file with a "
                             "byte-order mark is read as the mark says");
  convertCommand->add_option("--csv-separator", convert.csvSeparator,
                             "Field separator of CSV sources: one character, or tab, comma, "
                             "semicolon, space (default: comma)");
  convertCommand->add_option("--csv-encoding", convert.csvEncoding,
                             "Encoding of CSV sources: utf-8 (default) or cp1252");
  convertCommand->add_flag("--strict", convert.strict,
                           "Fail a file on any warning (a text cut, a character replaced, a cell "
                           "left out, a number out of range...): nothing is written for it");
  convertCommand->footer(
      "Every change a target forces on a sheet (texts cut or put in capitals, characters "
      "replaced, cells, formulas or numbers it cannot hold) is named in a warning on stderr, "
      "with the cells it touched; the file is still written. With --strict such a file is a "
      "failure and is not written.\n\n"
      "Exit status: 0 when every file was converted or skipped (warnings included), 1 when a "
      "conversion failed or was cancelled (or warned, with --strict), 2 for bad usage; 128 + "
      "the signal when stopped by SIGINT, SIGTERM or SIGHUP.\n"
      "Workbook to workbook (xls, xlsx, ods, csv) without --sheet is a copy of the whole workbook.");

  ShowOptions show;
  CLI::App* showCommand =
      app.add_subcommand("show", "Print a sheet as a grid that fits the terminal, one cell, or JSON");
  showCommand->add_option("file", show.file, "The sheet file")->required();
  showCommand->add_option("--from", show.from,
                          std::string("Type of the file (default: from its extension): ") + SOURCE_TYPE_LIST);
  showCommand->add_option("--sheet", show.sheet, "Worksheet of a workbook");
  showCommand->add_option("--text-encoding", show.textEncoding,
                          "Encoding of a tab-text file: cp1252 (default) or utf-8");
  CLI::Option* cellOption = showCommand->add_option("--cell", show.cell, "Show one cell whole, e.g. B3");
  showCommand->add_flag("--json", show.json, "Print the sheet as JSON, for scripts")->excludes(cellOption);
  showCommand->add_option("--width", show.width,
                          "Width of the grid in columns (default: the terminal's; 0: no limit)");

  std::string workbook;
  CLI::App* sheetsCommand =
      app.add_subcommand("sheets", "List the worksheets of a workbook (xls, xlsx, ods, csv), in order");
  sheetsCommand->add_option("workbook", workbook, "The workbook")->required();

  ServeOptions serve;
  CLI::App* serveCommand = app.add_subcommand(
      "serve", "Serve the conversion web page and its HTTP API (stops on Ctrl-C)");
  AddServeOptions(*serveCommand, serve);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return EXIT_USAGE;
  }

  if (!trace) gridlet::SetTraceSink(nullptr);
  // Before anything is started: a signal ends the programs a command
  // starts and removes its temporary files and folders. The server stops
  // on the same signals in its own way, letting its requests finish.
  // Likewise when a large source, read in place, is cut short meanwhile.
  if (!serveCommand->parsed()) {
    gridlet::EndCleanlyOnTerminationSignals();
    gridlet::EndCleanlyWhenAMappedFileShrinks();
  }
  if (convertCommand->parsed()) return RunConvert(convert);
  if (showCommand->parsed()) return RunShow(show);
  if (sheetsCommand->parsed()) return RunSheets(workbook);
  // The service is a program of its own, so that the command does not load
  // the web libraries (TLS, compression) on every start.
  if (serveCommand->parsed()) return StartServer(argv[0], ServeArguments(serve, trace));
  return EXIT_USAGE;
}
