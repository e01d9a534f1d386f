// Message boxes on a terminal: messages become lines on the standard error
// stream, and the overwrite question is asked there or answered by policy.
#pragma once

#include <cstdio>
#include <string>

#include "server/message_boxes.h"

namespace gridlet {

enum class OverwritePolicy { Ask, Yes, No };

class TerminalMessageBoxes : public MessageBoxes {
 public:
  // Prompts are read from `in` (only when it is a terminal, for Ask) and
  // every line goes to `err`.
  TerminalMessageBoxes(OverwritePolicy policy, std::FILE* in = stdin, std::FILE* err = stderr);

  int Show(WindowHandle owner, const std::string& text, const std::string& caption,
           unsigned style) override;
  WindowHandle FindWindowByTitle(const std::string&) override { return NO_WINDOW; }

  // Set by a front end that prints a progress line, so that messages
  // start on a line of their own.
  void SetBeforeMessage(void (*hook)()) { beforeMessage_ = hook; }

 private:
  int Ask(const std::string& text, const std::string& caption);

  OverwritePolicy policy_;
  std::FILE* in_;
  std::FILE* err_;
  void (*beforeMessage_)() = nullptr;
};

// Whether the stream is attached to a terminal.
bool IsTerminal(std::FILE* stream);

}  // namespace gridlet
