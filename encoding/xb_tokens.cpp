#include "encoding/xb_tokens.h"

#include <array>

namespace gridlet {
namespace {

constexpr std::uint8_t kSpaceToken = 0x29;
constexpr std::uint8_t kUnknownToken = 0xAF;  // "?"

// XbTokenNames2 indexed by (prefix slot, second byte); the first entry of a
// pair wins, as in a search in table order. -1 marks a pair without entry.
class Names2Index {
 public:
  Names2Index() {
    for (auto& slot : index_) slot.fill(-1);
    for (std::size_t i = 0; i < XbTokenNames2.size(); ++i) {
      const XbTokenName2& entry = XbTokenNames2[i];
      std::int16_t& cell = index_[Slot(entry.first)][entry.second];
      if (cell < 0) cell = static_cast<std::int16_t>(i);
    }
  }

  const XbTokenName2* Find(std::uint8_t first, std::uint8_t second) const {
    const std::int16_t i = index_[Slot(first)][second];
    return i < 0 ? nullptr : &XbTokenNames2[static_cast<std::size_t>(i)];
  }

 private:
  // Position of a prefix byte among the ten; only called with prefix bytes.
  static std::size_t Slot(std::uint8_t prefix) {
    static constexpr std::array<std::uint8_t, 256> kSlots = [] {
      std::array<std::uint8_t, 256> slots{};
      std::uint8_t next = 0;
      for (unsigned byte = 0; byte < 256; ++byte) {
        if (IsXbPrefixByte(static_cast<std::uint8_t>(byte))) slots[byte] = next++;
      }
      return slots;
    }();
    return kSlots[prefix];
  }

  std::array<std::array<std::int16_t, 256>, 10> index_;
};

std::string_view TwoByteName(std::uint8_t first, std::uint8_t second) {
  static const Names2Index index;
  const XbTokenName2* entry = index.Find(first, second);
  return entry ? entry->name : XbTokenNames1[second];
}

bool IsAsmProgram(const std::uint8_t* tokens, std::size_t count) {
  return count >= 4 && tokens[2] == 0xBB && tokens[3] == 0x6D;
}

}  // namespace

HRESULT XbTokensToText(const std::uint8_t* tokens, std::size_t count, std::string& out) {
  if (tokens == nullptr || count == 0) return S_OK;
  if (IsAsmProgram(tokens, count)) return E_CALC_ASM_PROGRAM;
  std::size_t i = 0;
  while (i < count) {
    const std::uint8_t byte = tokens[i];
    if (IsXbPrefixByte(byte)) {
      const std::uint8_t second = i + 1 < count ? tokens[i + 1] : 0;
      out.append(TwoByteName(byte, second));
      i += 2;
    } else {
      out.append(XbTokenNames1[byte]);
      i += 1;
    }
  }
  return S_OK;
}

std::size_t XbTextToTokens(std::uint8_t* out, std::size_t capacity, std::string_view text) {
  return XbTextToTokens(out, capacity, text, nullptr);
}

std::size_t XbTextToTokens(std::uint8_t* out, std::size_t capacity, std::string_view text,
                           std::vector<XbTokenizeNote>* notes) {
  std::size_t n = 0;
  const auto put = [&](std::uint16_t code) {
    const std::size_t size = code > 0xFF ? 2 : 1;
    if (out == nullptr || capacity - n < size) return false;
    if (size == 2) out[n++] = static_cast<std::uint8_t>(code >> 8);
    out[n++] = static_cast<std::uint8_t>(code & 0xFF);
    return true;
  };

  std::size_t pos = 0;
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == '\n') {
      if (notes) notes->push_back({pos, XbTokenizeNote::Respelled});
      ++pos;
      continue;
    }
    if (static_cast<unsigned char>(c) >= 0x80) {
      if (!put(kSpaceToken)) break;
      if (notes) notes->push_back({pos, XbTokenizeNote::NoForm});
      ++pos;
      continue;
    }
    // The space group holds " nPr ", " nCr ", " xor ", " and ", " or " and
    // " " itself, so the names written for those tokens read back as them.
    const std::string_view rest = text.substr(pos);
    std::uint16_t code = c == ' ' ? kSpaceToken : kUnknownToken;
    std::size_t length = 1;
    bool respelled = false;
    for (const XbTokenizeEntry& entry : XbTokenizeGroup(c)) {
      // Every name of the group starts with c; its second byte rules most
      // names out before the comparison.
      const std::string_view name = entry.name;
      if (name.size() > rest.size() || (name.size() > 1 && name[1] != rest[1])) continue;
      if (rest.starts_with(name)) {
        code = entry.code;
        length = entry.name.size();
        respelled = entry.respelled;
        break;
      }
    }
    if (!put(code)) break;
    if (notes && (respelled || (code == kUnknownToken && c != '?'))) {
      notes->push_back({pos, respelled ? XbTokenizeNote::Respelled : XbTokenizeNote::NoForm});
    }
    pos += length;
  }
  return n;
}

bool XbLettersBeforeParenthesis(const std::uint8_t* tokens, std::size_t count) {
  std::size_t letters = 0;
  std::size_t i = 0;
  while (i < count) {
    std::string_view name;
    if (IsXbPrefixByte(tokens[i])) {
      name = TwoByteName(tokens[i], i + 1 < count ? tokens[i + 1] : 0);
      i += 2;
    } else {
      name = XbTokenNames1[tokens[i]];
      i += 1;
    }
    if (name == "(" && letters >= 2) return true;
    const bool letter = name.size() == 1 && ((name[0] >= 'A' && name[0] <= 'Z') ||
                                             (name[0] >= 'a' && name[0] <= 'z'));
    letters = letter ? letters + 1 : 0;
  }
  return false;
}

}  // namespace gridlet
