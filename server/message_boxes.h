// Modal message boxes and the search for the front end's window: how the
// engine reaches the user. Each front end supplies its own implementation.
#pragma once

#include <cstdint>
#include <string>

namespace gridlet {

using WindowHandle = std::uintptr_t;  // 0: no window
inline constexpr WindowHandle NO_WINDOW = 0;

// Message box styles and answers, with the values of the Windows API.
#ifndef MB_OK
inline constexpr unsigned MB_OK = 0x00000000u;
inline constexpr unsigned MB_YESNOCANCEL = 0x00000003u;
inline constexpr unsigned MB_ICONERROR = 0x00000010u;
inline constexpr unsigned MB_ICONQUESTION = 0x00000020u;
inline constexpr unsigned MB_ICONWARNING = 0x00000030u;
inline constexpr unsigned MB_ICONINFORMATION = 0x00000040u;
inline constexpr unsigned MB_TASKMODAL = 0x00002000u;
#endif
#ifndef IDOK
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
#endif

// The icon bits of a style.
#ifndef MB_ICONMASK
inline constexpr unsigned MB_ICONMASK = 0x000000F0u;
#endif

// Texts are 8-bit strings in the Windows ANSI code page. A box with
// MB_ICONERROR reports a failure; every other box without buttons beyond
// OK (MB_ICONWARNING, MB_ICONINFORMATION, no icon) tells of a change made
// to a file that is still written.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows a modal box and returns the button pressed (IDOK, IDYES, ...).
  virtual int Show(WindowHandle owner, const std::string& text, const std::string& caption,
                   unsigned style) = 0;
  // The top-level window with that title, or NO_WINDOW.
  virtual WindowHandle FindWindowByTitle(const std::string& title) = 0;
};

}  // namespace gridlet
