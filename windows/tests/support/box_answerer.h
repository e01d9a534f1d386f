// Answers the message boxes that the code under test shows: a thread
// watches for the dialog windows of this process, records each box (text,
// caption, owner) and presses a button, so that no test waits for a person.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "../../critical_section.h"

namespace gridlet::wine_test {

struct ShownBox {
  std::string text;
  std::string caption;
  HWND owner = nullptr;
  bool hasYesNoCancel = false;
};

class BoxAnswerer {
 public:
  BoxAnswerer();
  ~BoxAnswerer();
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  // The buttons to press, in order (IDYES, IDNO, IDCANCEL, IDOK). A box
  // without a queued answer is closed with OK, or Cancel when it has none.
  void QueueAnswer(int button);
  std::vector<ShownBox> Boxes();
  void Clear();

 private:
  static DWORD WINAPI Watch(void* self);
  static BOOL CALLBACK Visit(HWND window, LPARAM self);
  void Answer(HWND box);

  win32::CriticalSection lock_;
  std::deque<int> answers_;
  std::vector<ShownBox> boxes_;
  std::vector<HWND> answered_;
  volatile LONG stop_ = 0;
  HANDLE thread_ = nullptr;
};

}  // namespace gridlet::wine_test
