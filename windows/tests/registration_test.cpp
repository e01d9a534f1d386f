// Registration of gridlet.dll: regsvr32 writes exactly the registry entries
// of the server (checked with reg.exe, as an installer's user would), the
// type library describes the interface, and unregistration removes it all
// but the CLSID key.
#include "support/wine_test_support.h"

#include <gtest/gtest.h>

#include "gridlet_interface.h"
#include "server/string_table.h"

namespace gridlet::wine_test {
namespace {

struct RegQuery {
  bool found = false;
  std::string value;  // the data after REG_SZ, when found
};

// reg query "HKCR\<key>" /ve or /v <name>
RegQuery QueryValue(const std::wstring& key, const std::wstring& name = L"") {
  const std::wstring command = L"reg query \"HKCR\\" + key + L"\" " + (name.empty() ? L"/ve" : L"/v " + name);
  const ProcessResult run = RunProcess(command);
  RegQuery result;
  EXPECT_FALSE(run.timedOut) << Ansi(command);
  result.found = run.exitCode == 0;
  const std::size_t type = run.output.find("REG_SZ");
  if (result.found && type != std::string::npos) {
    std::size_t start = run.output.find_first_not_of(' ', type + 6);
    std::size_t end = run.output.find_first_of("\r\n", start);
    if (start != std::string::npos) result.value = run.output.substr(start, end - start);
  }
  return result;
}

bool KeyExists(const std::wstring& key) { return RunProcess(L"reg query \"HKCR\\" + key + L"\"").exitCode == 0; }

DWORD Regsvr32(const std::wstring& dll, bool unregister) {
  const ProcessResult run = RunProcess(std::wstring(L"regsvr32 /s ") + (unregister ? L"/u " : L"") + L"\"" + dll + L"\"");
  EXPECT_FALSE(run.timedOut);
  return run.exitCode;
}

class Registration : public ::testing::Test {
 protected:
  void SetUp() override {
    dll = EnvironmentPath(L"GRIDLET_DLL");
    ASSERT_FALSE(dll.empty()) << "GRIDLET_DLL is not set";
    clsid = StringFromGuid(CLSID_Gridlet);
    libid = StringFromGuid(LIBID_GRIDLETCONVERTERLib);
  }
  void TearDown() override { Regsvr32(dll, true); }

  std::wstring dll, clsid, libid;
};

TEST_F(Registration, Regsvr32WritesTheProgIdsClassAndTypeLibrary) {
  ASSERT_EQ(Regsvr32(dll, false), 0u);
  EXPECT_EQ(QueryValue(L"Gridlet.Converter.1").value, "Gridlet Class");
  EXPECT_EQ(Wide(QueryValue(L"Gridlet.Converter.1\\CLSID").value), clsid);
  EXPECT_EQ(QueryValue(L"Gridlet.Converter").value, "Gridlet Class");
  EXPECT_EQ(Wide(QueryValue(L"Gridlet.Converter\\CLSID").value), clsid);
  EXPECT_EQ(QueryValue(L"Gridlet.Converter\\CurVer").value, "Gridlet.Converter.1");

  const std::wstring key = L"CLSID\\" + clsid;
  EXPECT_EQ(QueryValue(key).value, "Gridlet Class");
  EXPECT_EQ(QueryValue(key + L"\\ProgID").value, "Gridlet.Converter.1");
  EXPECT_EQ(QueryValue(key + L"\\VersionIndependentProgID").value, "Gridlet.Converter");
  EXPECT_EQ(Wide(QueryValue(key + L"\\InprocServer32").value), dll);
  EXPECT_EQ(QueryValue(key + L"\\InprocServer32", L"ThreadingModel").value, "Apartment");
  EXPECT_EQ(Wide(QueryValue(key + L"\\TypeLib").value), libid);
  // RegisterTypeLib's own entries.
  EXPECT_EQ(QueryValue(L"TypeLib\\" + libid + L"\\1.0").value, "Gridlet Converter 1.0 Type Library");
  EXPECT_EQ(Wide(QueryValue(L"TypeLib\\" + libid + L"\\1.0\\0\\win64").value), dll);
}

TEST_F(Registration, UnregisterRemovesEverythingButTheClsidKey) {
  ASSERT_EQ(Regsvr32(dll, false), 0u);
  ASSERT_EQ(Regsvr32(dll, true), 0u);
  EXPECT_FALSE(KeyExists(L"Gridlet.Converter.1"));
  EXPECT_FALSE(KeyExists(L"Gridlet.Converter"));
  EXPECT_FALSE(KeyExists(L"CLSID\\" + clsid));
  EXPECT_FALSE(KeyExists(L"TypeLib\\" + libid));
  EXPECT_TRUE(KeyExists(L"CLSID"));
  // A second unregistration finds nothing and still succeeds.
  EXPECT_EQ(Regsvr32(dll, true), 0u);
}

TEST_F(Registration, RegistrationReplacesTheClassKeyWhole) {
  const std::wstring stale = L"CLSID\\" + clsid + L"\\LocalServer32";
  ASSERT_EQ(RunProcess(L"reg add \"HKCR\\" + stale + L"\" /ve /d old.exe /f").exitCode, 0u);
  ASSERT_EQ(Regsvr32(dll, false), 0u);
  EXPECT_FALSE(KeyExists(stale));
  EXPECT_TRUE(KeyExists(L"CLSID\\" + clsid + L"\\InprocServer32"));
}

TEST_F(Registration, AModulePathWithQuotesIsWrittenAsItIs) {
  TemporaryFolder folder;
  const std::wstring quoted = folder.Path() + L"O'Brien's 100%\\";
  ASSERT_TRUE(CreateDirectoryW(quoted.c_str(), nullptr));
  const std::wstring copy = quoted + L"gridlet.dll";
  ASSERT_TRUE(CopyFileW(dll.c_str(), copy.c_str(), FALSE));
  ASSERT_EQ(Regsvr32(copy, false), 0u);
  EXPECT_EQ(Wide(QueryValue(L"CLSID\\" + clsid + L"\\InprocServer32").value), copy);
  EXPECT_EQ(Regsvr32(copy, true), 0u);
  EXPECT_FALSE(KeyExists(L"CLSID\\" + clsid));
}

// The embedded type library, read back through the type-library API.
class TypeLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(LoadTypeLibEx(EnvironmentPath(L"GRIDLET_DLL").c_str(), REGKIND_NONE, &library));
  }
  void TearDown() override {
    if (library) library->Release();
  }
  ITypeInfo* Info(REFGUID guid) {
    ITypeInfo* info = nullptr;
    EXPECT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(guid, &info));
    return info;
  }
  static std::wstring Documentation(ITypeInfo* info, MEMBERID member, bool help) {
    BSTR name = nullptr, doc = nullptr;
    info->GetDocumentation(member, &name, &doc, nullptr, nullptr);
    std::wstring text = (help ? doc : name) ? std::wstring(help ? doc : name) : L"";
    SysFreeString(name);
    SysFreeString(doc);
    return text;
  }
  ITypeLib* library = nullptr;
};

TEST_F(TypeLibrary, NamesTheLibraryAndItsThreeEntries) {
  BSTR name = nullptr, doc = nullptr;
  ASSERT_HRESULT_SUCCEEDED(library->GetDocumentation(-1, &name, &doc, nullptr, nullptr));
  EXPECT_STREQ(name, L"GRIDLETCONVERTERLib");
  EXPECT_STREQ(doc, L"Gridlet Converter 1.0 Type Library");
  SysFreeString(name);
  SysFreeString(doc);
  TLIBATTR* attributes = nullptr;
  ASSERT_HRESULT_SUCCEEDED(library->GetLibAttr(&attributes));
  EXPECT_EQ(attributes->wMajorVerNum, 1);
  EXPECT_EQ(attributes->wMinorVerNum, 0);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, LIBID_GRIDLETCONVERTERLib));
  library->ReleaseTLibAttr(attributes);
  EXPECT_EQ(library->GetTypeInfoCount(), 3u);
}

TEST_F(TypeLibrary, CoclassIsCreatableWithIGridletAsDefault) {
  ITypeInfo* coclass = Info(CLSID_Gridlet);
  ASSERT_NE(coclass, nullptr);
  TYPEATTR* attributes = nullptr;
  ASSERT_HRESULT_SUCCEEDED(coclass->GetTypeAttr(&attributes));
  EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
  EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FCANCREATE);
  ASSERT_EQ(attributes->cImplTypes, 1);
  coclass->ReleaseTypeAttr(attributes);
  EXPECT_EQ(Documentation(coclass, MEMBERID_NIL, false), L"Gridlet");
  EXPECT_EQ(Documentation(coclass, MEMBERID_NIL, true), L"Gridlet Class");
  INT flags = 0;
  ASSERT_HRESULT_SUCCEEDED(coclass->GetImplTypeFlags(0, &flags));
  EXPECT_TRUE(flags & IMPLTYPEFLAG_FDEFAULT);
  HREFTYPE reference = 0;
  ITypeInfo* implemented = nullptr;
  ASSERT_HRESULT_SUCCEEDED(coclass->GetRefTypeOfImplType(0, &reference));
  ASSERT_HRESULT_SUCCEEDED(coclass->GetRefTypeInfo(reference, &implemented));
  EXPECT_EQ(Documentation(implemented, MEMBERID_NIL, false), L"IGridlet");
  implemented->Release();
  coclass->Release();
}

TEST_F(TypeLibrary, IGridletIsACustomInterfaceWithFiveMethodsInOrder) {
  ITypeInfo* info = Info(IID_IGridlet);
  ASSERT_NE(info, nullptr);
  TYPEATTR* attributes = nullptr;
  ASSERT_HRESULT_SUCCEEDED(info->GetTypeAttr(&attributes));
  EXPECT_EQ(attributes->typekind, TKIND_INTERFACE);
  EXPECT_FALSE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
  EXPECT_FALSE(attributes->wTypeFlags & TYPEFLAG_FDISPATCHABLE);
  ASSERT_EQ(attributes->cFuncs, 5);
  info->ReleaseTypeAttr(attributes);
  EXPECT_EQ(Documentation(info, MEMBERID_NIL, true), L"IGridlet Interface");

  struct Expected {
    const wchar_t* name;
    MEMBERID id;
    std::vector<std::wstring> parameters;
  };
  const Expected expected[] = {
      {L"SetTheFileName", 0x60010000, {L"bstrTheFileName"}},
      {L"GetTheFileName", 0x60010001, {L"bstrRetVal"}},
      {L"WorkbookToText", 0x60010002, {L"bstrWorkbookName", L"bstrstrTextFileNames"}},
      {L"GetExcelSheetNames", 0x60010003, {L"bstrExcelWorkbookFullPathName", L"vRetSheetNames"}},
      {L"Convert", 0x60010004,
       {L"bstrInputFileNameWithPath", L"fromType", L"bstrSheetName", L"bstrOutputFileNameWithPath",
        L"saveInternalName", L"toType", L"bOverwrite"}},
  };
  for (UINT i = 0; i < 5; ++i) {
    FUNCDESC* function = nullptr;
    ASSERT_HRESULT_SUCCEEDED(info->GetFuncDesc(i, &function));
    EXPECT_EQ(function->memid, expected[i].id);
    // After the three methods of IUnknown in the virtual table.
    EXPECT_EQ(function->oVft, static_cast<SHORT>((3 + i) * sizeof(void*)));
    EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
    BSTR names[8] = {};
    UINT count = 0;
    ASSERT_HRESULT_SUCCEEDED(info->GetNames(function->memid, names, 8, &count));
    ASSERT_EQ(count, expected[i].parameters.size() + 1);
    EXPECT_STREQ(names[0], expected[i].name);
    for (UINT p = 1; p < count; ++p) EXPECT_EQ(std::wstring(names[p]), expected[i].parameters[p - 1]);
    for (UINT p = 0; p < count; ++p) SysFreeString(names[p]);
    EXPECT_EQ(Documentation(info, function->memid, true), std::wstring(L"method ") + expected[i].name);
    info->ReleaseFuncDesc(function);
  }
  info->Release();
}

TEST_F(TypeLibrary, FileTypesEnumerationHoldsTheSevenValues) {
  ITypeInfo* found = nullptr;
  for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
    TYPEKIND kind;
    if (SUCCEEDED(library->GetTypeInfoType(i, &kind)) && kind == TKIND_ENUM) library->GetTypeInfo(i, &found);
  }
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(Documentation(found, MEMBERID_NIL, false), L"GRIDLET_FILE_TYPES");
  const wchar_t* names[] = {L"QZ_EXCEL", L"QZ_TAB_TEXT", L"QZ_GRIDLET_XBP", L"QZ_GRIDLET_XC",
                            L"QZ_GRIDLET_XD", L"QZ_GRIDLET_XF", L"QZ_GRIDLET_NULL"};
  TYPEATTR* attributes = nullptr;
  ASSERT_HRESULT_SUCCEEDED(found->GetTypeAttr(&attributes));
  ASSERT_EQ(attributes->cVars, 7);
  found->ReleaseTypeAttr(attributes);
  for (UINT i = 0; i < 7; ++i) {
    VARDESC* variable = nullptr;
    ASSERT_HRESULT_SUCCEEDED(found->GetVarDesc(i, &variable));
    EXPECT_EQ(Documentation(found, variable->memid, false), names[i]);
    VARIANT value;
    VariantInit(&value);
    ASSERT_HRESULT_SUCCEEDED(VariantChangeType(&value, variable->lpvarValue, 0, VT_I4));
    EXPECT_EQ(value.lVal, static_cast<LONG>(i));
    found->ReleaseVarDesc(variable);
  }
  found->Release();
}

TEST(StringTable, ModuleStringsAreTheEngineStrings) {
  ServerModule module(EnvironmentPath(L"GRIDLET_DLL"));
  ASSERT_TRUE(module.Loaded());
  for (int id : {IDS_PROJNAME, IDS_APPLICATION_ERROR, IDS_NAME_CHANGED, IDS_FILE_EXISTS, IDS_INVALID_FILE_NAME,
                 IDS_NUMBER_CHARACTERS}) {
    char text[1024] = {};
    ASSERT_GT(LoadStringA(module.Handle(), id, text, sizeof text), 0) << id;
    EXPECT_STREQ(text, LoadResourceString(id)) << id;
  }
  char text[16] = {};
  EXPECT_EQ(LoadStringA(module.Handle(), 101, text, sizeof text), 0);
}

}  // namespace
}  // namespace gridlet::wine_test
