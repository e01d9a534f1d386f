// Brings LibreOffice's tab-delimited text to the form the rest of the
// system reads: rows ending in CR LF, as the text files of Windows
// spreadsheet programs do. LibreOffice ends rows with LF alone on this
// platform, and quotes every field that holds a quote or a line break.
#pragma once

#include <string>
#include <string_view>

namespace gridlet {

// Every LF outside a quoted field becomes CR LF (one already preceded by
// CR is kept); line breaks inside quoted fields stay as they are.
std::string RowEndsToCrLf(std::string_view text);

}  // namespace gridlet
