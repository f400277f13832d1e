// The interception layer on real windows: the handler contract's order, the message
// tables and the layer's error reports.
#include <gtest/gtest.h>

#include <vector>

#include "skin/win32/ClsSkinner.h"
#include "tests/skin/SkinTestFiles.h"
#include "tests/skin/WinTestUtil.h"

namespace dirsheet::skin::testing {
namespace {

using win32::ClsSkinner;
using win32::EntryKind;
using win32::Interceptor;
using win32::WHEN_AFTER;
using win32::WHEN_BEFORE;
using win32::WHEN_BOTH;

constexpr UINT kProbe = WM_APP + 1;

// A handler that writes down every call and can keep messages from the window.
class Recorder : public win32::InterceptHandler {
 public:
  struct Call {
    bool Before;
    UINT Msg;
    LRESULT Return;
  };
  bool HasHandler(int position) const override { return position == 1; }
  void OnIntercept(int, bool bBefore, bool& bHandled, LRESULT& lReturn, HWND, UINT uMsg, WPARAM,
                   LPARAM, LONG_PTR&) override {
    calls.push_back({bBefore, uMsg, lReturn});
    if (bBefore && uMsg == handleMsg) {
      bHandled = true;
      lReturn = 7;
    }
  }
  std::vector<Call> calls;
  UINT handleMsg = 0;
};

// The window's own procedure answers kProbe with 42 and counts what reaches it.
struct OwnProc {
  int probes = 0, destroys = 0;
  WNDPROC procAtNcDestroy = nullptr;
  TestProc Make() {
    return [this](HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT& r) {
      if (msg == kProbe) {
        ++probes;
        r = 42;
        return true;
      }
      if (msg == WM_DESTROY) ++destroys;
      if (msg == WM_NCDESTROY)
        procAtNcDestroy = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
      return false;
    };
  }
};

class HookTest : public ::testing::Test {
 protected:
  void SetUp() override { hwnd = MakeTestWindow("hook", 50, 50, 300, 200, own.Make()); }
  void TearDown() override {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }
  MessageRecorder boxes;
  OwnProc own;
  HWND hwnd = nullptr;
};

TEST_F(HookTest, HandlerOrderBeforeOwnProcedureAfter) {
  Recorder rec;
  Interceptor engine(&rec);
  ASSERT_TRUE(engine.ssc_Subclass(hwnd, 0, 1, &rec));
  engine.WatchMessage(hwnd, kProbe, WHEN_BOTH);
  EXPECT_EQ(SendMessageA(hwnd, kProbe, 0, 0), 42);
  ASSERT_EQ(rec.calls.size(), 2u);
  EXPECT_TRUE(rec.calls[0].Before);
  EXPECT_EQ(rec.calls[0].Return, 0);
  EXPECT_FALSE(rec.calls[1].Before);
  EXPECT_EQ(rec.calls[1].Return, 42);  // the window's result reaches the after call
  EXPECT_EQ(own.probes, 1);

  // A before handler that handles the message keeps it from the window and from the
  // after call.
  rec.calls.clear();
  rec.handleMsg = kProbe;
  EXPECT_EQ(SendMessageA(hwnd, kProbe, 0, 0), 7);
  EXPECT_EQ(rec.calls.size(), 1u);
  EXPECT_EQ(own.probes, 1);

  // Messages not in the tables pass untouched; CallPreviousProc reaches the window.
  rec.calls.clear();
  SendMessageA(hwnd, kProbe + 1, 0, 0);
  EXPECT_TRUE(rec.calls.empty());
  EXPECT_EQ(engine.CallPreviousProc(hwnd, kProbe, 0, 0), 42);
  EXPECT_EQ(own.probes, 2);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(HookTest, DestroyAlwaysReachesTheWindowAndGivesItBack) {
  Recorder rec;
  rec.handleMsg = WM_DESTROY;
  Interceptor engine(&rec);
  ASSERT_TRUE(engine.ssc_Subclass(hwnd, 0, 1, &rec));
  engine.WatchMessage(hwnd, WM_DESTROY, WHEN_BOTH);
  DestroyWindow(hwnd);
  EXPECT_EQ(own.destroys, 1);
  EXPECT_EQ(own.procAtNcDestroy, TestWindowProc());
  // Only the before call: the gateway gave the window back instead of the after call.
  ASSERT_EQ(rec.calls.size(), 1u);
  EXPECT_TRUE(rec.calls[0].Before);
  // The engine's later clean-up finds nothing left to undo.
  engine.StopIntercepting(hwnd);
  engine.ReleaseEntryPoints(EntryKind::Intercept);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(HookTest, StopInterceptingPutsTheOwnProcedureBack) {
  Recorder rec;
  Interceptor engine(&rec);
  ASSERT_TRUE(engine.ssc_Subclass(hwnd, 0, 1, &rec));
  EXPECT_NE(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC)), TestWindowProc());
  engine.WatchMessage(hwnd, kProbe, WHEN_BEFORE);
  engine.StopIntercepting(hwnd);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC)), TestWindowProc());
  SendMessageA(hwnd, kProbe, 0, 0);
  EXPECT_TRUE(rec.calls.empty());
  // The window can be taken over again afterwards.
  EXPECT_TRUE(engine.ssc_Subclass(hwnd, 0, 1, &rec));
  engine.ReleaseEntryPoints(EntryKind::Intercept);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC)), TestWindowProc());
}

// A procedure installed on top of the gateway by someone else: giving the window back
// would cut that one off, so the gateway stays and passes every message on to the
// window's own procedure, until the window goes; after that a new window is taken over
// as any other.
WNDPROC g_underneath = nullptr;
int g_onTop = 0;
LRESULT CALLBACK OnTopProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kProbe) ++g_onTop;
  return CallWindowProcA(g_underneath, h, msg, wp, lp);
}

TEST_F(HookTest, AGatewayUnderAnotherProcedureStaysAsAPassThrough) {
  Recorder rec;
  Interceptor engine(&rec);
  ASSERT_TRUE(engine.ssc_Subclass(hwnd, 0, 1, &rec));
  engine.WatchMessage(hwnd, kProbe, WHEN_BOTH);
  g_onTop = 0;
  g_underneath = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OnTopProc)));
  EXPECT_EQ(SendMessageA(hwnd, kProbe, 0, 0), 42);
  EXPECT_EQ(rec.calls.size(), 2u);

  engine.StopIntercepting(hwnd);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC)), &OnTopProc);
  rec.calls.clear();
  EXPECT_EQ(SendMessageA(hwnd, kProbe, 0, 0), 42);
  EXPECT_EQ(g_onTop, 2);
  EXPECT_EQ(own.probes, 2);
  EXPECT_TRUE(rec.calls.empty());
  DestroyWindow(hwnd);
  EXPECT_EQ(own.destroys, 1);

  OwnProc second;
  HWND next = MakeTestWindow("next", 50, 50, 300, 200, second.Make());
  ASSERT_TRUE(engine.ssc_Subclass(next, 0, 1, &rec));
  engine.WatchMessage(next, kProbe, WHEN_BEFORE);
  EXPECT_EQ(SendMessageA(next, kProbe, 0, 0), 42);
  EXPECT_EQ(rec.calls.size(), 1u);
  engine.ReleaseEntryPoints(EntryKind::Intercept);
  DestroyWindow(next);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(HookTest, ReportsBadHandlesDoubleHooksAndMissingHandlers) {
  Recorder rec;
  Interceptor engine(&rec);
  HWND bogus = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x7FFF1234));
  EXPECT_FALSE(engine.ssc_Subclass(bogus, 0, 1, &rec));
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].Text, "Invalid window handle.");
  EXPECT_EQ(boxes.Shown()[0].Caption, "Error in ClsSkinner.ssc_Subclass");
  EXPECT_EQ(boxes.Shown()[0].Type, UINT(MB_ICONWARNING));

  boxes.Clear();
  EXPECT_FALSE(engine.ssc_Subclass(hwnd, 0, 5, &rec));
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].Text, "Callback method not found.");

  boxes.Clear();
  ASSERT_TRUE(engine.ssc_Subclass(hwnd, 0, 1, &rec));
  EXPECT_FALSE(engine.ssc_Subclass(hwnd, 0, 1, &rec));
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].Text, "Window handle is already subclassed.");
  // The first interception still works.
  engine.WatchMessage(hwnd, kProbe, WHEN_BEFORE);
  SendMessageA(hwnd, kProbe, 0, 0);
  EXPECT_EQ(rec.calls.size(), 1u);

  // A second engine cannot stack a gateway on the same window either.
  Interceptor other(&rec);
  boxes.Clear();
  EXPECT_FALSE(other.ssc_Subclass(hwnd, 0, 1, &rec));
  EXPECT_EQ(boxes.Shown().size(), 1u);
}

TEST_F(HookTest, MessageTablesOverflowReuseAndRemoval) {
  Recorder rec;
  Interceptor engine(&rec);
  ASSERT_TRUE(engine.ssc_Subclass(hwnd, 0, 1, &rec));
  for (int i = 0; i < 32; ++i) engine.WatchMessage(hwnd, int(WM_APP + 100 + i), WHEN_BEFORE);
  engine.WatchMessage(hwnd, int(WM_APP + 100), WHEN_BEFORE);  // already in: no change, no error
  EXPECT_TRUE(boxes.Shown().empty());

  engine.WatchMessage(hwnd, int(kProbe), WHEN_BEFORE);  // the 33rd
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].Text,
            "Message table overflow. Either increase the value of Const MSG_ENTRIES or use "
            "ALL_MESSAGES instead of specific message values.");
  EXPECT_EQ(boxes.Shown()[0].Caption, "Error in ClsSkinner.zAddMsg");
  SendMessageA(hwnd, kProbe, 0, 0);
  EXPECT_TRUE(rec.calls.empty());
  SendMessageA(hwnd, WM_APP + 131, 0, 0);
  EXPECT_EQ(rec.calls.size(), 1u);

  // Removing one frees a slot for the next.
  boxes.Clear();
  engine.UnwatchMessage(hwnd, int(WM_APP + 110), WHEN_BEFORE);
  engine.WatchMessage(hwnd, int(kProbe), WHEN_BEFORE);
  EXPECT_TRUE(boxes.Shown().empty());
  rec.calls.clear();
  SendMessageA(hwnd, kProbe, 0, 0);
  SendMessageA(hwnd, WM_APP + 110, 0, 0);
  ASSERT_EQ(rec.calls.size(), 1u);
  EXPECT_EQ(rec.calls[0].Msg, kProbe);

  // Removing a message that is not there names it in upper-case hexadecimal.
  engine.UnwatchMessage(hwnd, 0x4D2, WHEN_AFTER);
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].Text, "Message &H4D2 not found in table.");
  EXPECT_EQ(boxes.Shown()[0].Caption, "Error in ClsSkinner.zDelMsg");

  // ALL_MESSAGES takes every message; removing it empties the table.
  rec.calls.clear();
  engine.WatchMessage(hwnd, -1, WHEN_AFTER);
  SendMessageA(hwnd, kProbe + 7, 0, 0);
  EXPECT_EQ(rec.calls.size(), 1u);
  engine.UnwatchMessage(hwnd, -1, WHEN_AFTER);
  rec.calls.clear();
  SendMessageA(hwnd, kProbe + 7, 0, 0);
  EXPECT_TRUE(rec.calls.empty());
}

TEST_F(HookTest, LookupAndCallbackErrors) {
  ClsSkinner skinner;  // the engine's own handlers: positions 1 to 3
  Interceptor& engine = skinner.Intercept();
  EXPECT_EQ(engine.zMap_VFunction(1, EntryKind::Intercept), nullptr);
  EXPECT_EQ(engine.zMap_VFunction(1, EntryKind(7)), nullptr);
  Recorder rec;
  ASSERT_TRUE(engine.ssc_Subclass(hwnd, 0, 1, &rec));
  EXPECT_EQ(engine.zMap_VFunction(99, EntryKind::Intercept), nullptr);
  EXPECT_NE(engine.zMap_VFunction(reinterpret_cast<ULONG_PTR>(hwnd), EntryKind::Intercept),
            nullptr);
  EXPECT_EQ(engine.scb_SetCallbackAddr(-1, 2), nullptr);
  EXPECT_EQ(engine.scb_SetCallbackAddr(4, 9), nullptr);
  void* entry = engine.scb_SetCallbackAddr(4, 2);
  EXPECT_NE(entry, nullptr);
  EXPECT_EQ(engine.scb_SetCallbackAddr(4, 2), entry);
  std::vector<std::string> texts, captions;
  for (const auto& m : boxes.Shown()) {
    texts.push_back(m.Text);
    captions.push_back(m.Caption);
  }
  const std::vector<std::string> expectedTexts = {
      "Thunk hasn't been initialized.", "Invalid thunk type passed.",
      "Thunk type for ID of 99 does not exist.", "Invalid Parameter count.",
      "Callback address not found.."};
  const std::vector<std::string> expectedCaptions = {
      "Error in ClsSkinner.zMap_VFunction", "Error in ClsSkinner.zMap_Vfunction",
      "Error in ClsSkinner.zMap_VFunction", "Error in ClsSkinner.scb_SetCallbackAddr",
      "Error in ClsSkinner.scb_SetCallbackAddr"};
  EXPECT_EQ(texts, expectedTexts);
  EXPECT_EQ(captions, expectedCaptions);
}

TEST_F(HookTest, HookFormNeedsASkinAndReportsBadWindows) {
  ClsSkinner engine;
  EXPECT_FALSE(engine.HookForm(hwnd));
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC)), TestWindowProc());
  EXPECT_TRUE(boxes.Shown().empty());

  const std::string path = TempPath("hooktest.skin");
  WriteFileBytes(path, SkinFileBytes(MakeTestSkin()));
  ASSERT_TRUE(engine.LoadSkinFromFile(path));
  HWND bogus = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x7FFF1234));
  EXPECT_FALSE(engine.HookForm(bogus));
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].Text, "Invalid window handle.");
  EXPECT_EQ(engine.HookedWindow(), nullptr);
  EXPECT_TRUE(engine.HookForm(hwnd));
  EXPECT_EQ(engine.HookedWindow(), hwnd);
  DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace dirsheet::skin::testing
