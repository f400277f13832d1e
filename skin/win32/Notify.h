// The engine's message boxes and the places where it may fail on purpose in tests.
#pragma once

#include <windows.h>

namespace dirsheet::skin::win32 {

// Message boxes of the engine go through this function, so that tests can read them
// instead of a user having to close them.
using SkinMessageBoxFn = int (*)(HWND owner, const char* text, const char* caption, UINT type);
void SetSkinMessageBox(SkinMessageBoxFn fn);
int ShowSkinMessage(HWND owner, const char* text, const char* caption, UINT type);

// Called at the places where the hover timer and the menu loop could fail, so that tests
// can make them fail and check that the window stays usable.
using SkinFaultHook = void (*)(const char* where);
void SetSkinFaultHook(SkinFaultHook hook);
void FaultPoint(const char* where);

}  // namespace dirsheet::skin::win32
