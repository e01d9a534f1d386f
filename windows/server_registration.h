// Registration of a COM server module from its REGISTRY script resource,
// with %MODULE% standing for the module's full path, and of the type
// library embedded in it.
#pragma once

#include <windows.h>

#include <string>

namespace gridlet::win32 {

// The script text of a REGISTRY resource; empty when there is none.
std::string LoadRegistryScript(HINSTANCE module, int resourceId);

// Applies the script (and registers the module's type library when
// registerTypeLib is set). Returns the first failure or S_OK.
HRESULT RegisterServer(HINSTANCE module, int scriptId, bool registerTypeLib);
// Removes what the script wrote and unregisters the type library.
HRESULT UnregisterServer(HINSTANCE module, int scriptId, bool registerTypeLib);

}  // namespace gridlet::win32
