// The skinned label: text in the skin's face over the parent's background,
// wrapped by the label itself and growing downward when it needs more lines;
// an optional small image at its left and optional link behaviour (hand
// cursor, underline, another colour while hovered).
#pragma once

#include <string>

#include "framework/control.h"
#include "ui/image_strip.h"

class CStaticEx : public CStatic {
 public:
  CStaticEx() = default;
  ~CStaticEx() override;

  // Replaces the text and repaints at once.
  void SetText(const std::wstring& text);
  // The whole bitmap becomes the image at the label's left (magenta
  // transparent); the caller keeps the bitmap. False for an invalid handle.
  BOOL SetBitmap(HBITMAP bitmap);

  std::wstring m_strText;
  int m_nWeight = -1;
  BOOL m_bHandCursor = FALSE;
  BOOL m_bUnderline = FALSE;
  HFONT m_font = nullptr;
  COLORREF m_crText = 0;
  COLORREF m_crHover = 0;
  int m_nLineSpacing = 3;
  BOOL m_bHoverColor = FALSE;
  bool m_bHover = false;
  bool m_bTracking = false;
  CImageStrip m_imgIcon;  // one image, owned
  int m_nImgW = 0;
  int m_nImgH = 0;

 protected:
  void PreSubclassWindow() override;
  // Draws the text into the buffer, wrapping and growing the label.
  virtual void DrawContent(HDC dc);

 private:
  LRESULT OnPaint(WPARAM, LPARAM);
  // Never erased: painting covers every pixel.
  LRESULT OnEraseBkgnd(WPARAM, LPARAM) { return TRUE; }
  // Links show the hand; plain labels leave the cursor alone.
  LRESULT OnSetCursor(WPARAM, LPARAM);
  LRESULT OnMouseMove(WPARAM, LPARAM);
  LRESULT OnMouseHover(WPARAM, LPARAM);
  LRESULT OnMouseLeave(WPARAM, LPARAM);

  DECLARE_MESSAGE_MAP()
};
