// Scoped device contexts and selections: each undoes itself at the end of its
// scope, on every path, so a drawing routine cannot leak a DC or leave a
// bitmap selected into one.
#pragma once

#include <windows.h>

#include <string>

// A window's DC (the whole screen's for null), released at scope end.
class CWindowDCScope {
 public:
  explicit CWindowDCScope(HWND window) : m_hWnd(window), m_hDC(::GetDC(window)) {}
  ~CWindowDCScope() {
    if (m_hDC) ::ReleaseDC(m_hWnd, m_hDC);
  }
  CWindowDCScope(const CWindowDCScope&) = delete;
  CWindowDCScope& operator=(const CWindowDCScope&) = delete;
  operator HDC() const { return m_hDC; }

 private:
  HWND m_hWnd;
  HDC m_hDC;
};

// A memory DC compatible with `dc`, deleted at scope end.
class CMemoryDC {
 public:
  explicit CMemoryDC(HDC dc) : m_hDC(::CreateCompatibleDC(dc)) {}
  ~CMemoryDC() {
    if (m_hDC) ::DeleteDC(m_hDC);
  }
  CMemoryDC(const CMemoryDC&) = delete;
  CMemoryDC& operator=(const CMemoryDC&) = delete;
  operator HDC() const { return m_hDC; }

 private:
  HDC m_hDC;
};

// `object` selected into `dc` for the scope; the previous one comes back.
class CSelectScope {
 public:
  CSelectScope(HDC dc, HGDIOBJ object) : m_hDC(dc), m_hOld(::SelectObject(dc, object)) {}
  ~CSelectScope() {
    if (m_hOld) ::SelectObject(m_hDC, m_hOld);
  }
  CSelectScope(const CSelectScope&) = delete;
  CSelectScope& operator=(const CSelectScope&) = delete;

 private:
  HDC m_hDC;
  HGDIOBJ m_hOld;
};

// The DC's whole state (objects, colours, modes) saved for the scope.
class CSavedDC {
 public:
  explicit CSavedDC(HDC dc) : m_hDC(dc), m_nSaved(::SaveDC(dc)) {}
  ~CSavedDC() {
    if (m_nSaved) ::RestoreDC(m_hDC, m_nSaved);
  }
  CSavedDC(const CSavedDC&) = delete;
  CSavedDC& operator=(const CSavedDC&) = delete;

 private:
  HDC m_hDC;
  int m_nSaved;
};

// A GDI object (bitmap, font, brush) this scope created and deletes.
class CGdiObjectScope {
 public:
  explicit CGdiObjectScope(HGDIOBJ object) : m_hObject(object) {}
  ~CGdiObjectScope() {
    if (m_hObject) ::DeleteObject(m_hObject);
  }
  CGdiObjectScope(const CGdiObjectScope&) = delete;
  CGdiObjectScope& operator=(const CGdiObjectScope&) = delete;
  HGDIOBJ Get() const { return m_hObject; }

 private:
  HGDIOBJ m_hObject;
};

// A drawing buffer of `width` by `height` compatible with `target`: owner-
// drawn controls paint into it and Present() copies it to `target` in one
// go, so nothing flickers. Everything is let go at scope end (the bitmap is
// deselected before it is deleted).
class CBufferDC {
 public:
  CBufferDC(HDC target, int width, int height)
      : m_hTarget(target),
        m_nWidth(width),
        m_nHeight(height),
        m_mem(target),
        m_bitmap(::CreateCompatibleBitmap(target, width, height)),
        m_select(m_mem, m_bitmap.Get()) {}
  CBufferDC(const CBufferDC&) = delete;
  CBufferDC& operator=(const CBufferDC&) = delete;
  operator HDC() const { return m_mem; }
  void Present() const { ::BitBlt(m_hTarget, 0, 0, m_nWidth, m_nHeight, m_mem, 0, 0, SRCCOPY); }

 private:
  HDC m_hTarget;
  int m_nWidth, m_nHeight;
  // Destroyed in reverse: deselect, delete the bitmap, delete the DC.
  CMemoryDC m_mem;
  CGdiObjectScope m_bitmap;
  CSelectScope m_select;
};

// The size `text` takes in `font` (the default GUI font for null) on
// `window`'s DC, laid out with DrawText's `format` (DT_CALCRECT is added).
inline SIZE MeasureText(HWND window, HFONT font, const std::wstring& text, UINT format) {
  CWindowDCScope dc(window);
  CSelectScope withFont(dc, font ? font : ::GetStockObject(DEFAULT_GUI_FONT));
  RECT r = {0, 0, 0, 0};
  ::DrawTextW(dc, text.c_str(), -1, &r, format | DT_CALCRECT);
  return {r.right - r.left, r.bottom - r.top};
}
