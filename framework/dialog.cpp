#include "framework/dialog.h"

#include "framework/browser_site.h"
#include "framework/winapp.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  // Enter, or the template's OK button.
  ON_COMMAND(IDOK, OnOK)
  // Esc, the close box, or the template's Cancel button.
  ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT idTemplate, HWND owner) : m_nIDTemplate(idTemplate), m_hWndOwner(owner) {}

CDialog::~CDialog() {
  if (m_hWnd) ::DestroyWindow(m_hWnd);
}

HWND CDialog::CreateFromTemplate() {
  return ::CreateDialogParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), m_hWndOwner,
                              &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create() {
  m_bModal = false;
  return CreateFromTemplate() != nullptr;
}

INT_PTR CDialog::DoModal() {
  m_bModal = true;
  m_bEndModal = false;
  m_nModalResult = -1;

  // Like the system's modal loop, disable the owner while the dialog runs,
  // but only an owner of this process: disabling another process's window
  // would leave it dead if this process ends abnormally.
  HWND owner = m_hWndOwner;
  DWORD ownerPid = 0;
  if (owner) ::GetWindowThreadProcessId(owner, &ownerPid);
  const bool disableOwner =
      owner && ownerPid == ::GetCurrentProcessId() && ::IsWindowEnabled(owner);

  if (!CreateFromTemplate()) return -1;
  if (disableOwner) ::EnableWindow(owner, FALSE);

  // A template without WS_VISIBLE is shown once the queue first runs dry,
  // after the dialog has finished setting itself up.
  bool showOnIdle = !(::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_VISIBLE);
  MSG msg;
  while (!m_bEndModal) {
    if (showOnIdle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
      ::UpdateWindow(m_hWnd);
      showOnIdle = false;
    }
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (!got) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (!AfxPreTranslateMessage(m_hWnd, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (!m_hWnd) break;  // destroyed from within
  }

  if (disableOwner) ::EnableWindow(owner, TRUE);
  if (m_hWnd) {
    // Hide first so that activation returns to the owner, not elsewhere.
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::DestroyWindow(m_hWnd);
  }
  m_bModal = false;
  return m_nModalResult;
}

void CDialog::EndDialog(int result) {
  m_nModalResult = result;
  if (m_bModal) {
    m_bEndModal = true;
    // Wake the modal loop, which may be waiting in GetMessage.
    if (m_hWnd) ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
  } else if (m_hWnd) {
    ::DestroyWindow(m_hWnd);
  }
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST) return FALSE;
  // A hosted control with the focus sees its keys first: a web page moves
  // between its fields with Tab and runs its clipboard keys itself.
  if (m_pCtrlCont && m_pCtrlCont->PreTranslateAccelerator(pMsg)) return TRUE;
  // Keyboard navigation among the dialog's controls (Tab, Enter, Esc).
  return ::IsDialogMessageW(m_hWnd, pMsg);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog* self;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<CDialog*>(lParam);
    self->Attach(hWnd);
    return self->OnInitDialog();
  }
  self = static_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
  if (!self) return FALSE;
  if (message == WM_NCDESTROY) {
    self->OnNcDestroyed();
    return FALSE;
  }
  LRESULT result = 0;
  if (!self->WindowProc(message, wParam, lParam, &result)) return FALSE;
  switch (message) {
    // These return their answer directly instead of through DWLP_MSGRESULT.
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
      return static_cast<INT_PTR>(result);
    default:
      ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
      return TRUE;
  }
}
