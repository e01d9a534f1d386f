// The COM class Gridlet: the IGridlet interface over the engine's Gridlet
// object, and ISupportErrorInfo. Every object counts as a lock on the
// module while it lives.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "gridlet_interface.h"
#include "server/gridlet.h"
#include "windows_services.h"

namespace gridlet::win32 {

class GridletObject final : public IGridlet, public ISupportErrorInfo {
 public:
  GridletObject();
  ~GridletObject();
  GridletObject(const GridletObject&) = delete;
  GridletObject& operator=(const GridletObject&) = delete;

  // IUnknown
  ::HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IGridlet
  ::HRESULT STDMETHODCALLTYPE SetTheFileName(BSTR bstrTheFileName) override;
  ::HRESULT STDMETHODCALLTYPE GetTheFileName(BSTR* bstrRetVal) override;
  ::HRESULT STDMETHODCALLTYPE WorkbookToText(BSTR bstrWorkbookName, BSTR bstrstrTextFileNames) override;
  ::HRESULT STDMETHODCALLTYPE GetExcelSheetNames(BSTR bstrExcelWorkbookFullPathName,
                                                 VARIANT* vRetSheetNames) override;
  ::HRESULT STDMETHODCALLTYPE Convert(BSTR bstrInputFileNameWithPath, ::GRIDLET_FILE_TYPES fromType,
                                      BSTR bstrSheetName, BSTR bstrOutputFileNameWithPath,
                                      BSTR saveInternalName, ::GRIDLET_FILE_TYPES toType,
                                      LONG bOverwrite) override;

  // ISupportErrorInfo
  ::HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

 private:
  LONG references_ = 1;
  WindowsServices services_;
  Gridlet engine_;
};

}  // namespace gridlet::win32
