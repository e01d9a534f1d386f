// How a sheet tells the user of a problem it finds while encoding (a sheet
// too large for its format, a number out of range). The conversion service
// supplies it; a sheet without one reports nothing.
//
// Errors are failures: the conversion does not give the file asked for.
// Warnings name a change made on the way (cells dropped, a text cut, a
// character replaced) to a file that is still written; front ends show
// them as warnings, never as errors, and count them.
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
  // Tells of a change made on the way; the conversion goes on.
  virtual void Warn(std::string_view text) { ShowNotice(std::string(text)); }
  // The same for a change that has an error code of its own (a sheet too
  // large for its format): the code's message, then the detail.
  virtual void ReportWarning(HRESULT code, std::string_view detail = {}) {
    (void)code;
    Warn(detail);
  }
};

}  // namespace gridlet
