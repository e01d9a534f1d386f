#include "module_state.h"

#include "critical_section.h"
#include "gridlet_class_factory.h"

namespace gridlet::win32 {

namespace {

HINSTANCE moduleInstance = nullptr;
LONG lockCount = 0;
CriticalSection factoryLock;
IClassFactory* factory = nullptr;  // the module's own reference

}  // namespace

void SetModuleInstance(HINSTANCE instance) { moduleInstance = instance; }
HINSTANCE ModuleInstance() { return moduleInstance; }

std::string ModulePath() {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(moduleInstance, path, MAX_PATH);
  return std::string(path, length < MAX_PATH ? length : MAX_PATH);
}

void LockModule() { InterlockedIncrement(&lockCount); }
void UnlockModule() { InterlockedDecrement(&lockCount); }
long ModuleLockCount() { return InterlockedCompareExchange(&lockCount, 0, 0); }

IClassFactory* GridletClassFactory() {
  CriticalSectionGuard guard(factoryLock);
  if (!factory) factory = CreateGridletClassFactory();
  return factory;
}

void ReleaseClassFactory() {
  CriticalSectionGuard guard(factoryLock);
  if (factory) factory->Release();
  factory = nullptr;
}

}  // namespace gridlet::win32
