// The interception layer: one gateway window procedure in front of each intercepted
// window, before and after message tables, a plain callback entry point for the hover
// timer, and the layer's error reports.
#include <windows.h>

#include <cstdio>
#include <map>
#include <new>
#include <string>
#include <unordered_map>

#include "skin/win32/Intercept.h"

#include "platform/Sync.h"
#include "skin/win32/Notify.h"

namespace dirsheet::skin::win32 {

namespace {

constexpr std::uint32_t kGatewayMagic = 0x534B4E47;  // "GNKS"

LRESULT CALLBACK GatewayProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Which gateway serves which window, for the whole process: the gateway looks its state up
// on every message of its window, so the table lives in the process rather than in a
// window property (a property look-up is a round trip to the window server under Wine).
// It is never destroyed, since a gateway may outlive every engine.
class GatewayTable {
 public:
  Gateway* Find(HWND window) {
    platform::Locked held(lock_);
    auto it = map_.find(window);
    return it == map_.end() ? nullptr : it->second;
  }
  void Set(HWND window, Gateway* g) {
    platform::Locked held(lock_);
    map_[window] = g;
  }
  // Forgets the window's gateway, if it is still `g`.
  void Erase(HWND window, const Gateway* g) {
    platform::Locked held(lock_);
    auto it = map_.find(window);
    if (it != map_.end() && it->second == g) map_.erase(it);
  }

 private:
  platform::Mutex lock_;
  std::unordered_map<HWND, Gateway*> map_;
};

GatewayTable& Gateways() {
  static GatewayTable* table = new GatewayTable;
  return *table;
}

}  // namespace

// The state one gateway works from. It lives in memory of its own (VirtualAlloc) so that
// a gateway that outlives its engine can still give the window back and free itself.
struct Gateway {
  std::uint32_t Magic = kGatewayMagic;
  HWND Window = nullptr;
  WNDPROC PreviousProc = nullptr;
  bool Unicode = false;
  InterceptHandler* Handler = nullptr;  // null once the engine let go of this gateway
  int Position = 0;
  LONG_PTR UserValue = 0;
  MsgTable Before, After;
  int Depth = 0;            // messages of this window being handled right now
  bool Destroying = false;  // WM_DESTROY went through the window's own procedure
  bool ReleaseRequested = false;
  bool EngineOwned = true;  // the engine's record still points here
  bool Installed = false;   // the gateway is the window's procedure
};

namespace {

bool IsLiveGateway(const Gateway* g) { return g && g->Magic == kGatewayMagic; }

void FreeGateway(Gateway* g) {
  Gateways().Erase(g->Window, g);
  g->Magic = 0;
  g->~Gateway();
  VirtualFree(g, 0, MEM_RELEASE);
}

// Puts the window's own procedure back. When another procedure was installed on top of
// the gateway, taking the gateway out would cut that one off, so the gateway then stays
// as a plain pass-through.
void Uninstall(Gateway* g) {
  if (!g->Installed) return;
  WNDPROC current =
      reinterpret_cast<WNDPROC>(g->Unicode ? GetWindowLongPtrW(g->Window, GWLP_WNDPROC)
                                           : GetWindowLongPtrA(g->Window, GWLP_WNDPROC));
  if (current != GatewayProc && IsWindow(g->Window)) {
    g->Handler = nullptr;
    g->Before.Count = g->After.Count = 0;
    return;
  }
  if (IsWindow(g->Window)) {
    if (g->Unicode)
      SetWindowLongPtrW(g->Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g->PreviousProc));
    else
      SetWindowLongPtrA(g->Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g->PreviousProc));
  }
  Gateways().Erase(g->Window, g);
  g->Installed = false;
}

// Once the outermost message of a window being destroyed (or released) has been handled,
// the window is given back; the gateway frees itself unless the engine still has its
// record (the engine frees it then).
void FinishIfReleasing(Gateway* g) {
  if (g->Depth != 0 || !(g->Destroying || g->ReleaseRequested)) return;
  Uninstall(g);
  if (!g->Installed && !g->EngineOwned) FreeGateway(g);
}

void CallHandler(Gateway* g, bool before, bool& handled, LRESULT& ret, HWND hwnd, UINT msg,
                 WPARAM wp, LPARAM lp) {
  if (g->Handler)
    g->Handler->OnIntercept(g->Position, before, handled, ret, hwnd, msg, wp, lp, g->UserValue);
}

LRESULT CALLBACK GatewayProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  Gateway* g = Gateways().Find(hwnd);
  if (!IsLiveGateway(g)) return DefWindowProcA(hwnd, uMsg, wParam, lParam);
  ++g->Depth;
  bool bHandled = false;
  LRESULT lReturn = 0;
  if (g->Before.Holds(uMsg)) CallHandler(g, true, bHandled, lReturn, hwnd, uMsg, wParam, lParam);
  if (uMsg != WM_DESTROY && bHandled) {
    --g->Depth;
    FinishIfReleasing(g);
    return lReturn;
  }
  lReturn = g->Unicode ? CallWindowProcW(g->PreviousProc, hwnd, uMsg, wParam, lParam)
                       : CallWindowProcA(g->PreviousProc, hwnd, uMsg, wParam, lParam);
  // A window that is going away without a WM_DESTROY of its own still gives the
  // procedure back on its very last message.
  if (uMsg == WM_DESTROY || uMsg == WM_NCDESTROY) g->Destroying = true;
  // The handle dies with this message: a later window may get the same one.
  if (uMsg == WM_NCDESTROY) Gateways().Erase(hwnd, g);
  --g->Depth;
  if (g->Depth == 0 && (g->Destroying || g->ReleaseRequested)) {
    FinishIfReleasing(g);
    return lReturn;
  }
  if (g->After.Holds(uMsg)) CallHandler(g, false, bHandled, lReturn, hwnd, uMsg, wParam, lParam);
  return lReturn;
}

// The plain entry point of a callback made by scb_SetCallbackAddr: a timer procedure whose
// timer identifier is the handler object.
struct CallbackTarget {
  InterceptHandler* Handler;
  int Position;
};
std::map<UINT_PTR, CallbackTarget>& CallbackTargets() {
  static std::map<UINT_PTR, CallbackTarget> targets;
  return targets;
}

VOID CALLBACK TimerEntry(HWND hwnd, UINT msg, UINT_PTR id, DWORD time) {
  auto it = CallbackTargets().find(id);
  if (it == CallbackTargets().end()) return;
  const ULONG_PTR params[4] = {reinterpret_cast<ULONG_PTR>(hwnd), msg, id, time};
  it->second.Handler->OnCallback(it->second.Position, params, 4);
}

// The engine lets go of a gateway: it stops calling the handler and is given back by
// the window's outermost message, or freed here when its window is already gone.
void ReleaseGateway(Gateway* g) {
  g->EngineOwned = false;
  g->Handler = nullptr;
  g->Before.Count = g->After.Count = 0;
  g->ReleaseRequested = true;
  if (g->Depth > 0) return;
  if (!g->Installed || !IsWindow(g->Window)) FreeGateway(g);
}

}  // namespace

bool MsgTable::Holds(UINT msg) const {
  if (Count == ALL_MESSAGES) return true;
  for (int i = 1; i <= Count && i <= MSG_ENTRIES; ++i)
    if (Slots[i] == msg && msg != 0) return true;
  return false;
}

void Interceptor::ReportError(const std::string& routine, const std::string& message) {
  const std::string log = "ClsSkinner." + routine + ": " + message;
  if (HANDLE source = RegisterEventSourceA(nullptr, "Dirsheet")) {
    const char* strings[1] = {log.c_str()};
    ReportEventA(source, EVENTLOG_ERROR_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(source);
  }
  const std::string caption = "Error in ClsSkinner." + routine;
  const std::string text = message + ".";
  ShowSkinMessage(nullptr, text.c_str(), caption.c_str(), MB_ICONWARNING);
}

Interceptor::~Interceptor() {
  ReleaseEntryPoints(EntryKind::Intercept);
  ReleaseEntryPoints(EntryKind::Callback);
}

void* Interceptor::zMap_VFunction(ULONG_PTR id, EntryKind kind) {
  if (kind != EntryKind::Intercept && kind != EntryKind::Unused && kind != EntryKind::Callback) {
    ReportError("zMap_Vfunction", "Invalid thunk type passed");
    return nullptr;
  }
  if ((kind == EntryKind::Intercept && !records_) || (kind == EntryKind::Callback && !callbacks_) ||
      kind == EntryKind::Unused) {
    ReportError("zMap_VFunction", "Thunk hasn't been initialized");
    return nullptr;
  }
  if (kind == EntryKind::Intercept) {
    auto it = records_->find(reinterpret_cast<HWND>(id));
    if (it != records_->end()) return it->second;
  } else {
    auto it = callbacks_->find(int(id));
    if (it != callbacks_->end()) return &it->second;
  }
  ReportError("zMap_VFunction", "Thunk type for ID of " + std::to_string(id) + " does not exist");
  return nullptr;
}

Gateway* Interceptor::FindGateway(HWND hwnd) {
  auto* g = static_cast<Gateway*>(
      zMap_VFunction(reinterpret_cast<ULONG_PTR>(hwnd), EntryKind::Intercept));
  // A gateway that already gave its window back is no longer valid to work on.
  return IsLiveGateway(g) && g->Installed ? g : nullptr;
}

bool Interceptor::ssc_Subclass(HWND hwnd, LONG_PTR userValue, int position,
                               InterceptHandler* handlerObject, bool unicode) {
  const char* routine = "ssc_Subclass";
  if (!IsWindow(hwnd)) {
    ReportError(routine, "Invalid window handle");
    return false;
  }
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != GetCurrentProcessId()) {
    ReportError(routine, "Window handle belongs to another process");
    return false;
  }
  InterceptHandler* handler = handlerObject ? handlerObject : owner_;
  if (!handler || !handler->HasHandler(position)) {
    ReportError(routine, "Callback method not found");
    return false;
  }
  void* memory = VirtualAlloc(nullptr, sizeof(Gateway), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!memory) {
    ReportError(routine, "VirtualAlloc failed, error: " + std::to_string(GetLastError()));
    return false;
  }
  auto* g = new (memory) Gateway;
  if (!records_) records_ = std::make_unique<std::map<HWND, Gateway*>>();
  // One gateway per window: a window another engine already intercepts counts as
  // subclassed too, since two gateways could not find their own state.
  if (records_->count(hwnd) || Gateways().Find(hwnd)) {
    ReportError(routine, "Window handle is already subclassed");
    FreeGateway(g);
    return false;
  }
  g->Window = hwnd;
  g->Unicode = unicode && IsWindowUnicode(hwnd);
  g->Handler = handler;
  g->Position = position;
  g->UserValue = userValue;
  Gateways().Set(hwnd, g);
  SetLastError(0);
  LONG_PTR previous =
      g->Unicode ? SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GatewayProc))
                 : SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GatewayProc));
  if (previous == 0) {
    ReportError(routine, "SetWindowLong failed, error #" + std::to_string(GetLastError()));
    FreeGateway(g);
    return false;
  }
  g->PreviousProc = reinterpret_cast<WNDPROC>(previous);
  g->Installed = true;
  (*records_)[hwnd] = g;
  return true;
}

void Interceptor::zAddMsg(int uMsg, MsgTable& t) {
  if (uMsg == ALL_MESSAGES) {
    t.Count = ALL_MESSAGES;
    return;
  }
  if (t.Count == ALL_MESSAGES) return;  // every message is already in
  // A message already in the table, or a slot freed by a removal, is found first: a full
  // table with a free slot still takes a message.
  for (int i = 1; i <= t.Count; ++i) {
    if (t.Slots[i] == UINT(uMsg)) return;
  }
  for (int i = 1; i <= t.Count; ++i) {
    if (t.Slots[i] == 0) {
      t.Slots[i] = UINT(uMsg);
      return;
    }
  }
  if (t.Count >= MSG_ENTRIES) {
    ReportError("zAddMsg",
                "Message table overflow. Either increase the value of Const MSG_ENTRIES or use "
                "ALL_MESSAGES instead of specific message values");
    return;
  }
  t.Slots[++t.Count] = UINT(uMsg);
}

void Interceptor::zDelMsg(int uMsg, MsgTable& t) {
  if (uMsg == ALL_MESSAGES) {
    t.Count = 0;
    return;
  }
  for (int i = 1; i <= t.Count && i <= MSG_ENTRIES; ++i) {
    if (t.Slots[i] == UINT(uMsg)) {
      t.Slots[i] = 0;
      return;
    }
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "%X", unsigned(uMsg));
  ReportError("zDelMsg", std::string("Message &H") + hex + " not found in table");
}

void Interceptor::WatchMessage(HWND hwnd, int uMsg, int When) {
  Gateway* g = FindGateway(hwnd);
  if (!g) return;
  if (When & WHEN_BEFORE) zAddMsg(uMsg, g->Before);
  if (When & WHEN_AFTER) zAddMsg(uMsg, g->After);
}

void Interceptor::UnwatchMessage(HWND hwnd, int uMsg, int When) {
  Gateway* g = FindGateway(hwnd);
  if (!g) return;
  if (When & WHEN_BEFORE) zDelMsg(uMsg, g->Before);
  if (When & WHEN_AFTER) zDelMsg(uMsg, g->After);
}

LRESULT Interceptor::CallPreviousProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  Gateway* g = FindGateway(hwnd);
  if (!g || !g->PreviousProc) return 0;
  return g->Unicode ? CallWindowProcW(g->PreviousProc, hwnd, uMsg, wParam, lParam)
                    : CallWindowProcA(g->PreviousProc, hwnd, uMsg, wParam, lParam);
}

void Interceptor::StopIntercepting(HWND hwnd) {
  auto* g = static_cast<Gateway*>(
      zMap_VFunction(reinterpret_cast<ULONG_PTR>(hwnd), EntryKind::Intercept));
  if (records_) records_->erase(hwnd);
  if (!IsLiveGateway(g)) return;
  const bool sendNull = g->Installed && IsWindow(hwnd) && g->Depth == 0;
  ReleaseGateway(g);
  // The gateway gives the window back at the end of this message and frees itself.
  if (sendNull) {
    if (g->Unicode)
      SendMessageW(hwnd, WM_NULL, 0, 0);
    else
      SendMessageA(hwnd, WM_NULL, 0, 0);
  }
}

void Interceptor::ReleaseEntryPoints(EntryKind kind) {
  if (kind == EntryKind::Intercept && records_) {
    for (auto& [window, g] : *records_) {
      if (!IsLiveGateway(g)) continue;
      const bool giveBack = g->Depth == 0 && g->Installed && IsWindow(g->Window);
      ReleaseGateway(g);  // frees a gateway whose window is gone
      if (giveBack) {
        Uninstall(g);
        if (!g->Installed) FreeGateway(g);
      }
    }
    records_.reset();
  }
  if (kind == EntryKind::Callback && callbacks_) {
    for (const auto& [position, c] : *callbacks_) CallbackTargets().erase(c.TimerId);
    callbacks_.reset();
  }
}

void* Interceptor::scb_SetCallbackAddr(int paramCount, int position,
                                       InterceptHandler* handlerObject) {
  const char* routine = "scb_SetCallbackAddr";
  // Without generated code the one entry point there is takes the four parameters of
  // a timer procedure.
  if (paramCount != 4) {
    ReportError(routine, "Invalid Parameter count");
    return nullptr;
  }
  InterceptHandler* handler = handlerObject ? handlerObject : owner_;
  if (!handler || !handler->HasHandler(position)) {
    ReportError(routine, "Callback address not found.");
    return nullptr;
  }
  if (!callbacks_) callbacks_ = std::make_unique<std::map<int, CallbackRecord>>();
  if (!callbacks_->count(position)) {
    // The timer identifier is the handler object: one hover timer per engine.
    const CallbackRecord rec{handler, position, reinterpret_cast<UINT_PTR>(handler)};
    (*callbacks_)[position] = rec;
    CallbackTargets()[rec.TimerId] = {handler, position};
  }
  return reinterpret_cast<void*>(&TimerEntry);
}

}  // namespace dirsheet::skin::win32
