#include "server/user_messages.h"

#include "server/string_table.h"

namespace gridlet {

std::string UserMessages::ErrorText(HRESULT code, std::string_view detail, bool* fromService) {
  std::unique_ptr<ErrorTextService> service = errorTexts_.Create();
  if (fromService) *fromService = service != nullptr;
  std::string text = service ? service->GetErrorText(code) : LoadResourceString(IDS_APPLICATION_ERROR);
  if (detail.empty()) return text;
  if (detail.find(text) != std::string_view::npos) return std::string(detail);
  return text.append("\n").append(detail);
}

void UserMessages::ReportError(HRESULT code, std::string_view detail) {
  bool fromService = false;
  const std::string text = ErrorText(code, detail, &fromService);
  Show(NO_WINDOW, text, "", (fromService ? MB_OK : MB_TASKMODAL) | MB_ICONERROR);
}

void UserMessages::ReportComError(HRESULT hr, unsigned icon, std::string_view detail) {
  const std::string text = ErrorText(hr, detail, nullptr);
  Show(FindOwnerWindow(), text, "", MB_TASKMODAL | icon);
}

WindowHandle UserMessages::FindOwnerWindow() {
  // The front end may be creating its window just now: ask twice.
  if (WindowHandle window = boxes_.FindWindowByTitle(FRONT_END_TITLE)) return window;
  return boxes_.FindWindowByTitle(FRONT_END_TITLE);
}

int UserMessages::Show(WindowHandle owner, const std::string& text, const std::string& caption,
                       unsigned style) {
  const bool question = (style & 0x0Fu) == MB_YESNOCANCEL;
  if (!question && (style & MB_ICONMASK) != MB_ICONERROR) ++warnings_;
  return boxes_.Show(owner, text, caption, style);
}

int UserMessages::AskOverwrite(const std::string& path) {
  if (!files_.Exists(path)) return OVERWRITE_WRITE;
  const int answer = Show(NO_WINDOW, LoadResourceString(IDS_FILE_EXISTS), path,
                          MB_YESNOCANCEL | MB_ICONQUESTION | MB_TASKMODAL);
  if (answer == IDCANCEL) return OVERWRITE_CANCEL;
  if (answer == IDNO) return OVERWRITE_SKIP;
  return OVERWRITE_WRITE;
}

void UserMessages::ShowNotice(const std::string& text) { Show(NO_WINDOW, text, "", MB_OK); }

void UserMessages::Warn(std::string_view text) {
  Show(NO_WINDOW, std::string(text), "", MB_OK | MB_ICONWARNING);
}

void UserMessages::ReportWarning(HRESULT code, std::string_view detail) {
  Show(NO_WINDOW, ErrorText(code, detail, nullptr), "", MB_OK | MB_ICONWARNING);
}

int UserMessages::ShowMessage(WindowHandle owner, const std::string& text,
                              const std::string& caption, unsigned style) {
  return Show(owner, text, caption, style);
}

}  // namespace gridlet
