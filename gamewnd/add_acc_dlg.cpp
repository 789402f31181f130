#include "gamewnd/add_acc_dlg.h"

#include "base/messages.h"
#include "framework/winapp.h"
#include "res/resource.h"
#include "ui/image_load.h"

RECT AddAccountPromptRect(const RECT& link, SIZE prompt) {
  return {link.right - prompt.cx, link.bottom, link.right, link.bottom + prompt.cy};
}

BEGIN_MESSAGE_MAP(CAddAccDlg, CDlgEx)
  // "是" and "否" (also Enter on either).
  ON_COMMAND(IDOK, OnYes)
  ON_COMMAND(IDCANCEL, OnNo)
  // No caption dragging.
  ON_MESSAGE(WM_NCHITTEST, OnNcHitTest)
END_MESSAGE_MAP()

CAddAccDlg::CAddAccDlg() : CDlgEx(IDD_ADDACC, nullptr) {}

CAddAccDlg::~CAddAccDlg() {
  if (m_hWnd) DestroyWindow();
  if (m_hButton) ::DeleteObject(m_hButton);
}

BOOL CAddAccDlg::OnInitDialog() {
  CDlgEx::OnInitDialog();
  SetCaptionText(L"登录其他账号");
  SetFrameMetrics(30, 3, 5, 1, 0);
  HMODULE module = AfxGetInstanceHandle();
  // The window takes the background's size; no caption buttons.
  SetSkin(LoadResourceImage(module, IDB_ADDACC_BACK), TRUE, FALSE, nullptr, nullptr, nullptr,
          nullptr);
  m_hButton = LoadResourceImage(module, IDB_DLG_BUTTON);
  m_btnYes.SubclassDlgItem(IDOK, m_hWnd);
  m_btnNo.SubclassDlgItem(IDCANCEL, m_hWnd);
  m_btnYes.SetBitmap(m_hButton, TRUE);
  m_btnNo.SetBitmap(m_hButton, TRUE);
  m_lblQuestion.SubclassDlgItem(IDC_ADDACC_TEXT, m_hWnd);
  m_lblQuestion.m_nLineSpacing = 5;
  return TRUE;
}

void CAddAccDlg::ShowUnder(HWND mainWindow, HWND link) {
  if (!m_hWnd && !Create(mainWindow)) return;
  RECT linkRect, self;
  if (!::GetWindowRect(link, &linkRect) || !::GetWindowRect(m_hWnd, &self)) return;
  const RECT r = AddAccountPromptRect(linkRect, {self.right - self.left, self.bottom - self.top});
  ::MoveWindow(m_hWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  ShowWindow(SW_SHOW);
}

void CAddAccDlg::Hide() {
  if (m_hWnd) ShowWindow(SW_HIDE);
}

BOOL CAddAccDlg::PreTranslateMessage(MSG* pMsg) {
  // Esc means "never mind", not "否": no new main window from a dismissal.
  if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_ESCAPE) {
    Hide();
    return TRUE;
  }
  return CDlgEx::PreTranslateMessage(pMsg);
}

bool CAddAccDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  // A click anywhere outside the prompt takes the activation away: it goes
  // without an answer. The dialog's own activation handling still runs.
  if (message == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE) Hide();
  // Alt+F4 (the close command) dismisses it as Esc does: the dialog's own
  // handling would post the Cancel button's command, the "否" that starts a
  // new main window.
  if (message == WM_CLOSE) {
    Hide();
    *result = 0;
    return true;
  }
  return CDlgEx::WindowProc(message, wParam, lParam, result);
}

void CAddAccDlg::OnYes() {
  Answer(1);
}

void CAddAccDlg::OnNo() {
  Answer(0);
}

void CAddAccDlg::Answer(WPARAM inThisWindow) {
  ::PostMessageW(::GetParent(m_hWnd), WM_ADD_ACCOUNT, inThisWindow, 0);
  Hide();
}
