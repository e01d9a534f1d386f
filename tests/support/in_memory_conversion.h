// The conversion driver over an in-memory file system with the link-file
// device service, scripted message boxes and the built-in error texts: the
// whole engine without a disk, for property tests, fuzzing and seeds.
#pragma once

#include "platform/builtin_error_text_service.h"
#include "platform/link_file_device_service.h"
#include "platform/scripted_message_boxes.h"
#include "server/conversion_driver.h"
#include "server/user_messages.h"
#include "support/in_memory_file_system.h"

namespace gridlet::testing {

struct InMemoryConversion {
  InMemoryFileSystem files;
  ScriptedMessageBoxes boxes;
  BuiltinErrorTextServiceFactory errorTexts;
  UserMessages messages{boxes, errorTexts, files};
  LinkFileDeviceServiceFactory devices{files};
  ConversionDriver driver{ConversionServices{files, messages, devices}};
};

}  // namespace gridlet::testing
