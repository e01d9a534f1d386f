#include "server/sheet_kind.h"

#include <string>

#include "model/sheet_data_error.h"

namespace gridlet {

void RefuseFileLongerThan(std::size_t size, std::size_t longest, std::string_view layout) {
  if (size <= longest) return;
  throw SheetDataError("the file is " + std::to_string(size) + " bytes long; " + std::string(layout) +
                       " holds at most " + std::to_string(longest));
}

}  // namespace gridlet
