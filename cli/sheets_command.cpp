#include "cli/sheets_command.h"

#include <cstdio>

#include "cli/command_environment.h"
#include "cli/usage_error.h"
#include "encoding/cp1252.h"

namespace gridlet::cli {

int RunSheets(const std::string& workbook) {
  CommandEnvironment environment(OverwritePolicy::No);
  if (!environment.files.Exists(Utf8ToCp1252(workbook, '?'))) {
    std::fprintf(stderr, "gridlet: error: %s: no such file\n", workbook.c_str());
    return EXIT_FAILED;
  }
  Gridlet gridlet(environment.Services());
  std::vector<std::u16string> names;
  if (gridlet.GetExcelSheetNames(Utf8ToUtf16(workbook), names) != S_OK) return EXIT_FAILED;
  for (const std::u16string& name : names) std::printf("%s\n", Utf16ToUtf8(name).c_str());
  return EXIT_OK;
}

}  // namespace gridlet::cli
