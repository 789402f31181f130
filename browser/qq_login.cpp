#include "browser/qq_login.h"

#include "base/endpoints.h"
#include "base/messages.h"
#include "browser/ext_login_rules.h"
#include "framework/winapp.h"
#include "res/resource.h"
#include "ui/image_load.h"

namespace {

constexpr UINT_PTR kDialogWalkTimer = 1;
constexpr UINT_PTR kHtmlDialogTimer = 2;
constexpr int kPopupWidth = 790;
constexpr int kPopupHeight = 525;

// The dialog box the walk after a finished login looked at last.
HWND g_lastDialog = nullptr;

bool IsEnterOrEsc(const MSG* msg) {
  return msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE);
}

}  // namespace

// ---- CQQHtml ----------------------------------------------------------------

BEGIN_MESSAGE_MAP(CQQHtml, CDHtmlDialog)
  // Every real show and hide loads the start address again.
  ON_MESSAGE(WM_SHOWWINDOW, OnShowWindow)
  // Timers 1 and 2.
  ON_MESSAGE(WM_TIMER, OnTimer)
  // The browser fills the dialog.
  ON_MESSAGE(WM_SIZE, OnSize)
#ifdef TOLV_TEST_SEAMS
  ON_MESSAGE(WM_COPYDATA, OnTestSeam)
#endif
END_MESSAGE_MAP()

// Only the navigation filter: it replaces the framework's before-navigate
// processing for this dialog.
BEGIN_EVENTSINK_MAP(CQQHtml, CDHtmlDialog)
  ON_EVENT_BEFORENAVIGATE2(AFX_IDC_BROWSER, OnPopupNavigate)
END_EVENTSINK_MAP()

CQQHtml::CQQHtml() : CDHtmlDialog(IDD_WEBPAGE, 0, nullptr) {}

CQQHtml::~CQQHtml() = default;

BOOL CQQHtml::OnInitDialog() {
  CDHtmlDialog::OnInitDialog();
  // Script errors of the providers' pages raise no dialogs.
  if (m_pBrowserApp) m_pBrowserApp->put_Silent(VARIANT_TRUE);
  ::SetTimer(m_hWnd, kHtmlDialogTimer, 130, nullptr);
  return TRUE;
}

BOOL CQQHtml::PreTranslateMessage(MSG* pMsg) {
  if (IsEnterOrEsc(pMsg)) return TRUE;
  return CDHtmlDialog::PreTranslateMessage(pMsg);
}

void CQQHtml::OnCancel() {
  // A closed browser dialog only hides, as a modeless dialog ends: the timer
  // that removes a dialog box left over the login still has to run.
  ShowWindow(SW_HIDE);
}

LRESULT CQQHtml::OnShowWindow(WPARAM wParam, LPARAM lParam) {
  ::DefWindowProcW(m_hWnd, WM_SHOWWINDOW, wParam, lParam);
  if (IsRealShowWindow(lParam)) Navigate(m_strStartUrl.c_str());
  return 0;
}

LRESULT CQQHtml::OnSize(WPARAM, LPARAM lParam) {
  SetBrowserRect({0, 0, LOWORD(lParam), HIWORD(lParam)});
  return 0;
}

void CQQHtml::OnPopupNavigate(IDispatch*, VARIANT* URL, VARIANT*, VARIANT*, VARIANT*, VARIANT*,
                              BOOL* Cancel) {
  // After a finished login the hidden browser goes back to the redirect
  // address, which leads to the QQ authorisation page: it stays away.
  if (CancelsHiddenNavigation(VariantText(URL), QqAuthorizeUrl, ::IsWindowVisible(m_hWnd))) {
    *Cancel = TRUE;
  }
}

void CQQHtml::OnNavigateComplete(IDispatch* pDisp, const wchar_t* szUrl) {
  const std::wstring url = szUrl ? szUrl : L"";
  if (!IsExternalLoginCallback(url, ExtLoginHost) ||
      !HasLoginCookie(CookiesFor(url, SystemGetCookieEx()))) {
    // Any other page, or a callback page before the login cookie is set:
    // the page goes on.
    CDHtmlDialog::OnNavigateComplete(pDisp, szUrl);
    return;
  }
  PostMessage(WM_CLOSE);
  HWND frame = ::GetParent(m_hWnd);
  HWND login = frame ? ::GetParent(frame) : nullptr;
  HWND background = login ? ::GetParent(login) : nullptr;
  // The login page reloads and finds the login; its background comes forward.
  if (login) ::PostMessageW(login, WM_LOGIN_RELOAD, 0, 0);
  if (background) ::PostMessageW(background, WM_BRING_TO_FRONT, 0, 0);
  // The frame ends as a modeless dialog does: hidden, kept by the login window.
  if (frame) ::ShowWindow(frame, SW_HIDE);
  ::SetTimer(m_hWnd, kDialogWalkTimer, 10, nullptr);
}

LRESULT CQQHtml::OnTimer(WPARAM id, LPARAM lParam) {
  ::DefWindowProcW(m_hWnd, WM_TIMER, id, lParam);
  if (id == kDialogWalkTimer) StepDialogWalk();
  if (id == kHtmlDialogTimer) CloseHtmlDialog();
  return 0;
}

void CQQHtml::StepDialogWalk() {
  // One dialog box a tick; at the end the next tick starts from the first.
  HWND next = ::FindWindowExW(nullptr, g_lastDialog, L"#32770", nullptr);
  g_lastDialog = next;
  if (next && ::GetParent(next) == m_hWnd) {
    ::KillTimer(m_hWnd, kDialogWalkTimer);
    ::DestroyWindow(next);
    g_lastDialog = nullptr;
  }
}

void CQQHtml::CloseHtmlDialog() {
  // The providers' pages may open HTML dialogs; those of other programs are
  // not ours to close.
  if (HWND dialog = HtmlDialogToClose(ListTopWindows(), ::GetCurrentProcessId())) {
    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
  }
}

#ifdef TOLV_TEST_SEAMS
namespace {

// Test builds: an HTML dialog of this process and how long it lived.
DWORD g_seamDialogBorn = 0;
DWORD g_seamDialogLived = 0;

LRESULT CALLBACK SeamDialogProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) g_seamDialogLived = ::GetTickCount() - g_seamDialogBorn + 1;
  return ::DefWindowProcW(h, msg, wp, lp);
}

void OpenSeamDialog() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = SeamDialogProc;
  wc.hInstance = AfxGetInstanceHandle();
  wc.lpszClassName = kHtmlDialogClass;
  ::RegisterClassW(&wc);
  g_seamDialogLived = 0;
  g_seamDialogBorn = ::GetTickCount();
  ::CreateWindowExW(0, kHtmlDialogClass, L"", WS_POPUP | WS_VISIBLE, 0, 0, 100, 80, nullptr,
                    nullptr, wc.hInstance, nullptr);
}

}  // namespace

// Test builds only. Wine has no HTML engine: the providers' pages never load,
// complete or open dialogs. A test plays them with WM_COPYDATA texts:
// "complete URL" completes a navigation to URL, "navigate URL" sends the
// browser there, "htmldialog" opens an HTML dialog in this process and
// "htmldialog?" answers how long the last one lived (milliseconds + 1, 0
// while it is open).
LRESULT CQQHtml::OnTestSeam(WPARAM, LPARAM lParam) {
  const auto* record = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  if (!record || !record->lpData || record->cbData < 2 || record->cbData % 2 ||
      record->cbData > 8192) {
    return 0;
  }
  std::wstring text(static_cast<const wchar_t*>(record->lpData), record->cbData / 2);
  text.resize(wcsnlen(text.c_str(), text.size()));
  const auto argument = [&](const wchar_t* verb) -> const wchar_t* {
    const size_t n = wcslen(verb);
    return text.compare(0, n, verb) == 0 ? text.c_str() + n : nullptr;
  };
  if (const wchar_t* url = argument(L"complete ")) {
    OnNavigateComplete(m_pBrowserApp, url);
  } else if (const wchar_t* target = argument(L"navigate ")) {
    Navigate(target);
  } else if (text == L"htmldialog") {
    OpenSeamDialog();
  } else if (text == L"htmldialog?") {
    return g_seamDialogLived;
  } else {
    return 0;
  }
  return 1;
}
#endif

// ---- CQQLogin ---------------------------------------------------------------

BEGIN_MESSAGE_MAP(CQQLogin, CDlgEx)
  // The browser dialog is shown and hidden with the frame.
  ON_MESSAGE(WM_SHOWWINDOW, OnShowWindow)
  // The browser dialog follows the frame.
  ON_MESSAGE(WM_WINDOWPOSCHANGED, OnWindowPosChanged)
END_MESSAGE_MAP()

CQQLogin::CQQLogin() : CDlgEx(IDD_WEBPAGE, nullptr) {}

CQQLogin::~CQQLogin() {
  // The browser dialog goes first: it is owned by the frame.
  if (m_html.m_hWnd) m_html.DestroyWindow();
  if (m_hWnd) DestroyWindow();
  if (m_hClose) ::DeleteObject(m_hClose);
}

BOOL CQQLogin::Create(HWND loginWindow, const std::wstring& startUrl) {
  m_html.m_strStartUrl = startUrl;
  return CDialog::Create(loginWindow);
}

BOOL CQQLogin::OnInitDialog() {
  CDlgEx::OnInitDialog();
  SetCaptionText(L"QQ账号安全登录");
  SetFrameMetrics(30, 4, 0, 0, 0);
  HMODULE module = AfxGetInstanceHandle();
  m_hClose = LoadResourceImage(module, IDB_CAPTION_CLOSE);
  SetSkin(LoadResourceImage(module, IDB_MAIN_BACK), FALSE, TRUE, m_hClose, nullptr, nullptr,
          nullptr);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, kPopupWidth, kPopupHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return TRUE;
}

void CQQLogin::CenterOnDesktop() {
  RECT desktop, self;
  ::GetWindowRect(::GetDesktopWindow(), &desktop);
  ::GetWindowRect(m_hWnd, &self);
  const int w = self.right - self.left;
  const int h = self.bottom - self.top;
  ::SetWindowPos(m_hWnd, nullptr, desktop.left + (desktop.right - desktop.left - w) / 2,
                 desktop.top + (desktop.bottom - desktop.top - h) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
}

BOOL CQQLogin::PreTranslateMessage(MSG* pMsg) {
  if (IsEnterOrEsc(pMsg)) return TRUE;
  return CDlgEx::PreTranslateMessage(pMsg);
}

void CQQLogin::OnCancel() {
  if (m_html.m_hWnd) m_html.DestroyWindow();
  DestroyWindow();
}

LRESULT CQQLogin::OnShowWindow(WPARAM wParam, LPARAM lParam) {
  ::DefWindowProcW(m_hWnd, WM_SHOWWINDOW, wParam, lParam);
  // The system hides and shows the owned browser dialog itself while the
  // owner chain is minimised and restored; only a real show or hide of the
  // frame is passed on.
  if (!IsRealShowWindow(lParam)) return 0;
  if (!m_html.m_hWnd) m_html.Create(m_hWnd);
  if (m_html.m_hWnd) m_html.ShowWindow(wParam ? SW_SHOW : SW_HIDE);
  return 0;
}

LRESULT CQQLogin::OnWindowPosChanged(WPARAM wParam, LPARAM lParam) {
  ::DefWindowProcW(m_hWnd, WM_WINDOWPOSCHANGED, wParam, lParam);
  if (m_html.m_hWnd) {
    // Both are pop-up windows: screen coordinates.
    RECT frame;
    ::GetWindowRect(m_hWnd, &frame);
    const RECT r =
        PopupBrowserRect(frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top);
    ::MoveWindow(m_html.m_hWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  }
  return 0;
}
