// An owning pointer to a COM interface: releases its reference when it goes
// out of scope.
#pragma once

#include <utility>

namespace gridlet::win32 {

template <class Interface>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference the caller already holds.
  explicit ComPtr(Interface* owned) : p_(owned) {}
  ComPtr(const ComPtr& other) : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { Reset(); }

  void Reset() {
    if (Interface* p = std::exchange(p_, nullptr)) p->Release();
  }
  Interface* Get() const { return p_; }
  Interface* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out parameters: releases what is held and hands out the slot.
  Interface** Put() {
    Reset();
    return &p_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  Interface* Detach() { return std::exchange(p_, nullptr); }

 private:
  Interface* p_ = nullptr;
};

}  // namespace gridlet::win32
