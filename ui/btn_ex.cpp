#include "ui/btn_ex.h"

#include "framework/gdi.h"
#include "ui/skin_layout.h"

BEGIN_MESSAGE_MAP(CBtnEx, CButton)
  ON_MESSAGE(WM_ERASEBKGND, OnEraseBkgnd)
  ON_MESSAGE(WM_MOUSEMOVE, OnMouseMove)
  ON_MESSAGE(WM_MOUSEHOVER, OnMouseHover)
  ON_MESSAGE(WM_MOUSELEAVE, OnMouseLeave)
  ON_MESSAGE(WM_LBUTTONUP, OnLButtonUp)
  ON_MESSAGE(WM_CAPTURECHANGED, OnCaptureChanged)
  ON_MESSAGE(WM_DESTROY, OnDestroy)
  ON_MESSAGE(WM_SETCURSOR, OnSetCursor)
  ON_MESSAGE(WM_NOTIFY, OnNotify)
END_MESSAGE_MAP()

void PaintParentBackground(HWND child, HDC dc) {
  HWND parent = ::GetParent(child);
  if (!parent) return;
  RECT self, outer;
  ::GetWindowRect(child, &self);
  ::GetWindowRect(parent, &outer);
  const int dx = self.left - outer.left, dy = self.top - outer.top;
  POINT oldWindow, oldViewport;
  ::SetWindowOrgEx(dc, dx, dy, &oldWindow);
  ::SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  ::SetViewportOrgEx(dc, dx, dy, &oldViewport);  // identity mapping again
  (void)oldWindow;
  (void)oldViewport;
}

CBtnEx::~CBtnEx() {
  if (m_toolTip && ::IsWindow(m_toolTip)) ::DestroyWindow(m_toolTip);
}

void CBtnEx::PreSubclassWindow() {
  const int n = ::GetWindowTextLengthW(m_hWnd);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  ::GetWindowTextW(m_hWnd, &text[0], n + 1);
  text.resize(static_cast<size_t>(n));
  m_strText = text;
  const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
  ::SetWindowLongW(m_hWnd, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
  RefreshRect();
}

void CBtnEx::RefreshRect() {
  ::GetWindowRect(m_hWnd, &m_rcButton);
}

BOOL CBtnEx::SetBitmap(HBITMAP strip, BOOL resizeToCell) {
  m_imgStrip.Load(strip, 4);
  BITMAP bm = {};
  if (resizeToCell && strip && ::GetObjectW(strip, sizeof(bm), &bm)) {
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, bm.bmWidth / 4, bm.bmHeight,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RefreshRect();
  return TRUE;
}

BOOL CBtnEx::CreateImageButton(int xRight, int top, HBITMAP strip, UINT id, HWND parent) {
  BITMAP bm = {};
  if (strip) ::GetObjectW(strip, sizeof(bm), &bm);
  const int cw = bm.bmWidth / 4, ch = bm.bmHeight;
  const RECT rc = {xRight - cw, top, xRight, top + ch};
  if (!Create(L"", WS_VISIBLE | BS_OWNERDRAW, rc, parent, id)) return FALSE;
  m_imgStrip.Load(strip, 4);
  RefreshRect();
  return TRUE;
}

void CBtnEx::SetToolTip(const std::wstring& text) {
  m_strToolTip = text;
  m_bToolTip = true;
  if (m_toolTip || !m_hWnd) return;
  m_toolTip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd,
                                nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (!m_toolTip) return;
  TOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = m_hWnd;
  tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
  tool.lpszText = LPSTR_TEXTCALLBACKW;
  ::SendMessageW(m_toolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  ::SendMessageW(m_toolTip, TTM_SETDELAYTIME, TTDT_AUTOMATIC, 660);
}

BOOL CBtnEx::PreTranslateMessage(MSG* pMsg) {
  if (m_bToolTip && m_toolTip) {
    ::SendMessageW(m_toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(pMsg));
  }
  return CButton::PreTranslateMessage(pMsg);
}

void CBtnEx::DrawItem(DRAWITEMSTRUCT* item) {
  const int w = m_rcButton.right - m_rcButton.left, h = m_rcButton.bottom - m_rcButton.top;
  CBufferDC mem(item->hDC, w, h);

  const int cell = skin::ButtonCell(item->itemState, m_bPressed, m_bHover);
  if (cell == 2) m_bPressed = true;

  PaintParentBackground(m_hWnd, mem);

  // Magenta parts of the cell leave the parent's background visible; a cell
  // of another size than the button is stretched.
  m_imgStrip.Draw(mem, cell, 0, 0, w, h);

  if (!m_strText.empty()) {
    ::SetBkMode(mem, TRANSPARENT);
    ::SetTextColor(mem, cell == 3 ? ::GetSysColor(COLOR_GRAYTEXT) : m_crText);
    HFONT own = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    LOGFONTW lf = {};
    ::GetObjectW(own ? own : ::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    lf.lfHeight = -12;
    CGdiObjectScope font(::CreateFontIndirectW(&lf));
    CSelectScope selectFont(mem, font.Get());
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    ::DrawTextW(mem, m_strText.c_str(), -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  mem.Present();
}

LRESULT CBtnEx::OnMouseMove(WPARAM wParam, LPARAM lParam) {
  if (!m_bTracking) {
    TRACKMOUSEEVENT tme = {sizeof(tme), TME_HOVER | TME_LEAVE, m_hWnd, 10};
    m_bTracking = ::TrackMouseEvent(&tme) != FALSE;
  }
  return Default(WM_MOUSEMOVE, wParam, lParam);
}

LRESULT CBtnEx::OnMouseHover(WPARAM, LPARAM) {
  m_bHover = true;
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
  if (m_bToolTip && m_toolTip) {
    TOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = m_hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    tool.lpszText = const_cast<wchar_t*>(m_strToolTip.c_str());
    ::SendMessageW(m_toolTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  return 0;
}

LRESULT CBtnEx::OnMouseLeave(WPARAM, LPARAM) {
  m_bHover = false;
  m_bTracking = false;
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
  return 0;
}

LRESULT CBtnEx::OnLButtonUp(WPARAM wParam, LPARAM lParam) {
  m_bPressed = false;
  // Released away from the button, the button's own state does not change
  // and it would not repaint: the latched pressed look must still go.
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
  return Default(WM_LBUTTONUP, wParam, lParam);
}

LRESULT CBtnEx::OnCaptureChanged(WPARAM wParam, LPARAM lParam) {
  // The press ends without a button-up too: Alt+Tab, the boss key, a modal
  // box taking the mouse.
  m_bPressed = false;
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
  return Default(WM_CAPTURECHANGED, wParam, lParam);
}

LRESULT CBtnEx::OnDestroy(WPARAM wParam, LPARAM lParam) {
  // The tooltip belongs to the top-level window, not to the button, and
  // would outlive it: a button made again gets a tooltip of its own.
  if (m_toolTip && ::IsWindow(m_toolTip)) {
    TOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = m_hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    ::SendMessageW(m_toolTip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    ::DestroyWindow(m_toolTip);
  }
  m_toolTip = nullptr;
  m_bToolTip = false;
  m_bTracking = m_bHover = m_bPressed = false;
  return Default(WM_DESTROY, wParam, lParam);
}

LRESULT CBtnEx::OnSetCursor(WPARAM, LPARAM) {
  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  return TRUE;
}

LRESULT CBtnEx::OnNotify(WPARAM wParam, LPARAM lParam) {
  auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
  if (info->hdr.hwndFrom == m_toolTip && info->hdr.code == TTN_GETDISPINFOW) {
    info->lpszText = const_cast<wchar_t*>(m_strToolTip.c_str());
    return 0;
  }
  return Default(WM_NOTIFY, wParam, lParam);
}
