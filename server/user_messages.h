// Error reports and prompts: every message the engine shows goes through
// here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/hresult.h"
#include "model/sheet_messages.h"
#include "server/error_text_service.h"
#include "server/file_system.h"
#include "server/message_boxes.h"

namespace gridlet {

// Answers of AskOverwrite.
inline constexpr int OVERWRITE_WRITE = 0;
inline constexpr int OVERWRITE_SKIP = 1;
inline constexpr int OVERWRITE_CANCEL = 2;

inline constexpr const char* FRONT_END_TITLE = "QZ Gridlet Converter";

class UserMessages : public SheetMessages {
 public:
  UserMessages(MessageBoxes& boxes, ErrorTextServiceFactory& errorTexts, FileSystem& files)
      : boxes_(boxes), errorTexts_(errorTexts), files_(files) {}

  // Shows the message for an error code. The detail, when given, says
  // what exactly went wrong and is shown after the code's text.
  void ReportError(HRESULT code, std::string_view detail = {}) override;

  // Shows the message for the HRESULT of a failed outside call, owned by
  // the front end's window, with the given icon.
  void ReportComError(HRESULT hr, unsigned icon, std::string_view detail = {});

  // The front end's top-level window, or NO_WINDOW.
  WindowHandle FindOwnerWindow();

  // Asks before an existing file is replaced: OVERWRITE_WRITE,
  // OVERWRITE_SKIP or OVERWRITE_CANCEL. Asks nothing when there is no file.
  int AskOverwrite(const std::string& path);

  // A plain message box with an OK button, no owner and no caption.
  void ShowNotice(const std::string& text) override;

  // A warning box: a change made to a file that is still written.
  void Warn(std::string_view text) override;
  void ReportWarning(HRESULT code, std::string_view detail = {}) override;

  // A plain message box.
  int ShowMessage(WindowHandle owner, const std::string& text, const std::string& caption,
                  unsigned style);

  // How many warnings (boxes that are neither failures nor questions) have
  // been shown so far.
  std::size_t WarningCount() const { return warnings_; }

 private:
  // The text for a code followed by the detail (the detail alone when it
  // already holds the code's text); *fromService says whether the service
  // gave it.
  std::string ErrorText(HRESULT code, std::string_view detail, bool* fromService);
  // Every box goes through here, and is counted when it is a warning.
  int Show(WindowHandle owner, const std::string& text, const std::string& caption,
           unsigned style);

  MessageBoxes& boxes_;
  ErrorTextServiceFactory& errorTexts_;
  FileSystem& files_;
  std::size_t warnings_ = 0;
};

}  // namespace gridlet
