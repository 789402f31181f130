#include "gamewnd/main_dlg.h"

#include "framework/winapp.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CWayloft3Dlg, CDialog)
END_MESSAGE_MAP()

CWayloft3Dlg::CWayloft3Dlg() : CDialog(IDD_MAIN) {}

void CWayloft3Dlg::SetCaptionLink(const std::wstring& text, const std::wstring& address) {
  lstrcpynW(m_szLinkText, text.c_str(), 128);
  lstrcpynW(m_szLinkUrl, address.c_str(), 1024);
}

BOOL CWayloft3Dlg::OnInitDialog() {
  SetWindowText(L"BrindloTolvane");
  HICON icon = ::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  // Tabs, chrome and login processes come with the game-window work; the
  // window shows the portal's caption link text meanwhile.
  ::SetDlgItemTextW(m_hWnd, IDC_MAIN_LINK, m_szLinkText);
  return TRUE;
}
