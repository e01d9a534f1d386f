// Rendering of 68k-class variable data as text. A variable is a tokenized
// expression stored in reverse: its last byte is the type tag and the
// renderer walks from there towards the start, writing numbers, strings,
// lists, matrices, expressions, programs and text variables. The text is in
// the calculator's character set (0xAD is its minus sign, 0x95 the exponent
// mark of floats) with the line break 0x0A.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gridlet {

// data: the 2-byte big-endian length L followed by L bytes (the last is the
// type tag); size: the bytes available at data. Returns the text, or
// std::nullopt when it cannot render at all: no data, a length that runs
// past `size`, or no memory for the work area. charsetChoice > 0 writes lists and data variables in the
// calculator's character set with a line break after each matrix row, 0
// writes them plain and without brackets, < 0 plain with brackets; every
// other type is written in the calculator's character set. The program
// name is written before a program's parameter list when charsetChoice is
// non-zero. `model` is accepted for the graph-database listing, which does
// not depend on it.
std::optional<std::string> RenderVariable68k(std::string_view programName, const std::uint8_t* data,
                                             std::size_t size, std::int16_t charsetChoice,
                                             int model = 0);

// The calculator's work area holds two end-of-data markers, the variable
// and a 1024-byte reserve; every variable whose length field can be stated
// fits in it. Here the work area is sized to the variable.
inline constexpr std::size_t kRender68kWorkArea = 200000;
inline constexpr std::size_t kRender68kMaxData = kRender68kWorkArea - 2 - 1024;
// Bytes of text beyond this are dropped (as when the output cannot grow).
inline constexpr std::size_t kRender68kMaxOutput = 4u << 20;
// Expressions nested deeper than this end the walk (see Renderer68k).
inline constexpr int kRender68kMaxDepth = 1000;

// The walker behind RenderVariable68k. Positions are indices into the work
// area: two end-of-data markers (0xE9) at 0 and 1, then the variable's bytes,
// so a byte has the same index as in the length-prefixed data. Any position
// before the variable reads as the marker, so no walk leaves the area.
//
// Bounds: every rendering step consumes at least one byte or stops at the
// marker, and skipped expressions are remembered by position, so the walk
// is linear in the data. Nesting deeper than kRender68kMaxDepth writes the
// byte 0x0E (the mark of an unrenderable tag) and ends the walk as if the
// data ended there; the text so far is kept. Output beyond
// kRender68kMaxOutput, or output that cannot be allocated, is dropped and
// also ends the walk.
class Renderer68k {
 public:
  struct Modes {
    bool calculatorCharset = true;  // 0xAD and 0x95 instead of '-' and 'E'
    bool bareLists = false;         // lists and matrices without brackets
    bool rowBreaks = false;         // a line break after each matrix row
  };

  // Copies `variable` (the L bytes, tag last) behind the two markers.
  // Throws std::bad_alloc when the copy cannot be made.
  Renderer68k(std::span<const std::uint8_t> variable, Modes modes);

  // Renders the whole variable by its type tag, setting the modes the type
  // asks for.
  void RenderVariable(std::string_view programName, std::int16_t charsetChoice);

  // Appends the expression whose tag is at `pos`; returns the position just
  // before it.
  std::ptrdiff_t RenderExpression68k(std::ptrdiff_t pos);
  // The same walk without output.
  std::ptrdiff_t SkipExpression68k(std::ptrdiff_t pos);
  // Statements separated by line breaks (0xE8) and colons (0xE7), each
  // followed by its indentation byte, from `pos` back; ends with a line
  // break.
  void RenderStatements(std::ptrdiff_t pos);

  // The position of the type tag (the last byte).
  std::ptrdiff_t TagPosition() const { return static_cast<std::ptrdiff_t>(work_.size()) - 1; }
  const std::string& Text() const { return out_; }
  std::string TakeText() { return std::move(out_); }

 private:
  enum class Paren;

  std::uint8_t At(std::ptrdiff_t pos) const;
  bool AtEnd(std::ptrdiff_t pos) const;
  std::uint8_t DataAt(std::ptrdiff_t pos) const;
  bool InData(std::ptrdiff_t first) const;
  bool ClassIn(std::ptrdiff_t pos, int low, int high) const;
  bool IsMatrix(std::ptrdiff_t pos) const;
  bool IsNegativeNumber(std::ptrdiff_t pos) const;
  bool NeedsParens(Paren rule, std::ptrdiff_t pos, std::uint8_t ownTag) const;

  void Put(std::string_view text);
  void Put(char c) { Put(std::string_view(&c, 1)); }
  void PutName(std::string_view name, bool spaced = false);
  void PutSpaces(std::uint8_t count);
  void PutForward(std::ptrdiff_t first, std::ptrdiff_t last, bool doubleQuotes);
  void PutMinus();
  void EndWalk();

  std::ptrdiff_t Walk(std::ptrdiff_t pos);
  std::ptrdiff_t Dispatch(std::ptrdiff_t pos);
  std::ptrdiff_t Operand(std::ptrdiff_t pos, bool parens);
  std::ptrdiff_t Items(std::ptrdiff_t pos, std::string_view separator);

  std::ptrdiff_t NearFirst(std::ptrdiff_t pos, std::string_view name, bool spaced,
                           Paren ruleNear, Paren ruleFar, std::uint8_t ownTag);
  std::ptrdiff_t FarFirst(std::ptrdiff_t pos, std::string_view name, bool spaced,
                          Paren ruleFar, Paren ruleNear, std::uint8_t ownTag);
  std::ptrdiff_t Postfix(std::ptrdiff_t pos, std::string_view name, Paren rule,
                         std::uint8_t ownTag);
  std::ptrdiff_t Prefix(std::ptrdiff_t pos, std::string_view name, Paren rule);
  std::ptrdiff_t Call(std::ptrdiff_t pos, std::string_view name, int operands);
  std::ptrdiff_t ItemsCall(std::ptrdiff_t pos, std::string_view name);

  std::ptrdiff_t Operator(std::ptrdiff_t pos, std::uint8_t tag);
  std::ptrdiff_t VariableName(std::ptrdiff_t pos);
  std::ptrdiff_t String(std::ptrdiff_t pos);
  std::ptrdiff_t Integer(std::ptrdiff_t pos, unsigned base, std::string_view prefix);
  std::ptrdiff_t Magnitude(std::ptrdiff_t lengthPos, unsigned base);
  std::ptrdiff_t Fraction(std::ptrdiff_t pos);
  std::ptrdiff_t Float(std::ptrdiff_t pos);
  std::ptrdiff_t List(std::ptrdiff_t pos);
  std::ptrdiff_t Matrix(std::ptrdiff_t pos);
  std::ptrdiff_t Indexing(std::ptrdiff_t pos);
  std::ptrdiff_t Comment(std::ptrdiff_t pos);
  std::ptrdiff_t Vector(std::ptrdiff_t pos, std::uint8_t tag);
  std::ptrdiff_t DegreesMinutesSeconds(std::ptrdiff_t pos);
  std::ptrdiff_t Primes(std::ptrdiff_t pos);
  std::ptrdiff_t ExtendedTag(std::ptrdiff_t pos);
  std::ptrdiff_t Command(std::ptrdiff_t pos);

  void Program(std::ptrdiff_t tagPos, std::string_view programName, bool withName);
  void StoredText(bool commandBytes);
  void DataVariableListing(std::string_view programName, bool withName);
  void GraphDatabaseListing(std::string_view programName, bool withName);

  std::vector<std::uint8_t> work_;
  Modes modes_;
  std::string out_;
  std::vector<std::int32_t> skipEnds_;  // remembered skips, by position
  int depth_ = 0;
  int quiet_ = 0;          // > 0 while skipping: output is suppressed
  bool ended_ = false;     // the walk was ended early: every byte reads as the marker
  bool outputFull_ = false;
};

}  // namespace gridlet
