#include "tests/skin/WinTestUtil.h"

#include "skin/win32/ClsSkinner.h"

namespace dirsheet::skin::testing {

namespace {

std::vector<ShownMessage> g_shown;

int Record(HWND, const char* text, const char* caption, UINT type) {
  g_shown.push_back({text, caption, type});
  return IDOK;
}

}  // namespace

MessageRecorder::MessageRecorder() {
  g_shown.clear();
  win32::SetSkinMessageBox(Record);
}
MessageRecorder::~MessageRecorder() { win32::SetSkinMessageBox(nullptr); }
const std::vector<ShownMessage>& MessageRecorder::Shown() const { return g_shown; }
void MessageRecorder::Clear() { g_shown.clear(); }

}  // namespace dirsheet::skin::testing
