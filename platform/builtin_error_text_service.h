// The error text service of this platform: a built-in table of English
// messages for the codes the converter and its components raise.
#pragma once

#include <memory>

#include "server/error_text_service.h"

namespace gridlet {

class BuiltinErrorTextService : public ErrorTextService {
 public:
  std::string GetErrorText(HRESULT code) override;
};

class BuiltinErrorTextServiceFactory : public ErrorTextServiceFactory {
 public:
  std::unique_ptr<ErrorTextService> Create() override {
    return std::make_unique<BuiltinErrorTextService>();
  }
};

// A factory for a system without the service: every report falls back to
// the module's own "reinstall" message.
class MissingErrorTextServiceFactory : public ErrorTextServiceFactory {
 public:
  std::unique_ptr<ErrorTextService> Create() override { return nullptr; }
};

// The message for a code, or null when the table has none.
const char* KnownErrorText(HRESULT code);

}  // namespace gridlet
