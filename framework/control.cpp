#include "framework/control.h"

CControl::~CControl() {
  Unsubclass();
}

BOOL CControl::CreateControl(const wchar_t* cls, const wchar_t* text, DWORD style, const RECT& rect,
                             HWND parent, UINT id) {
  HWND h = ::CreateWindowExW(0, cls, text, style | WS_CHILD, rect.left, rect.top,
                             rect.right - rect.left, rect.bottom - rect.top, parent,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                             ::GetModuleHandleW(nullptr), nullptr);
  return h && SubclassWindow(h);
}

BOOL CControl::SubclassWindow(HWND hWnd) {
  if (!hWnd || m_hWnd || FromHandlePermanent(hWnd)) return FALSE;
  m_hWnd = hWnd;  // PreSubclassWindow may use the window already
  PreSubclassWindow();
  Attach(hWnd);
  m_pfnSuper = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CControl::ControlProc)));
  return m_pfnSuper != nullptr;
}

void CControl::Unsubclass() {
  if (m_hWnd && m_pfnSuper) {
    ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  }
  m_pfnSuper = nullptr;
}

LRESULT CControl::Default(UINT message, WPARAM wParam, LPARAM lParam) {
  return m_pfnSuper ? ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam)
                    : ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

bool CControl::OnChildNotify(UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
  if (message != WM_DRAWITEM) return false;
  DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
  *result = TRUE;
  return true;
}

LRESULT CALLBACK CControl::ControlProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<CControl*>(FromHandlePermanent(hWnd));
  if (!self) return ::DefWindowProcW(hWnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    const WNDPROC super = self->m_pfnSuper;
    self->Unsubclass();
    self->OnNcDestroyed();
    return super ? ::CallWindowProcW(super, hWnd, message, wParam, lParam)
                 : ::DefWindowProcW(hWnd, message, wParam, lParam);
  }
  LRESULT result = 0;
  if (self->OnWndMsg(message, wParam, lParam, &result)) return result;
  return self->Default(message, wParam, lParam);
}
