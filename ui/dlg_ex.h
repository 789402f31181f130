// The base of every skinned window: no system caption or frame; instead a
// background bitmap (1:1 or nine-grid), the icon and title drawn in the
// caption band, corners cut where the background is magenta, image caption
// buttons, dragging by the caption, optional border resizing and an own
// maximise that fills the work area.
#pragma once

#include <string>

#include "framework/dialog.h"
#include "ui/btn_ex.h"

// Commands of the caption buttons.
constexpr UINT ID_CAPTION_CLOSE = 50000;
constexpr UINT ID_CAPTION_MIN = 50001;
constexpr UINT ID_CAPTION_MAX = 50002;

class CDlgEx : public CDialog {
 public:
  explicit CDlgEx(UINT idTemplate, HWND parent = nullptr);
  ~CDlgEx() override;

  // Takes `background` (owned from now on) and the caption strips; any strip
  // may be null, and then its button is not created. With `sizeToImage` the
  // window takes the background's size. The maximise and restore strips are
  // owned too; the close and minimise strips stay the caller's.
  BOOL SetSkin(HBITMAP background, BOOL sizeToImage, BOOL nineGrid, HBITMAP closeStrip,
               HBITMAP minStrip, HBITMAP maxStrip, HBITMAP restoreStrip);
  // The frame's metrics, set first in every skinned window's initialisation:
  // caption height, border width, and the caption buttons' right margin, top
  // and gap.
  void SetFrameMetrics(int captionHeight, int border, int btnRight, int btnTop, int btnGap) {
    m_nCaptionHeight = captionHeight;
    m_nBorder = border;
    m_nBtnRight = btnRight;
    m_nBtnTop = btnTop;
    m_nBtnGap = btnGap;
  }
  // Sets the window text and repaints only the caption text strip.
  void SetCaptionText(const std::wstring& text);
  // Derived windows call this after repainting their own background.
  void InvalidateCaptionButtons();

  // Closing runs the dialog's ordinary close path.
  virtual void OnCloseBtn();
  virtual void OnMinBtn();
  // Toggles the own maximised state; returns the new state.
  virtual BOOL OnMaxBtn();
  // The maximise button shows the restore look (true) or the maximise look.
  virtual void UpdateMaxBtn(BOOL maximized);

  BOOL m_bShowCaption = TRUE;
  BOOL m_bShowIcon = TRUE;
  BOOL m_bMaximized = FALSE;
  int m_nTextIndent = 0;
  CBtnEx m_btnClose;
  CBtnEx m_btnMin;
  CBtnEx m_btnMax;
  int m_nCaptionHeight = -1;
  int m_nBtnRight = 5;
  int m_nBtnTop = 1;
  int m_nBtnGap = 0;
  int m_nBorder = 3;
  COLORREF m_crCaption = RGB(255, 255, 255);
  int m_nCaptionWeight = FW_NORMAL;
  HBITMAP m_bmpBack = nullptr;
  SIZE m_sizeMax = {1440, 900};
  RECT m_rcRestore = {};
  BOOL m_bResizable = FALSE;
  BOOL m_bNineGrid = FALSE;
  HBITMAP m_bmpMax = nullptr;
  HBITMAP m_bmpRestore = nullptr;

 protected:
  BOOL OnInitDialog() override;

  // Paints background, icon and title of a w × h client area into `dc`, a
  // buffer that windows with more to draw go on painting into.
  void DrawSkin(HDC dc, int w, int h);

  // Derived windows that handle these messages themselves call the base's
  // handling from theirs.
  // The whole window, double-buffered: background, icon, title.
  LRESULT OnEraseBkgnd(WPARAM, LPARAM);
  // The caption band drags, the borders size.
  LRESULT OnNcHitTest(WPARAM, LPARAM);
  // Runs the move or size loop and remembers where the window ended up.
  LRESULT OnNcLButtonDown(WPARAM, LPARAM);
  // A double click on the caption of a resizable window maximises.
  LRESULT OnNcLButtonDblClk(WPARAM, LPARAM);
  // A double click in the caption band of a maximised window restores.
  LRESULT OnLButtonDblClk(WPARAM, LPARAM);
  // Re-cuts the corners and keeps the caption buttons at the right edge.
  LRESULT OnSize(WPARAM, LPARAM);

 private:
  SIZE BackSize() const;
  SIZE ClientSize() const;
  // Cuts the magenta corners of the background out of the window.
  void ApplyRegion();
  // Paints the background of a w × h window into `dc`.
  void PaintBackground(HDC dc, int w, int h);

  void OnCaptionClose() { OnCloseBtn(); }
  void OnCaptionMin() { OnMinBtn(); }
  void OnCaptionMax() { OnMaxBtn(); }

  DECLARE_MESSAGE_MAP()
};
