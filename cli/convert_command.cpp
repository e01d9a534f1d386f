#include "cli/convert_command.h"

#include <cstdio>
#include <filesystem>

#include "cli/command_environment.h"
#include "cli/file_type_names.h"
#include "cli/text_encoding.h"
#include "cli/usage_error.h"
#include "encoding/cp1252.h"

namespace gridlet::cli {

namespace {

// A progress line on the terminal, cleared before any message.
class ProgressLine {
 public:
  explicit ProgressLine(std::size_t total) : enabled_(total > 1 && IsTerminal(stderr)), total_(total) {
    active_ = this;
  }
  ~ProgressLine() {
    Clear();
    active_ = nullptr;
  }
  void Show(std::size_t index, const std::string& source) {
    if (!enabled_) return;
    std::string shown = source.size() > 50 ? "..." + source.substr(source.size() - 47) : source;
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
  bool visible_ = false;
};

std::optional<OverwritePolicy> ParsePolicy(const std::string& text) {
  if (text.empty()) return IsTerminal(stdin) ? OverwritePolicy::Ask : OverwritePolicy::No;
  if (text == "ask") return OverwritePolicy::Ask;
  if (text == "yes") return OverwritePolicy::Yes;
  if (text == "no") return OverwritePolicy::No;
  return std::nullopt;
}

// Checks that an argument can be given to the engine, whose paths and
// names are in the Windows ANSI code page.
std::optional<std::string> CheckRepresentable(const std::string& what, const std::string& utf8) {
  const Cp1252Conversion converted = Utf8ToCp1252(utf8);
  if (converted.ok()) return std::nullopt;
  return what + " '" + utf8 + "' has characters outside Windows-1252, which calculator and text "
         "sheets cannot carry";
}

std::string WithSeparator(std::string folder) {
  if (folder.empty()) folder = ".";
  if (folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

int RunConvert(const ConvertOptions& options) {
  const std::optional<GRIDLET_FILE_TYPES> to = ParseTypeName(options.to);
  if (!to) return UsageError("unknown target type '" + options.to + "' (use one of " + TYPE_NAME_LIST + ")");
  std::optional<GRIDLET_FILE_TYPES> from;
  if (!options.from.empty()) {
    from = ParseTypeName(options.from);
    if (!from) return UsageError("unknown source type '" + options.from + "' (use one of " + TYPE_NAME_LIST + ")");
  }
  const std::optional<OverwritePolicy> policy = ParsePolicy(options.overwrite);
  if (!policy) return UsageError("--overwrite takes ask, yes or no");
  TextEncoding encoding;
  if (options.textEncoding == "cp1252") encoding = TextEncoding::Cp1252;
  else if (options.textEncoding == "utf-8" || options.textEncoding == "utf8") encoding = TextEncoding::Utf8;
  else return UsageError("--text-encoding takes cp1252 or utf-8");
  if (!options.name.empty() && options.sources.size() > 1)
    return UsageError("--name names one sheet; give it with a single source");
  std::error_code error;
  if (!std::filesystem::is_directory(options.outputDir, error))
    return UsageError("the output folder '" + options.outputDir + "' does not exist");
  const std::string outputDir = WithSeparator(options.outputDir);
  if (auto problem = CheckRepresentable("the output folder", outputDir)) return UsageError(*problem);

  CommandEnvironment environment(*policy);
  environment.boxes.SetBeforeMessage(&ProgressLine::ClearActive);
  Gridlet gridlet(environment.Services());
  gridlet.SetStrict(options.strict);
  ProgressLine progress(options.sources.size());
  int failures = 0;

  for (std::size_t i = 0; i < options.sources.size(); ++i) {
    const std::string& source = options.sources[i];
    progress.Show(i, source);
    const std::optional<GRIDLET_FILE_TYPES> sourceType = from ? from : TypeOfPath(source);
    if (!sourceType) {
      ProgressLine::ClearActive();
      std::fprintf(stderr, "gridlet: error: %s: cannot tell the file's type from its name; give --from\n",
                   source.c_str());
      ++failures;
      continue;
    }
    const std::string name = options.name.empty() ? std::filesystem::path(source).stem().string() : options.name;
    std::optional<std::string> problem = CheckRepresentable("the source path", source);
    if (!problem) problem = CheckRepresentable("the sheet name", name);
    if (problem) {
      ProgressLine::ClearActive();
      std::fprintf(stderr, "gridlet: error: %s\n", problem->c_str());
      ++failures;
      continue;
    }

    PreparedSource prepared(environment, Utf8ToCp1252(source, '?'));
    if (encoding == TextEncoding::Utf8 && *sourceType == QZ_TAB_TEXT) {
      if (auto message = prepared.TranscodeFromUtf8(source)) {
        ProgressLine::ClearActive();
        std::fprintf(stderr, "gridlet: error: %s\n", message->c_str());
        ++failures;
        continue;
      }
    }

    // Without --sheet, a workbook gives its first worksheet: the engine
    // takes it when no name is given.
    const std::string& sheet = options.sheet;

    gridlet.SetTheFileName(nullptr);
    const HRESULT result = gridlet.Convert(
        Cp1252ToUtf16(prepared.EnginePath()), *sourceType, Utf8ToUtf16(sheet),
        Utf8ToUtf16(outputDir), Utf8ToUtf16(name), *to, 0);
    std::u16string written;
    gridlet.GetTheFileName(written);

    if (result == CONVERT_CANCELLED) {
      ProgressLine::ClearActive();
      std::fprintf(stderr, "gridlet: conversion stopped; %zu of %zu sources not converted\n",
                   options.sources.size() - i, options.sources.size());
      return EXIT_FAILED;
    }
    if (result == CONVERT_SKIPPED) continue;
    const bool writesFile = !OutputExtension(*to).empty();
    if (Failed(result) || (writesFile && written.empty())) {
      ++failures;
      continue;
    }
    if (written.empty()) continue;  // read only
    const std::string writtenPath = Utf16ToCp1252(written, '?');
    if (!environment.files.Exists(writtenPath)) {  // reported, but nothing was written
      ++failures;
      continue;
    }
    if (encoding == TextEncoding::Utf8 && *to == QZ_TAB_TEXT) {
      if (auto message = TranscodeOutputToUtf8(environment, writtenPath)) {
        ProgressLine::ClearActive();
        std::fprintf(stderr, "gridlet: error: %s\n", message->c_str());
        ++failures;
        continue;
      }
    }
    ProgressLine::ClearActive();
    std::printf("%s\n", Utf16ToUtf8(written).c_str());
    std::fflush(stdout);
  }
  return failures == 0 ? EXIT_OK : EXIT_FAILED;
}

}  // namespace gridlet::cli
