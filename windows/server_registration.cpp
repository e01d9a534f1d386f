#include "server_registration.h"

#include <oleauto.h>

#include <exception>
#include <map>

#include "com_ptr.h"
#include "registry_script.h"
#include "win32_registry_editor.h"

namespace gridlet::win32 {

namespace {

std::string ModulePathAnsi(HINSTANCE module) {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
  return std::string(path, length < MAX_PATH ? length : MAX_PATH);
}

std::wstring ModulePathWide(HINSTANCE module) {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  return std::wstring(path, length < MAX_PATH ? length : MAX_PATH);
}

// The script of the module with %MODULE% filled in, parsed; raises
// RegistryScriptError when it is missing or malformed.
RegistryScript ModuleScript(HINSTANCE module, int scriptId) {
  const std::string text = LoadRegistryScript(module, scriptId);
  if (text.empty()) throw RegistryScriptError("the module has no registry script", 0);
  return ParseRegistryScript(ExpandScriptVariables(text, {{"MODULE", ModulePathAnsi(module)}}));
}

HRESULT FromWin32(long error) { return error ? HRESULT_FROM_WIN32(static_cast<DWORD>(error)) : S_OK; }

}  // namespace

std::string LoadRegistryScript(HINSTANCE module, int resourceId) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(resourceId), "REGISTRY");
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const DWORD size = SizeofResource(module, found);
  const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (!data) return {};
  return std::string(data, size);
}

HRESULT RegisterServer(HINSTANCE module, int scriptId, bool registerTypeLib) {
  try {
    const RegistryScript script = ModuleScript(module, scriptId);
    Win32RegistryEditor editor;
    if (HRESULT result = FromWin32(RegisterScript(script, editor)); FAILED(result)) return result;
  } catch (const RegistryScriptError&) {
    return E_UNEXPECTED;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  if (!registerTypeLib) return S_OK;
  const std::wstring path = ModulePathWide(module);
  ComPtr<ITypeLib> library;
  HRESULT result = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Put());
  if (FAILED(result)) return result;
  std::wstring writable = path;  // RegisterTypeLib takes a non-const path
  return RegisterTypeLib(library.Get(), writable.data(), nullptr);
}

HRESULT UnregisterServer(HINSTANCE module, int scriptId, bool registerTypeLib) {
  try {
    const RegistryScript script = ModuleScript(module, scriptId);
    Win32RegistryEditor editor;
    UnregisterScript(script, editor);
  } catch (...) {
    // Nothing was written from a script that cannot be read.
  }
  if (!registerTypeLib) return S_OK;
  ComPtr<ITypeLib> library;
  if (FAILED(LoadTypeLibEx(ModulePathWide(module).c_str(), REGKIND_NONE, library.Put()))) return S_OK;
  TLIBATTR* attributes = nullptr;
  if (SUCCEEDED(library->GetLibAttr(&attributes))) {
    // A library that is not registered any more is no failure.
    UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                      attributes->lcid, attributes->syskind);
    library->ReleaseTLibAttr(attributes);
  }
  return S_OK;
}

}  // namespace gridlet::win32
