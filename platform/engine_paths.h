// Paths between this platform and the engine. Paths here are UTF-8 (or any
// bytes the file system accepts); the engine holds paths in Windows-1252.
// A character without a Windows-1252 form travels through the engine as
// the byte 0x81 (which Windows-1252 leaves undefined), its code point in
// hexadecimal and a semicolon: "Βαθμοί" becomes "\x81" "392;" "\x81" "3B1;"
// ... A byte that is no part of valid UTF-8 travels as the code point
// U+DC00 plus the byte, and the byte 0x81's own character U+0081 as "81;".
// The engine only joins and compares paths, so every path comes back
// intact; the file system and the messages of this platform turn it back.
#pragma once

#include <string>
#include <string_view>

namespace gridlet {

std::string ToEnginePath(std::string_view path);
std::string FromEnginePath(std::string_view enginePath);

}  // namespace gridlet
