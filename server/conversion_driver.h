// The one conversion entry: validates a request, routes it by its pair of
// file types and chains a source stage, the intermediate form and a target
// stage, or hands the file to the device file service for a device copy.
#pragma once

#include <memory>
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

  // The path a conversion of the request would write, formed as its
  // target stage forms it (a calculator output by the name the device
  // allows), without writing or telling anything: for a front end that
  // checks a batch before it converts. Nothing for a read-only request, or
  // when the device file service cannot name the output.
  std::optional<std::string> PlannedOutputPath(const ConversionRequest& request);

  // Reads a source into the intermediate form without writing anything
  // and returns its records in sheet order. *typeRead (when given)
  // receives the type the source was read as.
  HRESULT ReadRecords(const ConversionRequest& request, std::vector<IntermediateCell>& records,
                      SheetHeader* header = nullptr, GRIDLET_FILE_TYPES* typeRead = nullptr);

 private:
  // `loaded` is the device file service instance that loaded the source
  // (none: the copy loads it).
  HRESULT DeviceCopy(const ConversionRequest& request, std::unique_ptr<DeviceFileService> loaded,
                     std::optional<std::string>* fileName, std::size_t warningsBefore);
  HRESULT ReadSource(ConversionContext& context, GRIDLET_FILE_TYPES readAs);
  // Checks, before any route, that the source can be read: its type has a
  // reader and the file is a regular file that may be read (a workbook is
  // left to the spreadsheet application). A calculator
  // file is loaded through the device file service, which checks its
  // signature, lengths and checksum; the type becomes the one its
  // signature names (with a warning when the request said another).
  // Reports what is wrong and returns the result that ends the call.
  // `device` receives the instance that loaded a calculator file, which
  // serves the rest of the call.
  HRESULT CheckSource(ConversionRequest& request, std::unique_ptr<DeviceFileService>& device);
  HRESULT CheckCalculatorFile(ConversionRequest& request, std::unique_ptr<DeviceFileService>& device);
  // Runs a stage of the target kind and turns what it raises into the
  // result: a COM error is shown, and it and anything else is E_FAIL.
  template <class Stage>
  HRESULT RunTargetStage(Stage stage);

  ConversionServices services_;
  const SheetKindRegistry& kinds_;
};

// Whether the pair of types is converted by a device copy.
bool IsDeviceCopy(GRIDLET_FILE_TYPES from, GRIDLET_FILE_TYPES to);

}  // namespace gridlet
