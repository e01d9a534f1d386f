#include "web/api_json.h"

#include <string_view>

#include "cli/file_type_names.h"

namespace gridlet::web {

using json = nlohmann::json;

namespace {

constexpr std::size_t MAX_MESSAGES_HEADER = 16 * 1024;

struct TypeLabel {
  std::string_view name;
  std::string_view label;
};

// What the page shows for each type name; a name without a label is shown
// as it is.
constexpr TypeLabel TYPE_LABELS[] = {
    {"xls", "Workbook (.xls)"},
    {"txt", "Tab-delimited text (.txt)"},
    {"xbv", "XB Plus sheet (.xbv)"},
    {"xcy", "XC sheet (.xcy)"},
    {"xdy", "XD Plus sheet (.xdy)"},
    {"xfy", "XF sheet (.xfy)"},
    {"null", "Check only, write nothing (null)"},
};

std::string LabelOf(std::string_view name) {
  for (const TypeLabel& entry : TYPE_LABELS) {
    if (entry.name == name) return std::string(entry.label);
  }
  return std::string(name);
}

json TypeEntry(std::string_view name, GRIDLET_FILE_TYPES type) {
  return json{{"type", name}, {"label", LabelOf(name)}, {"workbook", type == QZ_EXCEL}};
}

}  // namespace

json MessageJson(const Message& message, const std::string& file) {
  json entry{{"file", file},
             {"level", message.level == Message::Level::Error ? "error" : "warning"},
             {"text", message.text}};
  if (message.code) entry["code"] = CodeText(*message.code);
  return entry;
}

json ErrorJson(const Verdict& verdict, json messages) {
  return json{{"error", verdict.error},
              {"code", CodeText(verdict.code.value_or(GRIDLET_E_CONVERSION))},
              {"messages", std::move(messages)}};
}

std::string MessagesHeader(const json& messages) {
  auto dump = [](const json& value) { return value.dump(-1, ' ', true, json::error_handler_t::replace); };
  std::string text = dump(messages);
  if (text.size() <= MAX_MESSAGES_HEADER) return text;
  json kept = json::array();
  std::size_t size = 2;
  for (const json& message : messages) {
    const std::size_t entry = dump(message).size() + 1;
    if (size + entry > MAX_MESSAGES_HEADER - 200) break;
    kept.push_back(message);
    size += entry;
  }
  const std::size_t left = messages.size() - kept.size();
  kept.push_back(json{{"file", ""}, {"level", "warning"},
                      {"text", std::to_string(left) + " more messages are not shown."}});
  return dump(kept);
}

json TypeJson(GRIDLET_FILE_TYPES type) { return TypeEntry(cli::TypeNameOf(type), type); }

json TypesJson() {
  // The types of one of the command's lists, in its order.
  const auto listed = [](std::string_view list) {
    json types = json::array();
    std::size_t start = 0;
    while (start < list.size()) {
      std::size_t end = list.find(',', start);
      if (end == std::string_view::npos) end = list.size();
      std::string_view name = list.substr(start, end - start);
      while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
      if (auto type = cli::ParseTypeName(name)) types.push_back(TypeEntry(name, *type));
      start = end + 1;
    }
    return types;
  };
  return json{{"targets", listed(cli::TARGET_TYPE_LIST)}, {"sources", listed(cli::SOURCE_TYPE_LIST)}};
}

std::string StatusText(int status) {
  switch (status) {
    case 400:
      return "The request cannot be read: a malformed request or form, or a chunked upload larger than this "
             "server takes.";
    case 404: return "Nothing is here.";
    case 405: return "The method is not allowed here.";
    case 413: return "The upload is larger than this server takes.";
    case 414: return "The address is too long.";
    case 416: return "The range cannot be served.";
    case 431: return "The request's headers are too large.";
    case 503: return "The server is busy.";
    default: return status >= 500 ? "The server failed." : "The request cannot be carried out.";
  }
}

}  // namespace gridlet::web
