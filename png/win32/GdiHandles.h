// The screen's device context, borrowed for the length of a scope (GetDC / ReleaseDC):
// the one handle kind the drawing layer uses that the platform layer has no owner for.
// Bitmaps and memory device contexts use the platform's owners.
#pragma once

#include <windows.h>

namespace dirsheet::png::win32 {

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

}  // namespace dirsheet::png::win32
