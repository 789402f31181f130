#include "ui/image_strip.h"

#include "framework/gdi.h"
#include "ui/skin_layout.h"

bool CImageStrip::Load(HBITMAP strip, int cells) {
  Clear();
  BITMAP bm = {};
  if (!strip || cells <= 0 || !::GetObjectW(strip, sizeof(bm), &bm)) return false;
  const int cw = bm.bmWidth / cells, ch = bm.bmHeight;
  if (cw <= 0 || ch <= 0) return false;

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = cw * cells;
  info.bmiHeader.biHeight = ch;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  CWindowDCScope screen(nullptr);
  HBITMAP copy = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!copy) return false;
  {
    CMemoryDC src(screen), dst(screen);
    CSelectScope fromStrip(src, strip), intoCopy(dst, copy);
    ::BitBlt(dst, 0, 0, cw * cells, ch, src, 0, 0, SRCCOPY);
  }
  m_bmp = copy;
  m_nCells = cells;
  m_nCellW = cw;
  m_nCellH = ch;
  return true;
}

void CImageStrip::Clear() {
  if (m_bmp) ::DeleteObject(m_bmp);
  m_bmp = nullptr;
  m_nCells = m_nCellW = m_nCellH = 0;
}

void CImageStrip::Draw(HDC dc, int index, int x, int y, int w, int h) const {
  if (!m_bmp || index < 0 || index >= m_nCells) return;
  CMemoryDC src(dc);
  CSelectScope cells(src, m_bmp);
  ::TransparentBlt(dc, x, y, w, h, src, index * m_nCellW, 0, m_nCellW, m_nCellH, skin::kKeyColour);
}
