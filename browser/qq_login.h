// The external-account login pop-up: a skinned frame with a caption and a
// close button, and over its body a browser dialog that follows the QQ, Sina
// Weibo or WeChat pages from the bridge's redirect address back to one of
// its callback pages. The login window (the pop-up's only creator) owns the
// object until it opens the next pop-up or is itself destroyed.
#pragma once

#include <string>

#include "framework/dhtml_dialog.h"
#include "ui/dlg_ex.h"

// The browser dialog of the pop-up: a plain DHTML dialog (the page's own
// context menu and text selection stay), silent, that recognises the end of
// the login and clears away the HTML dialogs the provider's pages open.
class CQQHtml : public CDHtmlDialog {
 public:
  CQQHtml();
  ~CQQHtml() override;

  // The redirect address the browser loads at every real show and hide; set
  // before the window exists.
  std::wstring m_strStartUrl;

  // Enter and Esc do nothing.
  BOOL PreTranslateMessage(MSG* pMsg) override;
  // A completed navigation: a callback page with the login cookie ends the
  // login (see the definition).
  void OnNavigateComplete(IDispatch* pDisp, const wchar_t* szUrl) override;
  // Every navigation: while hidden, the QQ authorisation page is refused.
  void OnPopupNavigate(IDispatch* pDisp, VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName,
                       VARIANT* PostData, VARIANT* Headers, BOOL* Cancel);

 protected:
  BOOL OnInitDialog() override;
  // Closing the dialog hides it; the frame destroys it.
  void OnCancel() override;

 private:
  // Loads the start address again.
  LRESULT OnShowWindow(WPARAM, LPARAM);
  // Timer 1 removes a dialog box left over a finished login; timer 2 closes
  // HTML dialogs.
  LRESULT OnTimer(WPARAM, LPARAM);
  // The browser fills the dialog.
  LRESULT OnSize(WPARAM, LPARAM);
#ifdef TOLV_TEST_SEAMS
  // Test builds: plays the provider's pages (see the definition).
  LRESULT OnTestSeam(WPARAM, LPARAM);
#endif

  // One step of the walk over the desktop's dialog boxes after a login.
  void StepDialogWalk();
  // Posts WM_CLOSE to this process's first HTML dialog, if any.
  void CloseHtmlDialog();

  DECLARE_MESSAGE_MAP()
  DECLARE_EVENTSINK_MAP()
};

class CQQLogin : public CDlgEx {
 public:
  CQQLogin();
  ~CQQLogin() override;

  // Creates the hidden pop-up over `loginWindow` for the redirect address
  // `startUrl`; the caller sets the caption, shows and centres it.
  BOOL Create(HWND loginWindow, const std::wstring& startUrl);
  // Centres the pop-up on the desktop.
  void CenterOnDesktop();

  // Enter and Esc do nothing.
  BOOL PreTranslateMessage(MSG* pMsg) override;

  CQQHtml m_html;

 protected:
  BOOL OnInitDialog() override;
  // The close button: both windows go; the object stays with its owner.
  void OnCancel() override;

 private:
  // The browser dialog follows the frame's visibility (created at the first show).
  LRESULT OnShowWindow(WPARAM, LPARAM);
  // The browser dialog covers the frame's body.
  LRESULT OnWindowPosChanged(WPARAM, LPARAM);

  HBITMAP m_hClose = nullptr;

  DECLARE_MESSAGE_MAP()
};
