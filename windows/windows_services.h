// The services one Gridlet object converts with on Windows: files through
// the Win32 API, message boxes, the outside error text component, the
// link-file device service and Excel through its automation server.
#pragma once

#include "com_error_text_service.h"
#include "excel_application.h"
#include "platform/link_file_device_service.h"
#include "server/conversion_request.h"
#include "server/user_messages.h"
#include "win32_file_system.h"
#include "win32_message_boxes.h"

namespace gridlet::win32 {

struct WindowsServices {
  WindowsServices() = default;
  WindowsServices(const WindowsServices&) = delete;
  WindowsServices& operator=(const WindowsServices&) = delete;

  ConversionServices Services() { return ConversionServices{files, messages, devices, &excel}; }

  Win32FileSystem files;
  Win32MessageBoxes boxes;
  ComErrorTextServiceFactory errorTexts;
  LinkFileDeviceServiceFactory devices{files};
  ExcelApplicationLauncher excel;
  UserMessages messages{boxes, errorTexts, files};
};

}  // namespace gridlet::win32
