#include "ui/img_progress.h"

#include "framework/gdi.h"
#include "ui/btn_ex.h"
#include "ui/skin_layout.h"

BEGIN_MESSAGE_MAP(CImgProgress, CProgressCtrl)
  ON_MESSAGE(WM_PAINT, OnPaint)
  ON_MESSAGE(WM_ERASEBKGND, OnEraseBkgnd)
END_MESSAGE_MAP()

namespace {

SIZE BitmapSize(HBITMAP bmp) {
  BITMAP bm = {};
  if (!bmp || !::GetObjectW(bmp, sizeof(bm), &bm)) return {0, 0};
  return {bm.bmWidth, bm.bmHeight};
}

}  // namespace

CImgProgress::~CImgProgress() {
  if (m_hBack) ::DeleteObject(m_hBack);
  if (m_hBar) ::DeleteObject(m_hBar);
}

BOOL CImgProgress::SetImages(HBITMAP back, HBITMAP bar) {
  if (m_hBack && m_hBack != back) ::DeleteObject(m_hBack);
  if (m_hBar && m_hBar != bar) ::DeleteObject(m_hBar);
  m_hBack = back;
  m_hBar = bar;
  const SIZE track = BitmapSize(back), fill = BitmapSize(bar);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, track.cx, track.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  m_rcWnd = {0, 0, track.cx, track.cy};
  const int left = (track.cx - fill.cx) / 2, top = (track.cy - fill.cy) / 2;
  m_rcBar = {left, top, left + fill.cx, top + fill.cy};
  return TRUE;
}

LRESULT CImgProgress::OnPaint(WPARAM, LPARAM) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(m_hWnd, &ps);
  // The track's size once the images are set; without them the bar still
  // shows the parent's background over its whole client area.
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  const int w = m_hBack ? m_rcWnd.right : client.right;
  const int h = m_hBack ? m_rcWnd.bottom : client.bottom;
  {
    CBufferDC mem(dc, w, h);
    {
      CSavedDC saved(mem);
      PaintParentBackground(m_hWnd, mem);
    }
    CMemoryDC src(dc);
    if (m_hBack) {
      CSelectScope back(src, m_hBack);
      ::TransparentBlt(mem, 0, 0, w, h, src, 0, 0, w, h, skin::kKeyColour);
    }
    if (m_hBar) {
      int lower = 0, upper = 0;
      GetRange(lower, upper);
      const int fillW = m_rcBar.right - m_rcBar.left, fillH = m_rcBar.bottom - m_rcBar.top;
      const skin::ProgressFill f = skin::ProgressFillParts(GetPos(), lower, upper, fillW);
      CSelectScope bar(src, m_hBar);
      if (f.leftWidth > 0) {
        ::TransparentBlt(mem, m_rcBar.left, m_rcBar.top, f.leftWidth, fillH, src, 0, 0, f.leftWidth,
                         fillH, skin::kKeyColour);
      }
      if (f.rightWidth > 0) {
        ::TransparentBlt(mem, m_rcBar.left + f.leftWidth, m_rcBar.top, f.rightWidth, fillH, src,
                         f.rightSourceX, 0, f.rightWidth, fillH, skin::kKeyColour);
      }
    }
    mem.Present();
  }
  ::EndPaint(m_hWnd, &ps);
  return 0;
}
