#include "server/conversion_context.h"

#include "model/com_error.h"
#include "server/string_table.h"

namespace gridlet {

std::string SeparatorsToFullStops(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (c == '\\' || c == '/' || c == ':') c = '.';
  }
  return out;
}

std::string OutputFileName(std::string_view name, std::string_view extension) {
  std::string fileName = SeparatorsToFullStops(name);
  // Nor does it begin with a full stop, which would hide the file (or, as
  // "..", climb out of the folder).
  fileName.erase(0, fileName.find_first_not_of('.'));
  if (fileName.empty()) fileName = "sheet";
  return fileName + std::string(extension);
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::optional<ByteBuffer> ConversionContext::ReadSourceFile(HRESULT openFailureCode) {
  std::string why;
  return ReportedUnread(services.files.ReadFile(request.inputPath, &why), why, openFailureCode);
}

std::optional<SourceBytes> ConversionContext::ReadLargeSourceFile(HRESULT openFailureCode) {
  std::string why;
  return ReportedUnread(services.files.ReadLargeFile(request.inputPath, &why), why, openFailureCode);
}

template <class Bytes>
std::optional<Bytes> ConversionContext::ReportedUnread(std::optional<Bytes> bytes, const std::string& why,
                                                       HRESULT openFailureCode) {
  if (!bytes) services.messages.ReportError(openFailureCode, request.inputPath + ": " + why);
  return bytes;
}

DeviceFileService& ConversionContext::Device() {
  if (!device_) {
    device_ = services.devices.Create();
    if (!device_) throw ComError(E_POINTER, "the device file service is not available");
  }
  return *device_;
}

namespace {

// Fills the two %s of a message in order; the arguments are never read as
// a format themselves.
std::string FormatTwo(std::string_view format, std::string_view first, std::string_view second) {
  std::string out;
  std::string_view args[2] = {first, second};
  int used = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's' && used < 2) {
      out += args[used++];
      ++i;
    } else {
      out += format[i];
    }
  }
  return out;
}

}  // namespace

ConversionContext::CalculatorOutput ConversionContext::NameCalculatorOutput(
    long modelCode, std::string_view extension) {
  DeviceFileService& device = Device();
  device.SetDeviceModel(modelCode);
  device.SetDeviceName(request.saveInternalName);
  CalculatorOutput output;
  output.deviceName = device.GetDeviceName();
  const std::string fileName = OutputFileName(output.deviceName, extension);
  output.path = request.outputLocation + fileName;
  // A name the device only wrote in its own letter case is no news.
  if (!EqualIgnoringCase(output.deviceName, request.saveInternalName)) {
    UserMessages& messages = services.messages;
    const std::string text =
        FormatTwo(LoadResourceString(IDS_NAME_CHANGED), fileName, device.GetDeviceName());
    messages.ShowMessage(messages.FindOwnerWindow(), text,
                         LoadResourceString(IDS_INVALID_FILE_NAME), MB_OK | MB_ICONINFORMATION);
  }
  return output;
}

HRESULT ConversionContext::RefuseWhenWarned(const std::string& outcome) {
  if (!request.strict) return S_OK;
  const std::size_t warnings = services.messages.WarningCount() - warningsBefore_;
  if (warnings == 0) return S_OK;
  services.messages.ReportError(
      GRIDLET_E_CONVERSION,
      outcome + ": --strict makes " +
          (warnings == 1 ? "the warning above" : "the " + std::to_string(warnings) + " warnings above") +
          " a failure.");
  return E_FAIL;
}

std::string ConversionContext::NamedOutputPath(std::string_view extension) {
  const std::string fileName = OutputFileName(request.saveInternalName, extension);
  if (fileName != request.saveInternalName + std::string(extension)) {
    services.messages.Warn("The name \"" + request.saveInternalName +
                           "\" cannot be a file name as it stands (it would lead out of the output "
                           "folder or hide the file); the file is " + fileName + ".");
  }
  return request.outputLocation + fileName;
}

HRESULT ConversionContext::AskOverwrite(const std::string& path) {
  if (HRESULT refused = RefuseWhenWarned(path + " was not written"); refused != S_OK) {
    return refused;
  }
  switch (services.messages.AskOverwrite(path)) {
    case OVERWRITE_SKIP: return CONVERT_SKIPPED;
    case OVERWRITE_CANCEL: return CONVERT_CANCELLED;
    default: return S_OK;
  }
}

}  // namespace gridlet
