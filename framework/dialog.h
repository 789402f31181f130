// Dialogs created from .rc templates, run modally (with our own loop, so that
// PreTranslateMessage sees every queued message) or modeless.
#pragma once

#include <atomic>

#include "framework/wnd.h"

class COleControlContainer;

class CDialog : public CWnd {
 public:
  // `owner` may be a window of another process (a login window is owned by
  // the main window of the hub process).
  explicit CDialog(UINT idTemplate, HWND owner = nullptr);
  ~CDialog() override;

  // Creates the dialog, runs it until EndDialog, destroys it and returns the
  // result; -1 when the window could not be created.
  virtual INT_PTR DoModal();
  // Creates the dialog modeless; it lives until DestroyWindow.
  BOOL Create();
  // The same with `parent` as its owner or parent.
  BOOL Create(HWND parent) {
    m_hWndOwner = parent;
    return Create();
  }
  // Ends a modal dialog with `result`. Safe to call from a worker thread.
  void EndDialog(int result);

  BOOL PreTranslateMessage(MSG* pMsg) override;

 protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  // Enter and the dialog's default button.
  virtual void OnOK() { EndDialog(IDOK); }
  // Esc and closing the window.
  virtual void OnCancel() { EndDialog(IDCANCEL); }

  UINT m_nIDTemplate;
  HWND m_hWndOwner;
  // The container of the dialog's ActiveX controls, if it has any: keys go to
  // the focused control before the dialog's own keyboard navigation.
  COleControlContainer* m_pCtrlCont = nullptr;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
  HWND CreateFromTemplate();

  std::atomic<bool> m_bEndModal{false};
  std::atomic<int> m_nModalResult{-1};
  bool m_bModal = false;

  DECLARE_MESSAGE_MAP()
};
