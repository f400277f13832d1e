// Owners for Win32 handles, one type per kind of handle, and guards that put back a device
// context's previous selection and clipping: one set for every Win32 layer.
#pragma once

#include <windows.h>
#include <commctrl.h>

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
struct MemoryDcTraits {
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
struct FileTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Release(HANDLE h) { CloseHandle(h); }
};
struct RegKeyTraits {
  static HKEY Invalid() { return nullptr; }
  static void Release(HKEY h) { RegCloseKey(h); }
};
struct GlobalMemoryTraits {
  static HGLOBAL Invalid() { return nullptr; }
  static void Release(HGLOBAL h) { GlobalFree(h); }
};
struct ImageListTraits {
  static HIMAGELIST Invalid() { return nullptr; }
  static void Release(HIMAGELIST h) { ImageList_Destroy(h); }
};

// GDI objects, each kind under its own name.
using Region = Owned<HRGN, GdiTraits<HRGN>>;
using Brush = Owned<HBRUSH, GdiTraits<HBRUSH>>;
using Font = Owned<HFONT, GdiTraits<HFONT>>;
using Bitmap = Owned<HBITMAP, GdiTraits<HBITMAP>>;
// A device context made with CreateCompatibleDC or CreateDC.
using MemoryDc = Owned<HDC, MemoryDcTraits>;
using Icon = Owned<HICON, IconTraits>;
using FindHandle = Owned<HANDLE, FindTraits>;
using FileHandle = Owned<HANDLE, FileTraits>;  // CreateFile and the like
using RegKey = Owned<HKEY, RegKeyTraits>;
using GlobalMemory = Owned<HGLOBAL, GlobalMemoryTraits>;
using ImageList = Owned<HIMAGELIST, ImageListTraits>;  // the common controls' image lists

// A window's device context (GetWindowDC or GetDC with a window, or the screen's with
// none), given back with ReleaseDC to the window it came from.
class WindowDc {
 public:
  WindowDc() = default;
  // The whole window's surface (GetWindowDC), or the client area's with `client`.
  explicit WindowDc(HWND window, bool client = false)
      : window_(window), dc_(client ? GetDC(window) : GetWindowDC(window)) {}
  ~WindowDc() { reset(); }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  WindowDc(WindowDc&& o) noexcept
      : window_(std::exchange(o.window_, nullptr)), dc_(std::exchange(o.dc_, nullptr)) {}
  WindowDc& operator=(WindowDc&& o) noexcept {
    if (this != &o) {
      reset();
      window_ = std::exchange(o.window_, nullptr);
      dc_ = std::exchange(o.dc_, nullptr);
    }
    return *this;
  }
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }
  void reset() {
    if (dc_) ReleaseDC(window_, dc_);
    dc_ = nullptr;
    window_ = nullptr;
  }

 private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

// A COM interface pointer, released when it goes.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) {
      reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For the out-parameter of a creating call; whatever was held is released first.
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  void reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

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

// Clips `dc` to `region` (null: no clipping) and takes the clipping off again when it goes.
class ClipGuard {
 public:
  ClipGuard(HDC dc, HRGN region) : dc_(dc) { SelectClipRgn(dc, region); }
  ~ClipGuard() { SelectClipRgn(dc_, nullptr); }
  ClipGuard(const ClipGuard&) = delete;
  ClipGuard& operator=(const ClipGuard&) = delete;

 private:
  HDC dc_;
};

}  // namespace dirsheet::platform::win32
