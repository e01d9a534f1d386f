#include <windows.h>
#include <objbase.h>

#include "com_error_text_service.h"

#include "bstr_text.h"
#include "com_ptr.h"
#include "error_text_service_interface.h"

namespace gridlet::win32 {

namespace {

class ComErrorTextService : public ErrorTextService {
 public:
  explicit ComErrorTextService(ComPtr<IErrorTextService> service) : service_(std::move(service)) {}

  // The component's result is not checked: its text is shown as it comes.
  std::string GetErrorText(gridlet::HRESULT code) override {
    BstrHolder text;
    service_->GetErrorText(code, text.Put());
    return BstrToAnsi(text.Get());
  }

 private:
  ComPtr<IErrorTextService> service_;
};

}  // namespace

std::unique_ptr<ErrorTextService> ComErrorTextServiceFactory::Create() {
  ComPtr<IErrorTextService> service;
  if (FAILED(CoCreateInstance(CLSID_ErrorTextService, nullptr, CLSCTX_INPROC_SERVER, IID_IErrorTextService,
                              service.PutVoid())) ||
      !service)
    return nullptr;
  return std::make_unique<ComErrorTextService>(std::move(service));
}

}  // namespace gridlet::win32
