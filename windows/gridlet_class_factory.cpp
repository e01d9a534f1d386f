#include "gridlet_class_factory.h"

#include <new>

#include "gridlet_object.h"
#include "module_state.h"

namespace gridlet::win32 {

namespace {

class GridletFactory final : public IClassFactory {
 public:
  ::HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
  }

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
    const ::HRESULT result = gridlet->QueryInterface(iid, object);
    gridlet->Release();  // the reference of the constructor
    return result;
  }

  ::HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) LockModule();
    else UnlockModule();
    return S_OK;
  }

 private:
  LONG references_ = 1;
};

}  // namespace

IClassFactory* CreateGridletClassFactory() { return new (std::nothrow) GridletFactory(); }

}  // namespace gridlet::win32
