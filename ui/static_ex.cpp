#include "ui/static_ex.h"

#include "framework/gdi.h"
#include "ui/btn_ex.h"
#include "ui/skin_layout.h"

BEGIN_MESSAGE_MAP(CStaticEx, CStatic)
  ON_MESSAGE(WM_PAINT, OnPaint)
  ON_MESSAGE(WM_ERASEBKGND, OnEraseBkgnd)
  ON_MESSAGE(WM_SETCURSOR, OnSetCursor)
  ON_MESSAGE(WM_MOUSEMOVE, OnMouseMove)
  ON_MESSAGE(WM_MOUSEHOVER, OnMouseHover)
  ON_MESSAGE(WM_MOUSELEAVE, OnMouseLeave)
END_MESSAGE_MAP()

CStaticEx::~CStaticEx() {
  if (m_font) ::DeleteObject(m_font);
}

void CStaticEx::PreSubclassWindow() {
  const int n = ::GetWindowTextLengthW(m_hWnd);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  ::GetWindowTextW(m_hWnd, &text[0], n + 1);
  text.resize(static_cast<size_t>(n));
  m_strText = text;
}

void CStaticEx::SetText(const std::wstring& text) {
  m_strText = text;
  // The window text too, for anyone reading the label from outside.
  ::SetWindowTextW(m_hWnd, text.c_str());
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
  ::UpdateWindow(m_hWnd);
}

BOOL CStaticEx::SetBitmap(HBITMAP bitmap) {
  BITMAP bm = {};
  if (!bitmap || !::GetObjectW(bitmap, sizeof(bm), &bm)) return FALSE;
  m_imgIcon.Load(bitmap, 1);
  m_nImgW = bm.bmWidth;
  m_nImgH = bm.bmHeight;
  return TRUE;
}

LRESULT CStaticEx::OnPaint(WPARAM, LPARAM) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(m_hWnd, &ps);
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  {
    CBufferDC mem(dc, client.right, client.bottom);
    {
      CSavedDC saved(mem);
      PaintParentBackground(m_hWnd, mem);
    }
    if (m_nImgW > 0) m_imgIcon.Draw(mem, 0, 3, (client.bottom - m_nImgH) / 2, m_nImgW, m_nImgH);
    DrawContent(mem);
    mem.Present();
  }
  ::EndPaint(m_hWnd, &ps);
  return 0;
}

void CStaticEx::DrawContent(HDC dc) {
  RECT area;
  ::GetClientRect(m_hWnd, &area);
  if (m_nImgW > 0) area.left += m_nImgW + 6;
  const UINT format = skin::LabelTextFormat(GetStyle());

  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, m_bHoverColor && m_bHover ? m_crHover : m_crText);
  if (!m_font) {
    LOGFONTW lf = {};
    HFONT own = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    ::GetObjectW(own ? own : ::GetStockObject(SYSTEM_FONT), sizeof(lf), &lf);
    lf.lfHeight = -12;
    lf.lfWidth = 0;
    if (m_nWeight != -1) lf.lfWeight = m_nWeight;
    lf.lfUnderline = m_bUnderline ? TRUE : FALSE;
    lstrcpynW(lf.lfFaceName, L"微软雅黑", LF_FACESIZE);
    m_font = ::CreateFontIndirectW(&lf);
  }
  HGDIOBJ oldFont = ::SelectObject(dc, m_font);

  // Line height and average character width from a sample of Chinese text.
  const wchar_t sample[] = L"测试用汉字来获取宽度";
  SIZE probe = {};
  ::GetTextExtentPoint32W(dc, sample, 11, &probe);
  const int lineHeight = probe.cy, charWidth = probe.cx / 11;

  if (area.right - area.left >= charWidth) {
    if (skin::IsSingleLineFormat(format)) {
      ::DrawTextW(dc, m_strText.c_str(), -1, &area, format);
    } else {
      const auto lines =
          skin::WrapLabel(m_strText, area.right - area.left, [dc](const std::wstring& piece) {
            SIZE s = {};
            ::GetTextExtentPoint32W(dc, piece.c_str(), static_cast<int>(piece.size()), &s);
            return static_cast<int>(s.cx);
          });
      RECT line = area;
      for (const std::wstring& text : lines) {
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &line, format);
        line.top += lineHeight + m_nLineSpacing;
      }
      const int need =
          skin::LabelHeight(lineHeight, m_nLineSpacing, static_cast<int>(lines.size()));
      RECT self;
      ::GetWindowRect(m_hWnd, &self);
      if (self.bottom - self.top < need) {
        ::MapWindowPoints(nullptr, ::GetParent(m_hWnd), reinterpret_cast<POINT*>(&self), 2);
        ::MoveWindow(m_hWnd, self.left, self.top, self.right - self.left, need, TRUE);
      }
    }
  }
  ::SelectObject(dc, oldFont);
}

LRESULT CStaticEx::OnSetCursor(WPARAM, LPARAM) {
  if (m_bHandCursor) ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
  return TRUE;
}

LRESULT CStaticEx::OnMouseMove(WPARAM wParam, LPARAM lParam) {
  if (!m_bTracking) {
    TRACKMOUSEEVENT tme = {sizeof(tme), TME_HOVER | TME_LEAVE, m_hWnd, 10};
    m_bTracking = ::TrackMouseEvent(&tme) != FALSE;
  }
  return Default(WM_MOUSEMOVE, wParam, lParam);
}

LRESULT CStaticEx::OnMouseHover(WPARAM, LPARAM) {
  m_bHover = true;
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
  return 0;
}

LRESULT CStaticEx::OnMouseLeave(WPARAM, LPARAM) {
  m_bHover = false;
  m_bTracking = false;
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
  return 0;
}
