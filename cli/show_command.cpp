#include "cli/show_command.h"

#include <cstdio>

#include "cli/command_environment.h"
#include "cli/file_type_names.h"
#include "cli/grid_printer.h"
#include "cli/text_encoding.h"
#include "cli/usage_error.h"
#include "encoding/cp1252.h"

namespace gridlet::cli {

int RunShow(const ShowOptions& options) {
  std::optional<GRIDLET_FILE_TYPES> type =
      options.from.empty() ? TypeOfPath(options.file) : ParseTypeName(options.from);
  if (!type || *type == QZ_GRIDLET_NULL)
    return UsageError("cannot tell the type of '" + options.file + "'; give --from (one of " + TYPE_NAME_LIST + ")");
  if (options.textEncoding != "cp1252" && options.textEncoding != "utf-8" && options.textEncoding != "utf8")
    return UsageError("--text-encoding takes cp1252 or utf-8");

  CommandEnvironment environment(OverwritePolicy::No);
  PreparedSource prepared(environment, Utf8ToCp1252(options.file, '?'));
  if (options.textEncoding != "cp1252" && *type == QZ_TAB_TEXT) {
    if (auto message = prepared.TranscodeFromUtf8(options.file)) {
      std::fprintf(stderr, "gridlet: error: %s\n", message->c_str());
      return EXIT_FAILED;
    }
  }
  ConversionRequest request;
  request.inputPath = prepared.EnginePath();
  request.fromType = *type;
  request.sheetName = Utf8ToCp1252(options.sheet, '?');
  request.saveInternalName = "SHEET";
  request.toType = QZ_GRIDLET_NULL;
  ConversionDriver driver(environment.Services());
  std::vector<IntermediateCell> records;
  SheetHeader header;
  if (driver.ReadRecords(request, records, &header) != S_OK) return EXIT_FAILED;
  // XB Plus texts carry the calculator's opening quote; show the text.
  if (header.origin == ORIGIN_XB_PLUS) {
    for (IntermediateCell& record : records) {
      if ((record.Type & 3) == CELL_TEXT && record.Data.starts_with('"')) record.Data.erase(0, 1);
    }
  }
  if (!header.name.empty() && *type != QZ_TAB_TEXT)
    std::printf("Sheet %s\n", Cp1252ToUtf8(header.name).c_str());
  std::fputs(FormatGrid(records).c_str(), stdout);
  return EXIT_OK;
}

}  // namespace gridlet::cli
