// Owners for the GDI handles the drawing layer makes (the platform layer's owners), the
// screen and memory device contexts, and the selection guard.
#pragma once

#include <windows.h>

#include "platform/win32/Handles.h"

#include <utility>

namespace dirsheet::png::win32 {

template <typename H>
using GdiObject = platform::win32::GdiOwned<H>;
using Bitmap = GdiObject<HBITMAP>;

class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC() {
        if (dc_) DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

class ScreenDC {
public:
    ScreenDC() : dc_(GetDC(nullptr)) {}
    ~ScreenDC() {
        if (dc_) ReleaseDC(nullptr, dc_);
    }
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

using platform::win32::SelectGuard;

}  // namespace dirsheet::png::win32
