// The login windows of a login process: the background art, and over it the
// login window that shows the portal's login page.
#pragma once

#include <windows.h>

#include <string>

#include "browser/dhtm_dlg_ex.h"
#include "browser/qq_login.h"
#include "framework/dialog.h"

class CLoginBkDlg;

// The login window: the portal's login page over the background art, with
// magenta as its transparent colour. It runs the page's "app:" commands and
// hands an accepted login over to the main window.
class CLoginDlg : public CDHtmDlgEx {
 public:
  // `background` is the login background that owns this window, or null for
  // the main process's preload window, which runs no commands.
  explicit CLoginDlg(CLoginBkDlg* background = nullptr);
  ~CLoginDlg() override;

  BOOL PreTranslateMessage(MSG* pMsg) override;
  void OnNavigateComplete(IDispatch* pDisp, const wchar_t* szUrl) override;

  // Every navigation: runs command URLs and external-account starts.
  void OnLoginNavigate(IDispatch* pDisp, VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName,
                       VARIANT* PostData, VARIANT* Headers, BOOL* Cancel);
  // A page asks for a new window: never the browser's own.
  void OnLoginNewWindow(IDispatch** ppDisp, BOOL* Cancel, DWORD dwFlags, BSTR bstrUrlContext,
                        BSTR bstrUrl);

  const std::wstring& LoginPageUrl() const { return m_strLoginUrl; }

 protected:
  BOOL OnInitDialog() override;
  // The close command (Alt+F4) ends the login (see the definition).
  void OnCancel() override;

 private:
  // The external-account pop-up finished: reload the login page.
  LRESULT OnReloadLogin(WPARAM, LPARAM);

  void RunCommand(const std::wstring& url);
  void LoadGame(const std::wstring& serverText, const std::wstring& gameUrl);
  void EndLogin(int result);
  void OpenExternalLogin(const std::wstring& url);
  void OpenInBrowser(const std::wstring& target);
#ifdef TOLV_TEST_SEAMS
  // Test builds: plays the login page's part (see the definition).
  LRESULT OnTestSeamTimer(WPARAM, LPARAM);
#endif

  std::wstring m_strLoginUrl;
  CLoginBkDlg* m_pBackground;
  // The external-account pop-up, kept until the next one or the end.
  CQQLogin* m_pPopup = nullptr;

  DECLARE_MESSAGE_MAP()
  DECLARE_EVENTSINK_MAP()
  // Empty: the portal's login page has its own buttons, and no press on it
  // drags the window (it would slide off its background).
  DECLARE_DHTML_EVENT_MAP()
};

// The login background: per-pixel-alpha frame art (PNG 129), dragged from
// anywhere. Its modal result decides the login: IDOK an account was
// accepted, IDCANCEL the login was abandoned.
class CLoginBkDlg : public CDialog {
 public:
  explicit CLoginBkDlg(HWND owner);
  ~CLoginBkDlg() override;

  BOOL PreTranslateMessage(MSG* pMsg) override;

 protected:
  BOOL OnInitDialog() override;

 private:
  // A press anywhere drags the window.
  LRESULT OnLButtonDown(WPARAM, LPARAM);
  // The login window follows the background exactly.
  LRESULT OnWindowPosChanged(WPARAM, LPARAM);
  // Come to the front (an external-account pop-up finished).
  LRESULT OnBringToFront(WPARAM, LPARAM);
  // Creates the login window over the background (once).
  LRESULT OnCreateLoginWindow(WPARAM, LPARAM);

  void LoadBackground();
  void PaintLayered();

  // The background art as premultiplied pixels, and its size.
  HBITMAP m_hArt = nullptr;
  int m_nWidth = 0;
  int m_nHeight = 0;
  CLoginDlg m_login;

  DECLARE_MESSAGE_MAP()
};
