// The encoding of tab-text files. The engine's texts are Windows-1252;
// a file may be in Windows-1252 or in UTF-8, and a file that opens with a
// byte-order mark is read in the encoding the mark names (UTF-8 or UTF-16),
// whatever was assumed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "encoding/cp1252.h"

namespace gridlet {

enum class TextEncoding { Cp1252, Utf8 };

struct DecodedText {
  // The bytes are Windows-1252 already and are the text as they stand;
  // `text` is then left empty rather than holding a copy.
  bool asIs = false;
  std::string text;            // Windows-1252, unless asIs
  const char* encoding = "";   // what the file was read as: "Windows-1252", "UTF-8", "UTF-16"
  bool byteOrderMark = false;  // the file opened with one (not part of the text)
  // Characters without a Windows-1252 form, each now "?", in file order.
  std::vector<Cp1252Replacement> replaced;
  // Where the file is not valid in its encoding (fault Malformed); the text
  // then holds what came before.
  ConversionFault fault = ConversionFault::None;
  TextPosition position;
};

// Reads a file's bytes as Windows-1252 text.
DecodedText DecodeTextFile(std::string_view bytes, TextEncoding assumed);

// The places of replaced characters for a message: "line 2, column 5
// (U+03C0), ..."; at most `shown` of them, then how many more.
std::string DescribeReplacements(const std::vector<Cp1252Replacement>& replaced, std::size_t shown = 5);

}  // namespace gridlet
