// The skinned push button: one cell of a four-cell image strip per state
// (normal, hover, pressed, disabled) over the parent's background, an
// optional centred caption and an optional tooltip.
#pragma once

#include <string>

#include "framework/control.h"
#include "ui/image_strip.h"

class CBtnEx : public CButton {
 public:
  CBtnEx() = default;
  ~CBtnEx() override;

  // Takes the strip's cells (the caller keeps the bitmap); with
  // `resizeToCell` the button takes one cell's size where it stands.
  BOOL SetBitmap(HBITMAP strip, BOOL resizeToCell);
  // Creates the button as a visible child of `parent`, one cell in size,
  // its right edge at xRight; clicks reach `parent` as command `id`.
  BOOL CreateImageButton(int xRight, int top, HBITMAP strip, UINT id, HWND parent);
  // The tooltip shown from the next hover on.
  void SetToolTip(const std::wstring& text);

  BOOL PreTranslateMessage(MSG* pMsg) override;
  void DrawItem(DRAWITEMSTRUCT* item) override;

  bool m_bTracking = false;
  bool m_bHover = false;
  RECT m_rcButton = {};
  std::wstring m_strText;
  COLORREF m_crText = 0;
  CImageStrip m_imgStrip;  // the four cells, owned
  bool m_bPressed = false;
  bool m_bToolTip = false;
  HWND m_toolTip = nullptr;
  std::wstring m_strToolTip;

 protected:
  void PreSubclassWindow() override;

 private:
  void RefreshRect();

  // Never erased: DrawItem paints every pixel.
  LRESULT OnEraseBkgnd(WPARAM, LPARAM) { return TRUE; }
  // Starts hover tracking.
  LRESULT OnMouseMove(WPARAM, LPARAM);
  // The pointer rests on the button: hover look and the current tooltip.
  LRESULT OnMouseHover(WPARAM, LPARAM);
  // The pointer left: normal look.
  LRESULT OnMouseLeave(WPARAM, LPARAM);
  // Releasing the mouse ends the latched pressed look.
  LRESULT OnLButtonUp(WPARAM, LPARAM);
  // Losing the mouse ends it as well.
  LRESULT OnCaptureChanged(WPARAM, LPARAM);
  // The tooltip goes with the button.
  LRESULT OnDestroy(WPARAM, LPARAM);
  // The skinned windows keep the arrow over their buttons.
  LRESULT OnSetCursor(WPARAM, LPARAM);
  // The tooltip asks for its text.
  LRESULT OnNotify(WPARAM, LPARAM);

  DECLARE_MESSAGE_MAP()
};

// Paints the parent's background behind `child` into `dc` (a buffer the
// child's size): the parent erases into it with a shifted origin.
void PaintParentBackground(HWND child, HDC dc);
