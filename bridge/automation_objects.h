// Holders of the spreadsheet application's objects. Each holds at most one
// object and releases it when it goes out of scope, on every path; a call
// through a holder that holds no object does nothing and gives an empty
// result (false, 0, an empty string or an empty holder).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bridge/spreadsheet_application.h"

namespace gridlet {

template <class Interface>
class AutomationObject {
 public:
  AutomationObject() = default;
  explicit AutomationObject(std::unique_ptr<Interface> object) : object_(std::move(object)) {}

  bool Holds() const { return object_ != nullptr; }
  void Release() { object_.reset(); }

 protected:
  Interface* Object() const { return object_.get(); }

 private:
  std::unique_ptr<Interface> object_;
};

class RangeObject : public AutomationObject<SpreadsheetRange> {
 public:
  using AutomationObject::AutomationObject;
  AutomationValue GetValue() { return Object() ? Object()->GetValue() : AutomationValue{}; }
  void PutValue(const AutomationValue& value) {
    if (Object()) Object()->PutValue(value);
  }
};

class WorksheetObject : public AutomationObject<SpreadsheetWorksheet> {
 public:
  using AutomationObject::AutomationObject;
  void Activate() {
    if (Object()) Object()->Activate();
  }
  std::u16string GetName() { return Object() ? Object()->GetName() : std::u16string(); }
  void PutName(const std::u16string& name) {
    if (Object()) Object()->PutName(name);
  }
  RangeObject GetRange(const AutomationValue& cell1, const AutomationValue& cell2) {
    return RangeObject(Object() ? Object()->GetRange(cell1, cell2) : nullptr);
  }
};

class SheetsObject : public AutomationObject<SpreadsheetSheets> {
 public:
  using AutomationObject::AutomationObject;
  std::int32_t GetCount() { return Object() ? Object()->GetCount() : 0; }
  WorksheetObject GetItem(const AutomationValue& index) {
    return WorksheetObject(Object() ? Object()->GetItem(index) : nullptr);
  }
};

class WorkbookObject : public AutomationObject<SpreadsheetWorkbook> {
 public:
  using AutomationObject::AutomationObject;
  void Activate() {
    if (Object()) Object()->Activate();
  }
  SheetsObject GetWorksheets() { return SheetsObject(Object() ? Object()->GetWorksheets() : nullptr); }
  void SaveAs(const SaveAsArguments& arguments) {
    if (Object()) Object()->SaveAs(arguments);
  }
  void Close(const CloseArguments& arguments) {
    if (Object()) Object()->Close(arguments);
  }
  std::vector<std::string> CellsWithReplacedCharacters() {
    return Object() ? Object()->CellsWithReplacedCharacters() : std::vector<std::string>();
  }
};

class WorkbooksObject : public AutomationObject<SpreadsheetWorkbooks> {
 public:
  using AutomationObject::AutomationObject;
  WorkbookObject Open(const OpenArguments& arguments) {
    return WorkbookObject(Object() ? Object()->Open(arguments) : nullptr);
  }
};

class WindowObject : public AutomationObject<SpreadsheetWindow> {
 public:
  using AutomationObject::AutomationObject;
  bool GetDisplayFormulas() { return Object() ? Object()->GetDisplayFormulas() : false; }
  void PutDisplayFormulas(bool value) {
    if (Object()) Object()->PutDisplayFormulas(value);
  }
};

class ApplicationObject : public AutomationObject<SpreadsheetApplication> {
 public:
  using AutomationObject::AutomationObject;
  void PutVisible(bool value) {
    if (Object()) Object()->PutVisible(value);
  }
  bool GetDisplayAlerts() { return Object() ? Object()->GetDisplayAlerts() : false; }
  void PutDisplayAlerts(bool value) {
    if (Object()) Object()->PutDisplayAlerts(value);
  }
  WorkbooksObject GetWorkbooks() { return WorkbooksObject(Object() ? Object()->GetWorkbooks() : nullptr); }
  WindowObject GetActiveWindow() { return WindowObject(Object() ? Object()->GetActiveWindow() : nullptr); }
  void Quit() {
    if (Object()) Object()->Quit();
  }
};

}  // namespace gridlet
