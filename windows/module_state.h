// What the module keeps while it is loaded: its instance handle, the lock
// count (live objects and server locks) that DllCanUnloadNow reads, and the
// one class factory of the Gridlet class.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <string>

namespace gridlet::win32 {

void SetModuleInstance(HINSTANCE instance);
HINSTANCE ModuleInstance();
// The module's full path, in the ANSI code page.
std::string ModulePath();

// Interlocked: objects live in many apartments at once.
void LockModule();
void UnlockModule();
long ModuleLockCount();

// The class factory of Gridlet, created on the first request under the
// module's critical section; null when it cannot be allocated. The module
// keeps its own reference until ReleaseClassFactory.
IClassFactory* GridletClassFactory();
// At module unload.
void ReleaseClassFactory();

}  // namespace gridlet::win32
