// Child controls backed by the system's window classes (buttons, statics,
// progress bars) whose messages a class's message map can take over: the
// window is subclassed, mapped messages go to the handlers, everything else
// to the control's own window procedure.
#pragma once

#include <windows.h>
// windows.h first: commctrl.h needs its types.
#include <commctrl.h>

#include "framework/wnd.h"

class CControl : public CWnd {
 public:
  ~CControl() override;

  // Binds an existing window, such as a control of a dialog template.
  BOOL SubclassWindow(HWND hWnd);
  BOOL SubclassDlgItem(UINT id, HWND parent) {
    return SubclassWindow(::GetDlgItem(parent, static_cast<int>(id)));
  }

  // Owner drawing, reflected from the parent's WM_DRAWITEM.
  virtual void DrawItem(DRAWITEMSTRUCT*) {}
  bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)); }

 protected:
  // Creates a child window of the system class `cls` and binds it.
  BOOL CreateControl(const wchar_t* cls, const wchar_t* text, DWORD style, const RECT& rect,
                     HWND parent, UINT id);
  // Runs before the window is bound, for created and template controls alike.
  virtual void PreSubclassWindow() {}
  // The control's own handling of a message.
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK ControlProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
  void Unsubclass();

  WNDPROC m_pfnSuper = nullptr;
};

class CButton : public CControl {
 public:
  BOOL Create(const wchar_t* text, DWORD style, const RECT& rect, HWND parent, UINT id) {
    return CreateControl(L"BUTTON", text, style, rect, parent, id);
  }
};

class CStatic : public CControl {
 public:
  BOOL Create(const wchar_t* text, DWORD style, const RECT& rect, HWND parent, UINT id) {
    return CreateControl(L"STATIC", text, style, rect, parent, id);
  }
};

class CProgressCtrl : public CControl {
 public:
  BOOL Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
    return CreateControl(L"msctls_progress32", L"", style, rect, parent, id);
  }
  void SetRange32(int lower, int upper) { SendMessage(PBM_SETRANGE32, lower, upper); }
  int SetPos(int pos) { return static_cast<int>(SendMessage(PBM_SETPOS, pos)); }
  int GetPos() { return static_cast<int>(SendMessage(PBM_GETPOS)); }
  void GetRange(int& lower, int& upper) {
    PBRANGE r = {};
    SendMessage(PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&r));
    lower = r.iLow;
    upper = r.iHigh;
  }
};
