// The Python script through which the adapter drives LibreOffice: it
// connects to one soffice instance through the Python-UNO bridge and
// carries out the adapter's requests (see libreoffice_protocol.h).
#pragma once

#include <string_view>

namespace gridlet {

std::string_view LibreOfficeHelperScript();

}  // namespace gridlet
