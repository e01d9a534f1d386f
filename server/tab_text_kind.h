// Plain tab-delimited text files (".txt").
#pragma once

#include "server/sheet_kind.h"

namespace gridlet {

class TabTextKind : public SheetKind {
 public:
  HRESULT ReadSource(ConversionContext& context) override;
  HRESULT WriteTarget(ConversionContext& context) override;
  HRESULT OpenFailureCode() const override { return GRIDLET_E_TEXT_SOURCE_OPEN; }
};

}  // namespace gridlet
