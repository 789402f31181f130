#include "ui/message_box.h"

#include "res/resource.h"

namespace {

bool TwoButtons(int type) {
  return type == MB_OKCANCEL || type == MB_YESNO;
}

}  // namespace

BEGIN_MESSAGE_MAP(CMessageBox, CDialog)
// "确定" or "是".
ON_COMMAND(IDC_MSGBOX_BTN1, OnButton1)
// "取消" or "否".
ON_COMMAND(IDC_MSGBOX_BTN2, OnButton2)
// The caption's close box or Alt+F4.
ON_MESSAGE(WM_CLOSE, OnClose)
END_MESSAGE_MAP()

CMessageBox::CMessageBox(HWND owner) : CDialog(IDD_MESSAGEBOX, owner) {}

void CMessageBox::Prepare(const std::wstring& text, int type) {
  m_strText = text;
  m_strTitle = L"BrindloTolvane";
  m_nType = type;
}

BOOL CMessageBox::OnInitDialog() {
  SetWindowText(m_strTitle.c_str());
  HWND textWnd = ::GetDlgItem(m_hWnd, IDC_MSGBOX_TEXT);
  ::SetWindowTextW(textWnd, m_strText.c_str());

  // Size the text block and the window to the text.
  HDC dc = ::GetDC(textWnd);
  HGDIOBJ old =
      ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
  RECT text = {0, 0, 0, 0};
  ::DrawTextW(dc, m_strText.c_str(), -1, &text, DT_CALCRECT | DT_NOPREFIX);
  ::SelectObject(dc, old);
  ::ReleaseDC(textWnd, dc);

  const int bw = 75, bh = 25, margin = 30;
  const int tw = text.right, th = text.bottom;
  const int clientW = (tw > 2 * bw + 60 ? tw : 2 * bw) + 2 * margin;
  const int clientH = margin + th + 20 + bh + 20;
  RECT frame = {0, 0, clientW, clientH};
  ::AdjustWindowRectEx(&frame, ::GetWindowLongW(m_hWnd, GWL_STYLE), FALSE,
                       ::GetWindowLongW(m_hWnd, GWL_EXSTYLE));
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER);
  ::MoveWindow(textWnd, (clientW - tw) / 2, margin, tw, th, FALSE);

  HWND btn1 = ::GetDlgItem(m_hWnd, IDC_MSGBOX_BTN1);
  HWND btn2 = ::GetDlgItem(m_hWnd, IDC_MSGBOX_BTN2);
  const int top = clientH - 20 - bh;
  if (TwoButtons(m_nType)) {
    ::MoveWindow(btn1, clientW / 2 - 10 - bw, top, bw, bh, FALSE);
    ::MoveWindow(btn2, clientW / 2 + 10, top, bw, bh, FALSE);
    ::SetWindowTextW(btn1, m_nType == MB_YESNO ? L"是" : L"确定");
    ::SetWindowTextW(btn2, m_nType == MB_YESNO ? L"否" : L"取消");
  } else {
    ::MoveWindow(btn1, (clientW - bw) / 2, top, bw, bh, FALSE);
    ::SetWindowTextW(btn1, L"确定");
    ::ShowWindow(btn2, SW_HIDE);
  }

  // Centre over the owner, or over the work area when there is none.
  RECT area;
  if (m_hWndOwner && ::IsWindowVisible(m_hWndOwner)) {
    ::GetWindowRect(m_hWndOwner, &area);
  } else {
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  RECT self;
  ::GetWindowRect(m_hWnd, &self);
  const int w = self.right - self.left, h = self.bottom - self.top;
  ::SetWindowPos(m_hWnd, nullptr, area.left + (area.right - area.left - w) / 2,
                 area.top + (area.bottom - area.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  return TRUE;
}

void CMessageBox::OnButton1() {
  EndDialog(m_nType == MB_YESNO ? IDYES : IDOK);
}

void CMessageBox::OnButton2() {
  EndDialog(m_nType == MB_YESNO ? IDNO : IDCANCEL);
}

LRESULT CMessageBox::OnClose(WPARAM, LPARAM) {
  EndDialog(IDCANCEL);
  return 0;
}

int ShowMessageBox(HWND owner, const std::wstring& text, int type) {
  CMessageBox box(owner);
  box.Prepare(text, type);
  return static_cast<int>(box.DoModal());
}
