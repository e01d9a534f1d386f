// The worksheet names of a workbook as an automation VARIANT.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace gridlet::win32 {

// Packs count names into a one-dimensional SAFEARRAY of BSTR with lower
// bound 0 and puts it into *target (VT_ARRAY | VT_BSTR); the array then owns
// the strings. Returns false, leaving *target and the strings as they were,
// when the array cannot be made.
bool SheetNamesToVariant(BSTR* names, VARIANT* target, ULONG count);

}  // namespace gridlet::win32
