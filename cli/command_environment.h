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
#include "server/gridlet.h"
#include "server/user_messages.h"

namespace gridlet::cli {

class CommandEnvironment {
 public:
  explicit CommandEnvironment(OverwritePolicy policy);

  StdFileSystem files;
  TerminalMessageBoxes boxes;
  BuiltinErrorTextServiceFactory errorTexts;
  LinkFileDeviceServiceFactory devices{files};
  UserMessages messages{boxes, errorTexts, files};
  LibreOfficeLauncher spreadsheets;
  // One LibreOffice for all the workbooks of a command.
  ReusingLauncher reusedSpreadsheets{spreadsheets};

  ConversionServices Services();
};

}  // namespace gridlet::cli
