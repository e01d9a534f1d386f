#include <windows.h>

#include "win32_message_boxes.h"

namespace gridlet::win32 {

int Win32MessageBoxes::Show(WindowHandle owner, const std::string& text, const std::string& caption,
                            unsigned style) {
  return MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.empty() ? nullptr : caption.c_str(),
                     style);
}

WindowHandle Win32MessageBoxes::FindWindowByTitle(const std::string& title) {
  return reinterpret_cast<WindowHandle>(FindWindowA(nullptr, title.c_str()));
}

}  // namespace gridlet::win32
