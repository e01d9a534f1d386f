// Message boxes for tests: every box is recorded, and prompts are answered
// from a queue instead of waiting for anyone.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "server/message_boxes.h"

namespace gridlet {

class ScriptedMessageBoxes : public MessageBoxes {
 public:
  struct Box {
    WindowHandle owner;
    std::string text;
    std::string caption;
    unsigned style;
  };

  int Show(WindowHandle owner, const std::string& text, const std::string& caption,
           unsigned style) override {
    boxes.push_back({owner, text, caption, style});
    if ((style & 0x0Fu) == MB_YESNOCANCEL) {
      if (answers.empty()) return IDCANCEL;  // an unscripted prompt stops the conversion
      const int answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return IDOK;
  }

  WindowHandle FindWindowByTitle(const std::string& title) override {
    searchedTitles.push_back(title);
    return window;
  }

  std::vector<Box> boxes;
  std::deque<int> answers;            // for Yes/No/Cancel prompts, in order
  WindowHandle window = NO_WINDOW;    // what a window search finds
  std::vector<std::string> searchedTitles;
};

}  // namespace gridlet
