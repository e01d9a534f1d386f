#include "server/conversion_driver.h"

#include <exception>
#include <new>
#include <string>

#include "model/com_error.h"
#include "server/conversion_context.h"

namespace gridlet {

namespace {

// How a failed allocation is described, whatever the runtime calls it.
constexpr const char* BAD_ALLOCATION = "bad allocation";

// XF sheets are read as XD Plus sheets.
GRIDLET_FILE_TYPES ReadAsType(GRIDLET_FILE_TYPES type) {
  return type == QZ_GRIDLET_XF ? QZ_GRIDLET_XD : type;
}

}  // namespace

bool IsDeviceCopy(GRIDLET_FILE_TYPES from, GRIDLET_FILE_TYPES to) {
  // Text and workbooks are no device files: a conversion to their own type
  // goes through the intermediate form.
  if (from == to) return IsCalculatorType(from);
  return Is68kClass(from) && Is68kClass(to);
}

HRESULT ConversionDriver::Convert(const ConversionRequest& given,
                                  std::optional<std::string>* fileName) {
  ConversionRequest request = given;
  // Warnings count from here, those of the source's checks included.
  const std::size_t warningsBefore = services_.messages.WarningCount();
  std::unique_ptr<DeviceFileService> device;  // the call's one instance, once a calculator file is checked
  if (HRESULT hr = CheckSource(request, device); hr != S_OK) return hr;
  if (IsDeviceCopy(request.fromType, request.toType)) {
    return DeviceCopy(request, std::move(device), fileName, warningsBefore);
  }

  // XF sheets are written as XD Plus sheets with the XF model and extension.
  const GRIDLET_FILE_TYPES readAs = ReadAsType(request.fromType);
  const bool xfFlag = request.toType == QZ_GRIDLET_XF;
  const GRIDLET_FILE_TYPES writeAs = ReadAsType(request.toType);
  SheetKind* target = kinds_.Find(writeAs);  // none: read only

  ConversionContext context(request, services_, xfFlag);
  context.CountWarningsSince(warningsBefore);
  if (device) context.SetDevice(std::move(device));
  HRESULT result = S_OK;
  if (target && readAs == writeAs) {
    std::optional<HRESULT> copied;
    bool finished = false;
    result = RunTargetStage([&] {
      copied = target->CopyWithinKind(context);
      finished = true;
      return copied.value_or(S_OK);
    });
    if (copied || !finished) {
      if (context.FileName() && fileName) *fileName = context.FileName();
      return result;
    }
  }
  if (HRESULT hr = ReadSource(context, readAs); hr != S_OK) return hr;
  // Read only: a strict request still fails on what the reading warned of.
  if (!target || !context.Source()) return context.RefuseWhenWarned(request.inputPath + " did not pass");

  result = RunTargetStage([&] { return target->WriteTarget(context); });
  if (context.FileName() && fileName) *fileName = context.FileName();
  return result;
}

std::optional<std::string> ConversionDriver::PlannedOutputPath(const ConversionRequest& request) {
  const std::string_view extension = OutputExtension(request.toType);
  if (extension.empty()) return std::nullopt;
  if (!IsCalculatorType(request.toType)) {
    return request.outputLocation + OutputFileName(request.saveInternalName, extension);
  }
  try {
    std::unique_ptr<DeviceFileService> device = services_.devices.Create();
    if (!device) return std::nullopt;
    device->SetDeviceModel(DeviceModelCode(request.toType));
    device->SetDeviceName(request.saveInternalName);
    return request.outputLocation + OutputFileName(device->GetDeviceName(), extension);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

HRESULT ConversionDriver::CheckSource(ConversionRequest& request,
                                      std::unique_ptr<DeviceFileService>& device) {
  SheetKind* kind = kinds_.Find(ReadAsType(request.fromType));
  if (!kind) {
    services_.messages.ReportError(
        GRIDLET_E_BAD_REQUEST,
        "A conversion needs a source to read, and " + FileTypeName(request.fromType) + " is none.");
    return E_FAIL;
  }
  std::string why;
  if (kind->ReadsThroughFileSystem() && !services_.files.IsReadableFile(request.inputPath, &why)) {
    services_.messages.ReportError(kind->OpenFailureCode(), request.inputPath + ": " + why);
    return E_FAIL;
  }
  return IsCalculatorType(request.fromType) ? CheckCalculatorFile(request, device) : S_OK;
}

HRESULT ConversionDriver::CheckCalculatorFile(ConversionRequest& request,
                                              std::unique_ptr<DeviceFileService>& device) {
  try {
    device = services_.devices.Create();
    if (!device) throw ComError(E_POINTER, "the device file service is not available");
  } catch (const ComError& error) {
    services_.messages.ReportError(GRIDLET_E_CONVERSION, error.what());
    return E_FAIL;
  }
  long model = 0;
  try {
    device->LoadFile(request.inputPath, 0);
    model = device->GetDeviceModel();
  } catch (const ComError& error) {
    services_.messages.ReportError(GRIDLET_E_BAD_SOURCE, error.what());
    return E_FAIL;
  }
  const std::optional<GRIDLET_FILE_TYPES> actual = TypeOfDeviceModel(model);
  if (!actual) {
    services_.messages.ReportError(GRIDLET_E_BAD_SOURCE,
                                   request.inputPath + ": the file is of calculator model " +
                                       std::to_string(model) + ", which has no sheets");
    return E_FAIL;
  }
  if (*actual != request.fromType) {
    services_.messages.Warn(request.inputPath + " is an " + FileTypeName(*actual) + ", not an " +
                            FileTypeName(request.fromType) + "; it is read as what it is.");
    request.fromType = *actual;
  }
  // The variable must be a sheet, on the copy route too.
  if (SheetKind* kind = kinds_.Find(ReadAsType(*actual))) {
    std::string why;
    const std::optional<ByteBuffer> bytes = services_.files.ReadFile(request.inputPath, &why);
    std::optional<std::string> problem = bytes ? kind->CheckFile(*bytes) : why;
    if (problem) {
      services_.messages.ReportError(GRIDLET_E_BAD_SOURCE, request.inputPath + ": " + *problem);
      return E_FAIL;
    }
  }
  return S_OK;
}

template <class Stage>
HRESULT ConversionDriver::RunTargetStage(Stage stage) {
  try {
    return stage();
  } catch (const ComError& error) {
    // The outside component failed: the file asked for was not written.
    services_.messages.ReportComError(error.Result(), MB_ICONERROR, error.what());
  } catch (const std::bad_alloc&) {
    services_.messages.ReportError(GRIDLET_E_CONVERSION, BAD_ALLOCATION);
  } catch (const std::exception& error) {
    services_.messages.ReportError(GRIDLET_E_CONVERSION, error.what());
  }
  return E_FAIL;
}

HRESULT ConversionDriver::ReadSource(ConversionContext& context, GRIDLET_FILE_TYPES readAs) {
  const ConversionRequest& request = context.request;
  SheetKind* source = kinds_.Find(readAs);
  if (!source) {  // a file whose content shows a type this build cannot read
    services_.messages.ReportError(GRIDLET_E_BAD_REQUEST,
                                   request.inputPath + ": a " + FileTypeName(readAs) + " cannot be read.");
    return E_FAIL;
  }
  try {
    return source->ReadSource(context);
  } catch (const std::bad_alloc&) {
    services_.messages.ReportError(GRIDLET_E_CONVERSION, request.inputPath + ": " + BAD_ALLOCATION);
    return E_FAIL;
  } catch (const std::exception& error) {
    services_.messages.ReportError(GRIDLET_E_BAD_SOURCE, request.inputPath + ": " + error.what());
    return E_FAIL;
  }
}

HRESULT ConversionDriver::ReadRecords(const ConversionRequest& given,
                                      std::vector<IntermediateCell>& records, SheetHeader* header,
                                      GRIDLET_FILE_TYPES* typeRead) {
  ConversionRequest request = given;
  std::unique_ptr<DeviceFileService> device;
  if (HRESULT hr = CheckSource(request, device); hr != S_OK) return hr;
  if (typeRead) *typeRead = request.fromType;
  ConversionContext context(request, services_, false);
  if (HRESULT hr = ReadSource(context, ReadAsType(request.fromType)); hr != S_OK) return hr;
  records.clear();
  SpreadsheetFile* sheet = context.Source();
  if (!sheet) return E_FAIL;
  if (header && sheet->GetHeader()) *header = *sheet->GetHeader();
  if (CellList* cells = sheet->GetCellList()) {
    records.reserve(cells->Size());
    for (const auto& cell : *cells) {
      if (cell->Cell()) records.push_back(*cell->Cell());
    }
  }
  return S_OK;
}

HRESULT ConversionDriver::DeviceCopy(const ConversionRequest& request,
                                     std::unique_ptr<DeviceFileService> loaded,
                                     std::optional<std::string>* fileName,
                                     std::size_t warningsBefore) {
  // The copy is named as every calculator output is: by the name the
  // device allows, with the extension of its type, and an existing file is
  // replaced only when the user agrees.
  ConversionContext context(request, services_, false);
  context.CountWarningsSince(warningsBefore);
  try {
    if (loaded) {
      context.SetDevice(std::move(loaded));  // it holds the source, checked
    } else {
      context.Device().LoadFile(request.inputPath, 0);
    }
    DeviceFileService& device = context.Device();
    const ConversionContext::CalculatorOutput output =
        context.NameCalculatorOutput(DeviceModelCode(request.toType), OutputExtension(request.toType));
    if (HRESULT answer = context.AskOverwrite(output.path); answer != S_OK) return answer;
    device.SaveFile(output.path, 1, 0);
    if (fileName) *fileName = device.GetFileName();
    return S_OK;
  } catch (const std::exception& error) {
    services_.messages.ReportError(GRIDLET_E_CONVERSION, error.what());
    return E_FAIL;
  }
}

}  // namespace gridlet
