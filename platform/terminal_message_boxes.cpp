#include "platform/terminal_message_boxes.h"

#include <unistd.h>

#include <cctype>

#include "platform/engine_paths.h"
#include "platform/terminal_text.h"

namespace gridlet {

bool IsTerminal(std::FILE* stream) { return stream && isatty(fileno(stream)) == 1; }

std::string MessageLine(const std::string& text, bool utf8Terminal) {
  std::string line;
  for (char c : FromEnginePath(text)) {
    if (c == '\n' || c == '\r') {
      if (!line.empty() && line.back() != ' ') line += ' ';
    } else {
      line += c;
    }
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return TerminalSafe(line, utf8Terminal);
}

TerminalMessageBoxes::TerminalMessageBoxes(OverwritePolicy policy, std::FILE* in, std::FILE* err,
                                           bool utf8)
    : policy_(policy), in_(in), err_(err), utf8_(utf8) {}

TerminalMessageBoxes::Counts TerminalMessageBoxes::TakeCounts() {
  const Counts counts = counts_;
  counts_ = {};
  return counts;
}

void TerminalMessageBoxes::PrintLine(const std::string& line) {
  if (beforeMessage_) beforeMessage_();
  std::fprintf(err_, "gridlet: %s\n", line.c_str());
  std::fflush(err_);
}

void TerminalMessageBoxes::Note(const std::string& text) { PrintLine(MessageLine(text, utf8_)); }

int TerminalMessageBoxes::Show(WindowHandle, const std::string& text, const std::string& caption,
                               unsigned style) {
  // The caption of the overwrite prompt is the path of the existing file.
  if ((style & 0x0Fu) == MB_YESNOCANCEL) return Ask(MessageLine(caption, utf8_));
  const bool failure = (style & MB_ICONMASK) == MB_ICONERROR;
  ++(failure ? counts_.errors : counts_.warnings);
  std::string line = MessageLine(text, utf8_);
  if (!failure && !subject_.empty()) {
    const std::string subject = TerminalSafe(subject_, utf8_);
    if (line.find(subject) == std::string::npos) line = subject + ": " + line;
  }
  PrintLine(std::string(failure ? "error: " : "warning: ") + line);
  return IDOK;
}

int TerminalMessageBoxes::Ask(const std::string& path) {
  switch (policy_) {
    case OverwritePolicy::Yes:
      PrintLine("replacing " + path);
      return IDYES;
    case OverwritePolicy::No:
      PrintLine("skipped " + path + ": it exists (--overwrite yes replaces it)");
      return IDNO;
    case OverwritePolicy::Ask:
      break;
  }
  if (!IsTerminal(in_)) {
    PrintLine("skipped " + path + ": it exists, and there is no terminal to ask on");
    return IDNO;
  }
  if (beforeMessage_) beforeMessage_();
  for (;;) {
    std::fprintf(err_, "gridlet: %s exists. Replace it? [y]es, [n]o, [a]ll, n[o]ne, [c]ancel: ",
                 path.c_str());
    std::fflush(err_);
    char line[64];
    if (!std::fgets(line, sizeof line, in_)) {
      std::fprintf(err_, "\n");
      return IDCANCEL;  // the terminal closed: stop rather than guess
    }
    std::string answer(line);
    while (!answer.empty() && std::isspace(static_cast<unsigned char>(answer.back()))) answer.pop_back();
    for (char& c : answer) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (answer == "y" || answer == "yes") return IDYES;
    if (answer == "n" || answer == "no") return IDNO;
    if (answer == "a" || answer == "all") {
      policy_ = OverwritePolicy::Yes;  // this one and every later one
      return IDYES;
    }
    if (answer == "o" || answer == "none") {
      policy_ = OverwritePolicy::No;
      return IDNO;
    }
    if (answer == "c" || answer == "cancel") return IDCANCEL;
  }
}

}  // namespace gridlet
