// Window object and per-class message maps: the part of the application
// framework every Tolv window stands on.
//
// A class that handles messages declares DECLARE_MESSAGE_MAP() and lists its
// handlers between BEGIN_MESSAGE_MAP(Class, Base) and END_MESSAGE_MAP(), one
// line per message. Dispatch looks in the most-derived class's map first and
// then in each base's map in turn; the first entry that matches handles the
// message. A message no map handles gets the window's default processing.
#pragma once

#include <windows.h>

class CWnd;

// One handler: calls a member of the class that declared the map.
using MsgHandler = LRESULT (*)(CWnd* self, WPARAM wParam, LPARAM lParam);

// Control id meaning "any": a plain window message, not a command.
constexpr UINT kAnyId = 0xFFFFFFFFu;

struct MsgMapEntry {
  UINT message;  // 0 ends the table
  UINT id;       // for WM_COMMAND: the control or menu id; else kAnyId
  MsgHandler handler;
};

struct MsgMap {
  const MsgMap* (*base)();  // the base class's map, or null at the root
  const MsgMapEntry* entries;
};

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // The object that owns a window of this process, or null.
  static CWnd* FromHandlePermanent(HWND hWnd);

  // Called with each queued message before it is dispatched, for the target
  // window and each of its ancestors; true means "handled, do not dispatch".
  virtual BOOL PreTranslateMessage(MSG* pMsg);

  // A notification the parent reflects back to the control it concerns
  // (owner drawing); true when the control handled it.
  virtual bool OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

  BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
  BOOL DestroyWindow();
  void SetWindowText(const wchar_t* text) { ::SetWindowTextW(m_hWnd, text); }
  BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    return ::PostMessageW(m_hWnd, msg, wp, lp);
  }
  LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    return ::SendMessageW(m_hWnd, msg, wp, lp);
  }

 protected:
  static const MsgMap* GetThisMessageMap();
  virtual const MsgMap* GetMessageMap() const { return GetThisMessageMap(); }

  // Looks the message up in the map chain; false when no entry handles it.
  bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // Every message of the window passes here first; false leaves it to the
  // window's default processing. Overrides see messages before the maps do.
  virtual bool WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    return OnWndMsg(message, wParam, lParam, result);
  }

  // Binds this object to a window that has just been created.
  void Attach(HWND hWnd);
  // Called once the window is gone (after WM_NCDESTROY).
  virtual void PostNcDestroy() {}
  void OnNcDestroyed();
};

// Walks from the message's window up through its ancestors of this process,
// stopping after `stop`, and offers the message to each window object.
BOOL WalkPreTranslateTree(HWND stop, MSG* pMsg);

#define DECLARE_MESSAGE_MAP()                    \
 protected:                                      \
  static const MsgMap* GetThisMessageMap();      \
  const MsgMap* GetMessageMap() const override { \
    return GetThisMessageMap();                  \
  }

#define BEGIN_MESSAGE_MAP(theClass, baseClass)   \
  const MsgMap* theClass::GetThisMessageMap() {  \
    using ThisClass [[maybe_unused]] = theClass; \
    using TheBase = baseClass;                   \
    static const MsgMapEntry entries[] = {
#define END_MESSAGE_MAP()                                           \
  { 0, 0, nullptr }                                                 \
  }                                                                 \
  ;                                                                 \
  static const MsgMap map = {&TheBase::GetThisMessageMap, entries}; \
  return &map;                                                      \
  }

// LRESULT ThisClass::fn(WPARAM, LPARAM)
#define ON_MESSAGE(msg, fn)                                    \
  {msg, kAnyId, [](CWnd* w, WPARAM wp, LPARAM lp) -> LRESULT { \
     return static_cast<ThisClass*>(w)->fn(wp, lp);            \
   }},

// void ThisClass::fn(): a command from control or menu item `id`.
#define ON_COMMAND(id, fn)                                                     \
  {WM_COMMAND, static_cast<UINT>(id), [](CWnd* w, WPARAM, LPARAM) -> LRESULT { \
     static_cast<ThisClass*>(w)->fn();                                         \
     return 0;                                                                 \
   }},
