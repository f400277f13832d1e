// Owners for Win32 handles and a guard that puts back a device context's previous
// selection: one set for every Win32 layer (window, skin, drawing).
#pragma once

#include <windows.h>

#include <utility>

namespace dirsheet::platform::win32 {

// Owns one handle and releases it through `Traits::Release` when it goes; a handle equal
// to `Traits::Invalid()` (or null) is never released.
template <typename Handle, typename Traits>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle h) : h_(h) {}
  ~Owned() { reset(); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& o) noexcept : h_(std::exchange(o.h_, Handle())) {}
  Owned& operator=(Owned&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = std::exchange(o.h_, Handle());
    }
    return *this;
  }
  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != Handle() && h_ != Traits::Invalid(); }
  Handle release() { return std::exchange(h_, Handle()); }
  void reset(Handle h = Handle()) {
    if (h_ != Handle() && h_ != Traits::Invalid()) Traits::Release(h_);
    h_ = h;
  }

 private:
  Handle h_ = Handle();
};

template <typename H>
struct GdiTraits {
  static H Invalid() { return nullptr; }
  static void Release(H h) { DeleteObject(h); }
};
struct DcTraits {
  static HDC Invalid() { return nullptr; }
  static void Release(HDC h) { DeleteDC(h); }
};
struct IconTraits {
  static HICON Invalid() { return nullptr; }
  static void Release(HICON h) { DestroyIcon(h); }
};
struct FindTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Release(HANDLE h) { FindClose(h); }
};
struct RegKeyTraits {
  static HKEY Invalid() { return nullptr; }
  static void Release(HKEY h) { RegCloseKey(h); }
};

template <typename H>
using GdiOwned = Owned<H, GdiTraits<H>>;
using MemoryDcOwned = Owned<HDC, DcTraits>;
using IconOwned = Owned<HICON, IconTraits>;
using FindOwned = Owned<HANDLE, FindTraits>;
using RegKeyOwned = Owned<HKEY, RegKeyTraits>;

// Selects `obj` into `dc` and puts the previous object back when it goes.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~SelectGuard() {
    if (old_) SelectObject(dc_, old_);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace dirsheet::platform::win32
