#include "box_answerer.h"

#include <algorithm>

namespace gridlet::wine_test {

namespace {
std::string WindowText(HWND window) {
  char text[4096] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}
}  // namespace

BoxAnswerer::BoxAnswerer() { thread_ = CreateThread(nullptr, 0, &BoxAnswerer::Watch, this, 0, nullptr); }

BoxAnswerer::~BoxAnswerer() {
  InterlockedExchange(&stop_, 1);
  if (thread_) {
    WaitForSingleObject(thread_, 10000);
    CloseHandle(thread_);
  }
}

void BoxAnswerer::QueueAnswer(int button) {
  win32::CriticalSectionGuard guard(lock_);
  answers_.push_back(button);
}

std::vector<ShownBox> BoxAnswerer::Boxes() {
  win32::CriticalSectionGuard guard(lock_);
  return boxes_;
}

void BoxAnswerer::Clear() {
  win32::CriticalSectionGuard guard(lock_);
  boxes_.clear();
  answers_.clear();
}

DWORD WINAPI BoxAnswerer::Watch(void* self) {
  auto* answerer = static_cast<BoxAnswerer*>(self);
  while (!InterlockedCompareExchange(&answerer->stop_, 0, 0)) {
    EnumWindows(&BoxAnswerer::Visit, reinterpret_cast<LPARAM>(answerer));
    {
      // Boxes that are gone: their handles may come back as new boxes.
      win32::CriticalSectionGuard guard(answerer->lock_);
      auto& answered = answerer->answered_;
      answered.erase(std::remove_if(answered.begin(), answered.end(), [](HWND box) { return !IsWindow(box); }),
                     answered.end());
    }
    Sleep(20);
  }
  return 0;
}

BOOL CALLBACK BoxAnswerer::Visit(HWND window, LPARAM self) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  if (std::string(className) == "#32770") reinterpret_cast<BoxAnswerer*>(self)->Answer(window);
  return TRUE;
}

void BoxAnswerer::Answer(HWND box) {
  int button = 0;
  {
    win32::CriticalSectionGuard guard(lock_);
    // Pressed before and still closing.
    if (std::find(answered_.begin(), answered_.end(), box) != answered_.end()) return;
    ShownBox shown;
    shown.caption = WindowText(box);
    if (HWND text = GetDlgItem(box, 0xFFFF)) shown.text = WindowText(text);
    shown.owner = GetWindow(box, GW_OWNER);
    shown.hasYesNoCancel = GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) && GetDlgItem(box, IDCANCEL);
    boxes_.push_back(shown);
    answered_.push_back(box);
    if (!answers_.empty()) {
      button = answers_.front();
      answers_.pop_front();
    } else {
      button = GetDlgItem(box, IDOK) ? IDOK : IDCANCEL;
    }
  }
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

}  // namespace gridlet::wine_test
