// Message boxes on a terminal: each message becomes one line on the
// standard error stream, "gridlet: error: ..." for a failure and
// "gridlet: warning: ..." for anything else, and the overwrite question is
// asked there or answered by policy. Texts are made safe for the terminal.
#pragma once

#include <cstdio>
#include <string>
#include <utility>

#include "server/message_boxes.h"

namespace gridlet {

enum class OverwritePolicy { Ask, Yes, No };

class TerminalMessageBoxes : public MessageBoxes {
 public:
  // Prompts are read from `in` (only when it is a terminal, for Ask) and
  // every line goes to `err`. `utf8` says whether the terminal takes UTF-8.
  TerminalMessageBoxes(OverwritePolicy policy, std::FILE* in = stdin, std::FILE* err = stderr,
                       bool utf8 = true);

  int Show(WindowHandle owner, const std::string& text, const std::string& caption,
           unsigned style) override;
  WindowHandle FindWindowByTitle(const std::string&) override { return NO_WINDOW; }

  // Set by a front end that prints a progress line, so that messages
  // start on a line of their own.
  void SetBeforeMessage(void (*hook)()) { beforeMessage_ = hook; }

  // The source being converted: a warning that does not name it begins
  // with it, so that the warnings of a batch tell their files apart.
  void SetSubject(std::string source) { subject_ = std::move(source); }

  // A line without a label (a message text of the engine's form), after
  // the hook; not counted.
  void Note(const std::string& text);

  // The errors and warnings shown since the counts were last taken.
  struct Counts {
    int errors = 0;
    int warnings = 0;
  };
  Counts TakeCounts();

 private:
  int Ask(const std::string& path);
  void PrintLine(const std::string& line);

  OverwritePolicy policy_;
  std::string subject_;
  std::FILE* in_;
  std::FILE* err_;
  bool utf8_;
  void (*beforeMessage_)() = nullptr;
  Counts counts_;
};

// Whether the stream is attached to a terminal.
bool IsTerminal(std::FILE* stream);

// A message text of the engine (Windows-1252, paths in the engine's form)
// as one safe line for the terminal: its lines joined by spaces.
std::string MessageLine(const std::string& text, bool utf8Terminal);

}  // namespace gridlet
