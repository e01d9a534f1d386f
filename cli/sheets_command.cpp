#include "cli/sheets_command.h"

#include <cstdio>

#include "bridge/workbook_exchange.h"
#include "cli/command_environment.h"
#include "cli/usage_error.h"
#include "encoding/cp1252.h"
#include "platform/engine_paths.h"

namespace gridlet::cli {

int RunSheets(const std::string& workbook) {
  CommandEnvironment environment(OverwritePolicy::No);
  const std::string path = ToEnginePath(workbook);
  std::string why;
  if (!environment.files.IsReadableFile(path, &why)) {
    environment.Error(workbook + ": " + why);
    return EXIT_FAILED;
  }
  SheetListResult list = ListWorkbookSheets(environment.reusedSpreadsheets, &environment.messages, path.c_str());
  if (list.result != S_OK) return EXIT_FAILED;
  const bool terminal = IsTerminal(stdout);
  for (const std::u16string& name : list.names) {
    const std::string utf8 = Utf16ToUtf8(name);
    std::printf("%s\n", terminal ? TerminalSafe(utf8, environment.utf8).c_str() : utf8.c_str());
  }
  return EXIT_OK;
}

}  // namespace gridlet::cli
