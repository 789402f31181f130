#include "browser/game_frame.h"

#include "app/app.h"
#include "base/messages.h"
#include "base/process_values.h"
#include "browser/game_frame_rules.h"
#include "gamewnd/tab_list.h"
#include "base/endpoints.h"
#include "tools/favourite.h"
#include "tools/sound_mute.h"

CGmWndView* GameView = nullptr;

namespace {

constexpr UINT_PTR kMainGoneTimer = 2;
constexpr UINT_PTR kScriptBoxTimer = 5;
constexpr UINT_PTR kRaiseMainTimer = 6;

// The mute state last applied; starts as the opposite of the first request.
int g_lastMute = -1;

}  // namespace

bool ShowsHall() {
  return GameUrl == HallPageUrl();
}

// ---- CMainFrame -------------------------------------------------------------

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
  // Timers 2, 5 and 6.
  ON_MESSAGE(WM_TIMER, OnTimer)
  // The main window's mute state.
  ON_MESSAGE(WM_MUTE_STATE, OnMuteState)
  // Read the hotkeys again.
  ON_MESSAGE(WM_FRAME_HOTKEY_RELOAD, OnReloadHotkeys)
  // A click raises the main window too.
  ON_MESSAGE(WM_MOUSEACTIVATE, OnMouseActivate)
#ifdef TOLV_TEST_SEAMS
  ON_MESSAGE(WM_APP + 0x50, OnTestSeamHang)
#endif
END_MESSAGE_MAP()

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTW& cs) {
  CFrameWnd::PreCreateWindow(cs);
  cs.hMenu = nullptr;
  cs.cx = 10;
  cs.cy = 10;
  return TRUE;
}

int CMainFrame::OnCreate(CREATESTRUCTW* cs) {
  // No caption, no border, no task-bar button.
  ::SetWindowLongW(m_hWnd, GWL_STYLE,
                   ::GetWindowLongW(m_hWnd, GWL_STYLE) & ~(WS_CAPTION | WS_THICKFRAME));
  LONG ex = ::GetWindowLongW(m_hWnd, GWL_EXSTYLE);
  ex &= ~(WS_EX_CLIENTEDGE | WS_EX_APPWINDOW);
  ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, ex | WS_EX_TOOLWINDOW);
  if (CFrameWnd::OnCreate(cs) == -1) return -1;
  ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  if (::IsWindow(MainWndHandle)) {
    ::PostMessageW(MainWndHandle, WM_FRAME_REGISTER, reinterpret_cast<WPARAM>(m_hWnd),
                   ShowsHall() ? 1 : 0);
    ::SetParent(m_hWnd, MainWndHandle);
  }
  LoadHotkeys();
  ::SetTimer(m_hWnd, kMainGoneTimer, 800, nullptr);
  return 0;
}

void CMainFrame::LoadHotkeys() {
  m_boss = LoadBossKey();
  m_switch = LoadSwitchKey();
  m_sound = LoadSoundKey();
}

LRESULT CMainFrame::OnTimer(WPARAM id, LPARAM) {
  switch (id) {
    case kMainGoneTimer:
      // The process ends when the main window is gone.
      if (!::IsWindow(MainWndHandle)) ::PostQuitMessage(0);
      break;
    case kScriptBoxTimer: {
      ::KillTimer(m_hWnd, kScriptBoxTimer);
      if (HWND box = ScriptMessageBoxToClose(ListTopWindows(), ::GetCurrentProcessId())) {
        ::DestroyWindow(box);
      }
      break;
    }
    case kRaiseMainTimer: {
      ::KillTimer(m_hWnd, kRaiseMainTimer);
      const DWORD mainThread = ::GetWindowThreadProcessId(MainWndHandle, nullptr);
      const DWORD foregroundThread = ::GetWindowThreadProcessId(::GetForegroundWindow(), nullptr);
      const bool attach = mainThread && foregroundThread && mainThread != foregroundThread;
      if (attach) ::AttachThreadInput(mainThread, foregroundThread, TRUE);
      // The main window belongs to another process: asynchronously, so that
      // a busy main window never holds up this game.
      const UINT flags = SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS;
      ::SetWindowPos(MainWndHandle, HWND_TOPMOST, 0, 0, 0, 0, flags);
      ::SetWindowPos(MainWndHandle, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
      if (attach) ::AttachThreadInput(mainThread, foregroundThread, FALSE);
      break;
    }
    default:
      break;
  }
  return 0;
}

LRESULT CMainFrame::OnMuteState(WPARAM wParam, LPARAM) {
  const int requested = wParam ? 1 : 0;
#ifdef TOLV_TEST_SEAMS
  // Test builds only: the process plays a tone, as a game would.
  if (_wgetenv(L"TOLV_TEST_SEAM_TONE")) StartTestTone();
#endif
  if (g_lastMute < 0) g_lastMute = 1 - requested;
  // Only a change reaches the process's sound: the main window repeats its
  // state every 400 ms.
  if (requested != g_lastMute) {
    g_lastMute = requested;
    SetProcessMute(requested);
  }
  return 0;
}

LRESULT CMainFrame::OnReloadHotkeys(WPARAM, LPARAM) {
  LoadHotkeys();
  return 0;
}

LRESULT CMainFrame::OnMouseActivate(WPARAM wParam, LPARAM lParam) {
  ::SetTimer(m_hWnd, kRaiseMainTimer, 10, nullptr);
  return ::DefWindowProcW(m_hWnd, WM_MOUSEACTIVATE, wParam, lParam);
}

#ifdef TOLV_TEST_SEAMS
// Test builds only: a hung plug-in keeps the frame's thread from answering
// (WM_APP + 0x50, wParam milliseconds, at most a minute).
LRESULT CMainFrame::OnTestSeamHang(WPARAM ms, LPARAM) {
  ::Sleep(static_cast<DWORD>(ms < 60000 ? ms : 60000));
  return 0;
}
#endif

BOOL CMainFrame::PreTranslateMessage(MSG* pMsg) {
  switch (DecideFrameKey(pMsg->message, pMsg->wParam, pMsg->lParam, HeldModifiers(), m_boss,
                         m_switch, m_sound)) {
    case FrameKey::ForwardToMain:
      ::PostMessageW(MainWndHandle, pMsg->message, pMsg->wParam, pMsg->lParam);
      return TRUE;
    case FrameKey::Favourite: {
      CFavDlg favourite(theApp.m_strPageTitle, theApp.m_strPageUrl, MainWndHandle);
      favourite.DoModal();
      return TRUE;
    }
    case FrameKey::Refresh:
      if (GameView) GameView->Refresh();
      return TRUE;
    case FrameKey::Swallow:
      return TRUE;
    case FrameKey::CloseTimer:
      ::SetTimer(m_hWnd, kScriptBoxTimer, 130, nullptr);
      return CFrameWnd::PreTranslateMessage(pMsg);
    case FrameKey::None:
      break;
  }
  return CFrameWnd::PreTranslateMessage(pMsg);
}

// ---- CGmWndView -------------------------------------------------------------

BEGIN_EVENTSINK_MAP(CGmWndView, CHtmlView)
  ON_EVENT_NEWWINDOW3(AFX_IDW_PANE_FIRST, OnNewWindow3)
END_EVENTSINK_MAP()

void CGmWndView::OnInitialUpdate() {
  CHtmlView::OnInitialUpdate();
  GameView = this;
  SetSilent(TRUE);
  Navigate2(GameUrl.c_str());
}

HRESULT CGmWndView::OnGetHostInfo(DOCHOSTUIINFO* pInfo) {
  // A game page has no border and no scroll bars; the hall keeps both.
  if (!ShowsHall()) pInfo->dwFlags |= DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;
  return S_OK;
}

void CGmWndView::OnNavigateComplete2(const wchar_t* strURL) {
  theApp.m_strPageUrl = strURL ? strURL : L"";
  // With the main window gone there is nowhere to show the page: the frame's
  // timer ends this process.
  RECT client = {};
  if (!::GetClientRect(MainWndHandle, &client)) return;
  HWND frame = ::GetParent(m_hWnd);
  const RECT r = TabContentRect(client);
  ::MoveWindow(frame, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  ::ShowWindow(frame, SW_SHOW);
}

void CGmWndView::OnBeforeNavigate2(const wchar_t*, DWORD, const wchar_t*, std::vector<BYTE>&,
                                   const wchar_t*, BOOL*) {}

void CGmWndView::OnTitleChange(const wchar_t* lpszText) {
  theApp.m_strPageTitle = lpszText ? lpszText : L"";
}

void CGmWndView::OnNewWindow3(IDispatch**, BOOL* Cancel, DWORD, BSTR, BSTR bstrUrl) {
  *Cancel = CancelsNewWindow(bstrUrl ? bstrUrl : L"");
}

#ifdef TOLV_TEST_SEAMS
// Test builds only. Wine has no HTML engine: every load ends in a navigation
// error and never completes. With TOLV_TEST_SEAM_FRAME set, a load that
// reached the server counts as completed, as the page would have.
void CGmWndView::OnNavigateError(const wchar_t* lpszURL, const wchar_t* lpszFrame, DWORD dwError,
                                 BOOL* pbCancel) {
  CHtmlView::OnNavigateError(lpszURL, lpszFrame, dwError, pbCancel);
  if (_wgetenv(L"TOLV_TEST_SEAM_FRAME")) OnNavigateComplete2(lpszURL);
  // TOLV_TEST_SEAM_TITLE: the title the page would have reported.
  if (const wchar_t* title = _wgetenv(L"TOLV_TEST_SEAM_TITLE")) OnTitleChange(title);
}
#endif
