// How the engine's result of one call becomes the answer of a request: an
// HTTP status, and for a failure the code and text it is known by.
#pragma once

#include <vector>

#include "model/hresult.h"
#include "web/conversion_service.h"
#include "web/request_messages.h"

namespace gridlet::web {

struct Outcome {
  HRESULT result = S_OK;       // of the engine's call
  bool wrote = false;          // the output file is there
  bool writesFile = true;      // the target writes one (null does not)
  bool instanceLost = false;   // a spreadsheet application instance ended on the way
  bool strict = false;         // any message fails the call
};

// The HTTP status for a failure reported under an error code: 422 for a
// source that cannot be read as a sheet, 503 when the spreadsheet
// application is not available, 400 for a request that cannot be carried
// out, 500 for anything else.
int StatusOfCode(HRESULT code);

// The verdict on a call: its failure is the first error reported.
Verdict Judge(const Outcome& outcome, const std::vector<Message>& messages);

}  // namespace gridlet::web
