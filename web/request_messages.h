// What the engine tells the user during one web request, kept instead of
// shown: every message box becomes a message of the response, with the
// error code it was reported under. Nothing ever waits for an answer.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/hresult.h"
#include "server/error_text_service.h"
#include "server/message_boxes.h"

namespace gridlet::web {

struct Message {
  enum class Level { Error, Warning };
  Level level = Level::Warning;
  std::optional<HRESULT> code;
  std::string text;  // UTF-8
};

// The error texts of the platform, noting the code of each text handed
// out: the engine asks for a code's text right before it shows it, so the
// box that follows carries that code.
class CodeNotingErrorTexts : public ErrorTextServiceFactory {
 public:
  explicit CodeNotingErrorTexts(ErrorTextServiceFactory& texts) : texts_(texts) {}
  std::unique_ptr<ErrorTextService> Create() override;

  // The code asked for since the last call, if any.
  std::optional<HRESULT> TakeCode() { return std::exchange(code_, std::nullopt); }

 private:
  class Noting;
  ErrorTextServiceFactory& texts_;
  std::optional<HRESULT> code_;
};

class RecordingBoxes : public MessageBoxes {
 public:
  explicit RecordingBoxes(CodeNotingErrorTexts& codes) : codes_(codes) {}

  // Records the box. The overwrite question is answered No: a request's
  // folder is its own and nothing in it is ever replaced.
  int Show(WindowHandle owner, const std::string& text, const std::string& caption,
           unsigned style) override;
  WindowHandle FindWindowByTitle(const std::string&) override { return NO_WINDOW; }

  // Texts are kept with each (from, to) replaced, both UTF-8, so that
  // messages name the client's file instead of the request's folder.
  void Replace(std::string from, std::string to) { replacements_.emplace_back(std::move(from), std::move(to)); }

  std::vector<Message>& Messages() { return messages_; }

 private:
  CodeNotingErrorTexts& codes_;
  std::vector<std::pair<std::string, std::string>> replacements_;
  std::vector<Message> messages_;
};

// "0x8C05001C".
std::string CodeText(HRESULT code);

}  // namespace gridlet::web
