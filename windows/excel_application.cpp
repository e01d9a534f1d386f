#include <windows.h>
#include <ole2.h>

#include "excel_application.h"

#include "bridge/excel_dispatch_ids.h"
#include "bstr_text.h"
#include "dispatch_object.h"
#include "encoding/cp1252.h"

namespace gridlet::win32 {

namespace {

namespace id = excel_dispid;

template <class Wrapper>
std::unique_ptr<Wrapper> WrapResult(Variant result) {
  ComPtr<IDispatch> object = DispatchObject::ObjectOf(result);
  if (!object) return nullptr;
  return std::make_unique<Wrapper>(DispatchObject(std::move(object)));
}

class ExcelRange : public SpreadsheetRange {
 public:
  explicit ExcelRange(DispatchObject range) : range_(std::move(range)) {}
  AutomationValue GetValue() override { return FromVariant(range_.Get(id::RANGE_VALUE).Value()); }
  void PutValue(const AutomationValue& value) override { range_.Put(id::RANGE_VALUE, value); }

 private:
  DispatchObject range_;
};

class ExcelWorksheet : public SpreadsheetWorksheet {
 public:
  explicit ExcelWorksheet(DispatchObject sheet) : sheet_(std::move(sheet)) {}
  void Activate() override { sheet_.Call(id::WORKSHEET_ACTIVATE); }
  std::u16string GetName() override {
    const Variant name = sheet_.Get(id::WORKSHEET_NAME);
    return name.Value().vt == VT_BSTR ? FromBstr(name.Value().bstrVal) : std::u16string();
  }
  // The names given come from the engine's ANSI texts, so the ANSI form
  // loses nothing.
  void PutName(const std::u16string& name) override {
    sheet_.Put(id::WORKSHEET_NAME, StringArgument(Utf16ToCp1252(name, '?')));
  }
  std::unique_ptr<SpreadsheetRange> GetRange(const AutomationValue& cell1, const AutomationValue& cell2) override {
    return WrapResult<ExcelRange>(sheet_.Get(id::WORKSHEET_RANGE, {cell1, cell2}));
  }

 private:
  DispatchObject sheet_;
};

class ExcelSheets : public SpreadsheetSheets {
 public:
  explicit ExcelSheets(DispatchObject sheets) : sheets_(std::move(sheets)) {}
  std::int32_t GetCount() override { return DispatchObject::LongOf(sheets_.Get(id::SHEETS_COUNT)); }
  std::unique_ptr<SpreadsheetWorksheet> GetItem(const AutomationValue& index) override {
    return WrapResult<ExcelWorksheet>(sheets_.Get(id::SHEETS_ITEM, {index}));
  }

 private:
  DispatchObject sheets_;
};

class ExcelWorkbook : public SpreadsheetWorkbook {
 public:
  explicit ExcelWorkbook(DispatchObject book) : book_(std::move(book)) {}
  void Activate() override { book_.Call(id::WORKBOOK_ACTIVATE); }
  std::unique_ptr<SpreadsheetSheets> GetWorksheets() override {
    return WrapResult<ExcelSheets>(book_.Get(id::WORKBOOK_WORKSHEETS));
  }
  void SaveAs(const SaveAsArguments& a) override {
    book_.Call(id::WORKBOOK_SAVE_AS,
               {a.fileName, a.fileFormat, a.password, a.writeResPassword, a.readOnlyRecommended,
                a.createBackup, LongArgument(a.accessMode), a.conflictResolution, a.addToMru, a.textCodepage,
                a.textVisualLayout});
  }
  void Close(const CloseArguments& a) override {
    book_.Call(id::WORKBOOK_CLOSE, {a.saveChanges, a.fileName, a.routeWorkbook});
  }

 private:
  DispatchObject book_;
};

class ExcelWorkbooks : public SpreadsheetWorkbooks {
 public:
  explicit ExcelWorkbooks(DispatchObject books) : books_(std::move(books)) {}
  std::unique_ptr<SpreadsheetWorkbook> Open(const OpenArguments& a) override {
    return WrapResult<ExcelWorkbook>(books_.Call(
        id::WORKBOOKS_OPEN, {StringArgument(a.fileName), a.updateLinks, a.readOnly, a.format, a.password,
                             a.writeResPassword, a.ignoreReadOnlyRecommended, a.origin, a.delimiter,
                             a.editable, a.notify, a.converter, a.addToMru}));
  }

 private:
  DispatchObject books_;
};

class ExcelWindow : public SpreadsheetWindow {
 public:
  explicit ExcelWindow(DispatchObject window) : window_(std::move(window)) {}
  bool GetDisplayFormulas() override { return DispatchObject::BoolOf(window_.Get(id::WINDOW_DISPLAY_FORMULAS)); }
  void PutDisplayFormulas(bool value) override { window_.Put(id::WINDOW_DISPLAY_FORMULAS, value); }

 private:
  DispatchObject window_;
};

class ExcelApplication : public SpreadsheetApplication {
 public:
  explicit ExcelApplication(DispatchObject application) : application_(std::move(application)) {}
  void PutVisible(bool value) override { application_.Put(id::APPLICATION_VISIBLE, value); }
  bool GetDisplayAlerts() override {
    return DispatchObject::BoolOf(application_.Get(id::APPLICATION_DISPLAY_ALERTS));
  }
  void PutDisplayAlerts(bool value) override { application_.Put(id::APPLICATION_DISPLAY_ALERTS, value); }
  std::unique_ptr<SpreadsheetWorkbooks> GetWorkbooks() override {
    return WrapResult<ExcelWorkbooks>(application_.Get(id::APPLICATION_WORKBOOKS));
  }
  std::unique_ptr<SpreadsheetWindow> GetActiveWindow() override {
    return WrapResult<ExcelWindow>(application_.Get(id::APPLICATION_ACTIVE_WINDOW));
  }
  void Quit() override { application_.Call(id::APPLICATION_QUIT); }

 private:
  DispatchObject application_;
};

}  // namespace

std::unique_ptr<SpreadsheetApplication> ExcelApplicationLauncher::Start() {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(L"Excel.Application", &clsid))) return nullptr;
  ComPtr<IUnknown> instance;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IUnknown, instance.PutVoid())) || !instance)
    return nullptr;
  if (FAILED(OleRun(instance.Get()))) return nullptr;
  ComPtr<IDispatch> application;
  if (FAILED(instance->QueryInterface(IID_IDispatch, application.PutVoid())) || !application) return nullptr;
  return std::make_unique<ExcelApplication>(DispatchObject(std::move(application)));
}

}  // namespace gridlet::win32
