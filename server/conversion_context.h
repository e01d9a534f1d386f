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

  // The whole source file; when it cannot be read, reports the code with
  // the path and the reason and gives nothing.
  std::optional<ByteBuffer> ReadSourceFile(HRESULT openFailureCode);
  // The same for a source that may be large: perhaps mapped, not copied.
  std::optional<SourceBytes> ReadLargeSourceFile(HRESULT openFailureCode);

  // The full name of the file written; the object's FileName takes it.
  void SetFileName(std::string path) { fileName_ = std::move(path); }
  const std::optional<std::string>& FileName() const { return fileName_; }

  // The device file service of this call, created on first use; raises a
  // ComError when it cannot be created.
  DeviceFileService& Device();
  // Hands the call an instance made already (the one that checked the
  // source).
  void SetDevice(std::unique_ptr<DeviceFileService> device) { device_ = std::move(device); }

  // Names a calculator output through the device file service: sets the
  // model and the requested name and forms the output path from the name
  // the device allows (folder\name becomes folder.name). Tells the user
  // when the device changed the name beyond its letter case.
  struct CalculatorOutput {
    std::string deviceName;
    std::string path;
  };
  CalculatorOutput NameCalculatorOutput(long modelCode, std::string_view extension);

  // The output path of a text or workbook target: the requested name as a
  // file name of the output folder, with the extension. Warns when a path
  // separator in the name had to become a full stop.
  std::string NamedOutputPath(std::string_view extension);

  // The last step before every stage writes its output: S_OK to write, or
  // the result that ends the call. A strict request that was warned about
  // fails (E_FAIL, reported); otherwise the user is asked before an
  // existing output is replaced (CONVERT_SKIPPED, CONVERT_CANCELLED).
  HRESULT AskOverwrite(const std::string& path);

  // A strict request that was warned about: reports the outcome ("X was
  // not written") and returns E_FAIL. S_OK otherwise.
  HRESULT RefuseWhenWarned(const std::string& outcome);
  // The warnings of this conversion are those shown after the count given
  // (by default, after the context was made).
  void CountWarningsSince(std::size_t shown) { warningsBefore_ = shown; }

  // The extension and model of a 68k-class target, XF included.
  GRIDLET_FILE_TYPES WrittenType(GRIDLET_FILE_TYPES type) const {
    return xfFlag && type == QZ_GRIDLET_XD ? QZ_GRIDLET_XF : type;
  }

 private:
  // The bytes read; when there are none, reports the code with the path
  // and the reason why.
  template <class Bytes>
  std::optional<Bytes> ReportedUnread(std::optional<Bytes> bytes, const std::string& why, HRESULT openFailureCode);

  std::unique_ptr<SpreadsheetFile> source_;
  std::unique_ptr<SpreadsheetFile> target_;
  std::unique_ptr<DeviceFileService> device_;
  std::optional<std::string> fileName_;
  std::size_t warningsBefore_;  // shown before this conversion began
};

// A name as a file name in the output folder: every path separator (and
// the colon of a Windows drive) becomes a full stop, so that no name leads
// out of the folder.
std::string SeparatorsToFullStops(std::string_view name);
// The file name of an output: the name so made safe, without leading full
// stops ("sheet" when nothing is left), and the extension.
std::string OutputFileName(std::string_view name, std::string_view extension);

// Equal but for the letter case of A to Z.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

}  // namespace gridlet
