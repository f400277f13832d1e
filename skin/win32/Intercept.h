// The interception layer: one gateway window procedure in front of each intercepted
// window with before and after message tables, plain callback entry points (the hover
// timer's), and the layer's error reports.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

namespace dirsheet::skin::win32 {

constexpr int MSG_ENTRIES = 32;
constexpr int ALL_MESSAGES = -1;
constexpr int WHEN_BEFORE = 1, WHEN_AFTER = 2, WHEN_BOTH = 3;

// A before or after table: a count (-1 = every message) and up to 32 message numbers;
// a removed entry leaves 0 in its slot.
struct MsgTable {
  int Count = 0;
  UINT Slots[MSG_ENTRIES + 1] = {};  // slots 1..MSG_ENTRIES are used
  bool Holds(UINT msg) const;
};

// The two collections of entry points: interception records (one per intercepted window)
// and plain callback entry points. Kind 1 is a collection the engine never fills.
enum class EntryKind : int { Intercept = 0, Unused = 1, Callback = 2 };

// Whoever receives intercepted messages: the engine, or any other object given to
// ssc_Subclass. A handler is named by its position counted from the end of the object's
// handler table (1 = last).
class InterceptHandler {
 public:
  virtual ~InterceptHandler() = default;
  virtual bool HasHandler(int position) const = 0;
  virtual void OnIntercept(int position, bool bBefore, bool& bHandled, LRESULT& lReturn,
                           HWND lng_hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                           LONG_PTR& lParamUser) = 0;
  // A plain callback entry point made by scb_SetCallbackAddr forwards here.
  virtual void OnCallback(int position, const ULONG_PTR* params, int count) {}
};

struct Gateway;  // the state one intercepted window's gateway procedure works from

class Interceptor {
 public:
  // `owner` receives the messages of interceptions that name no handler object.
  explicit Interceptor(InterceptHandler* owner) : owner_(owner) {}
  ~Interceptor();  // gives every window back and frees every entry point
  Interceptor(const Interceptor&) = delete;
  Interceptor& operator=(const Interceptor&) = delete;

  bool ssc_Subclass(HWND hwnd, LONG_PTR userValue, int position,
                    InterceptHandler* handlerObject = nullptr, bool unicode = false);
  void WatchMessage(HWND hwnd, int uMsg, int When);
  void UnwatchMessage(HWND hwnd, int uMsg, int When);
  LRESULT CallPreviousProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
  void StopIntercepting(HWND hwnd);
  void ReleaseEntryPoints(EntryKind kind);
  void* scb_SetCallbackAddr(int paramCount, int position,
                            InterceptHandler* handlerObject = nullptr);
  void* zMap_VFunction(ULONG_PTR id, EntryKind kind);
  void ReportError(const std::string& routine, const std::string& message);
  void zAddMsg(int uMsg, MsgTable& table);
  void zDelMsg(int uMsg, MsgTable& table);

 private:
  struct CallbackRecord {
    InterceptHandler* Handler;
    int Position;
    UINT_PTR TimerId;
  };
  Gateway* FindGateway(HWND hwnd);

  InterceptHandler* owner_;
  // Created on first use: an operation on a collection not made yet reports so.
  std::unique_ptr<std::map<HWND, Gateway*>> records_;
  std::unique_ptr<std::map<int, CallbackRecord>> callbacks_;
};

}  // namespace dirsheet::skin::win32
