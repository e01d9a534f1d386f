// The class factory of Gridlet.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace gridlet::win32 {

// A new factory with one reference; null when it cannot be allocated.
// LockServer(TRUE) counts as a lock on the module.
IClassFactory* CreateGridletClassFactory();

}  // namespace gridlet::win32
