#include "platform/terminal_message_boxes.h"

#include <unistd.h>

#include <cctype>

#include "encoding/cp1252.h"

namespace gridlet {

bool IsTerminal(std::FILE* stream) { return stream && isatty(fileno(stream)) == 1; }

TerminalMessageBoxes::TerminalMessageBoxes(OverwritePolicy policy, std::FILE* in, std::FILE* err)
    : policy_(policy), in_(in), err_(err) {}

namespace {

// One message as lines: the first prefixed, the others indented under it.
void PrintMessage(std::FILE* err, const char* prefix, const std::string& caption,
                  const std::string& text) {
  std::string body = Cp1252ToUtf8(text);
  while (!body.empty() && (body.back() == '\n' || body.back() == ' ')) body.pop_back();
  std::string out = std::string("gridlet: ") + prefix;
  if (!caption.empty()) out += Cp1252ToUtf8(caption) + ": ";
  for (char c : body) {
    out += c;
    if (c == '\n') out += "  ";
  }
  std::fprintf(err, "%s\n", out.c_str());
  std::fflush(err);
}

}  // namespace

int TerminalMessageBoxes::Show(WindowHandle, const std::string& text, const std::string& caption,
                               unsigned style) {
  if (beforeMessage_) beforeMessage_();
  if ((style & 0x0Fu) == MB_YESNOCANCEL) return Ask(text, caption);
  // A failure is an error; every other message tells of a change made on
  // the way.
  const char* prefix = (style & MB_ICONMASK) == MB_ICONERROR ? "error: " : "warning: ";
  PrintMessage(err_, prefix, caption, text);
  return IDOK;
}

int TerminalMessageBoxes::Ask(const std::string& text, const std::string& caption) {
  // The caption of the overwrite prompt is the path of the existing file.
  const std::string path = Cp1252ToUtf8(caption);
  switch (policy_) {
    case OverwritePolicy::Yes:
      std::fprintf(err_, "gridlet: replacing %s\n", path.c_str());
      return IDYES;
    case OverwritePolicy::No:
      std::fprintf(err_, "gridlet: skipped, %s already exists\n", path.c_str());
      return IDNO;
    case OverwritePolicy::Ask:
      break;
  }
  if (!IsTerminal(in_)) {
    std::fprintf(err_, "gridlet: skipped, %s already exists (no terminal to ask on)\n",
                 path.c_str());
    return IDNO;
  }
  (void)text;
  for (;;) {
    std::fprintf(err_, "gridlet: %s already exists. Overwrite? [y]es, [n]o (skip), [c]ancel all: ",
                 path.c_str());
    std::fflush(err_);
    char line[64];
    if (!std::fgets(line, sizeof line, in_)) return IDCANCEL;
    switch (std::tolower(static_cast<unsigned char>(line[0]))) {
      case 'y': return IDYES;
      case 'n': return IDNO;
      case 'c': return IDCANCEL;
      default: break;
    }
  }
}

}  // namespace gridlet
