// The main game window: the host of the game tabs of one hub process. Each
// tab is the game frame of a login process, re-parented into this window.
#pragma once

#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include <string>
#include <vector>

#include "net/report_queue.h"
#include "gamewnd/add_acc_dlg.h"
#include "gamewnd/login_dlg.h"
#include "gamewnd/main_chrome.h"
#include "gamewnd/main_hook.h"
#include "gamewnd/tab_list.h"
#include "hotkeys/hotkey.h"
#include "ui/btn_ex.h"
#include "ui/dlg_ex.h"
#include "ui/image_strip.h"
#include "ui/static_ex.h"
#include "gamewnd/window_util.h"

class CWayloft3Dlg : public CDlgEx {
 public:
  CWayloft3Dlg();
  ~CWayloft3Dlg() override;
  // The extra caption link the portal's button-info answer supplies.
  void SetCaptionLink(const std::wstring& text, const std::wstring& address);

  // Starts a login process for a new tab.
  void StartLoginProcess();
  // Shows one tab in the content area and hides the others; null hides all.
  void ShowTab(HWND window);
  // Makes tab `index` the current one (the tab strip's click).
  void SelectTab(int index);
  // The window-switch key: the next tab, wrapping.
  void NextTab();
  // Asks, then closes tab `index`; the last tab closes the window.
  void CloseTab(int index);
  // Ends every tab and this process.
  void ExitAll();
  // The boss key: hides the main window with every tab, or brings it back.
  void ToggleHide();
  // The hotkeys from the settings file; the tabs and the hall reload theirs.
  void LoadHotkeys();
  // The sound key and the sound button.
  void FlipSound() { m_nSoundOff = FlipSoundFlag(m_nSoundOff); }
  // The width of the portal link's text in the caption's link face.
  int MeasureLinkText(const wchar_t* text);

  BOOL PreTranslateMessage(MSG* pMsg) override;

 protected:
  BOOL OnInitDialog() override;
  // Enter does nothing here.
  void OnOK() override {}
  // The close confirmation.
  void OnCancel() override;

 private:
  // A login window hands over its account: 1 accepted, 0 refused.
  LRESULT OnCopyData(WPARAM, LPARAM);
  // A game or hall frame registers itself.
  LRESULT OnFrameRegister(WPARAM, LPARAM);
  // A login window asks for the main window to come to the front.
  LRESULT OnBringToFront(WPARAM, LPARAM);
  // The add-account prompt's answer.
  LRESULT OnAddAccount(WPARAM, LPARAM);
  // The hotkey settings were saved: read them again, and so do the tabs.
  LRESULT OnHotkeyReload(WPARAM, LPARAM);
  // The tray icon was clicked.
  LRESULT OnTrayCallback(WPARAM, LPARAM);
  // The tray icon's right click: the tray menu.
  LRESULT OnTrayMenu(WPARAM, LPARAM);
  // Background, caption and tab strip, double-buffered.
  LRESULT OnEraseBkgnd(WPARAM, LPARAM);
  // The icon of the minimised window.
  LRESULT OnPaint(WPARAM, LPARAM);
  LRESULT OnQueryDragIcon(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(m_hIcon); }
  // The current tab follows the content area; the caption controls the width.
  LRESULT OnSize(WPARAM, LPARAM);
  // The tabs need room: a minimum size while there are any.
  LRESULT OnWindowPosChanging(WPARAM, LPARAM);
  // Hover and tooltip of the tab strip; the answer stays the skin's.
  LRESULT OnNcHitTest(WPARAM, LPARAM);
  // The pointer left the window: no tab is hovered.
  LRESULT OnMouseLeave(WPARAM, LPARAM);
  LRESULT OnNcMouseLeave(WPARAM, LPARAM);
  // Pressing a tab selects it; pressing its cross arms the cross.
  LRESULT OnLButtonDown(WPARAM, LPARAM);
  LRESULT OnNcLButtonDown(WPARAM, LPARAM);
  // Releasing over a close cross closes that tab.
  LRESULT OnLButtonUp(WPARAM, LPARAM);
  LRESULT OnNcLButtonUp(WPARAM, LPARAM);
  // A double click on a tab does nothing; elsewhere the skin's rules.
  LRESULT OnLButtonDblClk(WPARAM, LPARAM);
  LRESULT OnNcLButtonDblClk(WPARAM, LPARAM);
  // The middle button closes the tab under it.
  LRESULT OnMButtonUp(WPARAM, LPARAM);
  LRESULT OnNcMButtonUp(WPARAM, LPARAM);
  // After a restore the game's plug-in is made to repaint.
  LRESULT OnSysCommand(WPARAM, LPARAM);
  // Timer 3: the sound state to every tab, and the sound button's look.
  LRESULT OnTimer(WPARAM, LPARAM);
  // The keyboard hook's thread saw the boss or the sound key.
  LRESULT OnHookAction(WPARAM, LPARAM);
  void OnHideButton() { ToggleHide(); }
  void OnSoundButton() { FlipSound(); }
  void OnSystemButton();
  void OnSiteButton();
  void OnForumButton();
  void OnAddAccountLink();
  void OnPortalLink();
#ifdef TOLV_TEST_SEAMS
  // Test builds: closes tab wParam as the tab strip's close cell would.
  LRESULT OnTestSeamCloseTab(WPARAM, LPARAM);
  // Test builds: opens the hotkey settings as the system menu's "设置..." does.
  LRESULT OnTestSeamSettings(WPARAM, LPARAM);
  // Test builds: what this process holds, for the soak test.
  LRESULT OnTestSeamCountObjects(WPARAM, LPARAM);
  // Test builds: keeps this window's thread busy for a while.
  LRESULT OnTestSeamBusy(WPARAM, LPARAM);
#endif

  // Caption, buttons, links, tab images and tooltip; the window becomes 1
  // by 1 pixel until the first frame registers.
  void SetUpChrome();
  // Every caption control to its place for a client area `width` wide.
  void PlaceCaptionControls(int width);
  void DrawTabs(HDC dc);
  // The tab band's part of a non-client point, in client coordinates.
  POINT ClientPoint(LPARAM screenPoint) const;
  // The tab band's reactions, shared by client and non-client messages;
  // false when the point is outside the band.
  bool PressTab(POINT p);
  bool ReleaseTab(POINT p);
  bool MiddleReleaseTab(POINT p);
  void SetHover(const TabHover& hover);
  void HideToolTip();
  // Runs the system or the tray menu and acts on the choice.
  void RunMenu(bool tray, int x, int y, UINT flags);
  // The first frame arrived: from 1 by 1 pixel to the full layout.
  void TakeFullLayout();
  // The preload login window once the first login process is ready for
  // input (at once when there is none to wait for).
  void SchedulePreload();
  void CreatePreload();
  LRESULT OnCreatePreload(WPARAM, LPARAM);
  void ForgetLoginProcess();
  // Hides a closed tab, detaches it and tells it to close, without waiting
  // for it; its process is ended when it does not close in time.
  void ReleaseTabWindow(HWND frame);
  // Closed tabs whose process ended are forgotten, those past their time (or
  // all, with `now`) are ended.
  void EndClosedTabs(bool now);
  // Tabs whose window is gone leave the strip.
  void DropDeadTabs();
  // The tray icon, added again when Explorer restarts and tried again while
  // the shell is not up.
  void LetTaskbarCreatedThrough();
  void AddTrayIcon();
  void DeleteTrayIcon();
  // The tray icon's retry timer; false for other timers.
  bool OnTrayTimer(UINT_PTR id);
  // Explorer's "TaskbarCreated", a message number known only at run time.
  bool WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  // The tray icon's record: the same for adding and deleting.
  NOTIFYICONDATAW TrayIconData() const;
  void RepaintRestoredGame();
  // The strip is painted with the background, when the window is erased.
  void InvalidateArea(const RECT& r) {
    ::InvalidateRect(m_hWnd, &r, TRUE);
  }

  HICON m_hIcon = nullptr;
  CBtnEx m_btnHide;
  CBtnEx m_btnSystem;
  CBtnEx m_btnSound;
  CBtnEx m_btnSite;
  CBtnEx m_btnForum;
  CStaticEx m_lnkAddAccount;
  CStaticEx m_lnkPortal;
  // 0: the games play sound; 1: they are muted.
  int m_nSoundOff = 0;
  // What the sound button shows; 1 at first, so that the first tick draws
  // the loudspeaker.
  int m_nSoundShown = 1;
  OSVERSIONINFOW m_osvi = {};
  TabList m_tabs;
  CImageStrip m_imgTabs;
  CImageStrip m_imgCross;
  TabHover m_hover;
  bool m_bTipShown = false;
  HWND m_toolTip = nullptr;
  BOOL m_bTracking = FALSE;
  // Asks where a further account goes; created at the first click on 1005.
  CAddAccDlg m_addAcc;
  // The icon is shown; it should be (from the first tab to the end).
  bool m_bTrayIcon = false;
  bool m_bTrayWanted = false;
  int m_nTrayRetries = 0;
  // Loads the login page in this process early; gone with the first frame.
  CLoginDlg m_preload;
  // ExitAll has run: nothing new is created.
  bool m_bExiting = false;
  HWND m_hHallWnd = nullptr;
  // The window-switch key, the boss key and the sound key.
  Hotkey m_switchKey;
  Hotkey m_bossKey;
  Hotkey m_soundKey;
  HANDLE m_hLoginProcess = nullptr;
  // A closed tab's process, until it has ended.
  struct ClosingTab {
    HANDLE process;
    DWORD since;
  };
  std::vector<ClosingTab> m_closing;
  // A tab's or the window's close question is open.
  bool m_bAsking = false;
  // The tab limit's message box is open.
  bool m_bLimitShown = false;
  ReportQueue m_reports;
  // The boss and sound keys, system-wide.
  KeyboardHookThread m_hook;
  int m_nLinkWidth = 0;
  wchar_t m_szLinkText[128] = {};
  wchar_t m_szLinkUrl[1024] = {};
  // The client width the caption controls were last placed for.
  int m_nLastWidth = 0;
  // The skin's images the controls draw from; the window owns them.
  HBITMAP m_bmpHide = nullptr;
  HBITMAP m_bmpTextButton = nullptr;
  HBITMAP m_bmpSoundOn = nullptr;
  HBITMAP m_bmpSoundOff = nullptr;
  HBITMAP m_bmpClose = nullptr;
  HBITMAP m_bmpMin = nullptr;
  HBITMAP m_bmpAddAccount = nullptr;
  HBITMAP m_bmpPortal = nullptr;
  HFONT m_tabFont = nullptr;

  DECLARE_MESSAGE_MAP()
};
