#include "platform/link_file_format.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "model/com_error.h"
#include "platform/device_service_errors.h"
#include "server/device_file_service.h"

namespace gridlet {

namespace {

// XB Plus layout.
constexpr std::string_view kXbSignature("**QZXBF*\x1A\x0A\x00", 11);
constexpr std::size_t kXbCommentAt = 11, kXbCommentSize = 42;
constexpr std::size_t kXbSectionLengthAt = 53;  // bytes from 55 up to the checksum
constexpr std::size_t kXbEntryAt = 55;          // where the checksum starts counting
constexpr std::size_t kXbEntryHeaderLengthAt = 55;
constexpr std::uint16_t kXbEntryHeaderLength = 13;
constexpr std::size_t kXbDataLengthAt = 57;
constexpr std::size_t kXbTypeAt = 59;
constexpr std::size_t kXbNameAt = 60;
constexpr std::size_t kXbVersionAt = 68;
constexpr std::size_t kXbFlagAt = 69;
constexpr std::size_t kXbDataLength2At = 70;
constexpr std::size_t kXbDataAt = 72;
constexpr std::size_t kXbSectionOverhead = 17;  // entry header, length fields and checksum

// 68k-class layout.
constexpr std::string_view kXcSignature = "**QZXC**";
constexpr std::string_view kXdSignature = "**QZXD**";
constexpr std::string_view kXfSignature = "**QZXF**";
constexpr std::string_view kSignatureEnd68k("\x01\x00", 2);
constexpr std::size_t kSignatureSize = 8;
constexpr std::size_t kFolderAt = 10;
constexpr std::size_t k68kCommentAt = 18, k68kCommentSize = 40;
constexpr std::size_t kEntryCountAt = 58;
constexpr std::size_t kEntryOffsetAt = 60;
constexpr std::uint32_t kEntryOffset = 82;
constexpr std::size_t k68kNameAt = 64;
constexpr std::size_t k68kTypeAt = 72;
constexpr std::size_t k68kAttributeAt = 73;
constexpr std::size_t kFileSizeAt = 76;
constexpr std::size_t kMarkerAt = 80;
constexpr std::uint8_t kMarker[2] = {0xA5, 0x5A};
constexpr std::size_t kContentLengthAt = 86;  // where the checksum starts counting
constexpr std::size_t kContentAt = 88;

constexpr std::size_t kNameSize = 8;
constexpr std::size_t kChecksumSize = 2;

[[noreturn]] void Fail(HRESULT code) { throw ComError(code, DeviceServiceErrorText(code)); }

std::string_view SignatureOf(long model) {
  switch (model) {
    case DEVICE_MODEL_XC: return kXcSignature;
    case DEVICE_MODEL_XD_PLUS: return kXdSignature;
    default: return kXfSignature;
  }
}

class Writer {
 public:
  explicit Writer(std::size_t size) : bytes_(size, 0) {}
  void Put(std::size_t at, std::string_view text, std::size_t field) {
    std::memcpy(bytes_.data() + at, text.data(), std::min(text.size(), field));
  }
  void Put(std::size_t at, const std::vector<std::uint8_t>& data) {
    std::copy(data.begin(), data.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at));
  }
  void Byte(std::size_t at, std::uint8_t value) { bytes_[at] = value; }
  void Le16(std::size_t at, std::uint32_t value) {
    bytes_[at] = static_cast<std::uint8_t>(value);
    bytes_[at + 1] = static_cast<std::uint8_t>(value >> 8);
  }
  void Be16(std::size_t at, std::uint32_t value) {
    bytes_[at] = static_cast<std::uint8_t>(value >> 8);
    bytes_[at + 1] = static_cast<std::uint8_t>(value);
  }
  void Le32(std::size_t at, std::uint32_t value) {
    Le16(at, value & 0xFFFF);
    Le16(at + 2, value >> 16);
  }
  // Writes the sum of the bytes [from, at) at `at`.
  void Checksum(std::size_t from, std::size_t at) {
    std::uint32_t sum = 0;
    for (std::size_t i = from; i < at; ++i) sum += bytes_[i];
    Le16(at, sum & 0xFFFF);
  }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Reads fields of a file whose size has been checked against the header.
class Reader {
 public:
  Reader(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
  std::size_t size() const { return size_; }
  bool Matches(std::size_t at, std::string_view text) const {
    return at + text.size() <= size_ && std::memcmp(bytes_ + at, text.data(), text.size()) == 0;
  }
  std::uint8_t Byte(std::size_t at) const { return bytes_[at]; }
  std::uint32_t Le16(std::size_t at) const { return bytes_[at] | (bytes_[at + 1] << 8); }
  std::uint32_t Be16(std::size_t at) const { return (bytes_[at] << 8) | bytes_[at + 1]; }
  std::uint32_t Le32(std::size_t at) const { return Le16(at) | (Le16(at + 2) << 16); }
  // A zero-padded text field: its bytes up to the first zero.
  std::string Text(std::size_t at, std::size_t field) const {
    const std::uint8_t* end = std::find(bytes_ + at, bytes_ + at + field, 0);
    return std::string(bytes_ + at, end);
  }
  std::vector<std::uint8_t> Bytes(std::size_t at, std::size_t count) const {
    return std::vector<std::uint8_t>(bytes_ + at, bytes_ + at + count);
  }
  // Whether the sum of the bytes [from, at) matches the checksum at `at`.
  bool ChecksumMatches(std::size_t from, std::size_t at) const {
    std::uint32_t sum = 0;
    for (std::size_t i = from; i < at; ++i) sum += bytes_[i];
    return (sum & 0xFFFF) == Le16(at);
  }

 private:
  const std::uint8_t* bytes_;
  std::size_t size_;
};

std::vector<std::uint8_t> WriteXbPlus(const LinkVariable& variable) {
  const std::size_t d = variable.data.size();
  if (d > kMaxXbPlusData) Fail(DEVICE_E_TOO_LARGE);
  Writer out(kXbDataAt + d + kChecksumSize);
  out.Put(0, kXbSignature, kXbSignature.size());
  out.Put(kXbCommentAt, variable.comment, kXbCommentSize);
  out.Le16(kXbSectionLengthAt, kXbSectionOverhead + d);
  out.Le16(kXbEntryHeaderLengthAt, kXbEntryHeaderLength);
  out.Le16(kXbDataLengthAt, d);
  out.Byte(kXbTypeAt, variable.type_id);
  out.Put(kXbNameAt, variable.name, kNameSize);
  out.Byte(kXbVersionAt, variable.version);
  out.Byte(kXbFlagAt, variable.attribute);
  out.Le16(kXbDataLength2At, d);
  out.Put(kXbDataAt, variable.data);
  out.Checksum(kXbEntryAt, kXbDataAt + d);
  return out.Take();
}

std::vector<std::uint8_t> Write68k(const LinkVariable& variable) {
  const std::size_t s = variable.data.size();
  if (s > kMax68kData) Fail(DEVICE_E_TOO_LARGE);
  const std::size_t file_size = kContentAt + s + kChecksumSize;
  Writer out(file_size);
  out.Put(0, SignatureOf(variable.model), kSignatureSize);
  out.Put(kSignatureSize, kSignatureEnd68k, kSignatureEnd68k.size());
  out.Put(kFolderAt, variable.folder, kNameSize);
  out.Put(k68kCommentAt, variable.comment, k68kCommentSize);
  out.Le16(kEntryCountAt, 1);
  out.Le32(kEntryOffsetAt, kEntryOffset);
  out.Put(k68kNameAt, variable.name, kNameSize);
  out.Byte(k68kTypeAt, variable.type_id);
  out.Byte(k68kAttributeAt, variable.attribute);
  out.Le32(kFileSizeAt, static_cast<std::uint32_t>(file_size));
  out.Byte(kMarkerAt, kMarker[0]);
  out.Byte(kMarkerAt + 1, kMarker[1]);
  out.Be16(kContentLengthAt, s);
  out.Put(kContentAt, variable.data);
  out.Checksum(kContentLengthAt, kContentAt + s);
  return out.Take();
}

LinkVariable ReadXbPlus(const Reader& in) {
  const std::size_t size = in.size();
  if (size < kXbDataAt + kChecksumSize) Fail(DEVICE_E_TRUNCATED);
  if (!in.Matches(0, kXbSignature)) Fail(DEVICE_E_BAD_SIGNATURE);
  const std::size_t d = size - kXbDataAt - kChecksumSize;
  if (in.Le16(kXbEntryHeaderLengthAt) != kXbEntryHeaderLength ||
      in.Le16(kXbSectionLengthAt) != kXbSectionOverhead + d || in.Le16(kXbDataLengthAt) != d ||
      in.Le16(kXbDataLength2At) != d) {
    Fail(DEVICE_E_BAD_LENGTH);
  }
  // The variable data opens with its own size field.
  if (d < 2 || in.Le16(kXbDataAt) != d - 2) Fail(DEVICE_E_BAD_LENGTH);
  if (!in.ChecksumMatches(kXbEntryAt, kXbDataAt + d)) Fail(DEVICE_E_BAD_CHECKSUM);

  LinkVariable variable;
  variable.model = DEVICE_MODEL_XB_PLUS;
  variable.comment = in.Text(kXbCommentAt, kXbCommentSize);
  variable.type_id = in.Byte(kXbTypeAt);
  variable.name = in.Text(kXbNameAt, kNameSize);
  variable.version = in.Byte(kXbVersionAt);
  variable.attribute = in.Byte(kXbFlagAt);
  variable.data = in.Bytes(kXbDataAt, d);
  return variable;
}

LinkVariable Read68k(const Reader& in, long model) {
  const std::size_t size = in.size();
  if (size < kContentAt + kChecksumSize) Fail(DEVICE_E_TRUNCATED);
  if (!in.Matches(kSignatureSize, kSignatureEnd68k)) Fail(DEVICE_E_BAD_SIGNATURE);
  if (in.Le16(kEntryCountAt) != 1 || in.Le32(kEntryOffsetAt) != kEntryOffset ||
      in.Byte(kMarkerAt) != kMarker[0] || in.Byte(kMarkerAt + 1) != kMarker[1]) {
    Fail(DEVICE_E_BAD_HEADER);
  }
  const std::size_t s = size - kContentAt - kChecksumSize;
  if (in.Le32(kFileSizeAt) != size || in.Be16(kContentLengthAt) != s) Fail(DEVICE_E_BAD_LENGTH);
  if (!in.ChecksumMatches(kContentLengthAt, kContentAt + s)) Fail(DEVICE_E_BAD_CHECKSUM);

  LinkVariable variable;
  variable.model = model;
  variable.folder = in.Text(kFolderAt, kNameSize);
  variable.comment = in.Text(k68kCommentAt, k68kCommentSize);
  variable.name = in.Text(k68kNameAt, kNameSize);
  variable.type_id = in.Byte(k68kTypeAt);
  variable.attribute = in.Byte(k68kAttributeAt);
  variable.data = in.Bytes(kContentAt, s);
  return variable;
}

}  // namespace

bool IsXbPlusModel(long model) { return model == DEVICE_MODEL_XB_PLUS; }

bool Is68kModel(long model) {
  return model == DEVICE_MODEL_XC || model == DEVICE_MODEL_XD_PLUS || model == DEVICE_MODEL_XF;
}

std::vector<std::uint8_t> WriteLinkFile(const LinkVariable& variable) {
  return IsXbPlusModel(variable.model) ? WriteXbPlus(variable) : Write68k(variable);
}

LinkVariable ReadLinkFile(const std::uint8_t* bytes, std::size_t size) {
  const Reader in(bytes, size);
  if (size < kSignatureSize) Fail(DEVICE_E_TRUNCATED);
  if (in.Matches(0, kXbSignature.substr(0, kSignatureSize))) return ReadXbPlus(in);
  for (long model : {DEVICE_MODEL_XC, DEVICE_MODEL_XD_PLUS, DEVICE_MODEL_XF}) {
    if (in.Matches(0, SignatureOf(model))) return Read68k(in, model);
  }
  Fail(DEVICE_E_BAD_SIGNATURE);
}

}  // namespace gridlet
