#include "web/conversion_service.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "bridge/workbook_exchange.h"
#include "cli/file_type_names.h"
#include "encoding/cp1252.h"
#include "platform/engine_paths.h"
#include "server/conversion_driver.h"
#include "server/sheet_preview.h"
#include "server/workbook_format.h"
#include "web/client_names.h"
#include "web/failure_status.h"
#include "web/request_environment.h"

namespace gridlet::web {

namespace fs = std::filesystem;

namespace {

constexpr const char* BUSY = "The server is busy converting other files; please try again in a moment.";
// The name an upload without a file name is shown under.
constexpr const char* UNNAMED_UPLOAD = "upload";
// The sheet name a preview reads a source with, as the command's show does.
constexpr const char* PREVIEW_SHEET_NAME = "SHEET";

bool WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

std::optional<std::string> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The files the engine wrote into the folder.
std::vector<fs::path> FilesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    if (entry.is_regular_file(error)) files.push_back(entry.path());
  }
  return files;
}

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

// The checks of one upload that need no conversion: its name, its type and
// the on-device name. A failure, or nothing.
std::optional<Verdict> CheckUpload(const Upload& upload, const std::optional<GRIDLET_FILE_TYPES>& type,
                                   const std::string* sheetName) {
  if (!(upload.fileName.empty() && type)) {
    if (auto problem = FileNameProblem(upload.fileName)) {
      return Verdict::Failure(400, GRIDLET_E_BAD_REQUEST, "The file name " + Quoted(upload.fileName) + " " + *problem + ".");
    }
  }
  if (!type) {
    return Verdict::Failure(415, GRIDLET_E_BAD_REQUEST,
                            "The type of " + Quoted(upload.fileName) + " cannot be told from its name; "
                            "give it as `from` (one of " + cli::SOURCE_TYPE_LIST + ").");
  }
  if (*type == QZ_GRIDLET_NULL) {
    return Verdict::Failure(415, GRIDLET_E_BAD_REQUEST, "A source of type null holds no sheet to read.");
  }
  if (sheetName) {
    if (auto problem = SheetNameProblem(*sheetName)) {
      return Verdict::Failure(400, GRIDLET_E_BAD_REQUEST, "The name " + Quoted(*sheetName) + " " + *problem + ".");
    }
  }
  return std::nullopt;
}

// Where an upload is stored in its folder: a name of the server's own.
fs::path StoreUpload(const fs::path& folder, const Upload& upload, GRIDLET_FILE_TYPES type) {
  const fs::path path = folder / ("source" + StoredExtension(upload.fileName, type));
  if (!WriteBytes(path, upload.content)) throw std::runtime_error("cannot store the upload in " + folder.string());
  return path;
}

const std::string& ShownName(const Upload& upload) {
  static const std::string unnamed = UNNAMED_UPLOAD;
  return upload.fileName.empty() ? unnamed : upload.fileName;
}

}  // namespace

std::optional<GRIDLET_FILE_TYPES> SourceType(const std::string& fileName,
                                             const std::optional<GRIDLET_FILE_TYPES>& from) {
  if (from) return from;
  return cli::TypeOfPath(fileName);
}

ConversionService::ConversionService(ServiceOptions options)
    : options_(std::move(options)),
      slots_(options_.jobs),
      libreOffice_([this] {
        LibreOfficeOptions libreOffice = options_.libreOffice;
        libreOffice.timeouts.call = options_.timeLimit;
        return libreOffice;
      }()),
      pool_(libreOffice_, ReusingLauncher::Limits{options_.spreadsheets, options_.spreadsheets}) {}

Verdict ConversionService::Convert(const ConvertRequest& request, std::vector<ConvertedFile>& results) {
  const std::size_t count = request.files.size();
  if (count == 0) return Verdict::Failure(400, GRIDLET_E_BAD_REQUEST, "No file was sent: give one or more as `file`.");
  if (!request.names.empty() && request.names.size() != count) {
    return Verdict::Failure(400, GRIDLET_E_BAD_REQUEST,
                            "Give one `name` for each file, or none (each file then takes its base name).");
  }
  if (request.sheets.size() > 1 && request.sheets.size() != count) {
    return Verdict::Failure(400, GRIDLET_E_BAD_REQUEST, "Give one `sheet` for all files or one for each file.");
  }
  RequestFolder folder;
  results.clear();
  for (std::size_t i = 0; i < count; ++i) results.push_back(ConvertOne(request.files[i], request, i, folder));
  return Verdict{};
}

ConvertedFile ConversionService::ConvertOne(const Upload& upload, const ConvertRequest& request,
                                            std::size_t index, const RequestFolder& folder) {
  ConvertedFile converted;
  converted.source = ShownName(upload);
  const std::optional<GRIDLET_FILE_TYPES> type = SourceType(upload.fileName, request.from);
  const std::string given = request.names.empty() ? std::string() : request.names[index];
  if (auto failure = CheckUpload(upload, type, given.empty() ? nullptr : &given)) {
    converted.verdict = *failure;
    return converted;
  }
  const std::string name = given.empty() ? DefaultSheetName(converted.source) : given;
  const std::string sheet = request.sheets.empty() ? std::string()
                            : request.sheets.size() == 1 ? request.sheets[0]
                                                         : request.sheets[index];

  JobSlots::Slot slot = slots_.Take(options_.wait);
  if (!slot) {
    converted.verdict = Verdict::Failure(503, GRIDLET_E_BAD_REQUEST, BUSY);
    return converted;
  }
  const fs::path work = folder.NewFolder(std::to_string(index));
  const fs::path input = StoreUpload(work, upload, *type);
  const fs::path output = folder.NewFolder(std::to_string(index) + "/out");
  ConversionEnvironment environment(folder.NewFolder(std::to_string(index) + "/temp"), pool_,
                                    [&slot] { slot.Release(); });
  environment.boxes.Replace(input.string(), converted.source);
  environment.boxes.Replace(output.string() + "/", "");
  environment.boxes.Replace(folder.Path().string() + "/", "");

  // The request the command makes of the same file.
  ConversionRequest conversion;
  conversion.inputPath = ToEnginePath(input.string());
  conversion.fromType = *type;
  conversion.sheetName = Utf8ToCp1252(sheet, '?');
  conversion.outputLocation = ToEnginePath(output.string() + "/");
  conversion.saveInternalName = EngineSheetName(name, request.to);
  conversion.toType = request.to;
  conversion.textEncoding = request.textEncoding;
  // xlsx, ods and csv are formats of the one workbook type; a ".csv" upload
  // keeps its extension, which makes it a delimited source.
  std::string format = request.toName;
  for (char& c : format) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  conversion.workbook.targetFormat = WorkbookFormatNamed(format).value_or(WorkbookFormat::Xls);
  std::optional<std::string> written;
  Outcome outcome;
  outcome.result = ConversionDriver(environment.Services()).Convert(conversion, &written);
  const std::vector<fs::path> files = FilesIn(output);
  // One source makes one file, in its own folder.
  outcome.wrote = written && files.size() == 1;
  outcome.writesFile = !OutputExtension(request.to).empty();
  outcome.instanceLost = environment.spreadsheets.Lost();
  outcome.strict = request.strict;
  std::vector<Message>& messages = environment.boxes.Messages();
  converted.verdict = Judge(outcome, messages);
  converted.messages.insert(converted.messages.end(), messages.begin(), messages.end());
  if (converted.verdict.Ok() && outcome.wrote) {
    std::optional<std::string> bytes = ReadBytes(files.front());
    if (!bytes) {
      converted.verdict = Verdict::Failure(500, GRIDLET_E_CONVERSION, "The converted file could not be read back.");
      return converted;
    }
    converted.output = std::move(*bytes);
    converted.outputName = files.front().filename().string();
  }
  return converted;
}

Verdict ConversionService::ReadUpload(const Upload& upload, GRIDLET_FILE_TYPES type,
                                      std::vector<Message>& messages, const Reader& read) {
  JobSlots::Slot slot = slots_.Take(options_.wait);
  if (!slot) return Verdict::Failure(503, GRIDLET_E_BAD_REQUEST, BUSY);
  RequestFolder folder;
  const fs::path input = StoreUpload(folder.Path(), upload, type);
  ConversionEnvironment environment(folder.NewFolder("temp"), pool_, [&slot] { slot.Release(); });
  environment.boxes.Replace(input.string(), ShownName(upload));
  environment.boxes.Replace(folder.Path().string() + "/", "");
  Outcome outcome;
  outcome.result = read(environment, ToEnginePath(input.string()));
  outcome.writesFile = false;
  outcome.instanceLost = environment.spreadsheets.Lost();
  messages = environment.boxes.Messages();
  return Judge(outcome, messages);
}

SheetList ConversionService::Sheets(const Upload& workbook, const std::optional<GRIDLET_FILE_TYPES>& from) {
  SheetList list;
  const std::optional<GRIDLET_FILE_TYPES> type = SourceType(workbook.fileName, from);
  if (auto failure = CheckUpload(workbook, type, nullptr)) {
    list.verdict = *failure;
    return list;
  }
  if (*type != QZ_EXCEL) {
    list.verdict = Verdict::Failure(415, GRIDLET_E_BAD_REQUEST,
                                    Quoted(ShownName(workbook)) + " is no workbook; only workbooks have worksheets.");
    return list;
  }
  std::vector<std::u16string> names;
  list.verdict = ReadUpload(workbook, *type, list.messages,
                            [&names](ConversionEnvironment& environment, const std::string& input) {
                              SheetListResult sheets = ListWorkbookSheets(environment.spreadsheets,
                                                                          &environment.messages, input.c_str());
                              names = std::move(sheets.names);
                              return sheets.result;
                            });
  if (list.verdict.Ok()) {
    for (const std::u16string& name : names) list.names.push_back(Utf16ToUtf8(name));
  }
  return list;
}

ShownSheet ConversionService::Show(const Upload& source, const std::optional<GRIDLET_FILE_TYPES>& from,
                                   const std::string& sheet, TextEncoding textEncoding) {
  ShownSheet shown;
  const std::optional<GRIDLET_FILE_TYPES> type = SourceType(source.fileName, from);
  if (auto failure = CheckUpload(source, type, nullptr)) {
    shown.verdict = *failure;
    return shown;
  }
  SheetPreview preview;
  shown.verdict = ReadUpload(source, *type, shown.messages,
                             [&](ConversionEnvironment& environment, const std::string& input) {
                               // The request the command's show makes.
                               ConversionRequest request;
                               request.inputPath = input;
                               request.fromType = *type;
                               request.sheetName = Utf8ToCp1252(sheet, '?');
                               request.saveInternalName = PREVIEW_SHEET_NAME;
                               request.toType = QZ_GRIDLET_NULL;
                               request.textEncoding = textEncoding;
                               return ReadSheetPreview(environment.Services(), request, preview);
                             });
  if (shown.verdict.Ok()) shown.json = SheetPreviewJson(preview);
  return shown;
}

}  // namespace gridlet::web
