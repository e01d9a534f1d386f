// The line protocol between the LibreOffice adapter and its helper script:
// one request or reply per line, fields separated by TAB, and backslash,
// TAB, LF and CR inside a field escaped as \\, \t, \n and \r. Texts are
// UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace gridlet {

// One line, without its LF.
std::string EncodeFields(const std::vector<std::string>& fields);

// The fields of a line (without its LF). An empty line is one empty field;
// an unknown escape stands for the escaped character itself.
std::vector<std::string> DecodeFields(std::string_view line);

}  // namespace gridlet
