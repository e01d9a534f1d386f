#include "platform/libreoffice_objects.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "encoding/cp1252.h"
#include "platform/engine_paths.h"
#include "model/com_error.h"
#include "platform/std_file_system.h"

namespace gridlet {
namespace {

namespace fs = std::filesystem;

inline constexpr HRESULT TYPE_MISMATCH = MakeResult(0x80020005u);   // DISP_E_TYPEMISMATCH
inline constexpr HRESULT BAD_INDEX = MakeResult(0x8002000Bu);       // DISP_E_BADINDEX
inline constexpr HRESULT PARAM_NOT_FOUND = MakeResult(0x80020004u); // DISP_E_PARAMNOTFOUND

struct WorkbookState {
  int activeSheet = 0;  // 0-based
  bool displayFormulas = false;
  bool open = true;
  fs::path folder;  // the work folder holding the opened copy
  std::vector<std::string> cellsWithReplacedCharacters;  // of the last text saved
};

void RemoveFolder(const fs::path& folder) {
  std::error_code ignored;
  if (!folder.empty()) fs::remove_all(folder, ignored);
}

// A work folder that goes when the operation that made it ends.
class PassingFolder {
 public:
  explicit PassingFolder(fs::path path) : path_(std::move(path)) {}
  ~PassingFolder() { RemoveFolder(path_); }
  PassingFolder(const PassingFolder&) = delete;
  PassingFolder& operator=(const PassingFolder&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// What the objects of one instance share.
struct Instance {
  std::shared_ptr<LibreOfficeSession> session;
  bool visible = false;
  bool displayAlerts = true;
  int activeWorkbook = 0;  // key of the active workbook, 0 for none
  int lastWorkbook = 0;
  std::map<int, WorkbookState> workbooks;

  std::vector<std::string> Call(std::vector<std::string> request) {
    if (!session) throw ComError(LIBREOFFICE_E_DISCONNECTED, "LibreOffice has quit");
    return session->Call(request);
  }
  WorkbookState& Workbook(int key) {
    auto it = workbooks.find(key);
    if (it == workbooks.end() || !it->second.open) throw ComError(LIBREOFFICE_E_FAILED, "the workbook is closed");
    return it->second;
  }
};

using InstancePtr = std::shared_ptr<Instance>;

fs::path SystemPath(const std::string& enginePath) { return fs::path(FromEnginePath(enginePath)); }

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

const std::string& StringOf(const AutomationValue& value, const char* what) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  throw ComError(IsMissing(value) ? PARAM_NOT_FOUND : TYPE_MISMATCH, std::string(what) + " must be a string");
}

int ToInt(const std::string& text) {
  try {
    return std::stoi(text);
  } catch (const std::exception&) {
    throw ComError(LIBREOFFICE_E_FAILED, "unexpected answer from LibreOffice: " + text);
  }
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ComError(LIBREOFFICE_E_FAILED, "cannot read " + path.string());
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Writes a file the user asked for through the platform's file system: a
// temporary file beside it is renamed into place, so that a failure part-way
// (a full disk) leaves an existing file whole and no truncated one.
void WriteAll(const std::string& enginePath, const std::string& bytes) {
  std::string why;
  if (!StdFileSystem().WriteFile(enginePath, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                 bytes.size(), &why)) {
    throw ComError(LIBREOFFICE_E_FAILED, "cannot write " + Cp1252ToUtf8(enginePath) + ": " + why);
  }
}

// The workbook formats SaveAs writes, by Excel's FileFormat numbers, and
// LibreOffice's filters for them.
struct SavedFormat {
  std::int32_t code;
  const char* filter;
  const char* extension;
};

constexpr SavedFormat WORKBOOK_FORMATS[] = {
    {XL_FILE_FORMAT_WORKBOOK, "MS Excel 97", ".xls"},
    {56, "MS Excel 97", ".xls"},                      // xlExcel8
    {XL_FILE_FORMAT_XLSX, "Calc MS Excel 2007 XML", ".xlsx"},
    {XL_FILE_FORMAT_ODS, "calc8", ".ods"},
};

const SavedFormat* FindSavedFormat(std::int32_t code) {
  for (const SavedFormat& format : WORKBOOK_FORMATS) {
    if (format.code == code) return &format;
  }
  return nullptr;
}

// The helper's field for a separator: its character code.
std::string SeparatorCode(char separator) { return std::to_string(static_cast<unsigned char>(separator)); }

class LibreOfficeRange : public SpreadsheetRange {
 public:
  LibreOfficeRange(InstancePtr instance, int workbook, int sheet, std::string cell)
      : instance_(std::move(instance)), workbook_(workbook), sheet_(sheet), cell_(std::move(cell)) {}

  AutomationValue GetValue() override {
    instance_->Workbook(workbook_);
    const std::vector<std::string> reply =
        instance_->Call({"get", std::to_string(workbook_), std::to_string(sheet_), cell_});
    if (reply.empty() || reply[0] == "E") return EmptyValue{};
    if (reply.size() < 2) throw ComError(LIBREOFFICE_E_FAILED, "unexpected answer from LibreOffice");
    if (reply[0] == "N") {
      try {
        return std::stod(reply[1]);
      } catch (const std::exception&) {
        throw ComError(LIBREOFFICE_E_FAILED, "unexpected number from LibreOffice: " + reply[1]);
      }
    }
    return Utf8ToCp1252(reply[1], '?');
  }

  void PutValue(const AutomationValue& value) override {
    instance_->Workbook(workbook_);
    std::vector<std::string> request{"put", std::to_string(workbook_), std::to_string(sheet_), cell_};
    if (IsEmptyValue(value)) {
      request.insert(request.end(), {"E", ""});
    } else if (IsMissing(value)) {
      throw ComError(PARAM_NOT_FOUND, "no value given");
    } else if (const auto* text = std::get_if<std::string>(&value)) {
      request.insert(request.end(), {"S", Cp1252ToUtf8(*text)});  // entered as if typed
    } else if (const auto* number = std::get_if<double>(&value)) {
      char buffer[40];
      std::snprintf(buffer, sizeof buffer, "%.17g", *number);
      request.insert(request.end(), {"N", buffer});
    } else if (const auto* flag = std::get_if<bool>(&value)) {
      request.insert(request.end(), {"S", *flag ? "TRUE" : "FALSE"});
    } else {
      request.insert(request.end(), {"N", std::to_string(IntegerOf(value, 0))});
    }
    instance_->Call(request);
  }

 private:
  InstancePtr instance_;
  int workbook_;
  int sheet_;
  std::string cell_;
};

class LibreOfficeWorksheet : public SpreadsheetWorksheet {
 public:
  LibreOfficeWorksheet(InstancePtr instance, int workbook, int sheet)
      : instance_(std::move(instance)), workbook_(workbook), sheet_(sheet) {}

  void Activate() override { instance_->Workbook(workbook_).activeSheet = sheet_; }

  std::u16string GetName() override {
    instance_->Workbook(workbook_);
    const std::vector<std::string> reply = instance_->Call({"name", std::to_string(workbook_), std::to_string(sheet_)});
    return Utf8ToUtf16(reply.empty() ? std::string() : reply[0]);
  }

  void PutName(const std::u16string& name) override {
    instance_->Workbook(workbook_);
    instance_->Call({"rename", std::to_string(workbook_), std::to_string(sheet_), Utf16ToUtf8(name)});
  }

  std::unique_ptr<SpreadsheetRange> GetRange(const AutomationValue& cell1, const AutomationValue& cell2) override {
    const std::string& first = StringOf(cell1, "Cell1");
    // Only single cells: a range of several cells would have an array value.
    if (!IsMissing(cell2) && Lower(StringOf(cell2, "Cell2")) != Lower(first)) {
      throw ComError(E_NOTIMPL, "only ranges of one cell are supported");
    }
    instance_->Workbook(workbook_);
    return std::make_unique<LibreOfficeRange>(instance_, workbook_, sheet_, first);
  }

 private:
  InstancePtr instance_;
  int workbook_;
  int sheet_;
};

class LibreOfficeSheets : public SpreadsheetSheets {
 public:
  LibreOfficeSheets(InstancePtr instance, int workbook) : instance_(std::move(instance)), workbook_(workbook) {}

  std::int32_t GetCount() override {
    instance_->Workbook(workbook_);
    const std::vector<std::string> reply = instance_->Call({"count", std::to_string(workbook_)});
    return reply.empty() ? 0 : ToInt(reply[0]);
  }

  std::unique_ptr<SpreadsheetWorksheet> GetItem(const AutomationValue& index) override {
    instance_->Workbook(workbook_);
    int sheet = 0;
    if (const auto* name = std::get_if<std::string>(&index)) {
      const std::vector<std::string> reply =
          instance_->Call({"find", std::to_string(workbook_), Cp1252ToUtf8(*name)});
      sheet = reply.empty() ? 0 : ToInt(reply[0]);
    } else if (std::holds_alternative<std::int16_t>(index) || std::holds_alternative<std::int32_t>(index)) {
      const std::int32_t position = IntegerOf(index, 0);
      if (position < 1 || position > GetCount()) throw ComError(BAD_INDEX, "no worksheet " + std::to_string(position));
      sheet = position - 1;
    } else {
      throw ComError(TYPE_MISMATCH, "a worksheet is chosen by its number or its name");
    }
    return std::make_unique<LibreOfficeWorksheet>(instance_, workbook_, sheet);
  }

 private:
  InstancePtr instance_;
  int workbook_;
};

class LibreOfficeWorkbook : public SpreadsheetWorkbook {
 public:
  LibreOfficeWorkbook(InstancePtr instance, int key) : instance_(std::move(instance)), key_(key) {}

  void Activate() override {
    instance_->Workbook(key_);
    instance_->activeWorkbook = key_;
  }

  std::unique_ptr<SpreadsheetSheets> GetWorksheets() override {
    instance_->Workbook(key_);
    return std::make_unique<LibreOfficeSheets>(instance_, key_);
  }

  void SaveAs(const SaveAsArguments& arguments) override {
    WorkbookState& state = instance_->Workbook(key_);
    const std::string& targetName = StringOf(arguments.fileName, "Filename");
    const fs::path target = SystemPath(targetName);
    const std::int32_t format = IntegerOf(arguments.fileFormat, XL_FILE_FORMAT_WORKBOOK);
    if (target.empty()) throw ComError(LIBREOFFICE_E_FAILED, "no file name to save as");
    if (!instance_->session) throw ComError(LIBREOFFICE_E_DISCONNECTED, "LibreOffice has quit");
    const PassingFolder folder(instance_->session->NewWorkFolder());
    // A sheet exported as text: the helper replies with the file it wrote.
    const auto exportSheet = [&](std::vector<std::string> request) {
      std::vector<std::string> reply = instance_->Call(std::move(request));
      if (reply.empty()) throw ComError(LIBREOFFICE_E_FAILED, "the text export gave no file");
      WriteAll(targetName, ReadAll(fs::path(reply[0])));
      return reply;
    };
    const std::string key = std::to_string(key_);
    const std::string sheet = std::to_string(state.activeSheet);
    if (format == XL_FILE_FORMAT_TEXT) {
      // The active sheet, as Excel saves it; formulas as their text when
      // the window shows formulas.
      const std::vector<std::string> reply =
          exportSheet({"savetext", key, folder.Path().string(), sheet, state.displayFormulas ? "1" : "0"});
      state.cellsWithReplacedCharacters.assign(reply.begin() + 1, reply.end());
    } else if (format == XL_FILE_FORMAT_CSV_UTF8) {
      exportSheet({"savedelimited", key, folder.Path().string(), sheet, SeparatorCode(','),
                   std::to_string(CODE_PAGE_UTF8)});
    } else if (const SavedFormat* workbook = FindSavedFormat(format)) {
      const std::string password =
          IsMissing(arguments.password) ? std::string() : Cp1252ToUtf8(StringOf(arguments.password, "Password"));
      const fs::path saved = folder.Path() / (std::string("workbook") + workbook->extension);
      instance_->Call({"saveworkbook", key, saved.string(), workbook->filter, password});
      WriteAll(targetName, ReadAll(saved));
    } else {
      throw ComError(E_INVALIDARG, "file format " + std::to_string(format) + " is not supported");
    }
  }

  std::vector<std::string> CellsWithReplacedCharacters() override {
    return instance_->Workbook(key_).cellsWithReplacedCharacters;
  }

  void Close(const CloseArguments& arguments) override {
    WorkbookState& state = instance_->Workbook(key_);
    // The workbook is a private copy: saving it back would reach nothing.
    if (IntegerOf(arguments.saveChanges, 0) != 0) {
      throw ComError(E_NOTIMPL, "a workbook is closed without saving its changes");
    }
    instance_->Call({"close", std::to_string(key_)});
    state.open = false;
    RemoveFolder(state.folder);
    if (instance_->activeWorkbook == key_) instance_->activeWorkbook = 0;
  }

 private:
  InstancePtr instance_;
  int key_;
};

class LibreOfficeWorkbooks : public SpreadsheetWorkbooks {
 public:
  explicit LibreOfficeWorkbooks(InstancePtr instance) : instance_(std::move(instance)) {}

  std::unique_ptr<SpreadsheetWorkbook> Open(const OpenArguments& arguments) override {
    const fs::path source = SystemPath(arguments.fileName);
    std::error_code error;
    if (arguments.fileName.empty() || !fs::is_regular_file(source, error)) {
      throw ComError(LIBREOFFICE_E_FAILED, "cannot find " + arguments.fileName);
    }
    // Delimited text when a delimiter is named or the file says so by its
    // name: tab text in Windows-1252, or text with the delimiter and code
    // page given (CSV files: commas in UTF-8 unless told otherwise).
    // Anything else is left to LibreOffice's own detection.
    const std::string extension = Lower(source.extension().string());
    std::string separator = SeparatorCode('\t');
    std::string codePage = std::to_string(CODE_PAGE_WINDOWS_1252);
    bool text = !IsMissing(arguments.delimiter) || extension == ".txt" || extension == ".tmp" || extension == ".prn";
    if (const auto* delimiter = std::get_if<std::string>(&arguments.delimiter); delimiter && !delimiter->empty()) {
      separator = SeparatorCode((*delimiter)[0]);
      codePage = std::to_string(IntegerOf(arguments.origin, CODE_PAGE_UTF8));
    } else if (extension == ".csv" && IsMissing(arguments.delimiter)) {
      text = true;
      separator = SeparatorCode(',');
      codePage = std::to_string(CODE_PAGE_UTF8);
    }
    if (!instance_->session) throw ComError(LIBREOFFICE_E_DISCONNECTED, "LibreOffice has quit");
    // Under its own name, since a text's sheet is named after its file.
    const fs::path folder = instance_->session->NewWorkFolder();
    const fs::path copy = folder / source.filename();
    fs::copy_file(source, copy, fs::copy_options::overwrite_existing, error);
    if (error) {
      RemoveFolder(folder);
      throw ComError(LIBREOFFICE_E_FAILED, "cannot read " + arguments.fileName + ": " + error.message());
    }

    const int key = ++instance_->lastWorkbook;
    std::vector<std::string> reply;
    try {
      reply = instance_->Call({"open", std::to_string(key), copy.string(), text ? "text" : "workbook",
                               IntegerOf(arguments.readOnly, 0) != 0 ? "1" : "0",
                               IntegerOf(arguments.updateLinks, 0) != 0 ? "1" : "0", separator, codePage});
    } catch (...) {
      RemoveFolder(folder);
      throw;
    }
    WorkbookState state;
    state.folder = folder;
    state.activeSheet = reply.empty() ? 0 : ToInt(reply[0]);
    instance_->workbooks[key] = state;
    instance_->activeWorkbook = key;
    return std::make_unique<LibreOfficeWorkbook>(instance_, key);
  }

 private:
  InstancePtr instance_;
};

// The window of one workbook.
class LibreOfficeWindow : public SpreadsheetWindow {
 public:
  LibreOfficeWindow(InstancePtr instance, int workbook) : instance_(std::move(instance)), workbook_(workbook) {}
  bool GetDisplayFormulas() override { return instance_->Workbook(workbook_).displayFormulas; }
  void PutDisplayFormulas(bool value) override { instance_->Workbook(workbook_).displayFormulas = value; }

 private:
  InstancePtr instance_;
  int workbook_;
};

class LibreOfficeApplication : public SpreadsheetApplication {
 public:
  explicit LibreOfficeApplication(std::shared_ptr<LibreOfficeSession> session)
      : instance_(std::make_shared<Instance>()) {
    instance_->session = std::move(session);
  }

  void PutVisible(bool value) override {
    Check();
    instance_->visible = value;  // headless: there is nothing to show
  }
  bool GetDisplayAlerts() override {
    Check();
    return instance_->displayAlerts;
  }
  void PutDisplayAlerts(bool value) override {
    Check();
    instance_->displayAlerts = value;  // headless: nothing is ever asked
  }
  std::unique_ptr<SpreadsheetWorkbooks> GetWorkbooks() override {
    Check();
    return std::make_unique<LibreOfficeWorkbooks>(instance_);
  }
  std::unique_ptr<SpreadsheetWindow> GetActiveWindow() override {
    Check();
    if (instance_->activeWorkbook == 0) return nullptr;
    return std::make_unique<LibreOfficeWindow>(instance_, instance_->activeWorkbook);
  }
  void Quit() override {
    Check();
    instance_->session->Quit();
    instance_->session.reset();
  }

 private:
  void Check() const {
    if (!instance_->session || !instance_->session->Running()) {
      throw ComError(LIBREOFFICE_E_DISCONNECTED, "LibreOffice is not running");
    }
  }
  InstancePtr instance_;
};

}  // namespace

std::unique_ptr<SpreadsheetApplication> MakeLibreOfficeApplication(std::shared_ptr<LibreOfficeSession> session) {
  return std::make_unique<LibreOfficeApplication>(std::move(session));
}

}  // namespace gridlet
