#include "gamewnd/main_dlg.h"

#include "base/messages.h"
#include "base/paths.h"
#include "base/process_values.h"
#include "base/product.h"
#include "framework/winapp.h"
#include "browser/game_frame_rules.h"
#include "gamewnd/login_protocol.h"
#include "hotkeys/setting_dlg.h"
#include "net/http.h"
#include "res/resource.h"
#include "ui/message_box.h"

namespace {

// The tab strip: cells of 189 pixels from x 120, y 3 to 25.
constexpr int kStripLeft = 120;
constexpr int kCellWidth = 189;
constexpr int kStripTop = 3;
constexpr int kStripBottom = 25;

void InvalidateStrip(HWND wnd, int left, int right) {
  RECT r = {left, kStripTop, right, kStripBottom};
  ::InvalidateRect(wnd, &r, FALSE);
}

}  // namespace

BEGIN_MESSAGE_MAP(CWayloft3Dlg, CDialog)
  // Login hand-off from a login window of another process.
  ON_MESSAGE(WM_COPYDATA, OnCopyData)
  // A game frame or the hall frame registers as a tab.
  ON_MESSAGE(WM_FRAME_REGISTER, OnFrameRegister)
  // An accepted login brings the main window forward.
  ON_MESSAGE(WM_BRING_TO_FRONT, OnBringToFront)
  // The add-account prompt: this window or a new one.
  ON_MESSAGE(WM_ADD_ACCOUNT, OnAddAccount)
  // The hotkey settings were saved.
  ON_MESSAGE(WM_HOTKEY_RELOAD, OnHotkeyReload)
#ifdef TOLV_TEST_SEAMS
  ON_MESSAGE(WM_APP + 0x100, OnTestSeamCloseTab)
  ON_MESSAGE(WM_APP + 0x101, OnTestSeamSettings)
#endif
END_MESSAGE_MAP()

CWayloft3Dlg::CWayloft3Dlg() : CDialog(IDD_MAIN) {}

CWayloft3Dlg::~CWayloft3Dlg() {
  ForgetLoginProcess();
}

void CWayloft3Dlg::SetCaptionLink(const std::wstring& text, const std::wstring& address) {
  lstrcpynW(m_szLinkText, text.c_str(), 128);
  lstrcpynW(m_szLinkUrl, address.c_str(), 1024);
}

BOOL CWayloft3Dlg::OnInitDialog() {
  SetWindowText(kMainWindowTitle);
  HICON icon = ::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  ::SetDlgItemTextW(m_hWnd, IDC_MAIN_LINK, m_szLinkText);
  // Present but practically invisible until the first frame registers.
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  StartLoginProcess();
  LoadHotkeys();
  // Practically invisible even when its page has loaded and it shows itself.
  if (m_preload.Create(nullptr)) {
    ::SetWindowPos(m_preload.m_hWnd, nullptr, 0, 0, 1, 1, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return TRUE;
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
    if (m_preload.m_hWnd) m_preload.DestroyWindow();
  }
  if (lParam == 1) {
    m_hHallWnd = frame;
    return 0;
  }
  ShowTab(nullptr);
  if (::IsWindow(m_hHallWnd)) ::ShowWindow(m_hHallWnd, SW_HIDE);
  m_tabs.AddTab(frame);
  ForgetLoginProcess();
  InvalidateStrip(m_hWnd, kStripLeft, kStripLeft + kCellWidth * m_tabs.Count());
  BringToFront(m_hWnd);
  return 0;
}

void CWayloft3Dlg::TakeFullLayout() {
  RECT work;
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  ::SetWindowPos(m_hWnd, nullptr, work.left, work.top, work.right - work.left,
                 work.bottom - work.top, SWP_NOZORDER | SWP_SHOWWINDOW);
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
      ::ShowWindow(tab, SW_HIDE);
      continue;
    }
    const RECT r = TabContentRect(client);
    ::MoveWindow(tab, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
    ::ShowWindow(tab, SW_SHOW);
    ::SetForegroundWindow(tab);
    if (::IsWindowVisible(m_hHallWnd)) ::ShowWindow(m_hHallWnd, SW_HIDE);
  }
}

void CWayloft3Dlg::SelectTab(int index) {
  const int old = m_tabs.Current();
  if (index != old && m_tabs.Select(index)) {
    ShowTab(m_tabs.Window(index));
    for (int i : {old, index}) {
      InvalidateStrip(m_hWnd, kStripLeft + kCellWidth * i, 309 + kCellWidth * i);
    }
  } else if (index == old && ::IsWindowVisible(m_hHallWnd)) {
    ShowTab(m_tabs.Window(index));
  }
}

void CWayloft3Dlg::NextTab() {
  const int next = m_tabs.NextIndex();
  if (next >= 0) SelectTab(next);
}

void CWayloft3Dlg::CloseTab(int index) {
  if (m_tabs.Count() < 2) {
    OnCancel();
    return;
  }
  const std::wstring question = L"确定要退出账号：" + m_tabs.Account(index) + L" ?";
  if (ShowMessageBox(nullptr, question, MB_YESNO) != IDYES) {
    InvalidateStrip(m_hWnd, kStripLeft + kCellWidth * index, 309 + kCellWidth * index);
    return;
  }
  HWND closed = m_tabs.Window(index);
  const int current = m_tabs.RemoveTab(index);
  if (current < 0) return;
  ShowTab(m_tabs.Window(current));
  ReleaseTabWindow(closed);
  InvalidateStrip(m_hWnd, kStripLeft, 309 + kCellWidth * m_tabs.Count());
}

void CWayloft3Dlg::ReleaseTabWindow(HWND frame) {
  // The frame leaves the main window first, so that its process can end it
  // without touching this one.
  ::SetParent(frame, nullptr);
  ::PostMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void CWayloft3Dlg::OnCancel() {
  ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ::SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  if (ShowMessageBox(nullptr, L"窗口即将关闭，确定要退出游戏？", MB_YESNO) == IDYES) ExitAll();
}

void CWayloft3Dlg::ExitAll() {
  if (m_hLoginProcess) ::TerminateProcess(m_hLoginProcess, 0);
  ForgetLoginProcess();
  for (HWND tab : m_tabs.Windows()) {
    ::SetParent(tab, nullptr);
    ::ShowWindow(tab, SW_HIDE);
    ::PostMessageW(tab, WM_SYSCOMMAND, SC_CLOSE, 0);
  }
  ::PostQuitMessage(0);
}

void CWayloft3Dlg::LoadHotkeys() {
  m_switchKey = LoadSwitchKey();
  for (HWND tab : m_tabs.Windows()) ::PostMessageW(tab, WM_FRAME_HOTKEY_RELOAD, 0, 0);
  if (::IsWindow(m_hHallWnd)) ::PostMessageW(m_hHallWnd, WM_FRAME_HOTKEY_RELOAD, 0, 0);
}

LRESULT CWayloft3Dlg::OnHotkeyReload(WPARAM, LPARAM) {
  LoadHotkeys();
  return 0;
}

LRESULT CWayloft3Dlg::OnAddAccount(WPARAM wParam, LPARAM) {
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
// Test builds only: the tab strip comes with the chrome; until then tests
// close a tab through this message (WM_APP + 0x100, wParam the tab index).
LRESULT CWayloft3Dlg::OnTestSeamCloseTab(WPARAM index, LPARAM) {
  CloseTab(static_cast<int>(index));
  return 0;
}

// Test builds only: the system menu comes with the chrome; until then tests
// open the hotkey settings through this message (WM_APP + 0x101).
LRESULT CWayloft3Dlg::OnTestSeamSettings(WPARAM, LPARAM) {
  RunSettingDialog(m_hWnd);
  return 0;
}
#endif

BOOL CWayloft3Dlg::PreTranslateMessage(MSG* pMsg) {
  const UINT msg = pMsg->message;
  // The window-switch key, pressed here or forwarded by a tab.
  if (IsHotkeyPress(msg, pMsg->wParam, pMsg->lParam, HeldModifiers(), m_switchKey)) {
    NextTab();
    return TRUE;
  }
  // Space and Esc never reach the main window's controls.
  if (msg == WM_KEYDOWN && (pMsg->wParam == VK_ESCAPE || pMsg->wParam == VK_SPACE)) return TRUE;
  if (msg == WM_SYSCOMMAND && (pMsg->wParam & 0xFFF0) == SC_CLOSE) {
    if (pMsg->lParam == kSyntheticMarker) {
      // A login process gave up.
      if (m_tabs.Count() == 0) {
        ExitAll();
        return TRUE;
      }
      if (m_hLoginProcess) {
        ForgetLoginProcess();
        return TRUE;
      }
    } else if (pMsg->lParam == 0 && m_tabs.Count() == 0) {
      if (m_hLoginProcess) ::TerminateProcess(m_hLoginProcess, 0);
      ExitAll();
      return TRUE;
    }
  }
  // F5 and Ctrl+D go to the visible tab's page, or to the visible hall.
  const bool ctrlD = msg == WM_CHAR && pMsg->wParam == 4 && HIWORD(pMsg->lParam) == 0x0020;
  const bool f5 = msg == WM_KEYDOWN && pMsg->wParam == VK_F5;
  if ((ctrlD || f5) && m_tabs.Count() > 0) {
    HWND tab = m_tabs.Window(m_tabs.Current());
    if (::IsWindowVisible(tab)) {
      ::PostMessageW(tab, msg, pMsg->wParam, pMsg->lParam);
    } else if (::IsWindowVisible(m_hHallWnd)) {
      ::PostMessageW(m_hHallWnd, msg, pMsg->wParam, pMsg->lParam);
    }
    return TRUE;
  }
  if (msg == WM_SYSCOMMAND && (pMsg->wParam & 0xFFF0) == SC_RESTORE && m_tabs.Count() == 0) {
    ::ShowWindow(m_hWnd, SW_RESTORE);
  }
  return CDialog::PreTranslateMessage(pMsg);
}

bool IsMainGameWindow(HWND window) {
  if (!window || !::IsWindow(window)) return false;
  wchar_t className[16] = {};
  wchar_t title[32] = {};
  ::GetClassNameW(window, className, 16);
  ::GetWindowTextW(window, title, 32);
  return std::wstring(className) == L"#32770" && std::wstring(title) == kMainWindowTitle;
}

void BringToFront(HWND window) {
  HWND foreground = ::GetForegroundWindow();
  const DWORD foregroundThread = ::GetWindowThreadProcessId(foreground, nullptr);
  const DWORD thisThread = ::GetCurrentThreadId();
  const bool attach = foregroundThread && foregroundThread != thisThread;
  if (attach) ::AttachThreadInput(thisThread, foregroundThread, TRUE);
  ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ::SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ::SetForegroundWindow(window);
  if (attach) ::AttachThreadInput(thisThread, foregroundThread, FALSE);
}
