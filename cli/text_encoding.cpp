#include "cli/text_encoding.h"

#include <cstdio>

#include "encoding/cp1252.h"

namespace gridlet::cli {

PreparedSource::~PreparedSource() {
  if (temporary_) environment_.files.RemoveFile(*temporary_);
}

std::optional<std::string> PreparedSource::TranscodeFromUtf8(const std::string& displayPath) {
  std::optional<ByteBuffer> bytes = environment_.files.ReadFile(enginePath_);
  if (!bytes) return std::nullopt;  // the engine reports a source it cannot open
  std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // byte-order mark
  const Cp1252Conversion converted = Utf8ToCp1252(text);
  if (!converted.ok()) {
    char message[256];
    if (converted.fault == ConversionFault::Unmappable) {
      std::snprintf(message, sizeof message,
                    ":%zu:%zu: the character U+%04X has no Windows-1252 form; convert with "
                    "--text-encoding cp1252 or change the text",
                    converted.position.line, converted.position.column,
                    static_cast<unsigned>(converted.character));
    } else {
      std::snprintf(message, sizeof message, ":%zu:%zu: the file is not valid UTF-8",
                    converted.position.line, converted.position.column);
    }
    return displayPath + message;
  }
  std::optional<std::string> temporary = environment_.files.CreateTempFile("GRD");
  std::string why;
  if (!temporary ||
      !environment_.files.WriteFile(*temporary, reinterpret_cast<const std::uint8_t*>(converted.text.data()),
                                    converted.text.size(), &why)) {
    if (temporary) environment_.files.RemoveFile(*temporary);
    return displayPath + ": cannot make a temporary copy: " + (why.empty() ? "no temporary folder" : why);
  }
  temporary_ = temporary;
  enginePath_ = *temporary;
  return std::nullopt;
}

std::optional<std::string> TranscodeOutputToUtf8(CommandEnvironment& environment,
                                                 const std::string& enginePath) {
  std::optional<ByteBuffer> bytes = environment.files.ReadFile(enginePath);
  const std::string display = Cp1252ToUtf8(enginePath);
  if (!bytes) return display + ": cannot be read back to convert it to UTF-8";
  const std::string utf8 =
      Cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  std::string why;
  if (!environment.files.WriteFile(enginePath, reinterpret_cast<const std::uint8_t*>(utf8.data()),
                                   utf8.size(), &why)) {
    return display + ": cannot be rewritten as UTF-8: " + why;
  }
  return std::nullopt;
}

}  // namespace gridlet::cli
