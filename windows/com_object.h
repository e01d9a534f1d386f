// The IUnknown plumbing shared by the COM objects of the servers here (the
// converter, the error text component and the tests' fake Excel).
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace gridlet::win32 {

// An object that offers one interface besides IUnknown. It starts with the
// reference of its creator and deletes itself when the last one goes.
template <class Interface, const IID& InterfaceId>
class SingleInterfaceObject : public Interface {
 public:
  SingleInterfaceObject(const SingleInterfaceObject&) = delete;
  SingleInterfaceObject& operator=(const SingleInterfaceObject&) = delete;

  ::HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, InterfaceId)) {
      *object = static_cast<Interface*>(this);
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

 protected:
  SingleInterfaceObject() = default;
  virtual ~SingleInterfaceObject() = default;

 private:
  LONG references_ = 1;
};

// A class factory that lives as long as its module: its references are not
// counted and do not keep the module loaded.
class ModuleClassFactory : public IClassFactory {
 public:
  ::HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

// The end of every CreateInstance: hands out the interface asked for of a
// newly made object (null when it could not be made) and drops the
// creator's reference, so the object lives by the one handed out.
template <class Object>
::HRESULT HandOutNewObject(Object* made, REFIID iid, void** object) {
  if (!made) return E_OUTOFMEMORY;
  const ::HRESULT result = made->QueryInterface(iid, object);
  made->Release();
  return result;
}

}  // namespace gridlet::win32
