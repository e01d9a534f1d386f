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

std::string TypeName(GRIDLET_FILE_TYPES type) {
  switch (type) {
    case QZ_EXCEL: return "workbook";
    case QZ_TAB_TEXT: return "tab text";
    case QZ_GRIDLET_XBP: return "XB Plus sheet";
    case QZ_GRIDLET_XC: return "XC sheet";
    case QZ_GRIDLET_XD: return "XD Plus sheet";
    case QZ_GRIDLET_XF: return "XF sheet";
    case QZ_GRIDLET_NULL: return "no file";
    default: return "file type " + std::to_string(static_cast<int>(type));
  }
}

}  // namespace

bool IsDeviceCopy(GRIDLET_FILE_TYPES from, GRIDLET_FILE_TYPES to) {
  // Text and workbooks are no device files: a conversion to their own type
  // goes through the intermediate form.
  if (from == to) return from != QZ_EXCEL && from != QZ_TAB_TEXT;
  return Is68kClass(from) && Is68kClass(to);
}

HRESULT ConversionDriver::Convert(const ConversionRequest& request,
                                  std::optional<std::string>* fileName) {
  if (IsDeviceCopy(request.fromType, request.toType)) return DeviceCopy(request, fileName);

  // XF sheets are read as XD Plus sheets and written as XD Plus sheets with
  // the XF model and extension.
  const GRIDLET_FILE_TYPES readAs = request.fromType == QZ_GRIDLET_XF ? QZ_GRIDLET_XD : request.fromType;
  const bool xfFlag = request.toType == QZ_GRIDLET_XF;
  const GRIDLET_FILE_TYPES writeAs = xfFlag ? QZ_GRIDLET_XD : request.toType;
  SheetKind* target = kinds_.Find(writeAs);  // none: read only

  ConversionContext context(request, services_, xfFlag);
  if (HRESULT hr = ReadSource(context, readAs); hr != S_OK) return hr;
  // Read only: a strict request still fails on what the reading warned of.
  if (!target || !context.Source()) return context.RefuseWhenWarned(request.inputPath + " did not pass");

  HRESULT result = S_OK;
  try {
    result = target->WriteTarget(context);
  } catch (const ComError& error) {
    // Shown to the user; the call ends with the result as it stands.
    services_.messages.ReportComError(error.Result(), target->ComErrorIcon(), error.what());
  } catch (const std::bad_alloc&) {
    services_.messages.ReportError(GRIDLET_E_CONVERSION, BAD_ALLOCATION);
    result = E_FAIL;
  } catch (const std::exception& error) {
    services_.messages.ReportError(GRIDLET_E_CONVERSION, error.what());
    result = E_FAIL;
  }
  if (context.FileName() && fileName) *fileName = context.FileName();
  return result;
}

HRESULT ConversionDriver::ReadSource(ConversionContext& context, GRIDLET_FILE_TYPES readAs) {
  const ConversionRequest& request = context.request;
  SheetKind* source = kinds_.Find(readAs);
  if (!source) {
    // Without a source there is nothing to build a target from.
    if (!kinds_.Find(request.toType == QZ_GRIDLET_XF ? QZ_GRIDLET_XD : request.toType)) return S_OK;
    services_.messages.ReportError(GRIDLET_E_BAD_REQUEST,
                                   "There is no " + TypeName(request.fromType) +
                                       " source to convert to " + TypeName(request.toType) + ".");
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

HRESULT ConversionDriver::ReadRecords(const ConversionRequest& request,
                                      std::vector<IntermediateCell>& records, SheetHeader* header) {
  const GRIDLET_FILE_TYPES readAs = request.fromType == QZ_GRIDLET_XF ? QZ_GRIDLET_XD : request.fromType;
  ConversionContext context(request, services_, false);
  if (!kinds_.Find(readAs)) {
    services_.messages.ReportError(GRIDLET_E_BAD_REQUEST,
                                   "A " + TypeName(request.fromType) + " cannot be read.");
    return E_FAIL;
  }
  if (HRESULT hr = ReadSource(context, readAs); hr != S_OK) return hr;
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
                                     std::optional<std::string>* fileName) {
  try {
    std::unique_ptr<DeviceFileService> device = services_.devices.Create();
    if (!device) throw ComError(E_POINTER, "the device file service is not available");
    device->LoadFile(request.inputPath, 0);
    device->SetDeviceModel(DeviceModelCode(request.toType));
    device->SetDeviceName(request.saveInternalName);
    // The copy gets the extension of its type, and an existing file is
    // replaced only when the user agrees.
    const std::string path = request.outputLocation +
                             BackslashesToFullStops(request.saveInternalName) +
                             std::string(OutputExtension(request.toType));
    switch (services_.messages.AskOverwrite(path)) {
      case OVERWRITE_SKIP: return CONVERT_SKIPPED;
      case OVERWRITE_CANCEL: return CONVERT_CANCELLED;
      default: break;
    }
    device->SaveFile(path, 1, 0);
    if (fileName) *fileName = device->GetFileName();
    return S_OK;
  } catch (const std::exception& error) {
    services_.messages.ReportError(GRIDLET_E_CONVERSION, error.what());
    return E_FAIL;
  }
}

}  // namespace gridlet
