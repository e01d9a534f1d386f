// The JSON of the web API: messages, errors and file types.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "server/file_types.h"
#include "web/conversion_service.h"
#include "web/request_messages.h"

namespace gridlet::web {

// {"file", "level": "error"|"warning", "code" (when known), "text"}.
nlohmann::json MessageJson(const Message& message, const std::string& file);

// {"error": text, "code": "0x8C05....", "messages": [...]}.
nlohmann::json ErrorJson(const Verdict& verdict, nlohmann::json messages);

// The messages as the value of a response header: ASCII JSON, cut to a
// size every client takes (the last entry then says how many are left out).
std::string MessagesHeader(const nlohmann::json& messages);

// {"type": "xbv", "label": "XB Plus sheet", "workbook": false}.
nlohmann::json TypeJson(GRIDLET_FILE_TYPES type);

// {"targets": [TypeJson...], "sources": [...]}: every type the command
// converts to, and every type it reads, in the command's order.
nlohmann::json TypesJson();

// The reason phrase of an HTTP status, as a sentence.
std::string StatusText(int status);

}  // namespace gridlet::web
