// The Gridlet COM object through its virtual table: creation from the
// ProgID, the interfaces it answers, the file name rules, the class factory
// and the module's lifetime.
#include <gtest/gtest.h>

#include "server/string_table.h"
#include "support/gridlet_server_fixture.h"

namespace gridlet::wine_test {
namespace {

using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFunction = HRESULT(STDAPICALLTYPE*)();

class ComObject : public GridletServerTest {
 protected:
  void SetUp() override {
    GridletServerTest::SetUp();
    gridlet = Create();
    ASSERT_NE(gridlet, nullptr);
  }
  void TearDown() override {
    if (gridlet) gridlet->Release();
  }
  std::wstring FileName() {
    Bstr name;
    EXPECT_EQ(gridlet->GetTheFileName(name.Put()), S_OK);
    EXPECT_NE(name.Get(), nullptr);
    return name.Text();
  }

  IGridlet* gridlet = nullptr;
};

TEST_F(ComObject, BothProgIdsNameTheClass) {
  CLSID clsid;
  ASSERT_HRESULT_SUCCEEDED(CLSIDFromProgID(L"Gridlet.Converter.1", &clsid));
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_Gridlet));
  ASSERT_HRESULT_SUCCEEDED(CLSIDFromProgID(L"Gridlet.Converter", &clsid));
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_Gridlet));
}

TEST_F(ComObject, AnswersIUnknownIGridletAndISupportErrorInfoOnly) {
  IUnknown* fromGridlet = nullptr;
  ASSERT_EQ(gridlet->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromGridlet)), S_OK);
  ISupportErrorInfo* errorInfo = nullptr;
  ASSERT_EQ(gridlet->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&errorInfo)), S_OK);
  IUnknown* fromErrorInfo = nullptr;
  ASSERT_EQ(errorInfo->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromErrorInfo)), S_OK);
  EXPECT_EQ(fromGridlet, fromErrorInfo);  // one identity
  IGridlet* back = nullptr;
  ASSERT_EQ(errorInfo->QueryInterface(IID_IGridlet, reinterpret_cast<void**>(&back)), S_OK);
  EXPECT_EQ(back, gridlet);

  EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IGridlet), S_OK);
  EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IUnknown), S_FALSE);
  EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);

  // A custom interface: no automation dispatch.
  void* dispatch = reinterpret_cast<void*>(1);
  EXPECT_EQ(gridlet->QueryInterface(IID_IDispatch, &dispatch), E_NOINTERFACE);
  EXPECT_EQ(dispatch, nullptr);
  EXPECT_EQ(gridlet->QueryInterface(IID_IClassFactory, &dispatch), E_NOINTERFACE);
  EXPECT_EQ(gridlet->QueryInterface(IID_IGridlet, nullptr), E_POINTER);

  back->Release();
  fromErrorInfo->Release();
  errorInfo->Release();
  fromGridlet->Release();
}

TEST_F(ComObject, FreshObjectHasAnEmptyFileName) {
  EXPECT_EQ(FileName(), L"");
  EXPECT_EQ(gridlet->GetTheFileName(nullptr), E_POINTER);
}

TEST_F(ComObject, SetTheFileNameStoresACopyOfTheSameLength) {
  std::wstring name = L"C:\\Sheets\\Gr\u00f6\u00dfe \u20ac.txt";
  {
    Bstr text(name);
    ASSERT_EQ(gridlet->SetTheFileName(text.Get()), S_OK);
  }  // the caller's string is gone; the object kept its own
  EXPECT_EQ(FileName(), name);
  // Embedded zeros are part of a BSTR.
  const std::wstring withZero(L"a\0b", 3);
  Bstr zero(withZero);
  ASSERT_EQ(gridlet->SetTheFileName(zero.Get()), S_OK);
  EXPECT_EQ(FileName(), withZero);
  ASSERT_EQ(gridlet->SetTheFileName(nullptr), S_OK);
  EXPECT_EQ(FileName(), L"");
}

TEST_F(ComObject, ObjectsKeepTheirOwnFileNames) {
  IGridlet* other = Create();
  ASSERT_NE(other, nullptr);
  Bstr first(L"first"), second(L"second");
  gridlet->SetTheFileName(first.Get());
  other->SetTheFileName(second.Get());
  EXPECT_EQ(FileName(), L"first");
  other->Release();
}

TEST_F(ComObject, WorkbookMethodsWithoutExcelReportAndSucceedOrFail) {
  // No Excel and no error text component in the test prefix: each report
  // is the module's "reinstall" message.
  Bstr book(L"C:\\nowhere\\book.xls"), text(L"C:\\nowhere\\book.txt");
  EXPECT_EQ(gridlet->WorkbookToText(book.Get(), text.Get()), S_OK);
  VARIANT names;
  VariantInit(&names);
  EXPECT_EQ(gridlet->GetExcelSheetNames(book.Get(), &names), E_FAIL);
  EXPECT_EQ(names.vt, VT_EMPTY);
  EXPECT_EQ(gridlet->GetExcelSheetNames(book.Get(), nullptr), E_POINTER);
  const std::vector<ShownBox> shown = boxes.Boxes();
  ASSERT_EQ(shown.size(), 2u);
  for (const ShownBox& box : shown) {
    EXPECT_EQ(box.text.rfind(LoadResourceString(IDS_APPLICATION_ERROR), 0), 0u) << box.text;
    EXPECT_EQ(box.owner, nullptr);
  }
}

// An object that would aggregate the Gridlet object.
class OuterObject : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

class ClassFactory : public GridletServerTest {
 protected:
  void SetUp() override {
    GridletServerTest::SetUp();
    getClassObject = Server().Export<GetClassObjectFunction>("DllGetClassObject");
    canUnloadNow = Server().Export<CanUnloadNowFunction>("DllCanUnloadNow");
    ASSERT_NE(getClassObject, nullptr);
    ASSERT_NE(canUnloadNow, nullptr);
  }
  GetClassObjectFunction getClassObject = nullptr;
  CanUnloadNowFunction canUnloadNow = nullptr;
};

TEST_F(ClassFactory, ServesOnlyTheGridletClass) {
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject(IID_IGridlet, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(getClassObject(CLSID_Gridlet, IID_IClassFactory, nullptr), E_POINTER);
  EXPECT_EQ(getClassObject(CLSID_Gridlet, IID_IGridlet, &object), E_NOINTERFACE);
}

TEST_F(ClassFactory, IsCreatedOnceAndCreatesObjects) {
  IClassFactory* first = nullptr;
  IClassFactory* second = nullptr;
  ASSERT_EQ(getClassObject(CLSID_Gridlet, IID_IClassFactory, reinterpret_cast<void**>(&first)), S_OK);
  ASSERT_EQ(getClassObject(CLSID_Gridlet, IID_IUnknown, reinterpret_cast<void**>(&second)), S_OK);
  EXPECT_EQ(static_cast<IUnknown*>(first), static_cast<IUnknown*>(second));

  IGridlet* gridlet = nullptr;
  ASSERT_EQ(first->CreateInstance(nullptr, IID_IGridlet, reinterpret_cast<void**>(&gridlet)), S_OK);
  ASSERT_NE(gridlet, nullptr);
  gridlet->Release();
  OuterObject outer;
  void* aggregated = reinterpret_cast<void*>(1);
  EXPECT_EQ(first->CreateInstance(&outer, IID_IUnknown, &aggregated),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(aggregated, nullptr);
  EXPECT_EQ(first->CreateInstance(nullptr, IID_IDispatch, &aggregated), E_NOINTERFACE);
  EXPECT_EQ(aggregated, nullptr);
  second->Release();
  first->Release();
}

TEST_F(ClassFactory, CanUnloadNowFollowsObjectsAndServerLocks) {
  EXPECT_EQ(canUnloadNow(), S_OK);
  IGridlet* first = Create();
  IGridlet* second = Create();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  first->Release();
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  second->Release();
  EXPECT_EQ(canUnloadNow(), S_OK);

  IClassFactory* factory = nullptr;
  ASSERT_EQ(getClassObject(CLSID_Gridlet, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  // Holding the factory is no lock; LockServer is.
  EXPECT_EQ(canUnloadNow(), S_OK);
  factory->LockServer(TRUE);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  factory->LockServer(FALSE);
  EXPECT_EQ(canUnloadNow(), S_OK);
  factory->Release();
}

}  // namespace
}  // namespace gridlet::wine_test
