// Raised when the bytes of a source cannot be read as a sheet of its kind:
// a record that runs past the end of the data, a length too small for its
// record type, and the like. The message says what is wrong and where.
#pragma once

#include <stdexcept>
#include <string>

namespace gridlet {

class SheetDataError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace gridlet
