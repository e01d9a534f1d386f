// gridlet show FILE
#pragma once

#include <string>

namespace gridlet::cli {

struct ShowOptions {
  std::string file;
  std::string from;
  std::string sheet;
  std::string textEncoding = "cp1252";
};

int RunShow(const ShowOptions& options);

}  // namespace gridlet::cli
