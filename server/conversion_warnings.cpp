#include "server/conversion_warnings.h"

namespace gridlet {

void Warn(UserMessages& messages, const std::string& text) {
  messages.ShowMessage(NO_WINDOW, text, "", MB_OK | MB_ICONWARNING);
}

}  // namespace gridlet
