// The conversion driver over an in-memory file system with the link-file
// device service, scripted message boxes and the built-in error texts: the
// whole engine without a disk, for property tests, fuzzing and seeds.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "platform/builtin_error_text_service.h"
#include "platform/link_file_device_service.h"
#include "platform/scripted_message_boxes.h"
#include "server/conversion_driver.h"
#include "server/user_messages.h"
#include "support/in_memory_file_system.h"

namespace gridlet::testing {

struct InMemoryConversion {
  // Converts the file into a folder of its own, where nothing is there to
  // ask about; returns the path written ("" when none was) and the result.
  std::pair<std::string, HRESULT> ConvertToNewFolder(const std::string& input,
                                                     GRIDLET_FILE_TYPES from,
                                                     GRIDLET_FILE_TYPES to,
                                                     const std::string& name, bool strict = false) {
    ConversionRequest request;
    request.inputPath = input;
    request.fromType = from;
    request.outputLocation = "/out/" + std::to_string(++folders) + "/";
    request.saveInternalName = name;
    request.toType = to;
    request.strict = strict;
    std::optional<std::string> written;
    const HRESULT result = driver.Convert(request, &written);
    return {written.value_or(""), result};
  }

  int folders = 0;
  InMemoryFileSystem files;
  ScriptedMessageBoxes boxes;
  BuiltinErrorTextServiceFactory errorTexts;
  UserMessages messages{boxes, errorTexts, files};
  LinkFileDeviceServiceFactory devices{files};
  ConversionDriver driver{ConversionServices{files, messages, devices}};
};

}  // namespace gridlet::testing
