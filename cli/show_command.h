// gridlet show FILE
#pragma once

#include <optional>
#include <string>

namespace gridlet::cli {

struct ShowOptions {
  std::string file;
  std::string from;
  std::string sheet;
  std::string textEncoding = "cp1252";
  std::string cell;                  // show this cell whole
  bool json = false;                 // the sheet as JSON
  std::optional<std::size_t> width;  // of the grid; 0: no limit; none: the terminal's
};

int RunShow(const ShowOptions& options);

}  // namespace gridlet::cli
