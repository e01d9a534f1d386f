// The working state of one conversion on the two-stage route, and what the
// driver offers the source and target stages of every sheet kind.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "model/hresult.h"
#include "model/spreadsheet_file.h"
#include "server/conversion_request.h"

namespace gridlet {

class ConversionContext {
 public:
  ConversionContext(const ConversionRequest& request, ConversionServices& services, bool xfFlag)
      : request(request), services(services), xfFlag(xfFlag),
        warningsBefore_(services.messages.WarningCount()) {}
  ConversionContext(const ConversionContext&) = delete;
  ConversionContext& operator=(const ConversionContext&) = delete;

  const ConversionRequest& request;
  ConversionServices& services;
  // Set when the target is an XF sheet written as an XD Plus sheet.
  const bool xfFlag;

  // The sheet the source stage read, translated into the intermediate form.
  SpreadsheetFile* Source() const { return source_.get(); }
  void SetSource(std::unique_ptr<SpreadsheetFile> sheet) { source_ = std::move(sheet); }
  // The target stage's sheet, kept until the call ends.
  template <class SheetT>
  SheetT& MakeTarget() {
    auto sheet = std::make_unique<SheetT>(*source_);
    SheetT& ref = *sheet;
    target_ = std::move(sheet);
    return ref;
  }

  // The full name of the file written; the object's FileName takes it.
  void SetFileName(std::string path) { fileName_ = std::move(path); }
  const std::optional<std::string>& FileName() const { return fileName_; }

  // The device file service of this call, created on first use; raises a
  // ComError when it cannot be created.
  DeviceFileService& Device();

  // Names a calculator output through the device file service: sets the
  // model and the requested name and forms the output path from the name
  // the device allows (folder\name becomes folder.name). Tells the user
  // when the device changed the name.
  struct CalculatorOutput {
    std::string deviceName;
    std::string path;
  };
  CalculatorOutput NameCalculatorOutput(long modelCode, std::string_view extension);

  // The last step before every stage writes its output: S_OK to write, or
  // the result that ends the call. A strict request that was warned about
  // fails (E_FAIL, reported); otherwise the user is asked before an
  // existing output is replaced (CONVERT_SKIPPED, CONVERT_CANCELLED).
  HRESULT AskOverwrite(const std::string& path);

  // A strict request that was warned about: reports the outcome ("X was
  // not written") and returns E_FAIL. S_OK otherwise.
  HRESULT RefuseWhenWarned(const std::string& outcome);

  // The extension and model of a 68k-class target, XF included.
  GRIDLET_FILE_TYPES WrittenType(GRIDLET_FILE_TYPES type) const {
    return xfFlag && type == QZ_GRIDLET_XD ? QZ_GRIDLET_XF : type;
  }

 private:
  std::unique_ptr<SpreadsheetFile> source_;
  std::unique_ptr<SpreadsheetFile> target_;
  std::unique_ptr<DeviceFileService> device_;
  std::optional<std::string> fileName_;
  std::size_t warningsBefore_;  // shown before this conversion began
};

// Replaces every backslash by a full stop.
std::string BackslashesToFullStops(std::string_view name);

}  // namespace gridlet
