#include "skin/win32/Notify.h"

namespace dirsheet::skin::win32 {

namespace {

int DefaultMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  return MessageBoxA(owner, text, caption, type);
}
SkinMessageBoxFn g_messageBox = DefaultMessageBox;
SkinFaultHook g_faultHook = nullptr;

}  // namespace

void SetSkinMessageBox(SkinMessageBoxFn fn) { g_messageBox = fn ? fn : DefaultMessageBox; }

int ShowSkinMessage(HWND owner, const char* text, const char* caption, UINT type) {
  return g_messageBox(owner, text, caption, type);
}

void SetSkinFaultHook(SkinFaultHook hook) { g_faultHook = hook; }

void FaultPoint(const char* where) {
  if (g_faultHook) g_faultHook(where);
}

}  // namespace dirsheet::skin::win32
