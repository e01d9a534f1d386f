#include "platform/libreoffice_protocol.h"

namespace gridlet {

std::string EncodeFields(const std::vector<std::string>& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line.push_back('\t');
    for (char c : fields[i]) {
      switch (c) {
        case '\\': line += "\\\\"; break;
        case '\t': line += "\\t"; break;
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        default: line.push_back(c);
      }
    }
  }
  return line;
}

std::vector<std::string> DecodeFields(std::string_view line) {
  std::vector<std::string> fields(1);
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\t') {
      fields.emplace_back();
    } else if (c == '\\' && i + 1 < line.size()) {
      const char escaped = line[++i];
      switch (escaped) {
        case 't': fields.back().push_back('\t'); break;
        case 'n': fields.back().push_back('\n'); break;
        case 'r': fields.back().push_back('\r'); break;
        default: fields.back().push_back(escaped);
      }
    } else {
      fields.back().push_back(c);
    }
  }
  return fields;
}

}  // namespace gridlet
