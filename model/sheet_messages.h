// How a sheet tells the user of a problem it finds while encoding (a sheet
// too large for its format, a number out of range). The conversion service
// supplies it; a sheet without one reports nothing.
#pragma once

#include <string>
#include <string_view>

#include "model/hresult.h"

namespace gridlet {

class SheetMessages {
 public:
  virtual ~SheetMessages() = default;
  // Shows the message for an error code.
  virtual void ReportError(HRESULT code, std::string_view detail = {}) = 0;
  // Shows a plain message with an OK button.
  virtual void ShowNotice(const std::string& text) = 0;
};

}  // namespace gridlet
