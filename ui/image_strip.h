// The cells of an image strip, kept as the control's own copy of the bitmap
// and drawn with magenta transparent. Stands in for an image list with a
// mask: under Wine a masked image list draws only its first cell transparent.
#pragma once

#include <windows.h>

class CImageStrip {
 public:
  CImageStrip() = default;
  ~CImageStrip() { Clear(); }
  CImageStrip(const CImageStrip&) = delete;
  CImageStrip& operator=(const CImageStrip&) = delete;

  // Copies `strip` cut into `cells` equal cells side by side (the caller
  // keeps the bitmap). False, and empty, for a null or unusable bitmap.
  bool Load(HBITMAP strip, int cells);
  void Clear();

  bool Empty() const { return m_bmp == nullptr; }
  int Count() const { return m_nCells; }
  int CellWidth() const { return m_nCellW; }
  int CellHeight() const { return m_nCellH; }
  // Draws cell `index` into (x, y, w, h), stretched when the sizes differ.
  void Draw(HDC dc, int index, int x, int y, int w, int h) const;

 private:
  HBITMAP m_bmp = nullptr;
  int m_nCells = 0;
  int m_nCellW = 0;
  int m_nCellH = 0;
};
