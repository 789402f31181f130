#include "gamewnd/login_dlg.h"

#include "framework/gdi.h"
#include "base/messages.h"
#include "base/process_values.h"
#include "base/product.h"
#include "browser/browser_settings.h"
#include "browser/outside_page.h"
#include "framework/winapp.h"
#include "gamewnd/login_protocol.h"
#include "gamewnd/window_util.h"
#include "base/endpoints.h"
#include "res/resource.h"
#include "ui/image_load.h"
#include "ui/message_box.h"

namespace {

// How long a login window waits for the main window's decision.
constexpr UINT kHandoffTimeoutMs = 30000;
constexpr COLORREF kMagenta = RGB(255, 0, 255);
// The login background posts this to itself to create the login window once
// it is on the screen.
constexpr UINT kCreateLoginWindow = WM_APP + 1;

}  // namespace

// ---- CLoginDlg ----------------------------------------------------------

// The login page's elements keep their own behaviour: no sprite buttons, no
// caption dragging (a table that replaces the dialog base's whole).
BEGIN_DHTML_EVENT_MAP(CLoginDlg)
END_DHTML_EVENT_MAP()

BEGIN_MESSAGE_MAP(CLoginDlg, CDHtmDlgEx)
  // The external-account pop-up finished: reload the login page.
  ON_MESSAGE(WM_LOGIN_RELOAD, OnReloadLogin)
#ifdef TOLV_TEST_SEAMS
  ON_MESSAGE(WM_TIMER, OnTestSeamTimer)
#endif
END_MESSAGE_MAP()

BEGIN_EVENTSINK_MAP(CLoginDlg, CDHtmDlgEx)
  ON_EVENT_BEFORENAVIGATE2(AFX_IDC_BROWSER, OnLoginNavigate)
  ON_EVENT_NEWWINDOW3(AFX_IDC_BROWSER, OnLoginNewWindow)
END_EVENTSINK_MAP()

CLoginDlg::CLoginDlg(CLoginBkDlg* background)
    : CDHtmDlgEx(IDD_WEBPAGE, 0, nullptr),
      m_strLoginUrl(std::wstring(L"http://") + PortalHost + L"/yxtolv/wd-home?ver=1.02"),
      m_pBackground(background) {}

CLoginDlg::~CLoginDlg() {
  delete m_pPopup;
}

BOOL CLoginDlg::OnInitDialog() {
  CDHtmDlgEx::OnInitDialog();
  if (m_pBrowserApp) m_pBrowserApp->put_Silent(VARIANT_TRUE);
  ApplyBrowserFeatures();
  // Magenta areas of the page let the background art show through.
  const LONG exStyle = ::GetWindowLongW(m_hWnd, GWL_EXSTYLE);
  ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
  ::SetLayeredWindowAttributes(m_hWnd, kMagenta, 0, LWA_COLORKEY);
  // No task-bar button of its own.
  ::SetWindowLongW(m_hWnd, GWL_EXSTYLE,
                   (::GetWindowLongW(m_hWnd, GWL_EXSTYLE) & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
  Navigate(m_strLoginUrl.c_str());
#ifdef TOLV_TEST_SEAMS
  if (m_pBackground) ::SetTimer(m_hWnd, 1, 1500, nullptr);
#endif
  return FALSE;
}

void CLoginDlg::OnNavigateComplete(IDispatch* pDisp, const wchar_t* szUrl) {
  CDHtmDlgEx::OnNavigateComplete(pDisp, szUrl);
  const bool firstShow = !::IsWindowVisible(m_hWnd);
  ShowWindow(SW_SHOW);
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  SetBrowserRect(client);
  // The page's focused field takes keys at once, without a click first; the
  // main process's preload window never takes the focus. (Wine's browser
  // accepts OLEIVERB_UIACTIVATE without acting on it: no test here shows it.)
  if (firstShow && m_pBackground) ActivateBrowser();
}

void CLoginDlg::OnCancel() {
  // Alt+F4 (the close command) ends the login as the page's "exitgame" does,
  // instead of leaving the bare background art without a page.
  if (m_pBackground) {
    EndLogin(IDCANCEL);
    return;
  }
  CDHtmDlgEx::OnCancel();
}

LRESULT CLoginDlg::OnReloadLogin(WPARAM, LPARAM) {
  Navigate(m_strLoginUrl.c_str());
  return 0;
}

BOOL CLoginDlg::PreTranslateMessage(MSG* pMsg) {
  // Esc never closes the window and F5 never reloads the login page.
  if (pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_ESCAPE || pMsg->wParam == VK_F5)) {
    return TRUE;
  }
  return CDialog::PreTranslateMessage(pMsg);
}

void CLoginDlg::OnLoginNavigate(IDispatch*, VARIANT* URL, VARIANT*, VARIANT*, VARIANT*, VARIANT*,
                                BOOL* Cancel) {
  const std::wstring url = VariantText(URL);
  if (ParseCommandUrl(url).command != LoginCommand::None) {
    // No command URL ever reaches the browser.
    *Cancel = TRUE;
    RunCommand(url);
    return;
  }
  if (ExternalLoginStart(url, ExtLoginHost) != ExternalLogin::None) {
    *Cancel = TRUE;
    OpenExternalLogin(url);
  }
}

void CLoginDlg::OnLoginNewWindow(IDispatch**, BOOL* Cancel, DWORD, BSTR, BSTR bstrUrl) {
  const std::wstring url = bstrUrl ? bstrUrl : L"";
  if (ExternalLoginStart(url, ExtLoginHost) != ExternalLogin::None) {
    OpenExternalLogin(url);
  } else {
    OpenInBrowser(url);
  }
  *Cancel = TRUE;
}

void CLoginDlg::RunCommand(const std::wstring& url) {
  // The main process's preload window only loads the page.
  if (!m_pBackground) return;
  const CommandUrl c = ParseCommandUrl(url);
  switch (c.command) {
    case LoginCommand::LoadGame:
      LoadGame(c.serverText, c.gameUrl);
      break;
    case LoginCommand::ExitGame:
      EndLogin(IDCANCEL);
      break;
    case LoginCommand::Minimize:
      if (WindowIndex > 0) {
        EndLogin(IDCANCEL);
      } else if (IsUacEnabled()) {
        m_pBackground->ShowWindow(SW_MINIMIZE);
      } else {
        ::ShowWindow(MainWndHandle, SW_MINIMIZE);
      }
      break;
    case LoginCommand::OpenUrls:
      OpenInBrowser(c.target);
      break;
    default:
      break;
  }
}

void CLoginDlg::LoadGame(const std::wstring& encoded, const std::wstring& gameUrl) {
  // The game frame's browser would load a local file or script as its page.
  if (!IsGameAddress(gameUrl)) return;
  std::wstring serverText;
  if (!DecodeServerText(encoded, &serverText)) return;
  COPYDATASTRUCT record = HandoffRecord(serverText);
  DWORD_PTR accepted = 0;
  if (!::SendMessageTimeoutW(MainWndHandle, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record),
                             SMTO_NORMAL | SMTO_ABORTIFHUNG, kHandoffTimeoutMs, &accepted)) {
    accepted = 0;  // the main window is gone or hung: as good as refused
  }
  if (accepted) {
    GameUrl = gameUrl;
    ::PostMessageW(::GetWindow(m_pBackground->m_hWnd, GW_OWNER), WM_BRING_TO_FRONT, 0, 0);
    EndLogin(IDOK);
    return;
  }
  ShowMessageBox(nullptr, RefusalMessage(serverText), MB_OK);
  EndLogin(IDCANCEL);
}

void CLoginDlg::EndLogin(int result) {
  m_pBackground->EndDialog(result);
}

void CLoginDlg::OpenInBrowser(const std::wstring& target) {
  // Only web addresses: a page must not start programs or open files.
  if (!IsOpenableAddress(target)) return;
  OpenInDefaultBrowser(target, SW_SHOWMAXIMIZED);
}

void CLoginDlg::OpenExternalLogin(const std::wstring& url) {
  // A second external login replaces the first pop-up.
  delete m_pPopup;
  m_pPopup = nullptr;
  auto* popup = new CQQLogin();
  if (!popup->Create(m_hWnd, url)) {
    delete popup;
    return;
  }
  popup->SetCaptionText(ExternalLoginCaption(url, ExtLoginHost));
  popup->ShowWindow(SW_SHOW);
  popup->CenterOnDesktop();
  m_pPopup = popup;
}

#ifdef TOLV_TEST_SEAMS
// Test builds only. There is no HTML engine under Wine, so the login page
// never completes and never navigates by itself. When TOLV_TEST_SEAM_LOGIN_<n>
// (n: this login's tab count) or else TOLV_TEST_SEAM_LOGIN holds addresses
// (one a line), this plays the page: it completes the load, then navigates
// the browser to each address in turn, as a page would.
LRESULT CLoginDlg::OnTestSeamTimer(WPARAM id, LPARAM) {
  if (id != 1) return 0;
  ::KillTimer(m_hWnd, 1);
  const std::wstring perLogin = L"TOLV_TEST_SEAM_LOGIN_" + std::to_wstring(WindowIndex);
  const wchar_t* script = _wgetenv(perLogin.c_str());
  if (!script) script = _wgetenv(L"TOLV_TEST_SEAM_LOGIN");
  if (!script) return 0;
  OnNavigateComplete(m_pBrowserApp, m_strLoginUrl.c_str());
  std::wstring rest = script ? script : L"";
  while (!rest.empty() && m_hWnd) {
    const size_t end = rest.find(L'\n');
    const std::wstring url = rest.substr(0, end);
    rest = end == std::wstring::npos ? L"" : rest.substr(end + 1);
    if (url.empty()) continue;
    Navigate(url.c_str());
  }
  return 0;
}
#endif

// ---- CLoginBkDlg ----------------------------------------------------------

BEGIN_MESSAGE_MAP(CLoginBkDlg, CDialog)
  // Drag the background from anywhere.
  ON_MESSAGE(WM_LBUTTONDOWN, OnLButtonDown)
  // Keep the login window exactly over the background.
  ON_MESSAGE(WM_WINDOWPOSCHANGED, OnWindowPosChanged)
  // An external-account login finished: come to the front.
  ON_MESSAGE(WM_BRING_TO_FRONT, OnBringToFront)
  // Once on the screen: the login window over the background.
  ON_MESSAGE(kCreateLoginWindow, OnCreateLoginWindow)
END_MESSAGE_MAP()

CLoginBkDlg::CLoginBkDlg(HWND owner) : CDialog(IDD_WEBPAGE, owner), m_login(this) {}

CLoginBkDlg::~CLoginBkDlg() {
  if (m_hArt) ::DeleteObject(m_hArt);
}

BOOL CLoginBkDlg::OnInitDialog() {
  SetWindowText(kMainWindowTitle);
  LoadBackground();
  // First placed in the middle of the work area.
  RECT work;
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT self;
  ::GetWindowRect(m_hWnd, &self);
  const int w = m_hArt ? m_nWidth : self.right - self.left;
  const int h = m_hArt ? m_nHeight : self.bottom - self.top;
  ::SetWindowPos(m_hWnd, nullptr, work.left + (work.right - work.left - w) / 2,
                 work.top + (work.bottom - work.top - h) / 2, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  PaintLayered();
  // The login window (a browser, which takes a while to create) comes once
  // the background is shown: it shows itself only when its page has loaded,
  // and a player sees the background that much sooner.
  PostMessage(kCreateLoginWindow);
  ::SetWindowLongW(m_hWnd, GWL_STYLE, ::GetWindowLongW(m_hWnd, GWL_STYLE) | WS_MINIMIZEBOX);
  return FALSE;
}

void CLoginBkDlg::LoadBackground() {
  // Decoded by GDI+ straight into the premultiplied pixels the layered
  // window takes: no drawing pass over a second bitmap at start-up.
  SIZE size = {0, 0};
  m_hArt = LoadLayeredImage(AfxGetInstanceHandle(), IDB_LOGIN_BACK, &size);
  m_nWidth = static_cast<int>(size.cx);
  m_nHeight = static_cast<int>(size.cy);
}

void CLoginBkDlg::PaintLayered() {
  if (!m_hArt) return;
  CWindowDCScope screen(nullptr);
  CMemoryDC memory(screen);
  CSelectScope art(memory, m_hArt);
  const LONG exStyle = ::GetWindowLongW(m_hWnd, GWL_EXSTYLE);
  if (!(exStyle & WS_EX_LAYERED)) ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
  RECT r;
  ::GetWindowRect(m_hWnd, &r);
  POINT dest = {r.left, r.top};
  SIZE size = {m_nWidth, m_nHeight};
  POINT source = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::UpdateLayeredWindow(m_hWnd, screen, &dest, &size, memory, &source, 0xFFFFFFFF, &blend,
                        ULW_ALPHA);
}

LRESULT CLoginBkDlg::OnLButtonDown(WPARAM, LPARAM lParam) {
  SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, lParam);
  return 0;
}

LRESULT CLoginBkDlg::OnWindowPosChanged(WPARAM, LPARAM lParam) {
  ::DefWindowProcW(m_hWnd, WM_WINDOWPOSCHANGED, 0, lParam);
  if (m_login.m_hWnd) {
    const WINDOWPOS* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
    RECT r;
    ::GetWindowRect(m_hWnd, &r);
    ::MoveWindow(m_login.m_hWnd, pos->x, pos->y, r.right - r.left, r.bottom - r.top, TRUE);
  }
  return 0;
}

LRESULT CLoginBkDlg::OnCreateLoginWindow(WPARAM, LPARAM) {
  if (!m_login.m_hWnd) m_login.Create(m_hWnd);
  return 0;
}

LRESULT CLoginBkDlg::OnBringToFront(WPARAM, LPARAM) {
  BringToFront(m_hWnd);
  return 0;
}

BOOL CLoginBkDlg::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_RETURN) return TRUE;
  return CDialog::PreTranslateMessage(pMsg);
}
