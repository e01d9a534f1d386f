#include "cli/show_command.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "cli/command_environment.h"
#include "cli/file_type_names.h"
#include "cli/grid_printer.h"
#include "cli/usage_error.h"
#include "encoding/cp1252.h"
#include "platform/engine_paths.h"
#include "server/sheet_preview.h"

namespace gridlet::cli {

namespace {

// The width to lay the grid out in: the terminal's, else $COLUMNS, else 80.
std::size_t OutputWidth() {
  struct winsize size {};
  if (isatty(STDOUT_FILENO) && ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
    return size.ws_col;
  }
  if (const char* columns = std::getenv("COLUMNS")) {
    const long value = std::strtol(columns, nullptr, 10);
    if (value > 0) return static_cast<std::size_t>(value);
  }
  return 80;
}

void Print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

int RunShow(const ShowOptions& options) {
  std::optional<GRIDLET_FILE_TYPES> type =
      options.from.empty() ? TypeOfPath(options.file) : ParseTypeName(options.from);
  if (!type || *type == QZ_GRIDLET_NULL) {
    return UsageError("cannot tell the type of '" + options.file + "'; give --from (one of " +
                      SOURCE_TYPE_LIST + ")", "show");
  }
  const std::optional<TextEncoding> encoding = ParseTextEncoding(options.textEncoding);
  if (!encoding) return UsageError("--text-encoding takes cp1252 or utf-8", "show");
  std::optional<CellPosition> cell;
  if (!options.cell.empty()) {
    cell = ParseCellAddress(options.cell);
    if (!cell) return UsageError("--cell takes a cell's address, such as B3, not '" + options.cell + "'", "show");
  }

  CommandEnvironment environment(OverwritePolicy::No);
  std::string why;
  if (*type == QZ_EXCEL && !environment.files.IsReadableFile(ToEnginePath(options.file), &why)) {
    environment.Error(options.file + ": " + why);
    return EXIT_FAILED;
  }
  ConversionRequest request;
  request.inputPath = ToEnginePath(options.file);
  request.fromType = *type;
  request.sheetName = Utf8ToCp1252(options.sheet, '?');
  request.saveInternalName = "SHEET";
  request.toType = QZ_GRIDLET_NULL;
  request.textEncoding = *encoding;
  SheetPreview preview;
  if (ReadSheetPreview(environment.Services(), request, preview) != S_OK) return EXIT_FAILED;
  if (environment.boxes.TakeCounts().errors > 0) return EXIT_FAILED;

  if (options.json) {
    Print(SheetPreviewJson(preview) + "\n");
    return EXIT_OK;
  }
  if (cell) {
    // One cell whole, on its own line: no width, control characters escaped.
    std::string text;
    bool found = false;
    for (const DisplayCell& shown : preview.cells) {
      if (shown.row != cell->row || shown.column != cell->column) continue;
      text += (found ? "|" : "") + TerminalSafe(shown.text, environment.utf8);
      found = true;
    }
    if (!found) environment.Warning(CellAddress(cell->row, cell->column) + " is empty");
    else Print(text + "\n");
    return EXIT_OK;
  }
  GridLayout layout;
  layout.width = options.width ? *options.width : OutputWidth();
  layout.utf8 = environment.utf8;
  std::string heading = FileTypeName(preview.type);
  if (!preview.name.empty()) heading = preview.name + " (" + heading + ")";
  heading += ", " + std::to_string(preview.cells.size()) + (preview.cells.size() == 1 ? " cell" : " cells");
  if (!preview.cells.empty()) heading += " in A1:" + CellAddress(preview.rows, preview.columns);
  heading = layout.width > 0 ? CutToWidth(heading, layout.width, layout.utf8) : TerminalSafe(heading, layout.utf8);
  Print(heading + "\n" + FormatGrid(preview, layout));
  return EXIT_OK;
}

}  // namespace gridlet::cli
