// The spreadsheet application's objects over a running LibreOffice. Each
// member becomes one request to the helper, or is kept here where
// LibreOffice has nothing to match (alerts, visibility, the window's
// formula display, the active sheet): that state travels with the request
// that needs it.
//
// Files are never opened where they lie: a workbook or text is copied into
// the instance's private folder and opened there, and what is saved is
// written there first and then copied to the path asked for. The file
// opened is therefore never changed and no lock file appears beside it.
// Paths arrive in Windows-1252 and are handed to the system in UTF-8.
//
// A text opens as tab text in Windows-1252, or, given a delimiter and a
// code page (Open's Format 6, Delimiter and Origin), as delimited text of
// those; a ".csv" file opens with commas in UTF-8. A worksheet's text is
// made by the helper from the cells' values (see its savetext).
#pragma once

#include <memory>

#include "bridge/spreadsheet_application.h"
#include "platform/libreoffice_session.h"

namespace gridlet {

std::unique_ptr<SpreadsheetApplication> MakeLibreOfficeApplication(
    std::shared_ptr<LibreOfficeSession> session);

}  // namespace gridlet
