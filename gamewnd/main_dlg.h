// The main game window: the host of the game tabs of one hub process. Each
// tab is the game frame of a login process, re-parented into this window.
#pragma once

#include <string>

#include "net/report_queue.h"
#include "framework/dialog.h"
#include "gamewnd/login_dlg.h"
#include "gamewnd/tab_list.h"
#include "hotkeys/hotkey.h"

class CWayloft3Dlg : public CDialog {
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
#ifdef TOLV_TEST_SEAMS
  // Test builds: closes tab wParam as the tab strip's close cell would.
  LRESULT OnTestSeamCloseTab(WPARAM, LPARAM);
  // Test builds: opens the hotkey settings as the system menu's "设置..." will.
  LRESULT OnTestSeamSettings(WPARAM, LPARAM);
#endif

  // The first frame arrived: from 1 by 1 pixel to the full layout.
  void TakeFullLayout();
  void ForgetLoginProcess();
  void ReleaseTabWindow(HWND frame);
  void LoadHotkeys();

  TabList m_tabs;
  // Loads the login page in this process early; gone with the first frame.
  CLoginDlg m_preload;
  HWND m_hHallWnd = nullptr;
  // The window-switch key; the boss and sound keys come with the keyboard hook.
  Hotkey m_switchKey;
  HANDLE m_hLoginProcess = nullptr;
  // The tab limit's message box is open.
  bool m_bLimitShown = false;
  ReportQueue m_reports;
  wchar_t m_szLinkText[128] = {};
  wchar_t m_szLinkUrl[1024] = {};

  DECLARE_MESSAGE_MAP()
};

// Whether `window` is a main game window of any running client: a dialog
// (class "#32770") titled "BrindloTolvane".
bool IsMainGameWindow(HWND window);

// Raises `window` above every other window and gives it the foreground, also
// when another process owns the foreground.
void BringToFront(HWND window);
