// Remembers the results of a costly function of short texts, by the text:
// sheets repeat their formulas (a column of one formula, a total in every
// row), and each is then worked out once. A fixed number of slots, each
// holding the last text that fell to it and its result; a text is known
// only when it equals the slot's text byte for byte.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace gridlet {

template <class Result>
class TextMemo {
 public:
  TextMemo() : slots_(kSlots) {}

  // The result remembered for `text`, or null.
  const Result* Find(std::string_view text) const {
    const Slot& slot = slots_[SlotOf(text)];
    return slot.used && slot.text == text ? &slot.result : nullptr;
  }

  // Remembers the result for `text`, which must stay as it is while the
  // memo is used; returns it as remembered.
  const Result& Remember(std::string_view text, Result result) { return Renew(text) = std::move(result); }

  // The same, for a result set by the caller in place: the one the slot
  // held before (for another text), whose storage it may reuse.
  Result& Renew(std::string_view text) {
    Slot& slot = slots_[SlotOf(text)];
    slot.text = text;
    slot.used = true;
    return slot.result;
  }

 private:
  static constexpr std::size_t kSlots = 1024;

  struct Slot {
    std::string_view text;
    Result result{};
    bool used = false;
  };

  // From the length and the first and last eight bytes: quick, and apart
  // for most texts that differ (cell references sit near either end).
  static std::size_t SlotOf(std::string_view text) {
    std::uint64_t head = 0;
    std::uint64_t tail = 0;
    std::memcpy(&head, text.data(), std::min<std::size_t>(text.size(), 8));
    if (text.size() > 8) std::memcpy(&tail, text.data() + text.size() - 8, 8);
    const std::uint64_t mixed =
        (head * 0x9E3779B97F4A7C15u) ^ (tail * 0xC2B2AE3D27D4EB4Fu) ^ (text.size() * 0x165667B19E3779F9u);
    return static_cast<std::size_t>(mixed >> 54) & (kSlots - 1);
  }

  std::vector<Slot> slots_;
};

}  // namespace gridlet
