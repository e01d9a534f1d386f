#include "cli/file_type_names.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>

namespace gridlet::cli {

namespace {

struct TypeName {
  std::string_view name;
  GRIDLET_FILE_TYPES type;
};

// The workbook formats (xls, xlsx, ods, csv) are one type of the engine;
// WorkbookFormatNamed tells them apart.
constexpr std::array kTypeNames{
    TypeName{"xls", QZ_EXCEL},        TypeName{"xlsx", QZ_EXCEL},
    TypeName{"ods", QZ_EXCEL},        TypeName{"csv", QZ_EXCEL},
    TypeName{"txt", QZ_TAB_TEXT},
    TypeName{"xbv", QZ_GRIDLET_XBP},  TypeName{"xcy", QZ_GRIDLET_XC},
    TypeName{"xdy", QZ_GRIDLET_XD},   TypeName{"xfy", QZ_GRIDLET_XF},
    TypeName{"null", QZ_GRIDLET_NULL},
};

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

}  // namespace

std::optional<GRIDLET_FILE_TYPES> ParseTypeName(std::string_view name) {
  const std::string lower = Lower(name);
  for (const TypeName& entry : kTypeNames) {
    if (entry.name == lower) return entry.type;
  }
  return std::nullopt;
}

std::string_view TypeNameOf(GRIDLET_FILE_TYPES type) {
  for (const TypeName& entry : kTypeNames) {
    if (entry.type == type) return entry.name;
  }
  return "?";
}

std::optional<GRIDLET_FILE_TYPES> TypeOfPath(std::string_view path) {
  std::string extension = Lower(std::filesystem::path(path).extension().string());
  if (extension.empty()) return std::nullopt;
  extension.erase(0, 1);
  if (extension == "xlsm" || extension == "fods") return QZ_EXCEL;
  if (extension == "tsv" || extension == "tab") return QZ_TAB_TEXT;
  if (extension == "null") return std::nullopt;
  return ParseTypeName(extension);
}

}  // namespace gridlet::cli
