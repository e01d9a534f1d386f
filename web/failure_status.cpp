#include "web/failure_status.h"

#include "platform/device_service_errors.h"

namespace gridlet::web {

namespace {

struct CodeStatus {
  HRESULT code;
  int status;
};

constexpr CodeStatus CODE_STATUSES[] = {
    {GRIDLET_E_SOURCE_TOO_SHORT, 422},
    {GRIDLET_E_BAD_SOURCE, 422},
    {GRIDLET_E_TEXT_SOURCE_OPEN, 422},
    {GRIDLET_E_SHEET_TOO_LARGE, 422},
    // The engine's general failure: in a request's own folder nothing but
    // the source can make a conversion fail.
    {GRIDLET_E_CONVERSION, 422},
    // The application failed on the workbook; an instance that ended on
    // the way is told apart before codes are looked at.
    {GRIDLET_E_SPREADSHEET_APP, 422},
    {GRIDLET_E_NO_SPREADSHEET_APP, 503},
    {GRIDLET_E_BAD_REQUEST, 400},
    {E_CALC_NUMBER_RANGE, 422},
    {E_CALC_ASM_PROGRAM, 422},
    {DEVICE_E_TOO_LARGE, 422},
    {DEVICE_E_TRUNCATED, 422},
    {DEVICE_E_BAD_SIGNATURE, 422},
    {DEVICE_E_BAD_HEADER, 422},
    {DEVICE_E_BAD_LENGTH, 422},
    {DEVICE_E_BAD_CHECKSUM, 422},
    {DEVICE_E_INCOMPATIBLE_COPY, 422},
};

constexpr const char* INSTANCE_LOST =
    "The spreadsheet application stopped while it worked on this file. Please try again.";
constexpr const char* NO_MESSAGE = "The conversion failed without saying why.";
constexpr const char* STRICT_PREFIX = "Refused under strict: ";

const Message* FirstError(const std::vector<Message>& messages) {
  for (const Message& message : messages) {
    if (message.level == Message::Level::Error) return &message;
  }
  return nullptr;
}

}  // namespace

int StatusOfCode(HRESULT code) {
  for (const CodeStatus& entry : CODE_STATUSES) {
    if (entry.code == code) return entry.status;
  }
  return 500;
}

Verdict Judge(const Outcome& outcome, const std::vector<Message>& messages) {
  if (outcome.instanceLost) return Verdict::Failure(503, GRIDLET_E_SPREADSHEET_APP, INSTANCE_LOST);
  const Message* error = FirstError(messages);
  // As for the command: a call that reported an error, or that should have
  // written a file and did not, failed whatever its result says.
  const bool done = outcome.result == S_OK && !error && (outcome.wrote || !outcome.writesFile);
  if (done) {
    if (outcome.strict && !messages.empty()) {
      const Message& first = messages.front();
      return Verdict::Failure(422, first.code.value_or(GRIDLET_E_CONVERSION), STRICT_PREFIX + first.text);
    }
    return Verdict{};
  }
  if (error && error->code) return Verdict::Failure(StatusOfCode(*error->code), *error->code, error->text);
  if (error) return Verdict::Failure(500, GRIDLET_E_CONVERSION, error->text);
  return Verdict::Failure(500, GRIDLET_E_CONVERSION, NO_MESSAGE);
}

}  // namespace gridlet::web
