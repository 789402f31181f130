// The add-account prompt: a small skinned box that drops down under the main
// window's "登录其他账号" link and asks where the further account goes, as a
// tab of this window or in a new main window. The answer is posted to the
// main window (WM_ADD_ACCOUNT); clicking anywhere else dismisses it.
#pragma once

#include "ui/btn_ex.h"
#include "ui/dlg_ex.h"
#include "ui/static_ex.h"

// Where the prompt of size `prompt` goes for a link at `link` (screen
// coordinates): directly under the link, right edges aligned.
RECT AddAccountPromptRect(const RECT& link, SIZE prompt);

class CAddAccDlg : public CDlgEx {
 public:
  CAddAccDlg();
  ~CAddAccDlg() override;

  // Shows the prompt under `link`, a window of the main window
  // `mainWindow`; the window is created the first time, with the main
  // window as its parent, and kept. Showing activates it.
  void ShowUnder(HWND mainWindow, HWND link);
  // Hides the prompt if its window exists (the boss key).
  void Hide();

  // Esc dismisses the prompt without an answer.
  BOOL PreTranslateMessage(MSG* pMsg) override;

  CBtnEx m_btnYes;
  CBtnEx m_btnNo;
  CStaticEx m_lblQuestion;

 protected:
  BOOL OnInitDialog() override;
  // Losing activation and the close command hide the prompt (see the
  // definition).
  bool WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  // "是": the account goes into this window.
  void OnYes();
  // "否": the account goes into a new main window.
  void OnNo();
  void Answer(WPARAM inThisWindow);
  // The whole prompt is client area: it cannot be dragged.
  LRESULT OnNcHitTest(WPARAM, LPARAM) { return HTCLIENT; }

  HBITMAP m_hButton = nullptr;

  DECLARE_MESSAGE_MAP()
};
