// Helpers shared by the fuzz targets: silencing the trace, the exceptions
// a reader may raise for damaged data, and checks that abort loudly so the
// fuzzer records the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "model/com_error.h"
#include "model/sheet_data_error.h"
#include "model/spreadsheet_file.h"
#include "model/text_sheet.h"
#include "model/trace.h"

namespace gridlet::fuzz {

// Stops the trace lines; every target calls it once.
inline void Quiet() {
  static const bool done = (SetTraceSink(nullptr), true);
  (void)done;
}

// Reports a broken property and aborts, so the input is saved as a crash.
[[noreturn]] inline void Fail(std::string_view what) {
  std::fprintf(stderr, "PROPERTY FAILED: %.*s\n", static_cast<int>(what.size()), what.data());
  std::abort();
}

inline void Check(bool condition, std::string_view what) {
  if (!condition) Fail(what);
}

// Runs `read`, which parses untrusted bytes. Damaged data may be refused
// with SheetDataError, a ComError (the link-file reader) or
// std::invalid_argument("Type") (an XB Plus record of type 2); anything
// else escaping a reader is a fault. Returns whether `read` completed.
template <class F>
bool Guarded(F&& read) {
  try {
    read();
    return true;
  } catch (const SheetDataError&) {
  } catch (const ComError&) {
  } catch (const std::invalid_argument& error) {
    if (std::string_view(error.what()) != "Type") Fail(std::string("invalid_argument: ") + error.what());
  } catch (const std::bad_alloc&) {
    Fail("bad_alloc: no input of fuzzing size may exhaust memory");
  } catch (const std::exception& error) {
    Fail(std::string("unexpected exception: ") + error.what());
  }
  return false;
}

// Reads sheet data of the kind SheetT and writes it as tab text; the text
// is not looked at, only the way there must hold.
template <class SheetT>
void ReadAsTabText(const std::uint8_t* data, std::size_t size) {
  SheetT source(data, size);
  source.TranslateToIntermediate();
  TextSheet text(source);
  text.TranslateFromIntermediate();
  (void)text.GetOutput();
}

// Takes bytes from the front of the input for the target's choices.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Byte() {
    if (size_ == 0) return 0;
    --size_;
    return *data_++;
  }
  const std::uint8_t* Data() const { return data_; }
  std::size_t Size() const { return size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace gridlet::fuzz
