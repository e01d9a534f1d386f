// Tab text in UTF-8 on the command line: the engine reads and writes the
// Windows ANSI code page, so UTF-8 text is transcoded on the way in and out.
#pragma once

#include <optional>
#include <string>

#include "cli/command_environment.h"

namespace gridlet::cli {

enum class TextEncoding { Cp1252, Utf8 };

// A source as the engine is to read it: the path itself, or a temporary
// cp1252 copy of a UTF-8 tab-text file, removed with this object.
class PreparedSource {
 public:
  PreparedSource(CommandEnvironment& environment, std::string path)
      : environment_(environment), enginePath_(std::move(path)) {}
  PreparedSource(const PreparedSource&) = delete;
  PreparedSource& operator=(const PreparedSource&) = delete;
  ~PreparedSource();

  // Makes the cp1252 copy. On failure returns a message naming the file,
  // and the line and column of the first character without a cp1252 form.
  std::optional<std::string> TranscodeFromUtf8(const std::string& displayPath);

  // The path to give the engine, in the ANSI code page.
  const std::string& EnginePath() const { return enginePath_; }

 private:
  CommandEnvironment& environment_;
  std::string enginePath_;
  std::optional<std::string> temporary_;
};

// Rewrites a cp1252 tab-text file written by the engine as UTF-8. Returns a
// message on failure.
std::optional<std::string> TranscodeOutputToUtf8(CommandEnvironment& environment,
                                                 const std::string& enginePath);

}  // namespace gridlet::cli
