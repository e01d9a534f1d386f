// Warnings about a file as a whole (the changes to its cells are gathered
// in SheetChanges, which names them by kind).
#pragma once

#include <string>
#include <string_view>

#include "server/user_messages.h"

namespace gridlet {

// Shows a warning.
void Warn(UserMessages& messages, const std::string& text);

}  // namespace gridlet
