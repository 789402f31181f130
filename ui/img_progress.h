// The download progress bar of the skin: a track image and a fill image whose
// two ends both stay visible at every length.
#pragma once

#include "framework/control.h"

class CImgProgress : public CProgressCtrl {
 public:
  CImgProgress() = default;
  ~CImgProgress() override;

  // Takes both bitmaps (owned from now on) and the track's size.
  BOOL SetImages(HBITMAP back, HBITMAP bar);

  HBITMAP m_hBack = nullptr;
  HBITMAP m_hBar = nullptr;
  RECT m_rcWnd = {};
  RECT m_rcBar = {};

 private:
  LRESULT OnPaint(WPARAM, LPARAM);
  // Never erased: painting covers every pixel.
  LRESULT OnEraseBkgnd(WPARAM, LPARAM) { return TRUE; }

  DECLARE_MESSAGE_MAP()
};
