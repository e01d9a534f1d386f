#include "gridlet_class_factory.h"

#include <new>

#include "com_object.h"
#include "gridlet_object.h"
#include "module_state.h"

namespace gridlet::win32 {

namespace {

class GridletFactory final : public SingleInterfaceObject<IClassFactory, IID_IClassFactory> {
 public:
  ::HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    GridletObject* gridlet = nullptr;
    try {
      gridlet = new GridletObject();
    } catch (...) {
      return E_OUTOFMEMORY;
    }
    return HandOutNewObject(gridlet, iid, object);
  }

  ::HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) LockModule();
    else UnlockModule();
    return S_OK;
  }
};

}  // namespace

IClassFactory* CreateGridletClassFactory() { return new (std::nothrow) GridletFactory(); }

}  // namespace gridlet::win32
