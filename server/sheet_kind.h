// A kind of sheet file as the driver sees it: how a source of that kind is
// read into the intermediate form and how a target of that kind is
// written. Adding a file kind is adding one of these to the registry.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "model/hresult.h"
#include "server/conversion_context.h"
#include "server/message_boxes.h"

namespace gridlet {

class SheetKind {
 public:
  virtual ~SheetKind() = default;

  // Opens and checks the source, builds the sheet, names it, translates
  // it into the intermediate form and hands it to the context. Returns
  // S_OK to go on, or the result that ends the call (after reporting it
  // where the failure is shown to the user).
  virtual HRESULT ReadSource(ConversionContext& context) = 0;

  // Builds this kind's sheet from the context's source, encodes it, asks
  // before replacing a file, writes it and records its name in the
  // context. Returns the result of the call.
  virtual HRESULT WriteTarget(ConversionContext& context) = 0;

  // What keeps a source file of this kind, which the device file service
  // loaded already, from being a sheet (its variable is no sheet), or
  // nothing. Files too short to tell are left to ReadSource.
  virtual std::optional<std::string> CheckFile(const ByteBuffer& file) const {
    (void)file;
    return std::nullopt;
  }

  // Whether the engine reads sources of this kind through the file system
  // (and checks them there first); a workbook is opened by the spreadsheet
  // application, which may reach sources the file system does not.
  virtual bool ReadsThroughFileSystem() const { return true; }

  // The error code reported for a source of this kind that cannot be
  // opened.
  virtual HRESULT OpenFailureCode() const { return GRIDLET_E_SOURCE_OPEN; }

  // A conversion between two files of this kind that needs no intermediate
  // form: its result, or nothing when the request goes the two-stage way.
  virtual std::optional<HRESULT> CopyWithinKind(ConversionContext&) { return std::nullopt; }
};

// Refuses a source file longer than any its layout allows (`layout` names
// it in the message, "an XB Plus sheet file"), before its records are
// parsed, so that no file makes memory grow beyond what a valid one needs.
// Raises SheetDataError.
void RefuseFileLongerThan(std::size_t size, std::size_t longest, std::string_view layout);

}  // namespace gridlet
