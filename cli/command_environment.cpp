#include "cli/command_environment.h"

namespace gridlet::cli {

CommandEnvironment::CommandEnvironment(OverwritePolicy policy) : boxes(policy) {}

ConversionServices CommandEnvironment::Services() {
  return ConversionServices{files, messages, devices, &reusedSpreadsheets};
}

}  // namespace gridlet::cli
