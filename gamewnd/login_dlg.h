// The login windows of a login process: the background art, and over it the
// login window that shows the portal's login page.
#pragma once

#include <windows.h>

#include "framework/dialog.h"

namespace Gdiplus {
class Image;
}

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

  void LoadBackground();
  void PaintLayered();

  Gdiplus::Image* m_pImage = nullptr;
  IStream* m_pStream = nullptr;
  int m_nWidth = 0;
  int m_nHeight = 0;

  DECLARE_MESSAGE_MAP()
};
