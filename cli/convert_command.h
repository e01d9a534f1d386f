// gridlet convert SOURCE... --to TYPE
#pragma once

#include <string>
#include <vector>

namespace gridlet::cli {

struct ConvertOptions {
  std::vector<std::string> sources;
  std::string to;
  std::string from;        // empty: from each source's extension
  std::string name;        // empty: each source's base name
  std::string sheet;       // the worksheet of workbook sources: a name, "#N" or "all"
  std::string outputDir = ".";
  std::string overwrite;   // ask, yes or no; empty: ask on a terminal, no otherwise
  std::string textEncoding = "cp1252";
  std::string csvSeparator = ",";   // of CSV sources
  std::string csvEncoding = "utf-8";
  bool strict = false;     // any warning fails that file: nothing is written
};

// Returns the exit status: 0 done (files skipped included), 1 a conversion
// failed or was cancelled, 2 bad usage.
int RunConvert(const ConvertOptions& options);

}  // namespace gridlet::cli
