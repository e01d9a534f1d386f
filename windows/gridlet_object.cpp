#include "gridlet_object.h"

#include <exception>
#include <new>
#include <vector>

#include "bstr_text.h"
#include "module_state.h"
#include "sheet_names_variant.h"

namespace gridlet::win32 {

namespace {

// No C++ exception may leave a COM method.
template <class Body>
::HRESULT Guarded(Body body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

// Frees the strings that no array took over.
class BstrList {
 public:
  ~BstrList() {
    for (BSTR text : texts_) SysFreeString(text);
  }
  void Add(BSTR text) { texts_.push_back(text); }
  BSTR* Data() { return texts_.data(); }
  ULONG Count() const { return static_cast<ULONG>(texts_.size()); }
  void Release() { texts_.clear(); }

 private:
  std::vector<BSTR> texts_;
};

}  // namespace

GridletObject::GridletObject() : engine_(services_.Services()) { LockModule(); }

GridletObject::~GridletObject() { UnlockModule(); }

::HRESULT STDMETHODCALLTYPE GridletObject::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IGridlet)) {
    *object = static_cast<IGridlet*>(this);
  } else if (IsEqualIID(iid, IID_ISupportErrorInfo)) {
    *object = static_cast<ISupportErrorInfo*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE GridletObject::AddRef() { return InterlockedIncrement(&references_); }

ULONG STDMETHODCALLTYPE GridletObject::Release() {
  const ULONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return left;
}

::HRESULT STDMETHODCALLTYPE GridletObject::SetTheFileName(BSTR bstrTheFileName) {
  return Guarded([&] {
    if (!bstrTheFileName) return static_cast<::HRESULT>(engine_.SetTheFileName(nullptr));
    const std::u16string name = FromBstr(bstrTheFileName);
    return static_cast<::HRESULT>(engine_.SetTheFileName(&name));
  });
}

::HRESULT STDMETHODCALLTYPE GridletObject::GetTheFileName(BSTR* bstrRetVal) {
  if (!bstrRetVal) return E_POINTER;
  *bstrRetVal = nullptr;
  return Guarded([&] {
    std::u16string name;
    const ::HRESULT result = engine_.GetTheFileName(name);
    *bstrRetVal = ToBstr(name);
    return *bstrRetVal ? result : E_OUTOFMEMORY;
  });
}

::HRESULT STDMETHODCALLTYPE GridletObject::WorkbookToText(BSTR bstrWorkbookName,
                                                         BSTR bstrstrTextFileNames) {
  // Failures have been shown to the user by the exchange; the call itself
  // always succeeds.
  Guarded([&] {
    return static_cast<::HRESULT>(
        engine_.WorkbookToText(FromBstr(bstrWorkbookName), FromBstr(bstrstrTextFileNames)));
  });
  return S_OK;
}

::HRESULT STDMETHODCALLTYPE GridletObject::GetExcelSheetNames(BSTR bstrExcelWorkbookFullPathName,
                                                             VARIANT* vRetSheetNames) {
  if (!vRetSheetNames) return E_POINTER;
  return Guarded([&] {
    std::vector<std::u16string> sheets;
    if (Failed(engine_.GetExcelSheetNames(FromBstr(bstrExcelWorkbookFullPathName), sheets))) return E_FAIL;
    BstrList names;
    for (const std::u16string& name : sheets) {
      BSTR text = ToBstr(name);
      if (!text) throw std::bad_alloc();
      names.Add(text);
    }
    // An [out] VARIANT is written, never cleared: the caller hands in an
    // empty one. Without an array it stays empty and the call succeeds.
    VariantInit(vRetSheetNames);
    if (SheetNamesToVariant(names.Data(), vRetSheetNames, names.Count())) names.Release();
    return S_OK;
  });
}

::HRESULT STDMETHODCALLTYPE GridletObject::Convert(BSTR bstrInputFileNameWithPath,
                                                  ::GRIDLET_FILE_TYPES fromType, BSTR bstrSheetName,
                                                  BSTR bstrOutputFileNameWithPath,
                                                  BSTR saveInternalName, ::GRIDLET_FILE_TYPES toType,
                                                  LONG bOverwrite) {
  return Guarded([&] {
    return static_cast<::HRESULT>(engine_.Convert(
        FromBstr(bstrInputFileNameWithPath), static_cast<gridlet::GRIDLET_FILE_TYPES>(fromType),
        FromBstr(bstrSheetName), FromBstr(bstrOutputFileNameWithPath), FromBstr(saveInternalName),
        static_cast<gridlet::GRIDLET_FILE_TYPES>(toType), bOverwrite));
  });
}

::HRESULT STDMETHODCALLTYPE GridletObject::InterfaceSupportsErrorInfo(REFIID iid) {
  return IsEqualIID(iid, IID_IGridlet) ? S_OK : S_FALSE;
}

}  // namespace gridlet::win32
