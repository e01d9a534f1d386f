#include "cli/command_environment.h"

#include "platform/engine_paths.h"

namespace gridlet::cli {

CommandEnvironment::CommandEnvironment(OverwritePolicy policy)
    : boxes(policy, stdin, stderr, utf8) {}

ConversionServices CommandEnvironment::Services() {
  return ConversionServices{files, messages, devices, &reusedSpreadsheets};
}

// The command's own lines go through the boxes, as the engine's do, so that
// they are labelled, counted and made safe alike. Their texts are UTF-8; the
// boxes take the engine's form.
void CommandEnvironment::Error(const std::string& utf8Text) {
  boxes.Show(NO_WINDOW, ToEnginePath(utf8Text), "", MB_OK | MB_ICONERROR);
}

void CommandEnvironment::Warning(const std::string& utf8Text) {
  boxes.Show(NO_WINDOW, ToEnginePath(utf8Text), "", MB_OK | MB_ICONWARNING);
}

void CommandEnvironment::Note(const std::string& utf8Text) { boxes.Note(ToEnginePath(utf8Text)); }

std::optional<TextEncoding> ParseTextEncoding(const std::string& name) {
  if (name == "cp1252") return TextEncoding::Cp1252;
  if (name == "utf-8" || name == "utf8" || name == "UTF-8") return TextEncoding::Utf8;
  return std::nullopt;
}

}  // namespace gridlet::cli
