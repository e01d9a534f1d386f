// The error text component reached through COM: one in-process instance
// per report, or none when the component is not registered (the caller then
// falls back to the module's own message).
#pragma once

#include "server/error_text_service.h"

namespace gridlet::win32 {

class ComErrorTextServiceFactory : public ErrorTextServiceFactory {
 public:
  std::unique_ptr<ErrorTextService> Create() override;
};

}  // namespace gridlet::win32
