#include "ui/message_box.h"

#include "framework/gdi.h"
#include "base/product.h"
#include "framework/winapp.h"
#include "res/resource.h"
#include "ui/image_load.h"
#include "ui/skin_layout.h"

namespace {

// Messages carry text from pages and servers (an account name): an "&" is
// itself, never the mark of an underlined letter.
constexpr UINT kTextFormat = DT_NOPREFIX;

}  // namespace

BEGIN_MESSAGE_MAP(CMessageBox, CDlgEx)
  ON_MESSAGE(WM_PAINT, OnPaint)
  ON_COMMAND(IDC_MSGBOX_BTN1, OnButton1)
  ON_COMMAND(IDC_MSGBOX_BTN2, OnButton2)
  ON_MESSAGE(WM_CLOSE, OnClose)
END_MESSAGE_MAP()

CMessageBox::CMessageBox(HWND parent) : CDlgEx(IDD_MESSAGEBOX, parent) {}

CMessageBox::~CMessageBox() {
  if (m_hClose) ::DeleteObject(m_hClose);
  if (m_hBtn1) ::DeleteObject(m_hBtn1);
  if (m_hBtn2) ::DeleteObject(m_hBtn2);
  if (m_hBack && !m_bBackHandedOver) ::DeleteObject(m_hBack);
}

void CMessageBox::Prepare(HBITMAP background, HBITMAP closeStrip, HBITMAP strip1, HBITMAP strip2,
                          const std::wstring& text, int type) {
  m_hBack = background;
  m_hClose = closeStrip;
  m_hBtn1 = strip1;
  m_hBtn2 = strip2;
  m_strText = text;
  m_strTitle = kMainWindowTitle;
  m_nType = type;
  m_crText = 0;
}

BOOL CMessageBox::PreTranslateMessage(MSG* pMsg) {
  const bool key =
      pMsg->message == WM_KEYDOWN || pMsg->message == WM_KEYUP || pMsg->message == WM_CHAR;
  if (key && (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_ESCAPE)) return TRUE;
  return CDlgEx::PreTranslateMessage(pMsg);
}

BOOL CMessageBox::OnInitDialog() {
  CDlgEx::OnInitDialog();
  SetFrameMetrics(30, 4, 0, 0, 0);
  if (m_hBack) {
    SetSkin(m_hBack, FALSE, TRUE, m_hClose, nullptr, nullptr, nullptr);
    m_bBackHandedOver = true;
  } else {
    SetSkin(nullptr, FALSE, TRUE, m_hClose, nullptr, nullptr, nullptr);
  }
  SetCaptionText(m_strTitle);
  // The text stays readable to assistive tools through a hidden child.
  ::SetDlgItemTextW(m_hWnd, IDC_MSGBOX_TEXT, m_strText.c_str());

  m_nLines = skin::MessageLines(m_strText);
  m_pFont = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
  const SIZE text = MeasureText(m_hWnd, m_pFont, m_strText, kTextFormat);
  BITMAP strip = {};
  if (m_hBtn1) ::GetObjectW(m_hBtn1, sizeof(strip), &strip);
  const skin::MessageBoxLayout layout = skin::LayoutMessageBox(
      text.cx, text.cy, m_nLines, strip.bmWidth / 4, strip.bmHeight, m_nType);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, layout.width, layout.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  const bool two = skin::MessageHasTwoButtons(m_nType);
  struct {
    CBtnEx* button;
    HBITMAP strip;
    RECT rect;
    UINT id;
    int index;
  } buttons[] = {{&m_btn1, m_hBtn1, layout.button1, IDC_MSGBOX_BTN1, 1},
                 {&m_btn2, m_hBtn2, layout.button2, IDC_MSGBOX_BTN2, 2}};
  for (auto& b : buttons) {
    if (b.index == 2 && !two) break;
    const std::wstring caption = skin::MessageButtonCaption(m_nType, b.index);
    b.button->Create(caption.c_str(), WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, b.rect, m_hWnd, b.id);
    b.button->SetBitmap(b.strip, TRUE);
    ::InvalidateRect(b.button->m_hWnd, nullptr, FALSE);
  }

  // Centre over the owner, or over the work area when there is none.
  RECT area;
  if (m_hWndOwner && ::IsWindowVisible(m_hWndOwner)) {
    ::GetWindowRect(m_hWndOwner, &area);
  } else {
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  ::SetWindowPos(m_hWnd, nullptr, area.left + (area.right - area.left - layout.width) / 2,
                 area.top + (area.bottom - area.top - layout.height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return TRUE;
}

LRESULT CMessageBox::OnPaint(WPARAM, LPARAM) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(m_hWnd, &ps);
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  HGDIOBJ oldFont = ::SelectObject(dc, m_pFont ? m_pFont : ::GetStockObject(DEFAULT_GUI_FONT));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, m_crText);

  RECT whole = {0, 0, 0, 0};
  ::DrawTextW(dc, m_strText.c_str(), -1, &whole, DT_CALCRECT | kTextFormat);
  const int tw = whole.right - whole.left, th = whole.bottom - whole.top;
  const int x0 = (client.right - tw) / 2;
  const int lineHeight = th / (m_nLines > 0 ? m_nLines : 1);
  RECT line = {x0, 55, x0 + tw, 55 + lineHeight};
  size_t start = 0;
  for (;;) {
    const size_t end = m_strText.find(L'\n', start);
    const std::wstring piece =
        m_strText.substr(start, end == std::wstring::npos ? end : end - start);
    ::DrawTextW(dc, piece.c_str(), static_cast<int>(piece.size()), &line, kTextFormat);
    if (end == std::wstring::npos) break;
    ::OffsetRect(&line, 0, lineHeight + 3);
    start = end + 1;
  }
  ::SelectObject(dc, oldFont);
  ::EndPaint(m_hWnd, &ps);
  return 0;
}

void CMessageBox::OnButton1() {
  EndDialog(skin::MessageBoxResult(m_nType, IDC_MSGBOX_BTN1));
}

void CMessageBox::OnButton2() {
  EndDialog(skin::MessageBoxResult(m_nType, IDC_MSGBOX_BTN2));
}

LRESULT CMessageBox::OnClose(WPARAM, LPARAM) {
  EndDialog(IDCANCEL);
  return 0;
}

int ShowMessageBox(HWND owner, const std::wstring& text, int type) {
  HMODULE module = AfxGetInstanceHandle();
  HBITMAP strip1 = LoadResourceImage(module, IDB_DLG_BUTTON);
  HBITMAP strip2 = LoadResourceImage(module, IDB_DLG_BUTTON);
  HBITMAP close = LoadResourceImage(module, IDB_CAPTION_CLOSE);
  HBITMAP back = LoadResourceImage(module, IDB_DLG_BACK);
  CMessageBox box(owner);
  box.Prepare(back, close, strip1, strip2, text, type);
  return static_cast<int>(box.DoModal());
}
