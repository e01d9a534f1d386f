// The conversions of the web service, apart from HTTP: each request runs
// in a folder of its own through the engine's conversion driver, with
// services of its own, as the command runs it. Each conversion takes one
// of a bounded number of job slots; a workbook conversion gives its slot
// back when it turns to the spreadsheet application, whose own small pool
// of instances bounds it from then on, so that text and calculator files
// never wait behind a LibreOffice that starts or works. Nothing is kept
// once a call returns.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "encoding/text_file_encoding.h"
#include "model/hresult.h"
#include "platform/libreoffice_launcher.h"
#include "platform/reusing_launcher.h"
#include "server/file_types.h"
#include "web/job_slots.h"
#include "web/request_messages.h"

namespace gridlet::web {

// A file as the client sent it.
struct Upload {
  std::string fileName;  // UTF-8, as given; checked before use
  std::string content;
};

// How a call went: an HTTP status, and for a failure its code and text.
struct Verdict {
  int status = 200;
  std::optional<HRESULT> code;
  std::string error;  // UTF-8; empty on success

  bool Ok() const { return status < 400; }
  static Verdict Failure(int status, HRESULT code, std::string error) {
    return Verdict{status, code, std::move(error)};
  }
};

struct ConvertRequest {
  std::vector<Upload> files;
  GRIDLET_FILE_TYPES to = QZ_TAB_TEXT;
  std::string toName = "txt";  // the type's name as the client gave it, as the command takes it
  std::optional<GRIDLET_FILE_TYPES> from;  // none: from each file's name
  // One entry per file, or none; an empty entry takes the default (the
  // file's base name, as the command gives it; the workbook's first
  // worksheet).
  std::vector<std::string> names;
  std::vector<std::string> sheets;
  bool strict = false;  // a conversion that changed anything fails
  TextEncoding textEncoding = TextEncoding::Cp1252;  // of tab-text sources and targets
};

struct ConvertedFile {
  std::string source;  // the client's file name
  Verdict verdict;
  std::vector<Message> messages;
  std::string outputName;  // UTF-8; empty when nothing was written
  std::string output;
};

struct SheetList {
  Verdict verdict;
  std::vector<Message> messages;
  std::vector<std::string> names;  // UTF-8, in workbook order
};

struct ShownSheet {
  Verdict verdict;
  std::vector<Message> messages;
  std::string json;  // the sheet preview's JSON form
};

struct ServiceOptions {
  std::size_t jobs = 2;                          // conversions at once
  std::size_t spreadsheets = 2;                  // spreadsheet application instances
  std::chrono::milliseconds wait{60'000};        // for a free job slot
  std::chrono::milliseconds timeLimit{60'000};   // for one step of the spreadsheet application
  LibreOfficeOptions libreOffice;                // its timeouts are set from timeLimit
};

class ConversionService {
 public:
  explicit ConversionService(ServiceOptions options);
  ConversionService(const ConversionService&) = delete;
  ConversionService& operator=(const ConversionService&) = delete;

  // Converts every file; the request as a whole may fail first (a bad
  // argument, no free slot), which the verdict says.
  Verdict Convert(const ConvertRequest& request, std::vector<ConvertedFile>& results);

  // The worksheets of a workbook.
  SheetList Sheets(const Upload& workbook, const std::optional<GRIDLET_FILE_TYPES>& from);

  // A source as a grid of display cells (the given worksheet of a
  // workbook; its first when the name is empty).
  ShownSheet Show(const Upload& source, const std::optional<GRIDLET_FILE_TYPES>& from, const std::string& sheet,
                  TextEncoding textEncoding);

  const JobSlots& Slots() const { return slots_; }
  std::size_t SpreadsheetsInUse() const { return pool_.InUse(); }

 private:
  ConvertedFile ConvertOne(const Upload& upload, const ConvertRequest& request, std::size_t index,
                           const class RequestFolder& folder);

  // Reads one upload with a job slot, in a folder of its own: `read` gets
  // the environment and the stored upload's path and returns the engine's
  // result. The verdict judges it; the messages are what was reported.
  using Reader = std::function<HRESULT(class ConversionEnvironment&, const std::string& inputPath)>;
  Verdict ReadUpload(const Upload& upload, GRIDLET_FILE_TYPES type, std::vector<Message>& messages,
                     const Reader& read);

  ServiceOptions options_;
  JobSlots slots_;
  LibreOfficeLauncher libreOffice_;
  ReusingLauncher pool_;
};

// The type of an upload: the one given, otherwise the one its name's
// extension stands for, as the command tells it.
std::optional<GRIDLET_FILE_TYPES> SourceType(const std::string& fileName,
                                             const std::optional<GRIDLET_FILE_TYPES>& from);

}  // namespace gridlet::web
