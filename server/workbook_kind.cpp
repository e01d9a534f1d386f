#include "server/workbook_kind.h"

#include <algorithm>
#include <cctype>

#include "bridge/workbook_exchange.h"
#include "encoding/cp1252.h"
#include "model/sheet_changes.h"
#include "model/text_sheet.h"
#include "server/conversion_warnings.h"
#include "server/workbook_text.h"

namespace gridlet {

namespace {

const ChangeKind kBreaksReplaced{"These cells of the worksheet held TABs or line breaks, each now a space"};
const ChangeKind kCharactersReplaced{
    "These cells of the worksheet held characters without a Windows-1252 form, each now \"?\""};
const ChangeKind kFormulasKeptAsTexts{
    "These formulas use functions or signs of a calculator that the spreadsheet cannot compute; they are "
    "texts in the workbook, each with a note, and come back as formulas"};

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

bool NamesCsv(const std::string& path) {
  if (path.size() < 4) return false;
  std::string extension = path.substr(path.size() - 4);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".csv";
}

SpreadsheetApplicationLauncher* Launcher(ConversionContext& context) {
  if (!context.services.spreadsheets) context.services.messages.ReportError(GRIDLET_E_NO_SPREADSHEET_APP);
  return context.services.spreadsheets;
}

}  // namespace

std::optional<DelimitedText> DelimitedSource(const WorkbookOptions& options, const std::string& path) {
  if (!options.csvSource && !NamesCsv(path)) return std::nullopt;
  DelimitedText delimited;
  delimited.separator = options.csvSeparator;
  delimited.codePage = options.csvCodePage;
  return delimited;
}

std::optional<WorkbookText> ExportWorksheet(ConversionServices& services, const ConversionRequest& request) {
  UserMessages& messages = services.messages;
  TemporaryText text(services.files);
  if (!text.Path()) {
    messages.ReportError(GRIDLET_E_CONVERSION, "no temporary file could be made");
    return std::nullopt;
  }
  if (!services.spreadsheets) {
    messages.ReportError(GRIDLET_E_NO_SPREADSHEET_APP);
    return std::nullopt;
  }
  const std::optional<DelimitedText> delimited = DelimitedSource(request.workbook, request.inputPath);
  TextExport exported;
  // Failures of the export are reported by the exchange itself.
  if (WorkbookToTextFile(*services.spreadsheets, messages, request.inputPath.c_str(), text.Path()->c_str(),
                         request.sheetName.c_str(), delimited ? &*delimited : nullptr,
                         &exported) != EXCHANGE_DONE) {
    return std::nullopt;
  }
  std::optional<ByteBuffer> bytes = services.files.ReadFile(*text.Path());
  if (!bytes) {
    messages.ReportError(GRIDLET_E_CONVERSION, request.inputPath + ": the worksheet's text could not be read");
    return std::nullopt;
  }
  WorkbookText prepared = PrepareWorkbookText(
      std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), exported.placeholderInA1);
  SheetChanges changes;
  for (std::string& cell : prepared.cellsWithBreaks) changes.Add(kBreaksReplaced, std::move(cell));
  for (std::string& cell : exported.cellsWithReplacedCharacters) changes.Add(kCharactersReplaced, std::move(cell));
  changes.Report(&messages);
  return prepared;
}

HRESULT WorkbookKind::ReadSource(ConversionContext& context) {
  const ConversionRequest& request = context.request;
  std::optional<WorkbookText> text = ExportWorksheet(context.services, request);
  if (!text) return E_FAIL;
  if (text->empty) {
    context.services.messages.ReportError(GRIDLET_E_SOURCE_TOO_SHORT,
                                          request.inputPath + ": the worksheet holds no cell");
    return CONVERT_SOURCE_TOO_SHORT;
  }
  auto sheet = std::make_unique<ExcelTextSheet>(std::move(text->bytes));
  text.reset();
  sheet->SetName(request.saveInternalName.substr(0, 8));
  sheet->TranslateToIntermediate();
  context.SetSource(std::move(sheet));
  return S_OK;
}

HRESULT WorkbookKind::WriteTarget(ConversionContext& context) {
  UserMessages& messages = context.services.messages;
  FileSystem& files = context.services.files;
  const ConversionRequest& request = context.request;
  const WorkbookFormatEntry& format = WorkbookFormatOf(request.workbook.targetFormat);
  TemporaryText text(files);

  ExcelTextSheet& sheet = context.MakeTarget<ExcelTextSheet>();
  sheet.SetMessages(&messages);
  sheet.TranslateFromIntermediate();
  const ByteBuffer output = sheet.GetOutput();
  const std::size_t length = static_cast<std::size_t>(sheet.GetOutputLength());

  const std::string path = context.NamedOutputPath(format.extension);
  if (HRESULT answer = context.AskOverwrite(path); answer != S_OK) return answer;

  std::string why;
  // The text and the zero byte that ends it.
  if (!text.Path() || !files.WriteFile(*text.Path(), output.data(), length + 1, &why)) {
    messages.ReportError(GRIDLET_E_CONVERSION, why.empty() ? "no temporary file could be made" : why);
    return E_FAIL;
  }
  SpreadsheetApplicationLauncher* launcher = Launcher(context);
  if (!launcher) return E_FAIL;

  WorkbookTarget target;
  target.fileFormat = format.fileFormat;
  if (!format.oneWorksheet) {
    // The worksheet bears the sheet's name, as far as a worksheet can.
    const std::u16string wanted = Cp1252ToUtf16(request.saveInternalName);
    target.sheetName = WorksheetNameFor(wanted);
    if (target.sheetName != wanted) {
      Warn(messages, path + ": the worksheet is named \"" + Utf16ToCp1252(target.sheetName, '?') +
                         "\" (a worksheet name has at most 31 characters, none of : \\ / ? * [ ])");
    }
  }
  std::vector<std::string> formulasKept;
  target.formulasKeptAsTexts = &formulasKept;
  if (TextFileToWorkbook(*launcher, messages, text.Path()->c_str(), path.c_str(), target) != EXCHANGE_DONE) {
    return E_FAIL;
  }
  SheetChanges changes;
  for (std::string& cell : formulasKept) changes.Add(kFormulasKeptAsTexts, std::move(cell));
  changes.Report(&messages);
  context.SetFileName(path);
  return S_OK;
}

std::optional<HRESULT> WorkbookKind::CopyWithinKind(ConversionContext& context) {
  const ConversionRequest& request = context.request;
  // One worksheet asked for goes the two-stage way, like any other target.
  if (!request.sheetName.empty()) return std::nullopt;
  const std::string path =
      context.NamedOutputPath(WorkbookFormatOf(request.workbook.targetFormat).extension);
  if (HRESULT answer = context.AskOverwrite(path); answer != S_OK) return answer;
  SpreadsheetApplicationLauncher* launcher = Launcher(context);
  if (!launcher) return E_FAIL;
  const std::optional<DelimitedText> delimited = DelimitedSource(request.workbook, request.inputPath);
  if (CopyWorkbook(*launcher, context.services.messages, request.inputPath.c_str(), path.c_str(),
                   WorkbookFormatOf(request.workbook.targetFormat).fileFormat,
                   delimited ? &*delimited : nullptr) != EXCHANGE_DONE) {
    return E_FAIL;
  }
  context.SetFileName(path);
  return S_OK;
}

}  // namespace gridlet
