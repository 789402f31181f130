// The main window's caption and tab strip: the chrome's set-up, the caption
// controls' places, the strip's drawing, its hit tests, hover and tooltip, and
// what the mouse does in the tab band.
#include "gamewnd/main_dlg.h"

#include <windowsx.h>

#include "base/product.h"
#include "framework/gdi.h"
#include "framework/winapp.h"
#include "res/resource.h"
#include "ui/image_load.h"

void CWayloft3Dlg::SetUpChrome() {
  ::SetWindowLongW(m_hWnd, GWL_STYLE, ::GetWindowLongW(m_hWnd, GWL_STYLE) | WS_CLIPCHILDREN);
  SetFrameMetrics(30, 4, 0, 0, 0);
  m_nCaptionWeight = 600;
  m_bResizable = TRUE;
  HMODULE module = AfxGetInstanceHandle();
  m_bmpClose = LoadResourceImage(module, IDB_CAPTION_CLOSE);
  m_bmpMin = LoadResourceImage(module, IDB_CAPTION_MIN);
  SetSkin(LoadResourceImage(module, IDB_MAIN_BACK), FALSE, TRUE, m_bmpClose, m_bmpMin,
          LoadResourceImage(module, IDB_CAPTION_MAX),
          LoadResourceImage(module, IDB_CAPTION_RESTORE));
  SetCaptionText(kMainWindowTitle);
  // Present but practically invisible until the first frame registers.
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  m_bmpHide = LoadResourceImage(module, IDB_HIDE_BUTTON);
  m_bmpSoundOn = LoadResourceImage(module, IDB_SOUND_ON);
  m_bmpSoundOff = LoadResourceImage(module, IDB_SOUND_OFF);
  m_bmpTextButton = LoadResourceImage(module, IDB_TEXT_BUTTON);
  const struct {
    CBtnEx* button;
    UINT id;
    HBITMAP strip;
    bool text;
  } buttons[] = {{&m_btnHide, kHideButton, m_bmpHide, false},
                 {&m_btnSound, kSoundButton, m_bmpSoundOn, false},
                 {&m_btnSystem, kSystemButton, m_bmpTextButton, true},
                 {&m_btnForum, kForumButton, m_bmpTextButton, true},
                 {&m_btnSite, kSiteButton, m_bmpTextButton, true}};
  for (const auto& b : buttons) {
    b.button->SubclassDlgItem(b.id, m_hWnd);
    b.button->SetBitmap(b.strip, TRUE);
    if (b.text) b.button->m_crText = RGB(255, 255, 255);
  }

  auto setUpLink = [](CStaticEx& link, UINT id, HWND parent, HBITMAP icon, BOOL underline) {
    link.SubclassDlgItem(id, parent);
    link.m_crText = RGB(255, 255, 255);
    link.m_bHandCursor = TRUE;
    link.m_bUnderline = underline;
    ::SetWindowLongW(link.m_hWnd, GWL_STYLE, link.GetStyle() | SS_NOTIFY);
    link.SetBitmap(icon);
  };
  m_bmpAddAccount = LoadResourceImage(module, IDB_ADD_ACCOUNT);
  setUpLink(m_lnkAddAccount, kAddAccountLink, m_hWnd, m_bmpAddAccount, TRUE);
  if (m_nLinkWidth > 0) {
    m_bmpPortal = LoadResourceImage(module, IDB_PORTAL_LINK);
    setUpLink(m_lnkPortal, kPortalLink, m_hWnd, m_bmpPortal, FALSE);
    m_lnkPortal.SetText(m_szLinkText);
  }

  for (auto [strip, id] : {std::pair<CImageStrip*, UINT>{&m_imgTabs, IDB_ACCOUNT_TAB},
                           std::pair<CImageStrip*, UINT>{&m_imgCross, IDB_TAB_CLOSE}}) {
    HBITMAP image = LoadResourceImage(module, id);
    strip->Load(image, 3);
    if (image) ::DeleteObject(image);
  }
  LOGFONTW lf = {};
  HFONT own = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
  ::GetObjectW(own ? own : ::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  lf.lfHeight = -12;
  lf.lfWidth = 0;
  m_tabFont = ::CreateFontIndirectW(&lf);

  m_toolTip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd,
                                nullptr, AfxGetInstanceHandle(), nullptr);
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = m_hWnd;
  tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
  tool.lpszText = const_cast<wchar_t*>(L"");
  ::SendMessageW(m_toolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  ::SendMessageW(m_toolTip, TTM_SETDELAYTIME, TTDT_AUTOMATIC, 500);
}

int CWayloft3Dlg::MeasureLinkText(const wchar_t* text) {
  LOGFONTW lf = {};
  HFONT own = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
  ::GetObjectW(own ? own : ::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  lf.lfHeight = -12;
  lstrcpynW(lf.lfFaceName, L"微软雅黑", LF_FACESIZE);
  CGdiObjectScope font(::CreateFontIndirectW(&lf));
  CWindowDCScope dc(m_hWnd);
  CSelectScope withFont(dc, font.Get());
  RECT r = {0, 0, 0, 0};
  ::DrawTextW(dc, text, -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  return r.right - r.left;
}

void CWayloft3Dlg::PlaceCaptionControls(int width) {
  const std::pair<HWND, UINT> controls[] = {
      {m_btnHide.m_hWnd, kHideButton},     {m_btnSound.m_hWnd, kSoundButton},
      {m_btnSystem.m_hWnd, kSystemButton}, {m_btnForum.m_hWnd, kForumButton},
      {m_btnSite.m_hWnd, kSiteButton},     {m_lnkAddAccount.m_hWnd, kAddAccountLink}};
  for (const auto& [wnd, id] : controls) {
    RECT r;
    if (wnd && CaptionControlRect(id, width, m_nLinkWidth, &r)) {
      ::MoveWindow(wnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
  }
  // Without a link text the portal link stays where the template put it, empty.
  RECT r;
  if (m_nLinkWidth > 0 && m_lnkPortal.m_hWnd &&
      CaptionControlRect(kPortalLink, width, m_nLinkWidth, &r)) {
    ::MoveWindow(m_lnkPortal.m_hWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    ::InvalidateRect(m_lnkPortal.m_hWnd, nullptr, TRUE);
  }
  for (const auto& c : controls) {
    if (c.first) ::InvalidateRect(c.first, nullptr, TRUE);
  }
  InvalidateCaptionButtons();
}

LRESULT CWayloft3Dlg::OnEraseBkgnd(WPARAM wParam, LPARAM) {
  RECT client = {};
  ::GetClientRect(m_hWnd, &client);
  CBufferDC mem(reinterpret_cast<HDC>(wParam), client.right, client.bottom);
  DrawSkin(mem, client.right, client.bottom);
  DrawTabs(mem);
  mem.Present();
  return TRUE;
}

void CWayloft3Dlg::DrawTabs(HDC dc) {
  CSavedDC saved(dc);
  ::SelectObject(dc, m_tabFont ? m_tabFont : ::GetStockObject(DEFAULT_GUI_FONT));
  ::SetBkMode(dc, TRANSPARENT);
  auto width = [dc](const std::wstring& text) {
    SIZE size = {};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
  };
  for (int i = 0; i < m_tabs.Count(); ++i) {
    const RECT cell = TabCellRect(i);
    const int look = i == m_tabs.Current() ? 2 : i == m_hover.tab ? 1 : 0;
    m_imgTabs.Draw(dc, look, cell.left, cell.top, kTabCellWidth, cell.bottom - cell.top);
    if (i == m_hover.tab && m_hover.part >= 0) {
      const RECT cross = TabCrossRect(i);
      m_imgCross.Draw(dc, m_hover.part, cross.left, cross.top, kTabCrossSize, kTabCrossSize);
    }
    RECT label = TabLabelRect(i);
    const std::wstring text = CutTabLabel(m_tabs.Account(i), width);
    // An "&" in an account name is a letter, not a mnemonic.
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &label,
                DT_SINGLELINE | DT_LEFT | DT_TOP | DT_NOPREFIX);
  }
}

LRESULT CWayloft3Dlg::OnSize(WPARAM type, LPARAM lParam) {
  const int width = LOWORD(lParam);
  RECT client = {0, 0, width, HIWORD(lParam)};
  const RECT content = TabContentRect(client);
  HWND follower = nullptr;
  if (::IsWindowVisible(m_hHallWnd)) {
    follower = m_hHallWnd;
  } else if (m_tabs.Count() > 0 && type != SIZE_MINIMIZED) {
    follower = m_tabs.Window(m_tabs.Current());
  }
  // The tab is another process's window: asynchronously, so that a hung
  // game never holds up the resize.
  if (follower) MoveWindowAsync(follower, content);
  CDlgEx::OnSize(type, lParam);
  if (width != m_nLastWidth && m_btnHide.m_hWnd) PlaceCaptionControls(width);
  if (m_osvi.dwMajorVersion < 6 && width < m_nLastWidth) {
    // Before Vista the desktop kept the cut-off corner's old pixels.
    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);
    RECT corner = {window.right - 4, window.top, window.right, window.top + 4};
    ::RedrawWindow(::GetDesktopWindow(), &corner, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
  m_nLastWidth = width;
  return 0;
}

LRESULT CWayloft3Dlg::OnWindowPosChanging(WPARAM wParam, LPARAM lParam) {
  auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
  if (!(pos->flags & SWP_NOSIZE) && RaiseToMinimum(m_tabs.Count(), &pos->cx, &pos->cy)) return 0;
  return ::DefWindowProcW(m_hWnd, WM_WINDOWPOSCHANGING, wParam, lParam);
}

POINT CWayloft3Dlg::ClientPoint(LPARAM screenPoint) const {
  POINT p = {GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
  ::ScreenToClient(m_hWnd, &p);
  return p;
}

void CWayloft3Dlg::HideToolTip() {
  ::SendMessageW(m_toolTip, TTM_ACTIVATE, FALSE, 0);
  m_bTipShown = false;
}

void CWayloft3Dlg::SetHover(const TabHover& hover) {
  for (const RECT& r : HoverRepaint(m_hover, hover)) InvalidateArea(r);
  m_hover = hover;
}

LRESULT CWayloft3Dlg::OnNcHitTest(WPARAM wParam, LPARAM lParam) {
  const LRESULT hit = CDlgEx::OnNcHitTest(wParam, lParam);
  const POINT p = ClientPoint(lParam);
  const TabHit tab = HitTabBand(p.x, p.y, m_tabs.Count());
  if (tab.tab < 0) {
    if (m_hover.tab >= 0) InvalidateArea(TabCellRect(m_hover.tab));
    m_hover = TabHover();
    HideToolTip();
    return hit;
  }
  if (!m_bTipShown) {
    ::SendMessageW(m_toolTip, TTM_ACTIVATE, TRUE, 0);
    m_bTipShown = true;
    const std::wstring text = m_tabs.Account(tab.tab);
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = m_hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    ::SendMessageW(m_toolTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  } else if (tab.tab != m_hover.tab) {
    // The next hit test shows the new tab's text.
    HideToolTip();
  }
  int part = 0;
  if (tab.onCross) {
    part = (::GetKeyState(VK_LBUTTON) & 0x8000) ? 2 : 1;
    HideToolTip();
  }
  SetHover({tab.tab, part});
  if (!m_bTracking && hit != HTCAPTION) {
    TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, m_hWnd, HOVER_DEFAULT};
    m_bTracking = ::TrackMouseEvent(&track);
  }
  return hit;
}

LRESULT CWayloft3Dlg::OnMouseLeave(WPARAM wParam, LPARAM lParam) {
  OnNcMouseLeave(0, 0);
  m_bTracking = FALSE;
  return ::DefWindowProcW(m_hWnd, WM_MOUSELEAVE, wParam, lParam);
}

LRESULT CWayloft3Dlg::OnNcMouseLeave(WPARAM wParam, LPARAM lParam) {
  if (m_hover.tab >= 0 || m_hover.part >= 0) {
    if (m_hover.tab >= 0) InvalidateArea(TabCellRect(m_hover.tab));
    m_hover = TabHover();
  }
  if (wParam || lParam) return ::DefWindowProcW(m_hWnd, WM_NCMOUSELEAVE, wParam, lParam);
  return 0;
}

bool CWayloft3Dlg::PressTab(POINT p) {
  const TabHit hit = HitTabBand(p.x, p.y, m_tabs.Count());
  if (hit.tab < 0) return false;
  SelectTab(hit.tab);
  if (hit.onCross) {
    m_hover = {hit.tab, 2};
    InvalidateArea(TabCrossRect(hit.tab));
  }
  return true;
}

bool CWayloft3Dlg::ReleaseTab(POINT p) {
  const TabHit hit = HitTabBand(p.x, p.y, m_tabs.Count());
  if (hit.tab < 0) return false;
  // The release decides: pressed on one cross, released on another closes
  // the other.
  if (hit.onCross) CloseTab(hit.tab);
  return true;
}

bool CWayloft3Dlg::MiddleReleaseTab(POINT p) {
  const TabHit hit = HitTabBand(p.x, p.y, m_tabs.Count());
  if (hit.tab < 0) return false;
  CloseTab(hit.tab);
  return true;
}

LRESULT CWayloft3Dlg::OnLButtonDown(WPARAM wParam, LPARAM lParam) {
  if (PressTab({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) return 0;
  return ::DefWindowProcW(m_hWnd, WM_LBUTTONDOWN, wParam, lParam);
}

LRESULT CWayloft3Dlg::OnNcLButtonDown(WPARAM wParam, LPARAM lParam) {
  if (PressTab(ClientPoint(lParam))) return 0;
  return CDlgEx::OnNcLButtonDown(wParam, lParam);
}

LRESULT CWayloft3Dlg::OnLButtonUp(WPARAM wParam, LPARAM lParam) {
  if (ReleaseTab({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) return 0;
  return ::DefWindowProcW(m_hWnd, WM_LBUTTONUP, wParam, lParam);
}

LRESULT CWayloft3Dlg::OnNcLButtonUp(WPARAM wParam, LPARAM lParam) {
  if (ReleaseTab(ClientPoint(lParam))) return 0;
  return ::DefWindowProcW(m_hWnd, WM_NCLBUTTONUP, wParam, lParam);
}

LRESULT CWayloft3Dlg::OnLButtonDblClk(WPARAM wParam, LPARAM lParam) {
  const POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (HitTabBand(p.x, p.y, m_tabs.Count()).tab >= 0) return 0;
  return CDlgEx::OnLButtonDblClk(wParam, lParam);
}

LRESULT CWayloft3Dlg::OnNcLButtonDblClk(WPARAM wParam, LPARAM lParam) {
  const POINT p = ClientPoint(lParam);
  if (HitTabBand(p.x, p.y, m_tabs.Count()).tab >= 0) return 0;
  return CDlgEx::OnNcLButtonDblClk(wParam, lParam);
}

LRESULT CWayloft3Dlg::OnMButtonUp(WPARAM wParam, LPARAM lParam) {
  if (MiddleReleaseTab({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) return 0;
  return ::DefWindowProcW(m_hWnd, WM_MBUTTONUP, wParam, lParam);
}

LRESULT CWayloft3Dlg::OnNcMButtonUp(WPARAM wParam, LPARAM lParam) {
  if (MiddleReleaseTab(ClientPoint(lParam))) return 0;
  return ::DefWindowProcW(m_hWnd, WM_NCMBUTTONUP, wParam, lParam);
}
