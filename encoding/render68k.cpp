#include "encoding/render68k.h"

#include <iterator>
#include <array>
#include <limits>
#include <new>

#include "encoding/calculator_numbers.h"
#include "encoding/render68k_tables.h"

namespace gridlet {
namespace {

constexpr std::uint8_t kEndOfData = 0xE9;
constexpr std::uint8_t kEndTag = 0xE5;
constexpr std::uint8_t kCommentTag = 0xE6;
constexpr std::uint8_t kColonTag = 0xE7;
constexpr std::uint8_t kNewLineTag = 0xE8;
constexpr std::uint8_t kListTag = 0xD9;
constexpr std::uint8_t kIndexTag = 0xD5;
constexpr std::uint8_t kPosIntTag = 0x1F;
constexpr std::uint8_t kNegIntTag = 0x20;
constexpr std::uint8_t kNegFracTag = 0x22;
constexpr std::uint8_t kFloatTag = 0x23;
constexpr std::uint8_t kStringTag = 0x2D;
constexpr std::uint8_t kNotTag = 0x79;
constexpr std::uint8_t kDivideTag = 0x91;

constexpr std::ptrdiff_t kDataStart = 2;  // after the two end-of-data markers
constexpr std::int32_t kNotSkipped = std::numeric_limits<std::int32_t>::min();

constexpr std::string_view kNoRule("\x0E", 1);  // written for a tag without a rule
constexpr std::string_view kMissingName = "_ERROR_";
constexpr char kCalcMinus = '\xAD';
constexpr char kAngle = '\x9F';
constexpr char kDegree = '\xB0';

// Digits of a magnitude given most significant byte first, in `base`
// (2..16; digits above 9 are A onwards). The bytes are divided in place by
// the largest power of the base below 10^9, each remainder giving a group
// of digits.
std::string MagnitudeDigits(std::uint8_t* bytes, std::size_t count, unsigned base) {
  unsigned groupDigits = 0;
  std::uint64_t group = 1;
  while (group * base <= 1000000000u) {
    group *= base;
    ++groupDigits;
  }
  std::string reversed;
  std::size_t first = 0;
  while (first < count && bytes[first] == 0) ++first;
  while (first < count) {
    std::uint64_t remainder = 0;
    for (std::size_t i = first; i < count; ++i) {
      const std::uint64_t current = remainder * 256 + bytes[i];
      bytes[i] = static_cast<std::uint8_t>(current / group);
      remainder = current % group;
    }
    while (first < count && bytes[first] == 0) ++first;
    const bool last = first == count;
    for (unsigned d = 0; d < groupDigits && (!last || remainder != 0); ++d) {
      reversed.push_back("0123456789ABCDEF"[remainder % base]);
      remainder /= base;
    }
  }
  if (reversed.empty()) return "0";
  return std::string(reversed.rbegin(), reversed.rend());
}

}  // namespace

// Parenthesis rules for operands, each named after the operator that uses
// it; an operand is written in parentheses when its rule holds.
enum class Renderer68k::Paren {
  Never,
  StoreTags,   // tag 0x7F or 0x80
  LowerLogic,  // tag from 0x7F up to the operator's own tag minus 1
  Logic,       // class 25..27 or "not"
  Sum,         // class 25..28 or "not"
  Product,     // a negative number, a quotient, class 25..28 or "not"
  Quotient,    // anything but class 1..6 or 30
  PowerBase,   // anything but class 1..5, 9..14, a positive integer, a list, an indexing
  PowerExp,    // anything but class 1..6, a list, an indexing
  Transpose,   // anything but class 1..5 or a matrix
  Postfix,     // anything but the operator itself, class 1..5, a positive integer
  Simple,      // anything but class 1..5 or a positive integer
  NotArg,      // class 25..30
  Negation,    // class 25..28
  Indirect,    // anything but class 1..3 or a string
  IndexBase,   // an indexing or class 25..30
};

Renderer68k::Renderer68k(std::span<const std::uint8_t> variable, Modes modes) : modes_(modes) {
  work_.reserve(variable.size() + kDataStart);
  work_.assign(kDataStart, kEndOfData);
  work_.insert(work_.end(), variable.begin(), variable.end());
}

// ---- reading ----

std::uint8_t Renderer68k::At(std::ptrdiff_t pos) const {
  if (ended_ || pos < 0 || pos >= static_cast<std::ptrdiff_t>(work_.size())) return kEndOfData;
  return work_[static_cast<std::size_t>(pos)];
}

bool Renderer68k::AtEnd(std::ptrdiff_t pos) const { return At(pos) == kEndOfData; }

// A count or flag byte; a position before the variable (or after the walk
// ended) reads as 0, not as the marker.
std::uint8_t Renderer68k::DataAt(std::ptrdiff_t pos) const {
  if (pos < kDataStart || ended_) return 0;
  return At(pos);
}

// Whether the bytes from `first` up to the current position lie in the
// variable; a number or code whose bytes run off its start is cut off and
// ends the walk.
bool Renderer68k::InData(std::ptrdiff_t first) const { return first >= kDataStart && !ended_; }

bool Renderer68k::ClassIn(std::ptrdiff_t pos, int low, int high) const {
  const int tagClass = Tag68kTable[At(pos)].tagClass;
  return tagClass >= low && tagClass <= high;
}

bool Renderer68k::IsMatrix(std::ptrdiff_t pos) const {
  return At(pos) == kListTag && At(pos - 1) == kListTag;
}

bool Renderer68k::IsNegativeNumber(std::ptrdiff_t pos) const {
  const std::uint8_t tag = At(pos);
  if (tag == kNegIntTag) return true;
  if (tag == kNegFracTag) return At(pos - 1) != 0;
  if (tag == kFloatTag) return (At(pos - 9) & 0x80) != 0;
  return false;
}

bool Renderer68k::NeedsParens(Paren rule, std::ptrdiff_t pos, std::uint8_t ownTag) const {
  const std::uint8_t tag = At(pos);
  switch (rule) {
    case Paren::Never: return false;
    case Paren::StoreTags: return tag == 0x7F || tag == 0x80;
    case Paren::LowerLogic: return tag >= 0x7F && tag < ownTag;
    case Paren::Logic: return ClassIn(pos, 25, 27) || tag == kNotTag;
    case Paren::Sum: return ClassIn(pos, 25, 28) || tag == kNotTag;
    case Paren::Product:
      return IsNegativeNumber(pos) || tag == kDivideTag || ClassIn(pos, 25, 28) || tag == kNotTag;
    case Paren::Quotient: return !(ClassIn(pos, 1, 6) || ClassIn(pos, 30, 30));
    case Paren::PowerBase:
      return !(ClassIn(pos, 1, 5) || ClassIn(pos, 9, 14) || tag == kPosIntTag || tag == kListTag ||
               tag == kIndexTag);
    case Paren::PowerExp: return !(ClassIn(pos, 1, 6) || tag == kListTag || tag == kIndexTag);
    case Paren::Transpose: return !(ClassIn(pos, 1, 5) || IsMatrix(pos));
    case Paren::Postfix: return !(tag == ownTag || ClassIn(pos, 1, 5) || tag == kPosIntTag);
    case Paren::Simple: return !(ClassIn(pos, 1, 5) || tag == kPosIntTag);
    case Paren::NotArg: return ClassIn(pos, 25, 30);
    case Paren::Negation: return ClassIn(pos, 25, 28);
    case Paren::Indirect: return !(ClassIn(pos, 1, 3) || tag == kStringTag);
    case Paren::IndexBase: return tag == kIndexTag || ClassIn(pos, 25, 30);
  }
  return false;
}

// ---- writing ----

void Renderer68k::Put(std::string_view text) {
  if (quiet_ > 0 || outputFull_) return;
  if (text.size() > kRender68kMaxOutput - out_.size()) {
    outputFull_ = true;
    ended_ = true;  // nothing more can be written, so the walk may stop
    return;
  }
  try {
    out_.append(text);
  } catch (const std::bad_alloc&) {
    outputFull_ = true;
    ended_ = true;
  }
}

void Renderer68k::PutName(std::string_view name, bool spaced) {
  if (name.empty()) name = kMissingName;
  if (spaced) Put(' ');
  Put(name);
  if (spaced) Put(' ');
}

void Renderer68k::PutSpaces(std::uint8_t count) {
  static const std::string kSpaces(255, ' ');
  Put(std::string_view(kSpaces).substr(0, count));
}

// The bytes first..last in memory order, quotes doubled when asked.
void Renderer68k::PutForward(std::ptrdiff_t first, std::ptrdiff_t last, bool doubleQuotes) {
  if (quiet_ > 0 || last < first || ended_) return;
  const auto* bytes = reinterpret_cast<const char*>(work_.data());
  if (!doubleQuotes) {
    Put(std::string_view(bytes + first, static_cast<std::size_t>(last - first + 1)));
    return;
  }
  std::ptrdiff_t runStart = first;
  for (std::ptrdiff_t i = first; i <= last; ++i) {
    if (bytes[i] != '"') continue;
    Put(std::string_view(bytes + runStart, static_cast<std::size_t>(i - runStart + 1)));
    Put('"');
    runStart = i + 1;
  }
  if (runStart <= last) {
    Put(std::string_view(bytes + runStart, static_cast<std::size_t>(last - runStart + 1)));
  }
}

void Renderer68k::PutMinus() { Put(modes_.calculatorCharset ? kCalcMinus : '-'); }

// Ends the walk where nesting grows too deep: the mark of an unrenderable
// tag shows where the text breaks off.
void Renderer68k::EndWalk() {
  const int quiet = quiet_;
  quiet_ = 0;
  Put(kNoRule);
  quiet_ = quiet;
  ended_ = true;
}

// ---- the walk ----

std::ptrdiff_t Renderer68k::RenderExpression68k(std::ptrdiff_t pos) { return Walk(pos); }

std::ptrdiff_t Renderer68k::SkipExpression68k(std::ptrdiff_t pos) {
  if (skipEnds_.empty() && !ended_) {
    try {
      skipEnds_.assign(work_.size(), kNotSkipped);
    } catch (const std::bad_alloc&) {
      // Skips are then walked each time: slower, same result.
    }
  }
  ++quiet_;
  const std::ptrdiff_t end = Walk(pos);
  --quiet_;
  return end;
}

std::ptrdiff_t Renderer68k::Walk(std::ptrdiff_t pos) {
  if (AtEnd(pos)) return pos;  // also every position outside the work area
  const auto index = static_cast<std::size_t>(pos);
  const bool remembered = index < skipEnds_.size();
  if (quiet_ > 0 && remembered && skipEnds_[index] != kNotSkipped) return skipEnds_[index];
  if (depth_ >= kRender68kMaxDepth) {
    EndWalk();
    return pos;
  }
  ++depth_;
  const std::ptrdiff_t end = Dispatch(pos);
  --depth_;
  if (remembered && !ended_) skipEnds_[index] = static_cast<std::int32_t>(end);
  return end;
}

std::ptrdiff_t Renderer68k::Operand(std::ptrdiff_t pos, bool parens) {
  if (parens) Put('(');
  const std::ptrdiff_t end = Walk(pos);
  if (parens) Put(')');
  return end;
}

// Expressions from pos back to the end tag 0xE5, which is consumed.
std::ptrdiff_t Renderer68k::Items(std::ptrdiff_t pos, std::string_view separator) {
  bool first = true;
  while (!AtEnd(pos) && At(pos) != kEndTag) {
    if (!first) Put(separator);
    first = false;
    pos = Walk(pos);
  }
  return At(pos) == kEndTag ? pos - 1 : pos;
}

// N, the name, then F as the rest of the expression (pos is N's tag).
std::ptrdiff_t Renderer68k::NearFirst(std::ptrdiff_t pos, std::string_view name, bool spaced,
                                      Paren ruleNear, Paren ruleFar, std::uint8_t ownTag) {
  const std::ptrdiff_t far = Operand(pos, NeedsParens(ruleNear, pos, ownTag));
  PutName(name, spaced);
  return Operand(far, NeedsParens(ruleFar, far, ownTag));
}

// F, the name, then N: N is skipped to find F.
std::ptrdiff_t Renderer68k::FarFirst(std::ptrdiff_t pos, std::string_view name, bool spaced,
                                     Paren ruleFar, Paren ruleNear, std::uint8_t ownTag) {
  const std::ptrdiff_t far = SkipExpression68k(pos);
  const std::ptrdiff_t end = Operand(far, NeedsParens(ruleFar, far, ownTag));
  PutName(name, spaced);
  Operand(pos, NeedsParens(ruleNear, pos, ownTag));
  return end;
}

std::ptrdiff_t Renderer68k::Postfix(std::ptrdiff_t pos, std::string_view name, Paren rule,
                                    std::uint8_t ownTag) {
  const std::ptrdiff_t end = Operand(pos, NeedsParens(rule, pos, ownTag));
  PutName(name);
  return end;
}

std::ptrdiff_t Renderer68k::Prefix(std::ptrdiff_t pos, std::string_view name, Paren rule) {
  PutName(name);
  return Operand(pos, NeedsParens(rule, pos, 0));
}

// name(N) or name(N,F).
std::ptrdiff_t Renderer68k::Call(std::ptrdiff_t pos, std::string_view name, int operands) {
  PutName(name);
  Put('(');
  pos = Walk(pos);
  if (operands == 2) {
    Put(',');
    pos = Walk(pos);
  }
  Put(')');
  return pos;
}

// name(items).
std::ptrdiff_t Renderer68k::ItemsCall(std::ptrdiff_t pos, std::string_view name) {
  PutName(name);
  Put('(');
  pos = Items(pos, ",");
  Put(')');
  return pos;
}

std::ptrdiff_t Renderer68k::Dispatch(std::ptrdiff_t pos) {
  const std::uint8_t tag = At(pos);
  const Tag68kEntry& entry = Tag68kTable[tag];
  switch (tag) {
    case 0x00: return VariableName(pos);
    case 0x1C: {
      if (!InData(pos - 1)) return kDataStart - 1;
      const std::uint8_t code = At(pos - 1);
      PutName(code < Tag68kSysVarNames.size() ? Tag68kSysVarNames[code] : std::string_view());
      return pos - 2;
    }
    case 0x1D:
    case 0x1E:
      if (!InData(pos - 1)) return kDataStart - 1;
      Put('@');
      if (tag == 0x1E) Put('n');
      Put(std::to_string(At(pos - 1)));
      return pos - 2;
    case kPosIntTag:
    case kNegIntTag: return Integer(pos, 10, {});
    case 0x21:
    case kNegFracTag: return Fraction(pos);
    case kFloatTag: return Float(pos);
    case kStringTag: return String(pos);
    case 0x2E: return pos - 1;  // nothing
    case 0x52:
      Put("\x96^");
      return Operand(pos - 1, NeedsParens(Paren::PowerExp, pos - 1, tag));
    case 0x7B:
    case 0x7C:
    case 0x7D: return Vector(pos, tag);
    case 0xCD: return DegreesMinutesSeconds(pos);
    case kIndexTag: return Indexing(pos);
    case kListTag: return List(pos);
    case 0xDA: {
      // A call of a user function: the function, then its arguments.
      const std::ptrdiff_t args = Walk(pos - 1);
      Put('(');
      const std::ptrdiff_t end = Items(args, ",");
      Put(')');
      return end;
    }
    case 0xE3: return ExtendedTag(pos);
    case 0xE4: return Command(pos);
    case kCommentTag: return Comment(pos);
    case 0xF0: {
      // A local variable: the name or letter before the prefix stands for it.
      if (ClassIn(pos - 1, 1, 2)) return Walk(pos - 1);
      Put(kNoRule);
      return pos - 1;
    }
    case 0xF2: return Primes(pos);
    default: break;
  }
  const int tagClass = entry.tagClass;
  if (tagClass == 2) {
    Put(static_cast<char>(tag <= 0x0A ? tag + 112 : tag + 86));
    return pos - 1;
  }
  if (tagClass >= 9 && tagClass <= 14) {
    PutName(entry.name);
    return pos - 1;
  }
  if (tagClass >= 15 && tagClass <= 23) return Call(pos - 1, entry.name, 1);
  if (tagClass >= 24 && tagClass <= 30) return Operator(pos, tag);
  if (tagClass >= 31 && tagClass <= 33) return Call(pos - 1, entry.name, 2);
  if (tagClass >= 34 && tagClass <= 39) return ItemsCall(pos - 1, entry.name);
  Put(kNoRule);
  return pos - 1;
}

// Operators of classes 24..30 and the one-byte tags that share their forms.
std::ptrdiff_t Renderer68k::Operator(std::ptrdiff_t pos, std::uint8_t tag) {
  const std::string_view name = Tag68kTable[tag].name;
  const std::ptrdiff_t near = pos - 1;
  switch (tag) {
    case 0x75: return Postfix(near, name, Paren::Transpose, tag);
    case 0x76:
    case 0x77:
    case 0x78:
    case 0xEF: return Postfix(near, name, Paren::Postfix, tag);
    case kNotTag:
      PutName(name);
      Put(' ');
      return Operand(near, NeedsParens(Paren::NotArg, near, tag));
    case 0x7A:
    case 0xEA: return Prefix(near, name, Paren::Negation);
    case 0x7F: return NearFirst(near, name, false, Paren::Never, Paren::Never, tag);
    case 0x80: return FarFirst(near, name, false, Paren::Never, Paren::Never, tag);
    case 0x81: return NearFirst(near, name, false, Paren::StoreTags, Paren::Never, tag);
    case 0x82:
    case 0x83:
    case 0x84: return NearFirst(near, name, true, Paren::LowerLogic, Paren::Never, tag);
    case 0x85: case 0x86: case 0x87: case 0x88: case 0x89: case 0x8A:
      return NearFirst(near, name, false, Paren::Logic, Paren::Never, tag);
    // The element-wise forms (.+ .- .* ./ .^) are written with spaces.
    case 0x8B:
    case 0x8C: return FarFirst(near, name, tag == 0x8C, Paren::Logic, Paren::Logic, tag);
    case 0x8D:
    case 0x8E:
    case 0xEB: return FarFirst(near, name, tag == 0x8E, Paren::Logic, Paren::Sum, tag);
    case 0x8F:
    case 0x90: return FarFirst(near, name, tag == 0x90, Paren::Sum, Paren::Product, tag);
    case 0x91:
    case 0x92: return FarFirst(near, name, tag == 0x92, Paren::Sum, Paren::Quotient, tag);
    case 0x93:
    case 0x94: return NearFirst(near, name, tag == 0x94, Paren::PowerBase, Paren::PowerExp, tag);
    default: break;
  }
  Put(kNoRule);  // 0x7E and anything else of these classes without a form
  return pos - 1;
}

// ---- operands with their own layout ----

// The bytes before the tag back to the preceding zero byte.
std::ptrdiff_t Renderer68k::VariableName(std::ptrdiff_t pos) {
  std::ptrdiff_t start = pos - 1;
  while (start >= kDataStart && At(start) != 0) --start;
  PutForward(start + 1, pos - 1, false);
  return At(start) == 0 ? start - 1 : start;
}

// A string stands between two zero bytes before its tag.
std::ptrdiff_t Renderer68k::String(std::ptrdiff_t pos) {
  const std::ptrdiff_t last = At(pos - 1) == 0 ? pos - 2 : pos - 1;
  std::ptrdiff_t start = last;
  while (start >= kDataStart && At(start) != 0) --start;
  Put('"');
  PutForward(start + 1, last, true);
  Put('"');
  return At(start) == 0 ? start - 1 : start;
}

std::ptrdiff_t Renderer68k::Integer(std::ptrdiff_t pos, unsigned base, std::string_view prefix) {
  if (!InData(pos - 1 - DataAt(pos - 1))) return kDataStart - 1;
  if (At(pos) == kNegIntTag && At(pos - 1) != 0) PutMinus();
  Put(prefix);
  return Magnitude(pos - 1, base);
}

// A length byte n and n magnitude bytes before it, the most significant
// nearest the length byte.
std::ptrdiff_t Renderer68k::Magnitude(std::ptrdiff_t lengthPos, unsigned base) {
  const std::uint8_t length = At(lengthPos);
  if (quiet_ == 0 && !outputFull_) {
    std::array<std::uint8_t, 255> bytes{};
    for (std::size_t i = 0; i < length; ++i) {
      bytes[i] = At(lengthPos - 1 - static_cast<std::ptrdiff_t>(i));
    }
    Put(MagnitudeDigits(bytes.data(), length, base));
  }
  return lengthPos - 1 - length;
}

std::ptrdiff_t Renderer68k::Fraction(std::ptrdiff_t pos) {
  const std::ptrdiff_t denominatorLength = pos - 2 - DataAt(pos - 1);
  if (!InData(pos - 1) || !InData(denominatorLength - DataAt(denominatorLength))) {
    return kDataStart - 1;
  }
  if (At(pos) == kNegFracTag && At(pos - 1) != 0) PutMinus();
  const std::ptrdiff_t denominator = Magnitude(pos - 1, 10);
  Put('/');
  return Magnitude(denominator, 10);
}

std::ptrdiff_t Renderer68k::Float(std::ptrdiff_t pos) {
  if (!InData(pos - (kFloat68kSize - 1))) return kDataStart - 1;
  if (quiet_ == 0) {
    // FormatFloat68k reads from a copy, so that the work area's layout does
    // not bind it.
    std::uint8_t bytes[kFloat68kSize];
    for (int i = 0; i < kFloat68kSize; ++i) bytes[i] = At(pos - (kFloat68kSize - 1) + i);
    std::string text;
    FormatFloat68k(bytes, kFloat68kSize - 1, modes_.calculatorCharset, text);
    Put(text);
  }
  return pos - kFloat68kSize;
}

std::ptrdiff_t Renderer68k::List(std::ptrdiff_t pos) {
  if (At(pos - 1) == kListTag) return Matrix(pos);
  if (!modes_.bareLists) Put('{');
  const std::ptrdiff_t end = Items(pos - 1, ",");
  if (!modes_.bareLists) Put('}');
  return end;
}

// A list of lists: one row per inner list.
std::ptrdiff_t Renderer68k::Matrix(std::ptrdiff_t pos) {
  const bool brackets = !modes_.bareLists;
  if (brackets) Put('[');
  if (brackets && modes_.rowBreaks) Put('\n');
  std::ptrdiff_t row = pos - 1;
  while (!AtEnd(row) && At(row) != kEndTag) {
    if (brackets) Put('[');
    row = At(row) == kListTag ? Items(row - 1, ",") : Walk(row);
    if (brackets) Put(']');
    if (!brackets || modes_.rowBreaks) Put('\n');
  }
  if (At(row) == kEndTag) --row;
  if (brackets) Put(']');
  return row;
}

std::ptrdiff_t Renderer68k::Indexing(std::ptrdiff_t pos) {
  const std::ptrdiff_t indices = Operand(pos - 1, NeedsParens(Paren::IndexBase, pos - 1, 0));
  Put('[');
  const std::ptrdiff_t end = Items(indices, ",");
  Put(']');
  return end;
}

// An indentation byte, then the comment's text between two zero bytes.
std::ptrdiff_t Renderer68k::Comment(std::ptrdiff_t pos) {
  PutSpaces(DataAt(pos - 1));
  PutName(Tag68kTable[kCommentTag].name);
  const std::ptrdiff_t last = At(pos - 2) == 0 ? pos - 3 : pos - 2;
  std::ptrdiff_t start = last;
  while (start >= kDataStart && At(start) != 0) --start;
  PutForward(start + 1, last, false);
  return At(start) == 0 ? start - 1 : start;
}

// Vectors entered in polar (0x7B), cylindrical (0x7C) or spherical (0x7D)
// form wrap a one-row matrix. They are written as they are typed, with the
// angle sign 0x9F before each angle: [r,<angle>t], [r,<angle>t,z] and
// [r,<angle>t,<angle>p].
std::ptrdiff_t Renderer68k::Vector(std::ptrdiff_t pos, std::uint8_t tag) {
  std::ptrdiff_t row = pos - 1;
  if (!IsMatrix(row)) return Walk(row);
  --row;
  while (!AtEnd(row) && At(row) != kEndTag) {
    Put('[');
    if (At(row) != kListTag) {
      row = Walk(row);
    } else {
      std::ptrdiff_t item = row - 1;
      for (int i = 0; !AtEnd(item) && At(item) != kEndTag; ++i) {
        if (i > 0) Put(',');
        if (i == 1 || (i == 2 && tag == 0x7D)) Put(kAngle);
        item = Walk(item);
      }
      row = At(item) == kEndTag ? item - 1 : item;
    }
    Put(']');
  }
  return At(row) == kEndTag ? row - 1 : row;
}

// Degrees, minutes and seconds as items, each followed by its mark: the
// degree sign 0xB0, a prime and a double quote (12, 30, 15 as 12o30'15").
std::ptrdiff_t Renderer68k::DegreesMinutesSeconds(std::ptrdiff_t pos) {
  static constexpr char kMarks[] = {kDegree, '\'', '"'};
  std::ptrdiff_t item = pos - 1;
  for (std::size_t i = 0; !AtEnd(item) && At(item) != kEndTag; ++i) {
    if (i >= std::size(kMarks)) Put(',');
    item = Walk(item);
    if (i < std::size(kMarks)) Put(kMarks[i]);
  }
  return At(item) == kEndTag ? item - 1 : item;
}

// A function name and the number of its prime marks: f'' is f and 2.
// A count that is not a small positive integer is written after one mark
// in parentheses.
std::ptrdiff_t Renderer68k::Primes(std::ptrdiff_t pos) {
  const std::ptrdiff_t count = Operand(pos - 1, NeedsParens(Paren::Postfix, pos - 1, 0xF2));
  if (At(count) == kPosIntTag && At(count - 1) == 1 && At(count - 2) != 0) {
    Put(std::string(At(count - 2), '\''));
    return count - 3;
  }
  Put('\'');
  return Operand(count, true);
}

// ---- two-byte tags ----

std::ptrdiff_t Renderer68k::ExtendedTag(std::ptrdiff_t pos) {
  const std::uint8_t code = At(pos - 1);
  const std::string_view name = code < Tag68kExtNames.size() ? Tag68kExtNames[code] : std::string_view();
  const std::ptrdiff_t near = pos - 2;
  switch (code) {
    case 0x01: return Prefix(near, name, Paren::Indirect);
    case 0x02: case 0x03: case 0x29: case 0x34:
      PutName(name);
      Put("()");
      return near;
    case 0x04: case 0x11: case 0x12: case 0x13: return ItemsCall(near, name);
    case 0x05: case 0x14: return FarFirst(near, name, false, Paren::Never, Paren::Never, 0xE3);
    case 0x06: case 0x07: case 0x08: case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x2A:
      return Call(near, name, 1);
    case 0x0D: case 0x0E: case 0x0F: case 0x10: case 0x27: case 0x28:
    case 0x30: case 0x31: case 0x32:
      return Call(near, name, 2);
    case 0x15: case 0x16: return Postfix(near, name, Paren::Simple, 0xE3);
    case 0x17: case 0x18: case 0x19: case 0x1A: return Postfix(near, name, Paren::Transpose, 0xE3);
    case 0x26: {
      Put('(');
      const std::ptrdiff_t end = FarFirst(near, name, true, Paren::Never, Paren::Never, 0xE3);
      Put(')');
      return end;
    }
    case 0x2B:
    case 0x2C: {
      const std::uint8_t tag = At(near);
      if (tag != kPosIntTag && tag != kNegIntTag) return Walk(near);
      return code == 0x2B ? Integer(near, 2, "0b") : Integer(near, 16, "0h");
    }
    case 0x2D: case 0x2E: case 0x2F: return Postfix(near, name, Paren::Never, 0xE3);
    case 0x35: {
      PutName(name);
      Put('(');
      std::ptrdiff_t end = Walk(near);
      Put(';');
      end = Walk(end);
      Put(')');
      return end;
    }
    default: break;
  }
  Put(kNoRule);
  return near;
}

std::ptrdiff_t Renderer68k::Command(std::ptrdiff_t pos) {
  const std::uint8_t code = At(pos - 1);
  const std::ptrdiff_t near = pos - 2;
  switch (code) {
    case 0x3B:
    case 0x39: {
      Put(code == 0x3B ? "If " : "ElseIf ");
      const std::ptrdiff_t end = Walk(near);
      Put(" Then");
      return end;
    }
    case 0x87:
      Put(" Else");
      return near;
    default: break;
  }
  if (code >= Tag68kCommands.size() || Tag68kCommands[code].name.empty()) {
    PutName({});
    return near;
  }
  // The names of commands with operands end with their separating space.
  const Command68kEntry& entry = Tag68kCommands[code];
  PutName(entry.name);
  switch (entry.formClass) {
    case 0: {
      // Loop ends and exits carry a two-byte jump offset before the code.
      const bool jump = code == 0x07 || code == 0x0E || code == 0x11 || code == 0x15 || code == 0x16;
      return jump ? near - 2 : near;
    }
    case 17: return Walk(near);
    case 34:
    case 51: {
      std::ptrdiff_t end = Walk(near);
      Put(',');
      end = Walk(end);
      if (entry.formClass == 51) {
        Put(',');
        end = Walk(end);
      }
      return end;
    }
    default: break;
  }
  if (code == 0x86) {  // Define f(x)=body
    const std::ptrdiff_t body = Walk(near);
    Put('=');
    return Walk(body);
  }
  return Items(near, ",");
}

// ---- statements and variable types ----

void Renderer68k::RenderStatements(std::ptrdiff_t pos) {
  for (;;) {
    std::uint8_t c = At(pos);
    // Past the separators only the end marker and tags that start no
    // expression end the statements; the other tags there are expressions.
    if (c > kNewLineTag && (c == kEndOfData || ClassIn(pos, 0, 0) || ClassIn(pos, 40, 40))) break;
    if (c != kNewLineTag && c != kColonTag) {
      pos = Walk(pos);
      if (At(pos) == kCommentTag) pos = Walk(pos);
      c = At(pos);
      if (c != kNewLineTag && c != kColonTag) break;
    }
    Put(c == kNewLineTag ? '\n' : ':');
    // The byte before a separator indents the next statement.
    PutSpaces(DataAt(pos - 1));
    pos -= 2;
  }
  Put('\n');
}

void Renderer68k::RenderVariable(std::string_view programName, std::int16_t charsetChoice) {
  const std::ptrdiff_t tagPos = TagPosition();
  const std::uint8_t tag = At(tagPos);
  modes_ = Modes{};
  switch (tag) {
    case kListTag:
      modes_.bareLists = charsetChoice == 0;
      modes_.calculatorCharset = modes_.rowBreaks = charsetChoice > 0;
      RenderStatements(tagPos);
      return;
    case 0xDC: Program(tagPos, programName, charsetChoice != 0); return;
    case 0xDD:
      modes_.calculatorCharset = modes_.rowBreaks = charsetChoice > 0;
      DataVariableListing(programName, charsetChoice != 0);
      return;
    case 0xDE: GraphDatabaseListing(programName, charsetChoice != 0); return;
    case 0xE0: StoredText(true); return;
    case 0xDF:
    case 0xE1:
    case 0xE2: return;  // pictures, figures and macros have no text
    default: RenderStatements(tagPos); return;
  }
}

void Renderer68k::Program(std::ptrdiff_t tagPos, std::string_view programName, bool withName) {
  if (withName) Put(programName);
  if ((DataAt(tagPos - 1) & 0x08) != 0) {
    StoredText(false);  // the body is kept as the text that was typed
    return;
  }
  Put('(');
  const std::ptrdiff_t body = Items(tagPos - 4, ",");
  Put(")\n");
  RenderStatements(body);
}

// Text from the third byte of the variable up to its first zero byte, 0x0D
// as a line break. In a text variable each line starts with a command byte,
// written followed by a colon.
void Renderer68k::StoredText(bool commandBytes) {
  bool lineStart = true;
  for (std::ptrdiff_t i = kDataStart + 2; i <= TagPosition(); ++i) {
    const std::uint8_t byte = At(i);
    if (byte == 0) break;
    if (byte == 0x0D) {
      Put('\n');
      lineStart = true;
      continue;
    }
    Put(static_cast<char>(byte));
    if (commandBytes && lineStart) Put(':');
    lineStart = false;
  }
}

// Data variables and graph databases are listed by their headings and
// section labels; their contents are not decoded.
void Renderer68k::DataVariableListing(std::string_view programName, bool withName) {
  Put("Data Variable:");
  if (withName) {
    Put(' ');
    Put(programName);
  }
  Put("\nColumn Data\nFormula Data\nData Column Titles\n");
}

void Renderer68k::GraphDatabaseListing(std::string_view programName, bool withName) {
  Put("Graph Database: ");
  if (withName) Put(programName);
  Put("\nRange Settings\nGraph Formats\nGraph Equations\nGraph-Table Settings\n");
}

std::optional<std::string> RenderVariable68k(std::string_view programName, const std::uint8_t* data,
                                             std::size_t size, std::int16_t charsetChoice,
                                             int model) {
  (void)model;  // only the graph-database contents would depend on it
  // The length field states at most 65535 bytes, which always fit.
  static_assert(0xFFFF <= kRender68kMaxData);
  if (data == nullptr || size < 2) return std::nullopt;
  const std::size_t length = (std::size_t{data[0]} << 8) | data[1];
  if (length > size - 2) return std::nullopt;
  std::optional<Renderer68k> renderer;
  try {
    renderer.emplace(std::span<const std::uint8_t>(data + 2, length), Renderer68k::Modes{});
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  try {
    renderer->RenderVariable(programName, charsetChoice);
  } catch (const std::bad_alloc&) {
    // A scratch allocation failed: keep the text so far.
  }
  return renderer->TakeText();
}

}  // namespace gridlet
