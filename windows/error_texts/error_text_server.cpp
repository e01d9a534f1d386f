// The error text component as an in-process COM server: the built-in
// English messages of the converter's codes behind IErrorTextService. It
// is installed and registered on its own; without it the converter shows
// its "reinstall" message for every failure.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <new>
#include <string>
#include <vector>

#include "com_object.h"
#include "encoding/cp1252.h"
#include "error_text_service_interface.h"
#include "platform/builtin_error_text_service.h"
#include "server_registration.h"

namespace {

constexpr int IDR_ERROR_TEXTS = 101;

HINSTANCE moduleInstance = nullptr;
LONG lockCount = 0;

class ErrorTextServer final
    : public gridlet::win32::SingleInterfaceObject<IErrorTextService, IID_IErrorTextService> {
 public:
  ErrorTextServer() { InterlockedIncrement(&lockCount); }
  ~ErrorTextServer() override { InterlockedDecrement(&lockCount); }

  HRESULT STDMETHODCALLTYPE GetErrorText(LONG code, BSTR* text) override {
    if (!text) return E_POINTER;
    *text = nullptr;
    try {
      const std::u16string message = gridlet::Cp1252ToUtf16(gridlet::BuiltinErrorTextService().GetErrorText(code));
      const std::vector<OLECHAR> wide(message.begin(), message.end());
      *text = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    } catch (...) {
      return E_OUTOFMEMORY;
    }
    return *text ? S_OK : E_OUTOFMEMORY;
  }
};

class ErrorTextFactory final : public gridlet::win32::ModuleClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return gridlet::win32::HandOutNewObject(new (std::nothrow) ErrorTextServer(), iid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) InterlockedIncrement(&lockCount);
    else InterlockedDecrement(&lockCount);
    return S_OK;
  }
};

ErrorTextFactory factory;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    moduleInstance = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(clsid, CLSID_ErrorTextService)) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return InterlockedCompareExchange(&lockCount, 0, 0) == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  return gridlet::win32::RegisterServer(moduleInstance, IDR_ERROR_TEXTS, false);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return gridlet::win32::UnregisterServer(moduleInstance, IDR_ERROR_TEXTS, false);
}
