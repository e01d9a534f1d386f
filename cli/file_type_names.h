// File type names on the command line and the types of file extensions.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "server/file_types.h"

namespace gridlet::cli {

// "xls" (also "xlsx", "ods", "csv"), "txt", "xbv", "xcy", "xdy", "xfy",
// "null".
std::optional<GRIDLET_FILE_TYPES> ParseTypeName(std::string_view name);
std::string_view TypeNameOf(GRIDLET_FILE_TYPES type);
// The type a file's extension stands for (".xlsx", ".ods", ".csv" and
// the like are workbooks too).
std::optional<GRIDLET_FILE_TYPES> TypeOfPath(std::string_view path);

// The types a file can be read as, and those it can be converted to
// ("null" reads and checks the source and writes nothing). The workbook
// formats xls, xlsx, ods and csv are one type of the engine.
inline constexpr const char* SOURCE_TYPE_LIST = "xls, xlsx, ods, csv, txt, xbv, xcy, xdy, xfy";
inline constexpr const char* TARGET_TYPE_LIST =
    "xls, xlsx, ods, csv, txt, xbv, xcy, xdy, xfy, null";

}  // namespace gridlet::cli
