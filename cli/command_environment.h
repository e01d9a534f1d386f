// What every command works with: the files, the terminal as the place of
// messages and prompts, the error texts and the device file service.
#pragma once

#include <memory>

#include "platform/builtin_error_text_service.h"
#include "platform/libreoffice_launcher.h"
#include "platform/link_file_device_service.h"
#include "platform/reusing_launcher.h"
#include "platform/std_file_system.h"
#include "platform/terminal_message_boxes.h"
#include "platform/terminal_text.h"
#include "server/conversion_request.h"
#include "server/user_messages.h"

namespace gridlet::cli {

class CommandEnvironment {
 public:
  explicit CommandEnvironment(OverwritePolicy policy);

  // Whether the terminal takes UTF-8 (by the locale).
  const bool utf8 = TerminalTakesUtf8();
  StdFileSystem files;
  TerminalMessageBoxes boxes;
  BuiltinErrorTextServiceFactory errorTexts;
  LinkFileDeviceServiceFactory devices{files};
  UserMessages messages{boxes, errorTexts, files};
  LibreOfficeLauncher spreadsheets;
  // One LibreOffice for all the workbooks of a command.
  ReusingLauncher reusedSpreadsheets{spreadsheets};

  ConversionServices Services();

  // A line on stderr with the command's name, "error: " or "warning: "
  // (counted as the engine's are) or no label, made safe for the terminal.
  void Error(const std::string& utf8Text);
  void Warning(const std::string& utf8Text);
  void Note(const std::string& utf8Text);
};

// Parses "cp1252" or "utf-8" (also "utf8").
std::optional<TextEncoding> ParseTextEncoding(const std::string& name);

}  // namespace gridlet::cli
