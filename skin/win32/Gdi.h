// Owners of GDI objects, memory device contexts and icons, and a guard that puts the
// previously selected object back.
#pragma once

#include <windows.h>

#include <utility>

namespace dirsheet::skin::win32 {

template <typename Handle, typename Deleter>
class Owner {
 public:
  Owner() = default;
  explicit Owner(Handle h) : h_(h) {}
  ~Owner() { reset(); }
  Owner(Owner&& o) noexcept : h_(std::exchange(o.h_, Handle{})) {}
  Owner& operator=(Owner&& o) noexcept {
    if (this != &o) { reset(); h_ = std::exchange(o.h_, Handle{}); }
    return *this;
  }
  Owner(const Owner&) = delete;
  Owner& operator=(const Owner&) = delete;
  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != Handle{}; }
  void reset(Handle h = Handle{}) {
    if (h_) Deleter()(h_);
    h_ = h;
  }
  Handle release() { return std::exchange(h_, Handle{}); }

 private:
  Handle h_{};
};

struct DeleteGdi { void operator()(HGDIOBJ h) const { DeleteObject(h); } };
struct DeleteDc { void operator()(HDC h) const { DeleteDC(h); } };
struct DestroyIconFn { void operator()(HICON h) const { DestroyIcon(h); } };

using GdiObject = Owner<HGDIOBJ, DeleteGdi>;
using MemDc = Owner<HDC, DeleteDc>;
using IconOwner = Owner<HICON, DestroyIconFn>;

class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~SelectGuard() { if (old_) SelectObject(dc_, old_); }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace dirsheet::skin::win32
