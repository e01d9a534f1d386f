#include "sheet_names_variant.h"

#include <oleauto.h>

namespace gridlet::win32 {

bool SheetNamesToVariant(BSTR* names, VARIANT* target, ULONG count) {
  SAFEARRAYBOUND bound;
  bound.lLbound = 0;
  bound.cElements = count;
  SAFEARRAY* array = SafeArrayCreate(VT_BSTR, 1, &bound);
  if (!array) return false;
  BSTR* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, reinterpret_cast<void**>(&data)))) {
    SafeArrayDestroy(array);
    return false;
  }
  for (ULONG i = 0; i < count; ++i) data[i] = names[i];
  SafeArrayUnaccessData(array);
  target->vt = VT_ARRAY | VT_BSTR;
  target->parray = array;
  return true;
}

}  // namespace gridlet::win32
