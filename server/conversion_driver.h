// The one conversion entry: validates a request, routes it by its pair of
// file types and chains a source stage, the intermediate form and a target
// stage, or hands the file to the device file service for a device copy.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/hresult.h"
#include "model/intermediate_cell.h"
#include "server/conversion_request.h"
#include "server/sheet_kind_registry.h"

namespace gridlet {

class ConversionDriver {
 public:
  ConversionDriver(ConversionServices services, const SheetKindRegistry& kinds = DefaultSheetKinds())
      : services_(services), kinds_(kinds) {}

  // Runs one conversion. When a file was written, *fileName receives its
  // full name; otherwise it is left as it was.
  HRESULT Convert(const ConversionRequest& request, std::optional<std::string>* fileName);

  // Reads a source into the intermediate form without writing anything
  // and returns its records in sheet order. *typeRead (when given)
  // receives the type the source was read as.
  HRESULT ReadRecords(const ConversionRequest& request, std::vector<IntermediateCell>& records,
                      SheetHeader* header = nullptr, GRIDLET_FILE_TYPES* typeRead = nullptr);

 private:
  HRESULT DeviceCopy(const ConversionRequest& request, std::optional<std::string>* fileName);
  HRESULT ReadSource(ConversionContext& context, GRIDLET_FILE_TYPES readAs);

  ConversionServices services_;
  const SheetKindRegistry& kinds_;
};

// Whether the pair of types is converted by a device copy.
bool IsDeviceCopy(GRIDLET_FILE_TYPES from, GRIDLET_FILE_TYPES to);

}  // namespace gridlet
