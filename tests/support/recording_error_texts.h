// Error texts for tests: the built-in texts, and a record of the codes
// asked for, which are the codes reported.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/builtin_error_text_service.h"
#include "server/error_text_service.h"

namespace gridlet::testing {

class RecordingErrorTexts : public ErrorTextServiceFactory {
 public:
  class Service : public ErrorTextService {
   public:
    explicit Service(std::vector<HRESULT>& codes) : codes_(codes) {}
    std::string GetErrorText(HRESULT code) override {
      codes_.push_back(code);
      return BuiltinErrorTextService().GetErrorText(code);
    }

   private:
    std::vector<HRESULT>& codes_;
  };
  std::unique_ptr<ErrorTextService> Create() override { return std::make_unique<Service>(codes); }
  std::vector<HRESULT> codes;
};

}  // namespace gridlet::testing
