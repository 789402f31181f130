#include "ui/dlg_ex.h"

#include <windowsx.h>

#include "framework/gdi.h"
#include "ui/skin_layout.h"

BEGIN_MESSAGE_MAP(CDlgEx, CDialog)
  ON_MESSAGE(WM_ERASEBKGND, OnEraseBkgnd)
  ON_MESSAGE(WM_NCHITTEST, OnNcHitTest)
  ON_MESSAGE(WM_NCLBUTTONDOWN, OnNcLButtonDown)
  ON_MESSAGE(WM_NCLBUTTONDBLCLK, OnNcLButtonDblClk)
  ON_MESSAGE(WM_LBUTTONDBLCLK, OnLButtonDblClk)
  ON_MESSAGE(WM_SIZE, OnSize)
  // The caption buttons.
  ON_COMMAND(ID_CAPTION_CLOSE, OnCaptionClose)
  ON_COMMAND(ID_CAPTION_MIN, OnCaptionMin)
  ON_COMMAND(ID_CAPTION_MAX, OnCaptionMax)
END_MESSAGE_MAP()

namespace {

int Width(const RECT& r) {
  return r.right - r.left;
}
int Height(const RECT& r) {
  return r.bottom - r.top;
}

SIZE BitmapSize(HBITMAP bmp) {
  BITMAP bm = {};
  if (!bmp || !::GetObjectW(bmp, sizeof(bm), &bm)) return {0, 0};
  return {bm.bmWidth, bm.bmHeight};
}

// The caption face at 12 pixels, built on the dialog's own font.
HFONT CaptionFont(HWND dlg, int weight) {
  LOGFONTW lf = {};
  HFONT own = reinterpret_cast<HFONT>(::SendMessageW(dlg, WM_GETFONT, 0, 0));
  ::GetObjectW(own ? own : ::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  lf.lfHeight = -12;
  lf.lfWidth = 0;
  lf.lfWeight = weight;
  lstrcpynW(lf.lfFaceName, L"微软雅黑", LF_FACESIZE);
  return ::CreateFontIndirectW(&lf);
}

}  // namespace

CDlgEx::CDlgEx(UINT idTemplate, HWND parent) : CDialog(idTemplate, parent) {}

CDlgEx::~CDlgEx() {
  if (m_bmpBack) ::DeleteObject(m_bmpBack);
  if (m_bmpMax) ::DeleteObject(m_bmpMax);
  if (m_bmpRestore) ::DeleteObject(m_bmpRestore);
}

BOOL CDlgEx::OnInitDialog() {
  CDialog::OnInitDialog();
  const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
  ::SetWindowLongW(m_hWnd, GWL_STYLE, (style & ~(WS_CAPTION | DS_MODALFRAME)) | WS_MINIMIZEBOX);
  const LONG exStyle = ::GetWindowLongW(m_hWnd, GWL_EXSTYLE);
  ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, exStyle & ~(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE));
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

  RECT work = {};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  m_sizeMax = {Width(work), Height(work)};
  m_rcRestore = skin::InitialRestoreRect(work);
  return TRUE;
}

SIZE CDlgEx::BackSize() const {
  return BitmapSize(m_bmpBack);
}

SIZE CDlgEx::ClientSize() const {
  RECT rc = {};
  ::GetClientRect(m_hWnd, &rc);
  return {rc.right, rc.bottom};
}

BOOL CDlgEx::SetSkin(HBITMAP background, BOOL sizeToImage, BOOL nineGrid, HBITMAP closeStrip,
                     HBITMAP minStrip, HBITMAP maxStrip, HBITMAP restoreStrip) {
  if (m_bmpBack && m_bmpBack != background) ::DeleteObject(m_bmpBack);
  m_bmpBack = background;
  m_bNineGrid = nineGrid;

  RECT layout = {};
  const SIZE image = BackSize();
  if (sizeToImage && background) {
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, image.cx, image.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    layout = {0, 0, image.cx, image.cy};
  } else {
    ::GetClientRect(m_hWnd, &layout);
  }
  ApplyRegion();

  const skin::CaptionButtonX x =
      skin::CaptionButtonRights(layout.right, m_nBtnRight, m_nBtnGap, BitmapSize(closeStrip).cx / 4,
                                BitmapSize(maxStrip).cx / 4, BitmapSize(minStrip).cx / 4);
  if (closeStrip) {
    m_btnClose.DestroyWindow();
    m_btnClose.CreateImageButton(x.close, m_nBtnTop, closeStrip, ID_CAPTION_CLOSE, m_hWnd);
    m_btnClose.SetToolTip(L"关闭");
  }
  if (maxStrip) {
    m_btnMax.DestroyWindow();
    m_btnMax.CreateImageButton(x.max, m_nBtnTop, maxStrip, ID_CAPTION_MAX, m_hWnd);
    m_btnMax.SetToolTip(L"最大化");
    if (m_bmpMax && m_bmpMax != maxStrip) ::DeleteObject(m_bmpMax);
    if (m_bmpRestore && m_bmpRestore != restoreStrip) ::DeleteObject(m_bmpRestore);
    m_bmpMax = maxStrip;
    m_bmpRestore = restoreStrip;
  }
  if (minStrip) {
    m_btnMin.DestroyWindow();
    m_btnMin.CreateImageButton(x.min, m_nBtnTop, minStrip, ID_CAPTION_MIN, m_hWnd);
    m_btnMin.SetToolTip(L"最小化");
  }
  return TRUE;
}

void CDlgEx::SetCaptionText(const std::wstring& text) {
  SetWindowText(text.c_str());
  HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
  LOGFONTW lf = {};
  ::GetObjectW(font ? font : ::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  const int fontHeight = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
  const bool hasIcon = SendMessage(WM_GETICON, ICON_SMALL) != 0;

  RECT strip = {m_nBorder + 5 + (hasIcon ? 16 : 0),
                skin::CaptionStripTop(m_nCaptionHeight, fontHeight), ClientSize().cx, 0};
  strip.bottom = strip.top + MeasureText(m_hWnd, font, text, DT_SINGLELINE | DT_NOPREFIX).cy;
  ::InvalidateRect(m_hWnd, &strip, TRUE);
}

void CDlgEx::InvalidateCaptionButtons() {
  for (CBtnEx* b : {&m_btnClose, &m_btnMax, &m_btnMin}) {
    if (b->m_hWnd) ::InvalidateRect(b->m_hWnd, nullptr, TRUE);
  }
}

void CDlgEx::OnCloseBtn() {
  PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
}

void CDlgEx::OnMinBtn() {
  PostMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

BOOL CDlgEx::OnMaxBtn() {
  if (m_bMaximized) {
    ::MoveWindow(m_hWnd, m_rcRestore.left, m_rcRestore.top, Width(m_rcRestore), Height(m_rcRestore),
                 TRUE);
    UpdateMaxBtn(FALSE);
  } else {
    RECT work = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const RECT r = skin::MaximizedRect(work, m_sizeMax);
    ::MoveWindow(m_hWnd, r.left, r.top, Width(r), Height(r), TRUE);
    UpdateMaxBtn(TRUE);
  }
  // The button now stands elsewhere under the pointer.
  m_btnMax.m_bHover = false;
  m_btnMax.m_bTracking = false;
  m_bMaximized = !m_bMaximized;
  return m_bMaximized;
}

void CDlgEx::UpdateMaxBtn(BOOL maximized) {
  if (!m_btnMax.m_hWnd) return;
  m_btnMax.SetBitmap(maximized ? m_bmpRestore : m_bmpMax, FALSE);
  m_btnMax.SetToolTip(maximized ? L"还原" : L"最大化");
  ::InvalidateRect(m_btnMax.m_hWnd, nullptr, FALSE);
}

void CDlgEx::ApplyRegion() {
  if (!m_bmpBack) return;
  const SIZE image = BackSize();
  const SIZE client = ClientSize();
  CWindowDCScope screen(nullptr);
  CMemoryDC mem(screen);
  CSelectScope back(mem, m_bmpBack);
  const auto cut = skin::CornerCutouts(client.cx, client.cy, image.cx, image.cy, [&](int x, int y) {
    return (::GetPixel(mem, x, y) & 0x00FFFFFF) == skin::kKeyColour;
  });

  HRGN region = ::CreateRectRgn(0, 0, client.cx, client.cy);
  for (const POINT& p : cut) {
    HRGN dot = ::CreateRectRgn(p.x, p.y, p.x + 1, p.y + 1);
    ::CombineRgn(region, region, dot, RGN_DIFF);
    ::DeleteObject(dot);
  }
  // The window owns the region from here on.
  if (!::SetWindowRgn(m_hWnd, region, FALSE)) ::DeleteObject(region);
}

void CDlgEx::PaintBackground(HDC dc, int w, int h) {
  const SIZE image = BackSize();
  CMemoryDC src(dc);
  CSelectScope back(src, m_bmpBack);
  for (const skin::Blit& b :
       skin::BackgroundPieces(w, h, image.cx, image.cy, m_nBorder, m_nCaptionHeight, m_bNineGrid)) {
    if (b.stretch) {
      ::StretchBlt(dc, b.dx, b.dy, b.dw, b.dh, src, b.sx, b.sy, b.sw, b.sh, SRCCOPY);
    } else {
      ::BitBlt(dc, b.dx, b.dy, b.dw, b.dh, src, b.sx, b.sy, SRCCOPY);
    }
  }
}

LRESULT CDlgEx::OnEraseBkgnd(WPARAM wParam, LPARAM) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  const SIZE size = ClientSize();
  if (!m_bmpBack) {
    // No skin: the plain dialog look.
    RECT all = {0, 0, size.cx, size.cy};
    ::FillRect(dc, &all, ::GetSysColorBrush(COLOR_BTNFACE));
    return FALSE;
  }
  CBufferDC mem(dc, size.cx, size.cy);
  DrawSkin(mem, size.cx, size.cy);
  mem.Present();
  return TRUE;
}

void CDlgEx::DrawSkin(HDC mem, int w, int h) {
  const SIZE size = {w, h};
  PaintBackground(mem, size.cx, size.cy);

  int iconWidth = 0;
  HICON icon = reinterpret_cast<HICON>(SendMessage(WM_GETICON, ICON_SMALL));
  if (icon && m_bShowIcon) {
    ::DrawIconEx(mem, m_nBorder, skin::CaptionIconTop(m_nCaptionHeight), icon, 16, 16, 0, nullptr,
                 DI_NORMAL);
    iconWidth = 16;
  }
  if (m_bShowCaption) {
    const int n = ::GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    ::GetWindowTextW(m_hWnd, &text[0], n + 1);
    text.resize(static_cast<size_t>(n));
    CGdiObjectScope font(CaptionFont(m_hWnd, m_nCaptionWeight));
    CSavedDC saved(mem);
    ::SetBkMode(mem, TRANSPARENT);
    ::SetTextColor(mem, m_crCaption);
    ::SelectObject(mem, font.Get());
    const POINT at = skin::CaptionTextOrigin(m_nBorder, m_nCaptionHeight, m_nTextIndent, iconWidth);
    RECT line = {at.x, at.y, size.cx, size.cy};
    ::DrawTextW(mem, text.c_str(), n, &line, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
  }
}

LRESULT CDlgEx::OnNcHitTest(WPARAM, LPARAM lParam) {
  POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ::ScreenToClient(m_hWnd, &p);
  const SIZE size = ClientSize();
  return skin::HitTest(p.x, p.y, size.cx, size.cy, m_nBorder, m_nCaptionHeight, m_bResizable,
                       m_bMaximized);
}

LRESULT CDlgEx::OnNcLButtonDown(WPARAM wParam, LPARAM lParam) {
  const int edge = skin::SizingEdge(static_cast<int>(wParam));
  if (edge) {
    SendMessage(WM_SYSCOMMAND, SC_SIZE + edge, lParam);
  } else {
    ::DefWindowProcW(m_hWnd, WM_NCLBUTTONDOWN, wParam, lParam);
  }
  // Restoring returns to wherever the user last moved or sized the window.
  if (m_hWnd) ::GetWindowRect(m_hWnd, &m_rcRestore);
  return 0;
}

LRESULT CDlgEx::OnNcLButtonDblClk(WPARAM wParam, LPARAM lParam) {
  if (wParam == HTCAPTION && m_bResizable) {
    OnMaxBtn();
    return 0;
  }
  return ::DefWindowProcW(m_hWnd, WM_NCLBUTTONDBLCLK, wParam, lParam);
}

LRESULT CDlgEx::OnLButtonDblClk(WPARAM wParam, LPARAM lParam) {
  const int y = GET_Y_LPARAM(lParam);
  if (m_bMaximized && (m_nCaptionHeight == -1 || (y >= 0 && y < m_nCaptionHeight))) {
    OnMaxBtn();
  }
  return ::DefWindowProcW(m_hWnd, WM_LBUTTONDBLCLK, wParam, lParam);
}

LRESULT CDlgEx::OnSize(WPARAM, LPARAM lParam) {
  if (!m_bmpBack) return 0;
  ApplyRegion();
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
  int x = LOWORD(lParam) - m_nBtnRight;
  for (CBtnEx* b : {&m_btnClose, &m_btnMax, &m_btnMin}) {
    if (!b->m_hWnd) continue;
    RECT r;
    ::GetWindowRect(b->m_hWnd, &r);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    ::MoveWindow(b->m_hWnd, x - Width(r), r.top, Width(r), Height(r), TRUE);
    x -= Width(r) + m_nBtnGap;
  }
  return 0;
}
