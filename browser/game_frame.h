// The standalone game frame of a login or hall process: a borderless window
// whose only view is the browser, re-parented into the main window of the
// hub process as one tab (or as its hall).
#pragma once

#include "framework/frame.h"
#include "framework/html_view.h"
#include "hotkeys/hotkey.h"

class CGmWndDoc : public CDocument {};

class CMainFrame : public CFrameWnd {
 public:
  BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
  BOOL PreTranslateMessage(MSG* pMsg) override;

 protected:
  int OnCreate(CREATESTRUCTW* cs) override;

 private:
  // Timers 2 (main window gone), 5 (script message boxes), 6 (raise the main window).
  LRESULT OnTimer(WPARAM, LPARAM);
  // The main window's mute state, every 400 ms.
  LRESULT OnMuteState(WPARAM, LPARAM);
  // The main window asks for the hotkeys to be read again.
  LRESULT OnReloadHotkeys(WPARAM, LPARAM);
  // A click in the frame also raises the main window, without activating it.
  LRESULT OnMouseActivate(WPARAM, LPARAM);
#ifdef TOLV_TEST_SEAMS
  // Test builds: the game stops answering for wParam milliseconds.
  LRESULT OnTestSeamHang(WPARAM, LPARAM);
#endif

  void LoadHotkeys();

  Hotkey m_boss, m_switch, m_sound;

  DECLARE_MESSAGE_MAP()
};

class CGmWndView : public CHtmlView {
 public:
  void OnInitialUpdate() override;
  HRESULT OnGetHostInfo(DOCHOSTUIINFO* pInfo) override;
  void OnNavigateComplete2(const wchar_t* strURL) override;
  void OnBeforeNavigate2(const wchar_t* lpszURL, DWORD nFlags, const wchar_t* lpszTargetFrameName,
                         std::vector<BYTE>& baPostedData, const wchar_t* lpszHeaders,
                         BOOL* pbCancel) override;
  void OnTitleChange(const wchar_t* lpszText) override;
  // A page asks for a new window: Internet Explorer takes it when it can.
  void OnNewWindow3(IDispatch** ppDisp, BOOL* Cancel, DWORD dwFlags, BSTR bstrUrlContext,
                    BSTR bstrUrl);
#ifdef TOLV_TEST_SEAMS
  void OnNavigateError(const wchar_t* lpszURL, const wchar_t* lpszFrame, DWORD dwError,
                       BOOL* pbCancel) override;
#endif

  DECLARE_EVENTSINK_MAP()
};

// The one game view of this process, once it has been updated.
extern CGmWndView* GameView;

// True when the frame shows the hall rather than a game: its first page is
// exactly the hall page.
bool ShowsHall();
