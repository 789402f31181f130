#include "framework/html_view.h"

#include <new>

#include "framework/frame.h"
#include "framework/winapp.h"

namespace {

const wchar_t kViewClass[] = L"TolvHtmlView";

bool RegisterViewClass(WNDPROC proc) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  HINSTANCE instance = AfxGetInstanceHandle();
  if (::GetClassInfoExW(instance, kViewClass, &wc)) return true;
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.lpszClassName = kViewClass;
  return ::RegisterClassExW(&wc) != 0;
}

// The bytes of a post-data variant (a byte array, possibly by reference).
std::vector<BYTE> PostedBytes(VARIANT* v) {
  std::vector<BYTE> bytes;
  // Browsers wrap it in one or two variant references.
  for (int i = 0; i < 4 && v && V_VT(v) == (VT_VARIANT | VT_BYREF); ++i) v = V_VARIANTREF(v);
  if (!v) return bytes;
  SAFEARRAY* array = nullptr;
  if (V_VT(v) == (VT_ARRAY | VT_UI1)) array = V_ARRAY(v);
  if (V_VT(v) == (VT_ARRAY | VT_UI1 | VT_BYREF) && V_ARRAYREF(v)) array = *V_ARRAYREF(v);
  if (!array || ::SafeArrayGetDim(array) != 1) return bytes;
  LONG low = 0, high = -1;
  ::SafeArrayGetLBound(array, 1, &low);
  ::SafeArrayGetUBound(array, 1, &high);
  void* data = nullptr;
  if (high >= low && SUCCEEDED(::SafeArrayAccessData(array, &data))) {
    const BYTE* p = static_cast<const BYTE*>(data);
    bytes.assign(p, p + (high - low + 1));
    ::SafeArrayUnaccessData(array);
  }
  return bytes;
}

}  // namespace

BEGIN_EVENTSINK_MAP(CHtmlView, CEventSinkTarget)
  ON_EVENT_BEFORENAVIGATE2(AFX_IDW_PANE_FIRST, _OnBeforeNavigate2)
  ON_EVENT_NAVIGATECOMPLETE2(AFX_IDW_PANE_FIRST, _OnNavigateComplete2)
  ON_EVENT_DOCUMENTCOMPLETE(AFX_IDW_PANE_FIRST, _OnDocumentComplete)
  ON_EVENT_TITLECHANGE(AFX_IDW_PANE_FIRST, _OnTitleChange)
  ON_EVENT_NAVIGATEERROR(AFX_IDW_PANE_FIRST, _OnNavigateError)
END_EVENTSINK_MAP()

CHtmlView::~CHtmlView() {
  if (m_hWnd) ::DestroyWindow(m_hWnd);
  DestroyBrowser();
}

BOOL CHtmlView::Create(HWND hWndParent, const RECT& rect, UINT nID, DWORD dwStyle,
                       DWORD dwExStyle) {
  if (m_hWnd || !RegisterViewClass(&CHtmlView::ViewProc)) return FALSE;
  HWND hWnd = ::CreateWindowExW(dwExStyle, kViewClass, L"", dwStyle | WS_CLIPCHILDREN, rect.left,
                                rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                hWndParent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)),
                                AfxGetInstanceHandle(), this);
  if (!hWnd) return FALSE;

  m_container.m_hWnd = m_hWnd;
  m_pSite = new (std::nothrow) CBrowserControlSite(&m_container, this);
  if (!m_pSite) return FALSE;
  RECT client = {};
  ::GetClientRect(m_hWnd, &client);
  if (FAILED(m_pSite->CreateControl(CLSID_WebBrowser, client, AFX_IDW_PANE_FIRST))) {
    DestroyBrowser();
    return FALSE;
  }
  m_pBrowserApp = m_pSite->GetBrowser();
  return TRUE;
}

LRESULT CALLBACK CHtmlView::ViewProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    static_cast<CHtmlView*>(create->lpCreateParams)->Attach(hWnd);
  }
  CWnd* self = CWnd::FromHandlePermanent(hWnd);
  if (!self) return ::DefWindowProcW(hWnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    const LRESULT result = ::DefWindowProcW(hWnd, message, wParam, lParam);
    static_cast<CHtmlView*>(self)->OnNcDestroyed();
    return result;
  }
  LRESULT result = 0;
  if (static_cast<CHtmlView*>(self)->WindowProc(message, wParam, lParam, &result)) return result;
  return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

bool CHtmlView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  switch (message) {
    case WM_SIZE:
      // The browser always fills the view, and is told so.
      if (m_pSite) m_pSite->SetControlRect({0, 0, LOWORD(lParam), HIWORD(lParam)});
      break;
    case WM_DESTROY:
      DestroyBrowser();
      break;
    case WM_ERASEBKGND:
      // The browser paints everything; no flicker of the view's background.
      if (GetBrowserWindow()) {
        *pResult = 1;
        return true;
      }
      break;
    default:
      break;
  }
  return CWnd::WindowProc(message, wParam, lParam, pResult);
}

void CHtmlView::DestroyBrowser() {
  m_pBrowserApp = nullptr;
  if (CBrowserControlSite* site = m_pSite) {
    m_pSite = nullptr;
    site->DestroyControl();
    site->Release();
  }
}

BOOL CHtmlView::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST) return FALSE;
  // The frames around the view decide first (their hotkeys, F5, the
  // favourite key); only a key none of them takes reaches the page.
  for (HWND h = ::GetParent(m_hWnd); h; h = ::GetParent(h)) {
    if (auto* frame = dynamic_cast<CFrameWnd*>(CWnd::FromHandlePermanent(h))) {
      if (frame->PreTranslateMessage(pMsg)) return TRUE;
    }
  }
  return m_container.PreTranslateAccelerator(pMsg);
}

HWND CHtmlView::GetBrowserWindow() const {
  return m_pSite ? m_pSite->GetControlWindow() : nullptr;
}

void CHtmlView::Navigate2(const wchar_t* url, DWORD dwFlags, const wchar_t* lpszTargetFrameName,
                          const wchar_t* lpszHeaders, const void* lpvPostData,
                          DWORD dwPostDataLen) {
  NavigateBrowser(m_pBrowserApp, url, dwFlags, lpszTargetFrameName, lpszHeaders, lpvPostData,
                  dwPostDataLen);
}

void CHtmlView::Refresh() {
  if (m_pBrowserApp) m_pBrowserApp->Refresh();
}

void CHtmlView::SetSilent(BOOL bSilent) {
  if (m_pBrowserApp) m_pBrowserApp->put_Silent(bSilent ? VARIANT_TRUE : VARIANT_FALSE);
}

IDispatch* CHtmlView::GetHtmlDocument() const {
  IDispatch* doc = nullptr;
  if (m_pBrowserApp && FAILED(m_pBrowserApp->get_Document(&doc))) doc = nullptr;
  return doc;
}

std::wstring CHtmlView::GetLocationURL() const {
  std::wstring url;
  BSTR location = nullptr;
  if (m_pBrowserApp && SUCCEEDED(m_pBrowserApp->get_LocationURL(&location)) && location) {
    url.assign(location, ::SysStringLen(location));
  }
  ::SysFreeString(location);
  return url;
}

void CHtmlView::_OnBeforeNavigate2(IDispatch*, VARIANT* URL, VARIANT* Flags,
                                   VARIANT* TargetFrameName, VARIANT* PostData, VARIANT* Headers,
                                   BOOL* Cancel) {
  std::vector<BYTE> posted = PostedBytes(PostData);
  DWORD flags = 0;
  if (Flags && (V_VT(Flags) == VT_I4 || V_VT(Flags) == VT_UI4)) flags = V_UI4(Flags);
  OnBeforeNavigate2(VariantText(URL).c_str(), flags, VariantText(TargetFrameName).c_str(), posted,
                    VariantText(Headers).c_str(), Cancel);
}

void CHtmlView::_OnNavigateComplete2(IDispatch*, VARIANT* URL) {
  OnNavigateComplete2(VariantText(URL).c_str());
}

void CHtmlView::_OnDocumentComplete(IDispatch*, VARIANT* URL) {
  OnDocumentComplete(VariantText(URL).c_str());
}

void CHtmlView::_OnTitleChange(BSTR Text) {
  OnTitleChange(Text ? Text : L"");
}

void CHtmlView::_OnNavigateError(IDispatch*, VARIANT* URL, VARIANT* Frame, VARIANT* StatusCode,
                                 BOOL* Cancel) {
  DWORD status = 0;
  if (StatusCode && (V_VT(StatusCode) == VT_I4 || V_VT(StatusCode) == VT_UI4)) {
    status = V_UI4(StatusCode);
  }
  OnNavigateError(VariantText(URL).c_str(), VariantText(Frame).c_str(), status, Cancel);
}

void CHtmlView::OnBeforeNavigate2(const wchar_t*, DWORD, const wchar_t*, std::vector<BYTE>&,
                                  const wchar_t*, BOOL*) {}
void CHtmlView::OnNavigateComplete2(const wchar_t*) {}
void CHtmlView::OnDocumentComplete(const wchar_t*) {}
void CHtmlView::OnTitleChange(const wchar_t*) {}
void CHtmlView::OnNavigateError(const wchar_t*, const wchar_t*, DWORD, BOOL*) {}

HRESULT CHtmlView::OnGetHostInfo(DOCHOSTUIINFO*) {
  return E_NOTIMPL;
}
HRESULT CHtmlView::OnShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) {
  return S_FALSE;
}
HRESULT CHtmlView::OnTranslateAccelerator(LPMSG, const GUID*, DWORD) {
  return S_FALSE;
}
HRESULT CHtmlView::OnGetExternal(IDispatch** lppDispatch) {
  if (lppDispatch) *lppDispatch = nullptr;
  return E_NOTIMPL;
}
