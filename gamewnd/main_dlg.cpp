#include "gamewnd/main_dlg.h"

#include <windowsx.h>

#include "base/endpoints.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/process_values.h"
#include "base/product.h"
#include "browser/game_frame_rules.h"
#include "framework/gdi.h"
#include "framework/object_count.h"
#include "framework/winapp.h"
#include "gamewnd/login_protocol.h"
#include "hotkeys/setting_dlg.h"
#include "net/http.h"
#include "res/resource.h"
#include "tools/cache_clear.h"
#include "ui/image_load.h"
#include "ui/message_box.h"

namespace {

// The sound broadcast's timer.
constexpr UINT_PTR kSoundTimer = 3;
constexpr UINT kSoundTimerMs = 400;

// The first login process is ready for input: time for the preload login
// window (this window's own message).
constexpr UINT WM_CREATE_PRELOAD = WM_APP + 1;
// How long the preload waits at most for the first login process.
constexpr DWORD kPreloadWaitMs = 10000;

struct PreloadWait {
  HANDLE process;
  HWND main;
};

// Waits until the first login process is ready for input (or has ended, or
// took too long), then asks the main window for the preload login window.
DWORD WINAPI WaitThenPreload(void* param) {
  auto* wait = static_cast<PreloadWait*>(param);
  ::WaitForInputIdle(wait->process, kPreloadWaitMs);
  ::PostMessageW(wait->main, WM_CREATE_PRELOAD, 0, 0);
  ::CloseHandle(wait->process);
  delete wait;
  return 0;
}

// The hook thread's word on a key: wParam a HookAction.
constexpr UINT WM_HOOK_ACTION = WM_APP + 2;

// How long a closed tab has to end its process before it is ended.
constexpr DWORD kTabCloseMs = 3000;

// Detaches a closed tab from the main window, then tells it to close. Both
// wait for the tab's thread, so they run here: a hung tab holds up this
// thread only, until the main window ends the tab's process.
DWORD WINAPI DetachAndCloseTab(void* frame) {
  HWND wnd = static_cast<HWND>(frame);
  ::SetParent(wnd, nullptr);
  ::PostMessageW(wnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  return 0;
}

bool WindowGone(HWND window) {
  return !::IsWindow(window);
}

}  // namespace

BEGIN_MESSAGE_MAP(CWayloft3Dlg, CDlgEx)
  // Login hand-off from a login window of another process.
  ON_MESSAGE(WM_COPYDATA, OnCopyData)
  // A game frame or the hall frame registers as a tab.
  ON_MESSAGE(WM_FRAME_REGISTER, OnFrameRegister)
  // An accepted login brings the main window forward.
  ON_MESSAGE(WM_BRING_TO_FRONT, OnBringToFront)
  // The first login process is ready: the preload login window.
  ON_MESSAGE(WM_CREATE_PRELOAD, OnCreatePreload)
  // The add-account prompt: this window or a new one.
  ON_MESSAGE(WM_ADD_ACCOUNT, OnAddAccount)
  // The hotkey settings were saved.
  ON_MESSAGE(WM_HOTKEY_RELOAD, OnHotkeyReload)
  // The tray icon was clicked; its right click opens the tray menu.
  ON_MESSAGE(WM_TRAY_CALLBACK, OnTrayCallback)
  ON_MESSAGE(WM_TRAY_MENU, OnTrayMenu)
  // Background, caption and tab strip in one buffer.
  ON_MESSAGE(WM_ERASEBKGND, OnEraseBkgnd)
  ON_MESSAGE(WM_QUERYDRAGICON, OnQueryDragIcon)
  // The icon while minimised.
  ON_MESSAGE(WM_PAINT, OnPaint)
  // The content area and the caption controls follow the size.
  ON_MESSAGE(WM_SIZE, OnSize)
  // Room for every tab.
  ON_MESSAGE(WM_WINDOWPOSCHANGING, OnWindowPosChanging)
  // Hover and tooltip over the tab strip.
  ON_MESSAGE(WM_NCHITTEST, OnNcHitTest)
  ON_MESSAGE(WM_MOUSELEAVE, OnMouseLeave)
  ON_MESSAGE(WM_NCMOUSELEAVE, OnNcMouseLeave)
  // The tab band's mouse actions, as client or non-client messages.
  ON_MESSAGE(WM_LBUTTONDOWN, OnLButtonDown)
  ON_MESSAGE(WM_NCLBUTTONDOWN, OnNcLButtonDown)
  ON_MESSAGE(WM_LBUTTONUP, OnLButtonUp)
  ON_MESSAGE(WM_NCLBUTTONUP, OnNcLButtonUp)
  ON_MESSAGE(WM_LBUTTONDBLCLK, OnLButtonDblClk)
  ON_MESSAGE(WM_NCLBUTTONDBLCLK, OnNcLButtonDblClk)
  ON_MESSAGE(WM_MBUTTONUP, OnMButtonUp)
  ON_MESSAGE(WM_NCMBUTTONUP, OnNcMButtonUp)
  // A restored window repaints its game.
  ON_MESSAGE(WM_SYSCOMMAND, OnSysCommand)
  // The sound broadcast.
  ON_MESSAGE(WM_TIMER, OnTimer)
  // The keyboard hook's thread saw a boss or sound key.
  ON_MESSAGE(WM_HOOK_ACTION, OnHookAction)
  // The caption's buttons and links.
  ON_COMMAND(kHideButton, OnHideButton)
  ON_COMMAND(kSoundButton, OnSoundButton)
  ON_COMMAND(kSystemButton, OnSystemButton)
  ON_COMMAND(kSiteButton, OnSiteButton)
  ON_COMMAND(kForumButton, OnForumButton)
  ON_COMMAND(kAddAccountLink, OnAddAccountLink)
  ON_COMMAND(kPortalLink, OnPortalLink)
#ifdef TOLV_TEST_SEAMS
  ON_MESSAGE(WM_APP + 0x100, OnTestSeamCloseTab)
  ON_MESSAGE(WM_APP + 0x101, OnTestSeamSettings)
  ON_MESSAGE(WM_APP + 0x102, OnTestSeamCountObjects)
  ON_MESSAGE(WM_APP + 0x103, OnTestSeamBusy)
#endif
END_MESSAGE_MAP()

CWayloft3Dlg::CWayloft3Dlg() : CDlgEx(IDD_MAIN) {}

CWayloft3Dlg::~CWayloft3Dlg() {
  m_hook.Stop();
  ForgetLoginProcess();
  for (const ClosingTab& tab : m_closing) ::CloseHandle(tab.process);
  for (HBITMAP b : {m_bmpHide, m_bmpTextButton, m_bmpSoundOn, m_bmpSoundOff, m_bmpClose, m_bmpMin,
                    m_bmpAddAccount, m_bmpPortal}) {
    if (b) ::DeleteObject(b);
  }
  if (m_tabFont) ::DeleteObject(m_tabFont);
}

void CWayloft3Dlg::SetCaptionLink(const std::wstring& text, const std::wstring& address) {
  lstrcpynW(m_szLinkText, text.c_str(), 128);
  lstrcpynW(m_szLinkUrl, address.c_str(), 1024);
}

BOOL CWayloft3Dlg::OnInitDialog() {
  CDlgEx::OnInitDialog();
  m_hIcon = ::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
  m_hook.Start(m_hWnd, WM_HOOK_ACTION);
  LetTaskbarCreatedThrough();
  m_osvi.dwOSVersionInfoSize = sizeof(m_osvi);
  ::GetVersionExW(&m_osvi);
  m_nLinkWidth = MeasureLinkText(m_szLinkText);
  SetUpChrome();
  StartLoginProcess();
  LoadHotkeys();
  SchedulePreload();
  return TRUE;
}

void CWayloft3Dlg::SchedulePreload() {
  // Its browser would start together with the login process and slow the
  // login background the player waits for: it comes once that process is
  // ready for input.
  HANDLE process = nullptr;
  if (m_hLoginProcess &&
      ::DuplicateHandle(::GetCurrentProcess(), m_hLoginProcess, ::GetCurrentProcess(), &process, 0,
                        FALSE, DUPLICATE_SAME_ACCESS)) {
    auto* wait = new PreloadWait{process, m_hWnd};
    if (HANDLE thread = ::CreateThread(nullptr, 0, WaitThenPreload, wait, 0, nullptr)) {
      ::CloseHandle(thread);
      return;
    }
    ::CloseHandle(process);
    delete wait;
  }
  CreatePreload();
}

LRESULT CWayloft3Dlg::OnCreatePreload(WPARAM, LPARAM) {
  // Not once a tab is there (it would go at once) or the window is ending.
  if (m_tabs.Count() == 0 && !m_bExiting && !m_preload.m_hWnd) CreatePreload();
  return 0;
}

void CWayloft3Dlg::CreatePreload() {
  // Practically invisible even when its page has loaded and it shows itself.
  if (m_preload.Create(nullptr)) {
    ::SetWindowPos(m_preload.m_hWnd, nullptr, 0, 0, 1, 1, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void CWayloft3Dlg::StartLoginProcess() {
  HANDLE process = nullptr;
  if (!StartCommandLine(LoginCommandLine(ExePath(), m_hWnd, m_tabs.Count()), &process)) return;
  ForgetLoginProcess();
  m_hLoginProcess = process;
}

void CWayloft3Dlg::ForgetLoginProcess() {
  if (m_hLoginProcess) ::CloseHandle(m_hLoginProcess);
  m_hLoginProcess = nullptr;
}

LRESULT CWayloft3Dlg::OnCopyData(WPARAM, LPARAM lParam) {
  std::wstring text;
  if (!ReadHandoffRecord(reinterpret_cast<const COPYDATASTRUCT*>(lParam), &text)) return 0;
  // A tab that died since the last tick no longer holds its account.
  DropDeadTabs();
  const size_t index = m_tabs.AcceptAccount(text);
  if (!index) return 0;
  // One worker sends the reports in order, however fast logins arrive.
  m_reports.Post(LoginReportUrl(AccountName(text), index));
  return 1;
}

LRESULT CWayloft3Dlg::OnFrameRegister(WPARAM wParam, LPARAM lParam) {
  HWND frame = reinterpret_cast<HWND>(wParam);
  if (m_tabs.Count() == 0) {
    TakeFullLayout();
    if (!m_bTrayWanted) AddTrayIcon();
    ::SetTimer(m_hWnd, kSoundTimer, kSoundTimerMs, nullptr);
    if (m_preload.m_hWnd) m_preload.DestroyWindow();
  }
  if (lParam == 1) {
    m_hHallWnd = frame;
    return 0;
  }
  ShowTab(nullptr);
  if (::IsWindow(m_hHallWnd)) ::ShowWindowAsync(m_hHallWnd, SW_HIDE);
  m_tabs.AddTab(frame);
  ForgetLoginProcess();
  BringToFront(m_hWnd);
  // After the window came forward: under Wine the Z-order change dropped
  // the erase of a strip invalidated before it, and the new tab never showed.
  InvalidateArea(TabStripRect(m_tabs.Count()));
  return 0;
}

void CWayloft3Dlg::TakeFullLayout() {
  if (!m_bMaximized) OnMaxBtn();
  ::ShowWindow(m_hWnd, SW_SHOW);
}

LRESULT CWayloft3Dlg::OnBringToFront(WPARAM, LPARAM) {
  BringToFront(m_hWnd);
  return 0;
}

void CWayloft3Dlg::ShowTab(HWND window) {
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  for (HWND tab : m_tabs.Windows()) {
    if (tab != window) {
      ::ShowWindowAsync(tab, SW_HIDE);
      continue;
    }
    // A tab is another process's window, whose thread may not answer (a
    // hung game): only the asynchronous forms, which never wait for it.
    MoveWindowAsync(tab, TabContentRect(client));
    ::ShowWindowAsync(tab, SW_SHOW);
    ::SetForegroundWindow(tab);
    if (::IsWindowVisible(m_hHallWnd)) ::ShowWindowAsync(m_hHallWnd, SW_HIDE);
  }
}

void CWayloft3Dlg::SelectTab(int index) {
  const int old = m_tabs.Current();
  if (index != old && m_tabs.Select(index)) {
    ShowTab(m_tabs.Window(index));
    InvalidateArea(TabCellRect(old));
    InvalidateArea(TabCellRect(index));
  } else if (index == old && ::IsWindowVisible(m_hHallWnd)) {
    ShowTab(m_tabs.Window(index));
  }
}

void CWayloft3Dlg::NextTab() {
  if (m_tabs.Count() == 0 || !::IsWindowVisible(m_hWnd) || ::IsIconic(m_hWnd)) return;
  // With the hall in view the key first brings back the current tab.
  const int old = m_tabs.Current();
  if (m_tabs.Count() >= 2 && !::IsWindowVisible(m_hHallWnd)) m_tabs.Select(m_tabs.NextIndex());
  ShowTab(m_tabs.Window(m_tabs.Current()));
  // Invalidated after the tab came forward, which would drop the erase.
  InvalidateArea(TabCellRect(old));
  InvalidateArea(TabCellRect(m_tabs.Current()));
}

void CWayloft3Dlg::CloseTab(int index) {
  // One question at a time: a second click, a middle click or a close of
  // the window while it is open would act on a list the answer changes.
  if (m_bAsking) return;
  if (m_tabs.Count() < 2) {
    m_hover = TabHover();
    InvalidateArea(TabCrossRect(index));
    OnCancel();
    return;
  }
  HWND closed = m_tabs.Window(index);
  if (!closed) return;
  const std::wstring question = L"确定要退出账号：" + m_tabs.Account(index) + L" ?";
  m_bAsking = true;
  const int answer = ShowMessageBox(m_hWnd, question, MB_YESNO);
  m_bAsking = false;
  // Tabs may have come or gone meanwhile: the tab is found again by its window.
  index = m_tabs.IndexOf(closed);
  if (answer != IDYES || index < 0) {
    if (index >= 0) InvalidateArea(TabCellRect(index));
    m_hover = TabHover();
    return;
  }
  const int current = m_tabs.RemoveTab(index);
  if (current >= 0) ShowTab(m_tabs.Window(current));
  ReleaseTabWindow(closed);
  RECT strip = TabStripRect(m_tabs.Count());
  strip.right += kTabCellWidth;
  InvalidateArea(strip);
  m_hover = TabHover();
}

void CWayloft3Dlg::ReleaseTabWindow(HWND frame) {
  // Its process, to end it should it not close in time; only a window that
  // made itself our child names it, and never this process.
  DWORD pid = 0;
  ::GetWindowThreadProcessId(frame, &pid);
  if (pid && pid != ::GetCurrentProcessId() && ::GetAncestor(frame, GA_PARENT) == m_hWnd) {
    if (HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid)) {
      m_closing.push_back({process, ::GetTickCount()});
    }
  }
  // Hidden first, so that it never shows as a window of its own, topmost,
  // between leaving the main window and its end.
  ::ShowWindowAsync(frame, SW_HIDE);
  if (HANDLE thread = ::CreateThread(nullptr, 0, DetachAndCloseTab, frame, 0, nullptr)) {
    ::CloseHandle(thread);
  } else {
    ::PostMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
  }
}

void CWayloft3Dlg::EndClosedTabs(bool now) {
  for (size_t i = 0; i < m_closing.size();) {
    ClosingTab& tab = m_closing[i];
    const bool ended = ::WaitForSingleObject(tab.process, 0) == WAIT_OBJECT_0;
    if (!ended && !now && ::GetTickCount() - tab.since < kTabCloseMs) {
      ++i;
      continue;
    }
    // A tab that does not close in time does not answer at all: its
    // process goes, and with it the window the detaching thread waits on.
    if (!ended) ::TerminateProcess(tab.process, 0);
    ::CloseHandle(tab.process);
    m_closing.erase(m_closing.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

void CWayloft3Dlg::DropDeadTabs() {
  // A tab whose process died leaves no window behind: it leaves the strip,
  // and its account may log in again.
  const int before = m_tabs.Count();
  if (m_tabs.RemoveGoneTabs(WindowGone) == 0) return;
  if (m_tabs.Count() > 0 && ::IsWindowVisible(m_hWnd)) ShowTab(m_tabs.Window(m_tabs.Current()));
  m_hover = TabHover();
  InvalidateArea(TabStripRect(before));
}

void CWayloft3Dlg::OnCancel() {
  if (m_bAsking) return;
  ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ::SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  m_bAsking = true;
  const int answer = ShowMessageBox(nullptr, L"窗口即将关闭，确定要退出游戏？", MB_YESNO);
  m_bAsking = false;
  if (answer == IDYES) ExitAll();
}

void CWayloft3Dlg::ExitAll() {
  m_bExiting = true;
  if (m_hLoginProcess) ::TerminateProcess(m_hLoginProcess, 0);
  ForgetLoginProcess();
  m_hook.Stop();
  for (HWND tab : m_tabs.Windows()) ReleaseTabWindow(tab);
  DeleteTrayIcon();
  // The tabs get their time to close, then whatever is left is ended: the
  // detaching threads end with this process.
  const DWORD start = ::GetTickCount();
  while (!m_closing.empty() && ::GetTickCount() - start < kTabCloseMs) {
    EndClosedTabs(false);
    // Messages sent to this thread (the detaching) are answered meanwhile.
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_SENDMESSAGE);
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  EndClosedTabs(true);
  ::PostQuitMessage(0);
}

void CWayloft3Dlg::LoadHotkeys() {
  m_bossKey = LoadBossKey();
  m_switchKey = LoadSwitchKey();
  for (HWND tab : m_tabs.Windows()) ::PostMessageW(tab, WM_FRAME_HOTKEY_RELOAD, 0, 0);
  if (::IsWindow(m_hHallWnd)) ::PostMessageW(m_hHallWnd, WM_FRAME_HOTKEY_RELOAD, 0, 0);
  m_soundKey = LoadSoundKey();
  m_hook.SetHotkeys(m_bossKey, m_soundKey);
}

LRESULT CWayloft3Dlg::OnHotkeyReload(WPARAM, LPARAM) {
  LoadHotkeys();
  return 0;
}

LRESULT CWayloft3Dlg::OnHookAction(WPARAM action, LPARAM) {
  // Before the first tab the boss and sound keys do nothing.
  if (m_tabs.Count() == 0) return 0;
  switch (static_cast<HookAction>(action)) {
    case HookAction::ToggleHide:
      ToggleHide();
      break;
    case HookAction::FlipSound:
      FlipSound();
      break;
    case HookAction::None:
      break;
  }
  return 0;
}

void CWayloft3Dlg::ToggleHide() {
  if (::IsWindowVisible(m_hWnd)) {
    ::ShowWindow(m_hWnd, SW_HIDE);
    m_addAcc.Hide();
    CancelSettingDialog();
  } else {
    ::ShowWindow(m_hWnd, SW_RESTORE);
    BringToFront(m_hWnd);
  }
}

LRESULT CWayloft3Dlg::OnTimer(WPARAM id, LPARAM lParam) {
  if (OnTrayTimer(id)) return 0;
  if (id == kSoundTimer) {
    DropDeadTabs();
    EndClosedTabs(false);
    for (HWND tab : m_tabs.Windows()) ::PostMessageW(tab, WM_MUTE_STATE, m_nSoundOff, 0);
    if (m_nSoundOff != m_nSoundShown) {
      m_nSoundShown = m_nSoundOff;
      m_btnSound.SetBitmap(m_nSoundOff == 1 ? m_bmpSoundOff : m_bmpSoundOn, FALSE);
      ::InvalidateRect(m_btnSound.m_hWnd, nullptr, FALSE);
    }
  }
  return ::DefWindowProcW(m_hWnd, WM_TIMER, id, lParam);
}

LRESULT CWayloft3Dlg::OnSysCommand(WPARAM wParam, LPARAM lParam) {
  const LRESULT result = ::DefWindowProcW(m_hWnd, WM_SYSCOMMAND, wParam, lParam);
  if ((wParam & 0xFFF0) == SC_RESTORE && m_tabs.Count() > 0) RepaintRestoredGame();
  return result;
}

void CWayloft3Dlg::RepaintRestoredGame() {
  // The game's plug-in does not repaint by itself after a restore.
  for (HWND wnd : GameRepaintWindows(m_tabs.Window(m_tabs.Current()))) {
    ::InvalidateRect(wnd, nullptr, TRUE);
  }
}

LRESULT CWayloft3Dlg::OnPaint(WPARAM wParam, LPARAM lParam) {
  if (!::IsIconic(m_hWnd)) return ::DefWindowProcW(m_hWnd, WM_PAINT, wParam, lParam);
  // Minimised: the icon, in the middle.
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(m_hWnd, &paint);
  RECT client = {};
  ::GetClientRect(m_hWnd, &client);
  const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
  ::DrawIcon(dc, x, y, m_hIcon);
  ::EndPaint(m_hWnd, &paint);
  return 0;
}

LRESULT CWayloft3Dlg::OnAddAccount(WPARAM wParam, LPARAM) {
  // The limit counts living tabs only.
  DropDeadTabs();
  switch (DecideAddAccount(wParam, m_tabs.Count(), m_bLimitShown)) {
    case AddAccountAction::NewWindow:
      StartProcess(nullptr);
      break;
    case AddAccountAction::StartLogin:
      StartLoginProcess();
      break;
    case AddAccountAction::ShowLimit:
      // Answers that arrive while the box's own message loop runs are
      // ignored, instead of nesting a box for each until the stack is gone.
      m_bLimitShown = true;
      ShowMessageBox(nullptr, L"当前窗体只支持3个游戏页", MB_OK);
      m_bLimitShown = false;
      break;
    case AddAccountAction::Ignore:
      break;
  }
  return 0;
}

#ifdef TOLV_TEST_SEAMS
// Test builds only: closes tab wParam as the tab strip's close cross does,
// without aiming the mouse (WM_APP + 0x100).
LRESULT CWayloft3Dlg::OnTestSeamCloseTab(WPARAM index, LPARAM) {
  CloseTab(static_cast<int>(index));
  return 0;
}

// Test builds only: opens the hotkey settings as the system menu's "设置..."
// does, without going through the menu (WM_APP + 0x101).
LRESULT CWayloft3Dlg::OnTestSeamSettings(WPARAM, LPARAM) {
  RunSettingDialog(m_hWnd);
  return 0;
}

// Test builds only: how many GDI objects (wParam 0), USER objects (1) or
// kernel handles (2) this process holds, or how many window DCs the window
// manager keeps in it (3), for the soak test (WM_APP + 0x102).
LRESULT CWayloft3Dlg::OnTestSeamCountObjects(WPARAM which, LPARAM) {
  return which <= 3 ? CountOwnObjects(static_cast<OwnObjects>(which)) : -1;
}

// Test builds only: keeps this window's thread busy for wParam milliseconds,
// as a slow browser or a tab that does not answer would (WM_APP + 0x103).
LRESULT CWayloft3Dlg::OnTestSeamBusy(WPARAM ms, LPARAM) {
  ::Sleep(static_cast<DWORD>(ms < 10000 ? ms : 10000));
  return 0;
}
#endif

BOOL CWayloft3Dlg::PreTranslateMessage(MSG* pMsg) {
  const UINT msg = pMsg->message;
  switch (DecideMainKey(msg, pMsg->wParam, pMsg->lParam, HeldModifiers(), m_tabs.Count(),
                        m_hLoginProcess != nullptr, m_switchKey, m_bossKey, m_soundKey)) {
    case MainKey::NextTab:
      NextTab();
      return TRUE;
    case MainKey::Swallow:
      return TRUE;
    case MainKey::ExitAll:
      ExitAll();
      return TRUE;
    case MainKey::ForgetLogin:
      ForgetLoginProcess();
      return TRUE;
    case MainKey::EndLoginAndExit:
      if (m_hLoginProcess) ::TerminateProcess(m_hLoginProcess, 0);
      ExitAll();
      return TRUE;
    case MainKey::ForwardToTab: {
      HWND tab = m_tabs.Window(m_tabs.Current());
      if (::IsWindowVisible(tab)) {
        ::PostMessageW(tab, msg, pMsg->wParam, pMsg->lParam);
      } else if (::IsWindowVisible(m_hHallWnd)) {
        ::PostMessageW(m_hHallWnd, msg, pMsg->wParam, pMsg->lParam);
      }
      return TRUE;
    }
    case MainKey::RestoreEmpty:
      ::ShowWindow(m_hWnd, SW_RESTORE);
      break;
    case MainKey::None:
      break;
  }
  // The tab strip's tooltip watches the mouse.
  if (m_toolTip) {
    MSG relayed = *pMsg;
    ::SendMessageW(m_toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
  }
  return CDlgEx::PreTranslateMessage(pMsg);
}
