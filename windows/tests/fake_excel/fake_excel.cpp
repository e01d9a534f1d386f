// A stand-in for Excel's automation server, registered as
// "Excel.Application" in the test prefix. It answers the members the
// converter uses the way Excel does, keeps workbooks in memory, writes tab
// text and "workbooks" (its own small text form) on SaveAs, and records
// every call it receives.
#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "com_object.h"
#include "fake_excel_control.h"

namespace {

// {918AFB45-ACE3-4589-84E1-ABA96C69201F}
const CLSID CLSID_FakeExcel = {0x918afb45, 0xace3, 0x4589, {0x84, 0xe1, 0xab, 0xa9, 0x6c, 0x69, 0x20, 0x1f}};
const char* const CLSID_TEXT = "{918AFB45-ACE3-4589-84E1-ABA96C69201F}";
const HRESULT EXCEL_E_FAILED = static_cast<HRESULT>(0x800A03ECu);

HINSTANCE moduleInstance = nullptr;
LONG liveObjects = 0;
std::string callLog;

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
  return out;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

struct Cell {
  std::wstring formula;  // empty: a constant
  std::wstring value;
  std::wstring Shown(bool formulas) const { return formulas && !formula.empty() ? formula : value; }
};

struct Sheet {
  std::wstring name;
  bool chart = false;
  std::map<std::pair<int, int>, Cell> cells;  // (row, column), 1-based
};

struct Book {
  std::vector<Sheet> sheets;
  std::size_t active = 0;
};

std::map<std::wstring, Book> catalogue;  // by lower-cased path

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
  std::vector<std::wstring> parts(1);
  for (wchar_t c : text) {
    if (c == separator) parts.emplace_back();
    else parts.back().push_back(c);
  }
  return parts;
}

void ReadRows(Sheet& sheet, const std::vector<std::wstring>& rows) {
  for (std::size_t r = 0; r < rows.size(); ++r) {
    std::wstring row = rows[r];
    if (!row.empty() && row.back() == L'\r') row.pop_back();
    const std::vector<std::wstring> cells = Split(row, L'\t');
    for (std::size_t c = 0; c < cells.size(); ++c) {
      if (cells[c].empty()) continue;
      Cell cell;
      const std::size_t bar = cells[c].find(L'|');
      if (bar != std::wstring::npos) {
        cell.formula = cells[c].substr(0, bar);
        cell.value = cells[c].substr(bar + 1);
      } else if (cells[c][0] == L'=') {
        cell.formula = cell.value = cells[c];
      } else {
        cell.value = cells[c];
      }
      sheet.cells[{static_cast<int>(r) + 1, static_cast<int>(c) + 1}] = cell;
    }
  }
}

Book ParseBook(const std::wstring& description) {
  Book book;
  for (const std::wstring& part : Split(description, L'\f')) {
    std::vector<std::wstring> lines = Split(part, L'\n');
    Sheet sheet;
    sheet.name = lines.front();
    if (sheet.name.rfind(L"chart:", 0) == 0) {
      sheet.chart = true;
      sheet.name = sheet.name.substr(6);
    }
    lines.erase(lines.begin());
    ReadRows(sheet, lines);
    book.sheets.push_back(sheet);
  }
  return book;
}

// The used range as tab text, from its first used cell, rows ending in CR LF.
std::string SheetText(const Sheet& sheet, bool formulas) {
  if (sheet.cells.empty()) return "";
  int top = 1 << 30, left = 1 << 30, bottom = 0, right = 0;
  for (const auto& [position, cell] : sheet.cells) {
    top = std::min(top, position.first);
    bottom = std::max(bottom, position.first);
    left = std::min(left, position.second);
    right = std::max(right, position.second);
  }
  std::string text;
  for (int r = top; r <= bottom; ++r) {
    for (int c = left; c <= right; ++c) {
      if (c > left) text += '\t';
      const auto found = sheet.cells.find({r, c});
      if (found != sheet.cells.end()) text += Narrow(found->second.Shown(formulas));
    }
    text += "\r\n";
  }
  return text;
}

bool WriteText(const std::wstring& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == text.size();
}

bool ReadText(const std::wstring& path, std::wstring& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  const BOOL ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  // A zero byte ends the text, as it ends a C string.
  bytes = bytes.substr(0, bytes.find('\0'));
  text.assign(bytes.begin(), bytes.end());
  return ok;
}

std::string Describe(const VARIANT& v) {
  char buffer[64];
  switch (v.vt) {
    case VT_EMPTY: return "EMPTY";
    case VT_ERROR:
      if (v.scode == DISP_E_PARAMNOTFOUND) return "MISSING";
      std::snprintf(buffer, sizeof buffer, "ERROR:%08lX", static_cast<unsigned long>(v.scode));
      return buffer;
    case VT_BOOL: return v.boolVal ? "BOOL:1" : "BOOL:0";
    case VT_I2: return "I2:" + std::to_string(v.iVal);
    case VT_I4: return "I4:" + std::to_string(v.lVal);
    case VT_R8: std::snprintf(buffer, sizeof buffer, "R8:%g", v.dblVal); return buffer;
    case VT_BSTR: return "BSTR:" + Narrow(v.bstrVal ? std::wstring(v.bstrVal, SysStringLen(v.bstrVal)) : L"");
    default: return "VT:" + std::to_string(v.vt);
  }
}

struct Application {
  bool displayAlerts = true;
  bool visible = true;
  bool displayFormulas = false;
  std::shared_ptr<Book> activeBook;
};

enum class Kind { Application, Workbooks, Workbook, Sheets, Worksheet, Range, Window };

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::Application: return "Application";
    case Kind::Workbooks: return "Workbooks";
    case Kind::Workbook: return "Workbook";
    case Kind::Sheets: return "Sheets";
    case Kind::Worksheet: return "Worksheet";
    case Kind::Range: return "Range";
    case Kind::Window: return "Window";
  }
  return "?";
}

class Failure {
 public:
  Failure(HRESULT code, const wchar_t* text) : code(code), text(text) {}
  HRESULT code;
  const wchar_t* text;
};

class FakeObject final : public gridlet::win32::SingleInterfaceObject<IDispatch, IID_IDispatch> {
 public:
  FakeObject(Kind kind, std::shared_ptr<Application> application, std::shared_ptr<Book> book = nullptr,
             std::size_t sheet = 0, std::pair<int, int> cell = {1, 1})
      : kind_(kind), application_(std::move(application)), book_(std::move(book)), sheet_(sheet), cell_(cell) {
    InterlockedIncrement(&liveObjects);
  }
  ~FakeObject() override { InterlockedDecrement(&liveObjects); }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    for (UINT i = 0; i < count; ++i) {
      callLog += std::string(KindName(kind_)) + " GetIDsOfNames " + Narrow(names[i]) + "\n";
      ids[i] = DISPID_UNKNOWN;
    }
    return DISP_E_UNKNOWNNAME;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception, UINT*) override {
    std::vector<const VARIANT*> arguments;  // first to last
    if (parameters) {
      for (UINT i = parameters->cArgs; i > 0; --i) arguments.push_back(&parameters->rgvarg[i - 1]);
    }
    char head[64];
    std::snprintf(head, sizeof head, "%s 0x%lX %u", KindName(kind_), static_cast<unsigned long>(member), flags);
    std::string line = head;
    for (const VARIANT* argument : arguments) {
      line += ' ';
      line += Describe(*argument);
    }
    callLog += line;
    callLog += '\n';
    if ((flags & DISPATCH_PROPERTYPUT) &&
        !(parameters && parameters->cNamedArgs == 1 && parameters->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT))
      return DISP_E_PARAMNOTOPTIONAL;
    VARIANT ignored;
    VariantInit(&ignored);
    if (!result) result = &ignored;
    VariantInit(result);
    try {
      const HRESULT hr = Answer(member, flags, arguments, result);
      VariantClear(&ignored);
      return hr;
    } catch (const Failure& failure) {
      if (exception) {
        *exception = EXCEPINFO{};
        exception->scode = failure.code;
        exception->bstrSource = SysAllocString(L"Microsoft Excel");
        exception->bstrDescription = SysAllocString(failure.text);
      }
      return DISP_E_EXCEPTION;
    }
  }

 private:
  static bool Bool(const VARIANT* v) {
    return (v->vt == VT_BOOL && v->boolVal) || (v->vt == VT_I2 && v->iVal) || (v->vt == VT_I4 && v->lVal);
  }
  static std::wstring Text(const VARIANT* v) {
    return v->vt == VT_BSTR && v->bstrVal ? std::wstring(v->bstrVal, SysStringLen(v->bstrVal)) : L"";
  }
  static long Number(const VARIANT* v) {
    if (v->vt == VT_I2) return v->iVal;
    if (v->vt == VT_I4) return v->lVal;
    throw Failure(DISP_E_TYPEMISMATCH, L"a number was expected");
  }
  static void PutObject(VARIANT* result, FakeObject* object) {
    result->vt = VT_DISPATCH;
    result->pdispVal = object;
  }
  static void PutBool(VARIANT* result, bool value) {
    result->vt = VT_BOOL;
    result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  }

  Sheet& CurrentSheet() { return book_->sheets.at(sheet_); }

  // The worksheets only, as Excel's Worksheets collection holds them.
  std::vector<std::size_t> Worksheets() const {
    std::vector<std::size_t> indexes;
    for (std::size_t i = 0; i < book_->sheets.size(); ++i) {
      if (!book_->sheets[i].chart) indexes.push_back(i);
    }
    return indexes;
  }

  HRESULT Answer(DISPID member, WORD flags, const std::vector<const VARIANT*>& a, VARIANT* result) {
    const bool get = flags & DISPATCH_PROPERTYGET, put = flags & DISPATCH_PROPERTYPUT,
               call = flags & DISPATCH_METHOD;
    Application& app = *application_;
    switch (kind_) {
      case Kind::Application:
        if (member == 0x22E && put) return app.visible = Bool(a.at(0)), S_OK;
        if (member == 0x157 && put) return app.displayAlerts = Bool(a.at(0)), S_OK;
        if (member == 0x157 && get) return PutBool(result, app.displayAlerts), S_OK;
        if (member == 0x23C && get) return PutObject(result, new FakeObject(Kind::Workbooks, application_)), S_OK;
        if (member == 0x2F7 && get) {
          if (app.activeBook) PutObject(result, new FakeObject(Kind::Window, application_, app.activeBook));
          return S_OK;
        }
        if (member == 0x12E && call) return app.activeBook.reset(), S_OK;
        break;
      case Kind::Workbooks:
        if (member == 0x2AA && call) return Open(a, result);
        break;
      case Kind::Workbook:
        if (member == 0x130 && call) return app.activeBook = book_, S_OK;
        if (member == 0x1EE && get) return PutObject(result, new FakeObject(Kind::Sheets, application_, book_)), S_OK;
        if (member == 0x11C && call) return SaveAs(a);
        if (member == 0x115 && call) {
          if (app.activeBook == book_) app.activeBook.reset();
          return S_OK;
        }
        break;
      case Kind::Sheets: {
        const std::vector<std::size_t> sheets = Worksheets();
        if (member == 0x76 && get) {
          result->vt = VT_I4;
          result->lVal = static_cast<LONG>(sheets.size());
          return S_OK;
        }
        if (member == 0xAA && get) {
          const VARIANT* index = a.at(0);
          if (index->vt == VT_BSTR) {
            for (std::size_t i : sheets) {
              if (Lower(book_->sheets[i].name) == Lower(Text(index)))
                return PutObject(result, new FakeObject(Kind::Worksheet, application_, book_, i)), S_OK;
            }
            throw Failure(DISP_E_BADINDEX, L"Subscript out of range");
          }
          const long n = Number(index);
          if (n < 1 || n > static_cast<long>(sheets.size())) throw Failure(DISP_E_BADINDEX, L"Subscript out of range");
          return PutObject(result, new FakeObject(Kind::Worksheet, application_, book_, sheets[n - 1])), S_OK;
        }
        break;
      }
      case Kind::Worksheet:
        if (member == 0x130 && call) return book_->active = sheet_, S_OK;
        if (member == 0x6E && get) {
          result->vt = VT_BSTR;
          result->bstrVal = SysAllocString(CurrentSheet().name.c_str());
          return S_OK;
        }
        if (member == 0x6E && put) return CurrentSheet().name = Text(a.at(0)), S_OK;
        if (member == 0xC5 && get) {
          const std::wstring first = Text(a.at(0));
          if (first.size() < 2 || !iswalpha(first[0])) throw Failure(EXCEL_E_FAILED, L"bad range");
          const int column = towupper(first[0]) - L'A' + 1;
          const int row = _wtoi(first.c_str() + 1);
          return PutObject(result, new FakeObject(Kind::Range, application_, book_, sheet_, {row, column})), S_OK;
        }
        break;
      case Kind::Range: {
        auto& cells = CurrentSheet().cells;
        if (member == 6 && get) {
          const auto found = cells.find(cell_);
          if (found == cells.end()) return S_OK;  // VT_EMPTY
          result->vt = VT_BSTR;
          result->bstrVal = SysAllocString(found->second.value.c_str());
          return S_OK;
        }
        if (member == 6 && put) {
          Cell cell;
          VARIANT text;
          VariantInit(&text);
          if (SUCCEEDED(VariantChangeType(&text, const_cast<VARIANT*>(a.at(0)), 0, VT_BSTR))) cell.value = Text(&text);
          VariantClear(&text);
          cells[cell_] = cell;
          return S_OK;
        }
        break;
      }
      case Kind::Window:
        if (member == 0x284 && get) return PutBool(result, app.displayFormulas), S_OK;
        if (member == 0x284 && put) return app.displayFormulas = Bool(a.at(0)), S_OK;
        break;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

  HRESULT Open(const std::vector<const VARIANT*>& a, VARIANT* result) {
    const std::wstring path = Text(a.at(0));
    auto book = std::make_shared<Book>();
    const auto known = catalogue.find(Lower(path));
    std::wstring text;
    if (known != catalogue.end()) {
      *book = known->second;  // a copy: what is not saved does not reach the file
    } else if (ReadText(path, text)) {
      // Any other file is read as text; its sheet is named after the file.
      Sheet sheet;
      const std::size_t slash = path.find_last_of(L"\\/");
      sheet.name = path.substr(slash == std::wstring::npos ? 0 : slash + 1);
      sheet.name = sheet.name.substr(0, sheet.name.find_last_of(L'.'));
      ReadRows(sheet, Split(text, L'\n'));
      book->sheets.push_back(sheet);
    } else {
      throw Failure(EXCEL_E_FAILED, L"The file could not be found.");
    }
    application_->activeBook = book;
    PutObject(result, new FakeObject(Kind::Workbook, application_, book));
    return S_OK;
  }

  HRESULT SaveAs(const std::vector<const VARIANT*>& a) {
    const std::wstring path = Text(a.at(0));
    const long format = Number(a.at(1));
    const Sheet& active = book_->sheets.at(book_->active);
    if (format == -4158) {
      if (!WriteText(path, SheetText(active, application_->displayFormulas)))
        throw Failure(EXCEL_E_FAILED, L"The file could not be saved.");
      return S_OK;
    }
    if (format == -4143) {
      if (!WriteText(path, "FAKE-WORKBOOK\r\n" + SheetText(active, true)))
        throw Failure(EXCEL_E_FAILED, L"The file could not be saved.");
      catalogue[Lower(path)] = *book_;
      return S_OK;
    }
    throw Failure(EXCEL_E_FAILED, L"Unknown file format.");
  }

  Kind kind_;
  std::shared_ptr<Application> application_;
  std::shared_ptr<Book> book_;
  std::size_t sheet_;
  std::pair<int, int> cell_;
};

class FakeExcelFactory final : public gridlet::win32::ModuleClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return gridlet::win32::HandOutNewObject(
        new (std::nothrow) FakeObject(Kind::Application, std::make_shared<Application>()), iid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

FakeExcelFactory factory;

LONG SetKey(const std::string& path, const std::string& name, const std::string& value) {
  HKEY key = nullptr;
  LONG error = RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  if (error) return error;
  error = RegSetValueExA(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
  return error;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) moduleInstance = instance;
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(clsid, CLSID_FakeExcel)) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(iid, object);
}

// Stays loaded: the tests read its records after the objects are gone.
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(moduleInstance, path, MAX_PATH);
  const std::string clsid = std::string("CLSID\\") + CLSID_TEXT;
  LONG error = SetKey("Excel.Application", "", "Microsoft Excel Application");
  if (!error) error = SetKey("Excel.Application\\CLSID", "", CLSID_TEXT);
  if (!error) error = SetKey(clsid, "", "Microsoft Excel Application");
  if (!error) error = SetKey(clsid + "\\InprocServer32", "", path);
  if (!error) error = SetKey(clsid + "\\InprocServer32", "ThreadingModel", "Apartment");
  return error ? HRESULT_FROM_WIN32(error) : S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  RegDeleteTreeA(HKEY_CLASSES_ROOT, "Excel.Application");
  RegDeleteKeyA(HKEY_CLASSES_ROOT, "Excel.Application");
  const std::string clsid = std::string("CLSID\\") + CLSID_TEXT;
  RegDeleteTreeA(HKEY_CLASSES_ROOT, clsid.c_str());
  RegDeleteKeyA(HKEY_CLASSES_ROOT, clsid.c_str());
  return S_OK;
}

extern "C" const char* __cdecl FakeExcelLog() { return callLog.c_str(); }

extern "C" void __cdecl FakeExcelReset() {
  callLog.clear();
  catalogue.clear();
}

extern "C" void __cdecl FakeExcelAddWorkbook(const wchar_t* path, const wchar_t* sheets) {
  catalogue[Lower(path)] = ParseBook(sheets);
}

extern "C" BOOL __cdecl FakeExcelCell(const wchar_t* path, const wchar_t* sheet, int row, int column,
                                      wchar_t* text, int size) {
  const auto book = catalogue.find(Lower(path));
  if (book == catalogue.end() || size <= 0) return FALSE;
  for (const Sheet& s : book->second.sheets) {
    if (*sheet && s.name != sheet) continue;
    const auto cell = s.cells.find({row, column});
    if (cell == s.cells.end()) return FALSE;
    lstrcpynW(text, cell->second.Shown(true).c_str(), size);
    return TRUE;
  }
  return FALSE;
}

extern "C" LONG __cdecl FakeExcelLiveObjects() { return InterlockedCompareExchange(&liveObjects, 0, 0); }
