#include "server/workbook_kind.h"

#include "bridge/workbook_exchange.h"
#include "model/text_sheet.h"

namespace gridlet {

namespace {

// The shortest text the application writes for a worksheet it exported.
constexpr std::size_t MIN_WORKBOOK_TEXT = 3;

// A temporary text file that is removed when the stage ends.
class TemporaryText {
 public:
  explicit TemporaryText(FileSystem& files) : files_(files), path_(files.CreateTempFile("GRD")) {}
  ~TemporaryText() {
    if (path_) files_.RemoveFile(*path_);
  }
  TemporaryText(const TemporaryText&) = delete;
  TemporaryText& operator=(const TemporaryText&) = delete;
  const std::optional<std::string>& Path() const { return path_; }

 private:
  FileSystem& files_;
  std::optional<std::string> path_;
};

}  // namespace

HRESULT WorkbookKind::ReadSource(ConversionContext& context) {
  const ConversionRequest& request = context.request;
  UserMessages& messages = context.services.messages;
  TemporaryText text(context.services.files);
  if (!text.Path()) {
    messages.ReportError(GRIDLET_E_CONVERSION, "no temporary file could be made");
    return E_FAIL;
  }
  // Failures of the export are reported by the exchange itself; they show
  // here as a text file that is too short.
  if (SpreadsheetApplicationLauncher* launcher = context.services.spreadsheets) {
    WorkbookToTextFile(*launcher, messages, request.inputPath.c_str(), text.Path()->c_str(),
                       request.sheetName.c_str());
  } else {
    messages.ReportError(GRIDLET_E_NO_SPREADSHEET_APP);
  }
  std::optional<ByteBuffer> bytes = context.services.files.ReadFile(*text.Path());
  if (!bytes) return E_FAIL;
  if (bytes->size() < MIN_WORKBOOK_TEXT) {
    messages.ReportError(GRIDLET_E_SOURCE_TOO_SHORT, request.inputPath);
    return CONVERT_SOURCE_TOO_SHORT;
  }
  auto sheet = std::make_unique<ExcelTextSheet>(std::move(*bytes));
  bytes.reset();
  sheet->SetName(request.saveInternalName.substr(0, 8));
  sheet->TranslateToIntermediate();
  context.SetSource(std::move(sheet));
  return S_OK;
}

HRESULT WorkbookKind::WriteTarget(ConversionContext& context) {
  UserMessages& messages = context.services.messages;
  FileSystem& files = context.services.files;
  TemporaryText text(files);

  ExcelTextSheet& sheet = context.MakeTarget<ExcelTextSheet>();
  sheet.SetMessages(&messages);
  sheet.TranslateFromIntermediate();
  const ByteBuffer output = sheet.GetOutput();
  const std::size_t length = static_cast<std::size_t>(sheet.GetOutputLength());

  const std::string path = context.NamedOutputPath(".xls");
  if (HRESULT answer = context.AskOverwrite(path); answer != S_OK) return answer;

  std::string why;
  // The text and the zero byte that ends it.
  if (!text.Path() || !files.WriteFile(*text.Path(), output.data(), length + 1, &why)) {
    messages.ReportError(GRIDLET_E_CONVERSION, why.empty() ? "no temporary file could be made" : why);
    return E_FAIL;
  }
  long exchanged = -1;
  if (SpreadsheetApplicationLauncher* launcher = context.services.spreadsheets) {
    exchanged = TextFileToWorkbook(*launcher, messages, text.Path()->c_str(), path.c_str());
  } else {
    messages.ReportError(GRIDLET_E_NO_SPREADSHEET_APP);
    return E_FAIL;
  }
  // The application may fail without a word: a workbook that was not
  // written is a failure, not a success.
  if (exchanged != 0 && !files.Exists(path)) {
    messages.ReportError(GRIDLET_E_SPREADSHEET_APP, path + " was not written");
    return E_FAIL;
  }
  context.SetFileName(path);
  return S_OK;
}

}  // namespace gridlet
