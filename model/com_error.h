// The failure of a call to an outside component, carrying its HRESULT.
#pragma once

#include <stdexcept>
#include <string>

#include "model/hresult.h"

namespace gridlet {

class ComError : public std::runtime_error {
 public:
  explicit ComError(HRESULT hr, const std::string& what = "COM error")
      : std::runtime_error(what), hr_(hr) {}
  HRESULT Result() const { return hr_; }

 private:
  HRESULT hr_;
};

}  // namespace gridlet
