// The four exports of the converter module and its entry point.
#include <windows.h>
#include <objbase.h>

#include "gridlet_interface.h"
#include "module_state.h"
#include "resource_ids.h"
#include "server_registration.h"

using namespace gridlet::win32;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    SetModuleInstance(instance);
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    ReleaseClassFactory();
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(clsid, CLSID_Gridlet)) return CLASS_E_CLASSNOTAVAILABLE;
  IClassFactory* factory = GridletClassFactory();
  if (!factory) return E_OUTOFMEMORY;
  return factory->QueryInterface(iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return ModuleLockCount() == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  return RegisterServer(ModuleInstance(), IDR_GRIDLET, true);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return UnregisterServer(ModuleInstance(), IDR_GRIDLET, true);
}
