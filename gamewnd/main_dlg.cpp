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

// The one main window of this process and its system-wide keyboard hook.
CWayloft3Dlg* g_mainDlg = nullptr;
HHOOK g_keyboardHook = nullptr;

// The strip is painted with the background, when the window is erased.
void Invalidate(HWND wnd, const RECT& r) {
  ::InvalidateRect(wnd, &r, TRUE);
}

// The boss and sound keys act wherever the focus is, also in a game tab of
// another process; the hook never keeps a key from anyone.
LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (g_mainDlg) g_mainDlg->OnHookKey(wParam, reinterpret_cast<KBDLLHOOKSTRUCT*>(lParam)->vkCode);
  return ::CallNextHookEx(g_keyboardHook, code, wParam, lParam);
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
#endif
END_MESSAGE_MAP()

CWayloft3Dlg::CWayloft3Dlg() : CDlgEx(IDD_MAIN) {
  g_mainDlg = this;
}

CWayloft3Dlg::~CWayloft3Dlg() {
  if (g_mainDlg == this) g_mainDlg = nullptr;
  if (g_keyboardHook) ::UnhookWindowsHookEx(g_keyboardHook);
  g_keyboardHook = nullptr;
  ForgetLoginProcess();
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
  g_keyboardHook = ::SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHookProc, AfxGetInstanceHandle(), 0);
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
    if (!m_bTrayIcon) {
      NOTIFYICONDATAW icon = TrayIconData();
      m_bTrayIcon = ::Shell_NotifyIconW(NIM_ADD, &icon) != FALSE;
    }
    ::SetTimer(m_hWnd, kSoundTimer, kSoundTimerMs, nullptr);
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
  BringToFront(m_hWnd);
  // After the window came forward: under Wine the Z-order change dropped
  // the erase of a strip invalidated before it, and the new tab never showed.
  Invalidate(m_hWnd, TabStripRect(m_tabs.Count()));
  return 0;
}

void CWayloft3Dlg::TakeFullLayout() {
  if (!m_bMaximized) OnMaxBtn();
  ::ShowWindow(m_hWnd, SW_SHOW);
}

NOTIFYICONDATAW CWayloft3Dlg::TrayIconData() const {
  NOTIFYICONDATAW icon = {};
  // The size every Windows from XP on takes (the XP structure ends there).
  icon.cbSize = FIELD_OFFSET(NOTIFYICONDATAW, guidItem) + sizeof(GUID);
  icon.hWnd = m_hWnd;
  icon.uID = 1;
  icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  icon.uCallbackMessage = WM_TRAY_CALLBACK;
  icon.hIcon = m_hIcon;
  lstrcpynW(icon.szTip, kMainWindowTitle, ARRAYSIZE(icon.szTip));
  return icon;
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
    Invalidate(m_hWnd, TabCellRect(old));
    Invalidate(m_hWnd, TabCellRect(index));
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
  Invalidate(m_hWnd, TabCellRect(old));
  Invalidate(m_hWnd, TabCellRect(m_tabs.Current()));
}

void CWayloft3Dlg::CloseTab(int index) {
  if (m_tabs.Count() < 2) {
    m_hover = TabHover();
    Invalidate(m_hWnd, TabCrossRect(index));
    OnCancel();
    return;
  }
  const std::wstring question = L"确定要退出账号：" + m_tabs.Account(index) + L" ?";
  if (ShowMessageBox(nullptr, question, MB_YESNO) != IDYES) {
    Invalidate(m_hWnd, TabCellRect(index));
    m_hover = TabHover();
    return;
  }
  HWND closed = m_tabs.Window(index);
  const int current = m_tabs.RemoveTab(index);
  if (current < 0) return;
  ShowTab(m_tabs.Window(current));
  ReleaseTabWindow(closed);
  RECT strip = TabStripRect(m_tabs.Count());
  strip.right += kTabCellWidth;
  Invalidate(m_hWnd, strip);
  m_hover = TabHover();
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
  m_bExiting = true;
  if (m_hLoginProcess) ::TerminateProcess(m_hLoginProcess, 0);
  ForgetLoginProcess();
  if (g_keyboardHook) ::UnhookWindowsHookEx(g_keyboardHook);
  g_keyboardHook = nullptr;
  for (HWND tab : m_tabs.Windows()) {
    ::SetParent(tab, nullptr);
    ::ShowWindow(tab, SW_HIDE);
    ::PostMessageW(tab, WM_SYSCOMMAND, SC_CLOSE, 0);
  }
  if (m_bTrayIcon) {
    NOTIFYICONDATAW icon = TrayIconData();
    ::Shell_NotifyIconW(NIM_DELETE, &icon);
    m_bTrayIcon = false;
  }
  ::PostQuitMessage(0);
}

void CWayloft3Dlg::LoadHotkeys() {
  m_bossKey = LoadBossKey();
  m_switchKey = LoadSwitchKey();
  for (HWND tab : m_tabs.Windows()) ::PostMessageW(tab, WM_FRAME_HOTKEY_RELOAD, 0, 0);
  if (::IsWindow(m_hHallWnd)) ::PostMessageW(m_hHallWnd, WM_FRAME_HOTKEY_RELOAD, 0, 0);
  m_soundKey = LoadSoundKey();
}

LRESULT CWayloft3Dlg::OnHotkeyReload(WPARAM, LPARAM) {
  LoadHotkeys();
  return 0;
}

void CWayloft3Dlg::OnHookKey(WPARAM message, DWORD vk) {
  switch (DecideHookKey(m_tabs.Count(), message, vk, KeyboardModifiers(), m_bossKey, m_soundKey)) {
    case HookAction::ToggleHide:
      ToggleHide();
      break;
    case HookAction::FlipSound:
      FlipSound();
      break;
    case HookAction::None:
      break;
  }
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
  if (id == kSoundTimer) {
    for (HWND tab : m_tabs.Windows()) ::PostMessageW(tab, WM_MUTE_STATE, m_nSoundOff, 0);
    if (m_nSoundOff != m_nSoundShown) {
      m_nSoundShown = m_nSoundOff;
      m_btnSound.SetBitmap(m_nSoundOff == 1 ? m_bmpSoundOff : m_bmpSoundOn, FALSE);
      ::InvalidateRect(m_btnSound.m_hWnd, nullptr, FALSE);
    }
  }
  return ::DefWindowProcW(m_hWnd, WM_TIMER, id, lParam);
}

LRESULT CWayloft3Dlg::OnTrayCallback(WPARAM, LPARAM lParam) {
  if (lParam == WM_LBUTTONUP) {
    ToggleHide();
  } else if (lParam == WM_RBUTTONUP) {
    PostMessage(WM_TRAY_MENU, 0, 0);
  }
  return 0;
}

LRESULT CWayloft3Dlg::OnTrayMenu(WPARAM, LPARAM) {
  ::SetForegroundWindow(m_hWnd);
  POINT at = {};
  ::GetCursorPos(&at);
  RunMenu(true, at.x, at.y, TPM_RETURNCMD | TPM_BOTTOMALIGN | TPM_RIGHTALIGN);
  return 0;
}

void CWayloft3Dlg::OnSystemButton() {
  RECT button = {};
  ::GetWindowRect(m_btnSystem.m_hWnd, &button);
  RunMenu(false, button.left, button.bottom + 2, TPM_RETURNCMD);
}

void CWayloft3Dlg::RunMenu(bool tray, int x, int y, UINT flags) {
  HMENU menu = ::CreatePopupMenu();
  if (!menu) return;
  for (const MenuItem& item : MainMenuItems(m_bossKey, tray)) {
    if (item.id == 0) {
      ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      ::AppendMenuW(menu, MF_STRING, item.id, item.text.c_str());
    }
  }
  const UINT chosen = static_cast<UINT>(::TrackPopupMenu(menu, flags, x, y, 0, m_hWnd, nullptr));
  ::DestroyMenu(menu);
  switch (chosen) {
    case kMenuRefresh:
      // Marked as the client's own F5: the tab's frame refreshes even when
      // F5 is one of the hotkeys.
      PostMessage(WM_KEYDOWN, VK_F5, kSyntheticMarker);
      break;
    case kMenuHide:
      ToggleHide();
      break;
    case kMenuClearCache:
      StartCacheClearing(nullptr);
      break;
    case kMenuSettings:
      RunSettingDialog(m_hWnd);
      break;
    case kMenuExit:
      if (tray) ExitAll();
      break;
    default:  // the version line, or nothing chosen
      break;
  }
}

void CWayloft3Dlg::OnSiteButton() {
  OpenInInternetExplorer((std::wstring(L"https://") + PortalHost + L"/yxtolv/").c_str());
}

void CWayloft3Dlg::OnForumButton() {
  OpenInInternetExplorer((std::wstring(L"http://") + PortalHost + L"/forums/mtag-83586").c_str());
}

void CWayloft3Dlg::OnPortalLink() {
  OpenInInternetExplorer(m_szLinkUrl);
}

void CWayloft3Dlg::OnAddAccountLink() {
  m_addAcc.ShowUnder(m_hWnd, m_lnkAddAccount.m_hWnd);
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
  if (follower) {
    ::MoveWindow(follower, content.left, content.top, content.right - content.left,
                 content.bottom - content.top, FALSE);
  }
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
  for (const RECT& r : HoverRepaint(m_hover, hover)) Invalidate(m_hWnd, r);
  m_hover = hover;
}

LRESULT CWayloft3Dlg::OnNcHitTest(WPARAM wParam, LPARAM lParam) {
  const LRESULT hit = CDlgEx::OnNcHitTest(wParam, lParam);
  const POINT p = ClientPoint(lParam);
  const TabHit tab = HitTabBand(p.x, p.y, m_tabs.Count());
  if (tab.tab < 0) {
    if (m_hover.tab >= 0) Invalidate(m_hWnd, TabCellRect(m_hover.tab));
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
    if (m_hover.tab >= 0) Invalidate(m_hWnd, TabCellRect(m_hover.tab));
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
    Invalidate(m_hWnd, TabCrossRect(hit.tab));
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

LRESULT CWayloft3Dlg::OnSysCommand(WPARAM wParam, LPARAM lParam) {
  const LRESULT result = ::DefWindowProcW(m_hWnd, WM_SYSCOMMAND, wParam, lParam);
  if ((wParam & 0xFFF0) == SC_RESTORE && m_tabs.Count() > 0) RepaintRestoredGame();
  return result;
}

void CWayloft3Dlg::RepaintRestoredGame() {
  // The game's plug-in does not repaint by itself after a restore.
  HWND wnd = m_tabs.Window(m_tabs.Current());
  for (const wchar_t* cls : {L"AfxFrameOrView90su", L"Shell Embedding", L"Shell DocObject View",
                             L"Internet Explorer_Server"}) {
    if (!wnd) return;
    wnd = ::FindWindowExW(wnd, nullptr, cls, L"");
  }
  if (!wnd) return;
  ::InvalidateRect(wnd, nullptr, TRUE);
  if (HWND flash = ::FindWindowExW(wnd, nullptr, L"MacromediaFlashPlayerActiveX", L"")) {
    ::InvalidateRect(flash, nullptr, TRUE);
  }
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
#endif

BOOL CWayloft3Dlg::PreTranslateMessage(MSG* pMsg) {
  const UINT msg = pMsg->message;
  // The window-switch key, pressed here or forwarded by a tab.
  if (IsHotkeyPress(msg, pMsg->wParam, pMsg->lParam, HeldModifiers(), m_switchKey)) {
    NextTab();
    return TRUE;
  }
  // The hook has acted on a boss or sound key already; F10 or Alt passed on
  // would leave the window in keyboard-menu mode, eating the next keys.
  if (IsMenuKeyHotkey(msg, pMsg->wParam, pMsg->lParam, m_bossKey, m_soundKey)) return TRUE;
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
  // The tab strip's tooltip watches the mouse.
  if (m_toolTip) {
    MSG relayed = *pMsg;
    ::SendMessageW(m_toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
  }
  return CDlgEx::PreTranslateMessage(pMsg);
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
