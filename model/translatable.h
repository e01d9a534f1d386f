// The root of every cell and sheet kind. The virtual operations keep this
// slot order: destructor, TranslateToIntermediate, Dump,
// TranslateFromIntermediate, GetOutput.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gridlet {

using ByteBuffer = std::vector<std::uint8_t>;

class Translatable {
 public:
  virtual ~Translatable() = default;
  virtual void TranslateToIntermediate() = 0;
  virtual std::string Dump() = 0;
  virtual void TranslateFromIntermediate() = 0;
  virtual ByteBuffer GetOutput() = 0;

 protected:
  Translatable() = default;
  Translatable(const Translatable&) = delete;
  Translatable& operator=(const Translatable&) = delete;
};

}  // namespace gridlet
