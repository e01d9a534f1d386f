// Message boxes through MessageBoxA and the window search through
// FindWindowA.
#pragma once

#include "server/message_boxes.h"

namespace gridlet::win32 {

class Win32MessageBoxes : public MessageBoxes {
 public:
  // An empty caption is no caption: the system's default title.
  int Show(WindowHandle owner, const std::string& text, const std::string& caption,
           unsigned style) override;
  // Any window class, the exact title.
  WindowHandle FindWindowByTitle(const std::string& title) override;
};

}  // namespace gridlet::win32
