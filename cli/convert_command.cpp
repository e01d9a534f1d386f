#include "cli/convert_command.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>

#include "cli/command_environment.h"
#include "cli/file_type_names.h"
#include "cli/grid_printer.h"
#include "cli/usage_error.h"
#include "encoding/cp1252.h"
#include "bridge/spreadsheet_application.h"
#include "bridge/workbook_exchange.h"
#include "platform/engine_paths.h"
#include "server/conversion_driver.h"

namespace gridlet::cli {

namespace {

namespace fs = std::filesystem;

// A progress line on the terminal, cleared before any message.
class ProgressLine {
 public:
  ProgressLine(std::size_t total, bool utf8)
      : enabled_(total > 1 && IsTerminal(stderr)), total_(total), utf8_(utf8) {
    active_ = this;
  }
  ~ProgressLine() {
    Clear();
    active_ = nullptr;
  }
  void Show(std::size_t index, const std::string& source) {
    if (!enabled_) return;
    const std::string shown = CutToWidth(source, 50, utf8_);
    std::fprintf(stderr, "\r\033[K[%zu/%zu] %s", index + 1, total_, shown.c_str());
    std::fflush(stderr);
    visible_ = true;
  }
  static void ClearActive() {
    if (active_) active_->Clear();
  }

 private:
  void Clear() {
    if (!visible_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    visible_ = false;
  }
  static inline ProgressLine* active_ = nullptr;
  bool enabled_;
  std::size_t total_;
  bool utf8_;
  bool visible_ = false;
};

std::optional<OverwritePolicy> ParsePolicy(const std::string& text) {
  if (text.empty()) return IsTerminal(stdin) ? OverwritePolicy::Ask : OverwritePolicy::No;
  if (text == "ask") return OverwritePolicy::Ask;
  if (text == "yes") return OverwritePolicy::Yes;
  if (text == "no") return OverwritePolicy::No;
  return std::nullopt;
}

// The output folder, made when it is missing (its parent must exist).
// Returns a message when it cannot be used.
std::optional<std::string> PrepareOutputFolder(const std::string& folder) {
  struct stat info;
  if (::stat(folder.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return std::nullopt;
    return "the output folder '" + folder + "' is a file, not a folder; give -o a folder";
  }
  if (errno != ENOENT) return "the output folder '" + folder + "': " + std::strerror(errno);
  if (::mkdir(folder.c_str(), 0777) == 0) return std::nullopt;
  if (errno == ENOENT) {
    return "the output folder '" + folder + "' cannot be made: its parent folder does not exist";
  }
  return "the output folder '" + folder + "' cannot be made: " + std::strerror(errno);
}

std::string WithSeparator(std::string folder) {
  if (folder.empty()) folder = ".";
  if (folder.back() != '/') folder += '/';
  return folder;
}

// The name handed to the engine. Text and workbook outputs take it as
// their file name, which may hold any character; on a calculator it is the
// sheet's name, in Windows-1252, of which the device keeps what it can
// (and says so).
std::string EngineName(const std::string& name, GRIDLET_FILE_TYPES to) {
  if (IsCalculatorType(to)) return Utf8ToCp1252(name, '?');
  return ToEnginePath(name);
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The field separator --csv-separator names: one character, or its name.
std::optional<char> ParseSeparator(const std::string& text) {
  if (text == "tab" || text == "\\t") return '\t';
  if (text == "comma") return ',';
  if (text == "semicolon") return ';';
  if (text == "space") return ' ';
  if (text.size() == 1 && text[0] != '"' && text[0] != '\n' && text[0] != '\r') return text[0];
  return std::nullopt;
}

// The output name of one worksheet of a batch over every worksheet:
// NAME-SHEET.
std::string NameWithSheet(const std::string& base, const std::u16string& sheet) {
  return base + "-" + Utf16ToUtf8(sheet);
}

// One source of the batch, as planned before anything is converted.
struct Job {
  std::string source;  // as the user gave it
  ConversionRequest request;
  std::optional<std::string> output;  // the planned output, engine form
  bool refused = false;               // reported already; not converted
};

// Whether two paths name one file (both must exist).
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return fs::equivalent(a, b, error) && !error;
}

// Reports, before anything is written, sources that would overwrite their
// own source or share an output with another source of the batch; they are
// refused.
void RefuseClashes(std::vector<Job>& jobs, CommandEnvironment& environment) {
  std::map<std::string, std::vector<Job*>> byOutput;
  for (Job& job : jobs) {
    if (job.refused || !job.output) continue;
    byOutput[*job.output].push_back(&job);
    if (SameFile(FromEnginePath(*job.output), job.source)) {
      environment.Error(job.source + ": its output " + FromEnginePath(*job.output) +
                        " is the source itself; give another --name or -o");
      job.refused = true;
    }
  }
  for (auto& [output, sharing] : byOutput) {
    if (sharing.size() < 2) continue;
    std::string sources;
    for (std::size_t i = 0; i < sharing.size(); ++i) {
      sources += (i == 0 ? "" : i + 1 == sharing.size() ? " and " : ", ") + sharing[i]->source;
      sharing[i]->refused = true;
    }
    environment.Error(sources + (sharing.size() == 2 ? " would both be" : " would all be") +
                      " written to " + FromEnginePath(output) +
                      "; none of them is converted (convert them one at a time with --name, or "
                      "into different folders)");
  }
}

// What became of the sources.
struct Tally {
  std::size_t converted = 0;
  std::size_t withWarnings = 0;
  std::size_t skipped = 0;
  std::size_t failed = 0;
  std::size_t cancelled = 0;  // not converted: the user stopped the batch
};

std::string Summary(const Tally& tally, std::size_t total, bool readOnly) {
  std::string line = std::to_string(total) + " sources: " + std::to_string(tally.converted) +
                     (readOnly ? " read" : " converted");
  if (tally.withWarnings > 0) line += " (" + std::to_string(tally.withWarnings) + " with warnings)";
  line += ", " + std::to_string(tally.skipped) + " skipped, " + std::to_string(tally.failed) + " failed";
  if (tally.cancelled > 0) line += ", " + std::to_string(tally.cancelled) + " cancelled";
  return line;
}

}  // namespace

int RunConvert(const ConvertOptions& options) {
  const std::optional<GRIDLET_FILE_TYPES> to = ParseTypeName(options.to);
  if (!to) return UsageError("unknown target type '" + options.to + "' (use one of " + TARGET_TYPE_LIST + ")", "convert");
  std::optional<GRIDLET_FILE_TYPES> from;
  if (!options.from.empty()) {
    from = ParseTypeName(options.from);
    if (!from || *from == QZ_GRIDLET_NULL) {
      return UsageError("--from takes the type of the sources, one of " + std::string(SOURCE_TYPE_LIST) +
                        ("null" == options.from ? " (null is a target only: it writes nothing)" : ""), "convert");
    }
  }
  const std::optional<OverwritePolicy> policy = ParsePolicy(options.overwrite);
  if (!policy) return UsageError("--overwrite takes ask, yes or no", "convert");
  const std::optional<TextEncoding> encoding = ParseTextEncoding(options.textEncoding);
  if (!encoding) return UsageError("--text-encoding takes cp1252 or utf-8", "convert");
  if (!options.name.empty() && options.sources.size() > 1)
    return UsageError("--name names one sheet; give it with a single source", "convert");
  WorkbookOptions workbook;
  workbook.targetFormat = WorkbookFormatNamed(Lower(options.to)).value_or(WorkbookFormat::Xls);
  workbook.csvSource = Lower(options.from) == "csv";
  const std::optional<char> separator = ParseSeparator(options.csvSeparator);
  if (!separator) {
    return UsageError("--csv-separator takes one character, or tab, comma, semicolon or space", "convert");
  }
  workbook.csvSeparator = *separator;
  if (options.csvEncoding == "utf-8" || options.csvEncoding == "utf8") workbook.csvCodePage = CODE_PAGE_UTF8;
  else if (options.csvEncoding == "cp1252") workbook.csvCodePage = CODE_PAGE_WINDOWS_1252;
  else return UsageError("--csv-encoding takes utf-8 or cp1252", "convert");
  if (auto problem = PrepareOutputFolder(options.outputDir)) return UsageError(*problem, "convert");
  const std::string outputDir = ToEnginePath(WithSeparator(options.outputDir));
  const bool everySheet = options.sheet == "all";

  CommandEnvironment environment(*policy);
  environment.boxes.SetBeforeMessage(&ProgressLine::ClearActive);
  ConversionDriver driver(environment.Services());
  Tally tally;

  // Plan every conversion first, so that clashes are told before anything
  // is written.
  std::vector<Job> jobs;
  for (const std::string& source : options.sources) {
    Job job;
    job.source = source;
    const std::optional<GRIDLET_FILE_TYPES> sourceType = from ? from : TypeOfPath(source);
    std::string why;
    if (!sourceType) {
      environment.Error(source + ": cannot tell the file's type from its name; give --from (one of " +
                        SOURCE_TYPE_LIST + ")");
      job.refused = true;
    } else if (*sourceType == QZ_EXCEL && !environment.files.IsReadableFile(ToEnginePath(source), &why)) {
      // The engine leaves workbooks to the spreadsheet application; here
      // they are files, checked as every other source is.
      environment.Error(source + ": " + why);
      job.refused = true;
    } else {
      ConversionRequest& request = job.request;
      request.inputPath = ToEnginePath(source);
      request.fromType = *sourceType;
      request.outputLocation = outputDir;
      request.toType = *to;
      request.textEncoding = *encoding;
      request.workbook = workbook;
      request.strict = options.strict;
      const std::string base = options.name.empty() ? fs::path(source).stem().string() : options.name;
      // The worksheets to convert, each with its output name: the one asked
      // for (the first without --sheet), or with "all" every one of them.
      // A worksheet is handed over by its position when its name has no
      // Windows-1252 form.
      std::vector<std::pair<std::string, std::string>> sheets;  // choice, name
      const bool byPosition = !options.sheet.empty() && !Utf8ToCp1252(options.sheet).ok();
      if (*sourceType == QZ_EXCEL && (everySheet || byPosition)) {
        SheetListResult list;
        if (environment.Services().spreadsheets) {
          list = ListWorkbookSheets(*environment.Services().spreadsheets, &environment.messages,
                                    request.inputPath.c_str());
        } else {
          environment.Error(source + ": the spreadsheet application cannot be started");
          list.result = E_FAIL;
        }
        if (list.result != S_OK) job.refused = true;
        for (std::size_t n = 0; n < list.names.size(); ++n) {
          const std::string choice = "#" + std::to_string(n + 1);
          if (everySheet) {
            sheets.emplace_back(choice, NameWithSheet(base, list.names[n]));
          } else if (Utf16ToUtf8(list.names[n]) == options.sheet) {
            sheets.emplace_back(choice, base);
          }
        }
        if (!job.refused && sheets.empty()) {
          environment.Error(source + ": there is no worksheet named " + options.sheet);
          job.refused = true;
        }
      } else {
        sheets.emplace_back(everySheet ? std::string() : Utf8ToCp1252(options.sheet, '?'), base);
      }
      if (job.refused) {
        jobs.push_back(std::move(job));
        continue;
      }
      for (const auto& [choice, name] : sheets) {
        Job sheetJob = job;
        sheetJob.request.sheetName = choice;
        sheetJob.request.saveInternalName = EngineName(name, *to);
        sheetJob.output = driver.PlannedOutputPath(sheetJob.request);
        jobs.push_back(std::move(sheetJob));
      }
      continue;
    }
    jobs.push_back(std::move(job));
  }
  RefuseClashes(jobs, environment);
  environment.boxes.TakeCounts();

  const bool stdoutIsTerminal = IsTerminal(stdout);
  ProgressLine progress(jobs.size(), environment.utf8);
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const Job& job = jobs[i];
    if (job.refused) {
      ++tally.failed;
      continue;
    }
    progress.Show(i, job.source);
    environment.boxes.SetSubject(job.source);
    std::optional<std::string> written;
    const HRESULT result = driver.Convert(job.request, &written);
    const TerminalMessageBoxes::Counts counts = environment.boxes.TakeCounts();
    ProgressLine::ClearActive();

    if (result == CONVERT_CANCELLED) {
      tally.cancelled = jobs.size() - i;
      environment.Note("conversion stopped; " + std::to_string(tally.cancelled) + " of " +
                       std::to_string(jobs.size()) + " sources not converted");
      break;
    }
    if (result == CONVERT_SKIPPED) {
      ++tally.skipped;
      continue;
    }
    // A conversion that reported an error, or that should have written a
    // file and did not, failed whatever its result says.
    const bool writesFile = !OutputExtension(*to).empty();
    if (Failed(result) || counts.errors > 0 || (writesFile && !written)) {
      ++tally.failed;
      continue;
    }
    ++tally.converted;
    if (counts.warnings > 0) ++tally.withWarnings;
    if (written) {
      const std::string path = FromEnginePath(*written);
      std::printf("%s\n", stdoutIsTerminal ? TerminalSafe(path, environment.utf8).c_str() : path.c_str());
      std::fflush(stdout);
    }
  }
  if (jobs.size() > 1) environment.Note(Summary(tally, jobs.size(), OutputExtension(*to).empty()));
  return tally.failed == 0 && tally.cancelled == 0 ? EXIT_OK : EXIT_FAILED;
}

}  // namespace gridlet::cli
