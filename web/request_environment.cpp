#include "web/request_environment.h"

#include <stdlib.h>

#include <stdexcept>

namespace gridlet::web {

namespace fs = std::filesystem;

RequestFolder::RequestFolder() {
  std::error_code error;
  fs::path base = fs::temp_directory_path(error);
  if (error) base = "/tmp";
  std::string pattern = (base / "gridlet-web-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a folder in " + base.string());
  path_ = pattern;
}

RequestFolder::~RequestFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

fs::path RequestFolder::NewFolder(const std::string& name) const {
  const fs::path folder = path_ / name;
  fs::create_directory(folder);  // raises when it cannot be made
  return folder;
}

ConversionEnvironment::ConversionEnvironment(const fs::path& folder, ReusingLauncher& pool,
                                             std::function<void()> beforeSpreadsheet)
    : files(folder.string()), spreadsheets(pool, std::move(beforeSpreadsheet)) {}

}  // namespace gridlet::web
