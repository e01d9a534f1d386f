// Names a client sends: the file name of an upload and the on-device name
// of a sheet. They are checked and made safe here, and never used as
// paths: an upload is stored under a name of the server's own, and the
// on-device name goes to the engine as a sheet name.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "server/file_types.h"

namespace gridlet::web {

// Why a name cannot be taken, or nothing when it can. A client's file name
// is a plain name: UTF-8, no path separator (/ or \), no control
// character, at most 255 bytes.
std::optional<std::string> FileNameProblem(std::string_view name);

// Why an on-device name cannot be taken: UTF-8 without control
// characters, at most 255 bytes. Anything else is the engine's to make
// safe, as for the command: the device's naming rules on a calculator, and
// separators made full stops in a file name.
std::optional<std::string> SheetNameProblem(std::string_view name);

// The on-device name the command gives a source: the file name without its
// extension.
std::string DefaultSheetName(std::string_view fileName);

// The name as the command hands it to the engine: in Windows-1252 for a
// calculator target (whose device keeps what it can, and says so), in the
// engine's path form for a file name (which may hold any character).
std::string EngineSheetName(std::string_view utf8Name, GRIDLET_FILE_TYPES target);

// The extension an upload is stored under: the client's, in lower case,
// when it is plain (letters and digits, at most 8), otherwise the type's
// own. The spreadsheet application tells workbook formats by it.
std::string StoredExtension(std::string_view fileName, GRIDLET_FILE_TYPES type);

// A file name for Content-Disposition: a plain ASCII fallback and the
// UTF-8 name, as RFC 6266 and RFC 5987 describe.
std::string ContentDisposition(std::string_view utf8Name);

}  // namespace gridlet::web
