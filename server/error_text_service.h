// The component that turns an error code into a message text.
#pragma once

#include <memory>
#include <string>

#include "model/hresult.h"

namespace gridlet {

class ErrorTextService {
 public:
  virtual ~ErrorTextService() = default;
  // The message for a code, in the Windows ANSI code page.
  virtual std::string GetErrorText(HRESULT code) = 0;
};

class ErrorTextServiceFactory {
 public:
  virtual ~ErrorTextServiceFactory() = default;
  // A new instance, or null when the component is not available.
  virtual std::unique_ptr<ErrorTextService> Create() = 0;
};

}  // namespace gridlet
