#include "gamewnd/login_dlg.h"

#include <objidl.h>
#include <gdiplus.h>

#include "app/messages.h"
#include "framework/winapp.h"
#include "gamewnd/main_dlg.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CLoginBkDlg, CDialog)
// Drag the background from anywhere.
ON_MESSAGE(WM_LBUTTONDOWN, OnLButtonDown)
// Keep the login window exactly over the background.
ON_MESSAGE(WM_WINDOWPOSCHANGED, OnWindowPosChanged)
// An external-account login finished: come to the front.
ON_MESSAGE(WM_BRING_TO_FRONT, OnBringToFront)
END_MESSAGE_MAP()

CLoginBkDlg::CLoginBkDlg(HWND owner) : CDialog(IDD_WEBPAGE, owner) {}

CLoginBkDlg::~CLoginBkDlg() {
  delete m_pImage;
  if (m_pStream) m_pStream->Release();
}

BOOL CLoginBkDlg::OnInitDialog() {
  SetWindowText(L"BrindloTolvane");
  LoadBackground();
  PaintLayered();
  ::SetWindowLongW(m_hWnd, GWL_STYLE, ::GetWindowLongW(m_hWnd, GWL_STYLE) | WS_MINIMIZEBOX);
  return FALSE;
}

void CLoginBkDlg::LoadBackground() {
  HMODULE module = AfxGetInstanceHandle();
  HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(IDB_LOGIN_BACKGROUND), L"PNG");
  if (!res) return;
  const DWORD size = ::SizeofResource(module, res);
  const void* bytes = ::LockResource(::LoadResource(module, res));
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size);
  if (!bytes || !block) {
    if (block) ::GlobalFree(block);
    return;
  }
  memcpy(::GlobalLock(block), bytes, size);
  ::GlobalUnlock(block);
  // The stream owns the block and must outlive the image drawn from it.
  if (FAILED(::CreateStreamOnHGlobal(block, TRUE, &m_pStream))) {
    ::GlobalFree(block);
    return;
  }
  m_pImage = Gdiplus::Image::FromStream(m_pStream);
  if (!m_pImage || m_pImage->GetLastStatus() != Gdiplus::Ok) {
    delete m_pImage;
    m_pImage = nullptr;
    return;
  }
  m_nWidth = static_cast<int>(m_pImage->GetWidth());
  m_nHeight = static_cast<int>(m_pImage->GetHeight());
}

void CLoginBkDlg::PaintLayered() {
  if (!m_pImage) return;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = m_nWidth;
  bi.bmiHeader.biHeight = -m_nHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  {
    Gdiplus::Graphics graphics(memory);
    graphics.DrawImage(m_pImage, 0, 0, m_nWidth, m_nHeight);
  }
  const LONG exStyle = ::GetWindowLongW(m_hWnd, GWL_EXSTYLE);
  if (!(exStyle & WS_EX_LAYERED)) ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
  RECT r;
  ::GetWindowRect(m_hWnd, &r);
  POINT dest = {r.left, r.top};
  SIZE size = {m_nWidth, m_nHeight};
  POINT source = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::UpdateLayeredWindow(m_hWnd, screen, &dest, &size, memory, &source, 0xFFFFFFFF, &blend,
                        ULW_ALPHA);
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
}

LRESULT CLoginBkDlg::OnLButtonDown(WPARAM, LPARAM lParam) {
  SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, lParam);
  return 0;
}

LRESULT CLoginBkDlg::OnWindowPosChanged(WPARAM, LPARAM lParam) {
  ::DefWindowProcW(m_hWnd, WM_WINDOWPOSCHANGED, 0, lParam);
  // The login window arrives with the embedded browser.
  return 0;
}

LRESULT CLoginBkDlg::OnBringToFront(WPARAM, LPARAM) {
  BringToFront(m_hWnd);
  return 0;
}

BOOL CLoginBkDlg::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_RETURN) return TRUE;
  return CDialog::PreTranslateMessage(pMsg);
}
