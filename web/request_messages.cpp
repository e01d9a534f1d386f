#include "web/request_messages.h"

#include <cstdio>

#include "platform/engine_paths.h"

namespace gridlet::web {

class CodeNotingErrorTexts::Noting : public ErrorTextService {
 public:
  Noting(CodeNotingErrorTexts& owner, std::unique_ptr<ErrorTextService> texts)
      : owner_(owner), texts_(std::move(texts)) {}
  std::string GetErrorText(HRESULT code) override {
    owner_.code_ = code;
    return texts_->GetErrorText(code);
  }

 private:
  CodeNotingErrorTexts& owner_;
  std::unique_ptr<ErrorTextService> texts_;
};

std::unique_ptr<ErrorTextService> CodeNotingErrorTexts::Create() {
  std::unique_ptr<ErrorTextService> texts = texts_.Create();
  if (!texts) return nullptr;
  return std::make_unique<Noting>(*this, std::move(texts));
}

int RecordingBoxes::Show(WindowHandle, const std::string& text, const std::string& caption,
                         unsigned style) {
  const bool question = (style & 0x0Fu) == MB_YESNOCANCEL;
  std::string utf8 = FromEnginePath(question ? caption + " already exists and is left as it is." : text);
  for (const auto& [from, to] : replacements_) {
    if (from.empty()) continue;
    for (std::size_t at = utf8.find(from); at != std::string::npos; at = utf8.find(from, at + to.size())) {
      utf8.replace(at, from.size(), to);
    }
  }
  while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == ' ')) utf8.pop_back();
  Message message;
  const bool failure = (style & MB_ICONMASK) == MB_ICONERROR;
  message.level = failure || question ? Message::Level::Error : Message::Level::Warning;
  message.code = codes_.TakeCode();
  message.text = std::move(utf8);
  messages_.push_back(std::move(message));
  return question ? IDNO : IDOK;
}

std::string CodeText(HRESULT code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
  return text;
}

}  // namespace gridlet::web
