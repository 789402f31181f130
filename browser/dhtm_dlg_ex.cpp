#include "browser/dhtm_dlg_ex.h"

#include <mshtmdid.h>

#include <new>

#include "browser/page_rules.h"

// ---- Control site ------------------------------------------------------------

CMyBrowserControlSite::CMyBrowserControlSite(COleControlContainer* pContainer, CDHtmlDialog* pHost)
    : CBrowserControlSite(pContainer, pHost) {}

CMyBrowserControlSite::~CMyBrowserControlSite() = default;

void* CMyBrowserControlSite::GetInterfaceHook(REFIID riid) {
  if (IsEqualIID(riid, IID_IDocHostShowUI)) return static_cast<IDocHostShowUI*>(this);
  return CBrowserControlSite::GetInterfaceHook(riid);
}

STDMETHODIMP CMyBrowserControlSite::ShowMessage(HWND hwnd, LPOLESTR lpstrText,
                                                LPOLESTR lpstrCaption, DWORD dwType,
                                                LPOLESTR lpstrHelpFile, DWORD dwHelpContext,
                                                LRESULT* plResult) {
  if (auto* dlg = dynamic_cast<CDHtmDlgEx*>(m_pHost)) {
    return dlg->OnShowMessage(hwnd, lpstrText, lpstrCaption, dwType, lpstrHelpFile, dwHelpContext,
                              plResult);
  }
  return S_OK;
}

STDMETHODIMP CMyBrowserControlSite::ShowHelp(HWND hwnd, LPOLESTR pszHelpFile, UINT uCommand,
                                             DWORD dwData, POINT ptMouse,
                                             IDispatch* pDispatchObjectHit) {
  if (auto* dlg = dynamic_cast<CDHtmDlgEx*>(m_pHost)) {
    return dlg->OnShowHelp(hwnd, pszHelpFile, uCommand, dwData, ptMouse, pDispatchObjectHit);
  }
  return S_OK;
}

// ---- The dialog ----------------------------------------------------------------

BEGIN_EVENTSINK_MAP(CDHtmDlgEx, CDHtmlDialog)
  ON_EVENT_NAVIGATEERROR(AFX_IDC_BROWSER, OnNavigateError)
  ON_EVENT_BEFORENAVIGATE2(AFX_IDC_BROWSER, OnNavigateFilter)
END_EVENTSINK_MAP()

// The first matching entry wins: "button" elements before the background
// tags, so a div of class "button" is a button and not a caption.
BEGIN_DHTML_EVENT_MAP(CDHtmDlgEx)
  DHTML_EVENT_CLASS(DISPID_HTMLELEMENTEVENTS_ONMOUSEOUT, L"button", SetButtonNormal)
  DHTML_EVENT_CLASS(DISPID_HTMLELEMENTEVENTS_ONMOUSEOVER, L"button", SetButtonHover)
  DHTML_EVENT_CLASS(DISPID_HTMLELEMENTEVENTS_ONMOUSEDOWN, L"button", OnButtonMouseDown)
  DHTML_EVENT_CLASS(DISPID_HTMLELEMENTEVENTS_ONMOUSEUP, L"button", OnButtonMouseUp)
  DHTML_EVENT_TAG(DISPID_HTMLELEMENTEVENTS_ONMOUSEDOWN, L"body", OnCaptionMouseDown)
  DHTML_EVENT_TAG(DISPID_HTMLELEMENTEVENTS_ONMOUSEUP, L"body", OnCaptionMouseUp)
  DHTML_EVENT_TAG(DISPID_HTMLELEMENTEVENTS_ONMOUSEMOVE, L"body", OnCaptionMouseMove)
  DHTML_EVENT_TAG(DISPID_HTMLELEMENTEVENTS_ONCONTEXTMENU, L"body", OnSuppressContextMenu)
  DHTML_EVENT_TAG(DISPID_HTMLELEMENTEVENTS_ONMOUSEDOWN, L"td", OnCaptionMouseDown)
  DHTML_EVENT_TAG(DISPID_HTMLELEMENTEVENTS_ONMOUSEUP, L"td", OnCaptionMouseUp)
  DHTML_EVENT_TAG(DISPID_HTMLELEMENTEVENTS_ONMOUSEMOVE, L"td", OnCaptionMouseMove)
  DHTML_EVENT_TAG(DISPID_HTMLELEMENTEVENTS_ONCONTEXTMENU, L"td", OnSuppressContextMenu)
  DHTML_EVENT_TAG(DISPID_HTMLELEMENTEVENTS_ONMOUSEDOWN, L"div", OnCaptionMouseDown)
  DHTML_EVENT_TAG(DISPID_HTMLELEMENTEVENTS_ONMOUSEUP, L"div", OnCaptionMouseUp)
  DHTML_EVENT_TAG(DISPID_HTMLELEMENTEVENTS_ONMOUSEMOVE, L"div", OnCaptionMouseMove)
  DHTML_EVENT_TAG(DISPID_HTMLELEMENTEVENTS_ONCONTEXTMENU, L"div", OnSuppressContextMenu)
END_DHTML_EVENT_MAP()

CDHtmDlgEx::CDHtmDlgEx(UINT nIDTemplate, UINT nHtmlResID, HWND hWndParent)
    : CDHtmlDialog(nIDTemplate, nHtmlResID, hWndParent) {
  // Page text cannot be selected, as in a native dialog.
  m_dwHostFlags |= DOCHOSTUIFLAG_DIALOG;
}

CDHtmDlgEx::~CDHtmDlgEx() {
  ReleasePressed();
}

BOOL CDHtmDlgEx::CreateControlSite(COleControlContainer* pContainer, CBrowserControlSite** ppSite,
                                   UINT, REFCLSID) {
  if (!ppSite) return FALSE;
  *ppSite = new (std::nothrow) CMyBrowserControlSite(pContainer, this);
  return *ppSite != nullptr;
}

BOOL CDHtmDlgEx::OnInitDialog() {
  CDHtmlDialog::OnInitDialog();
  // Script errors never raise a dialog.
  if (m_pBrowserApp) m_pBrowserApp->put_Silent(VARIANT_TRUE);
  return TRUE;
}

void CDHtmDlgEx::OnNavigateComplete(IDispatch* pDisp, const wchar_t* szUrl) {
  CDHtmlDialog::OnNavigateComplete(pDisp, szUrl);
  // Scroll bars only when the page overflows.
  CComPtr<IHTMLDocument2> doc;
  CComPtr<IHTMLElement> body;
  CComPtr<IHTMLBodyElement> bodyElement;
  if (FAILED(GetDHtmlDocument(&doc)) || FAILED(doc->get_body(&body)) || !body) return;
  if (FAILED(body->QueryInterface(IID_IHTMLBodyElement, reinterpret_cast<void**>(&bodyElement))))
    return;
  if (BSTR automatic = ::SysAllocString(L"auto")) {
    bodyElement->put_scroll(automatic);
    ::SysFreeString(automatic);
  }
}

HRESULT CDHtmDlgEx::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) {
  return S_OK;
}

HRESULT CDHtmDlgEx::GetHostInfo(DOCHOSTUIINFO* pInfo) {
  const HRESULT hr = CDHtmlDialog::GetHostInfo(pInfo);
  if (pInfo) pInfo->dwFlags |= DOCHOSTUIFLAG_DIALOG;
  return hr;
}

HRESULT CDHtmDlgEx::TranslateAccelerator(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID) {
  if (!lpMsg) return S_FALSE;
  // The first answer may still report a press from before; ask again.
  ::GetAsyncKeyState(VK_CONTROL);
  const bool ctrl = (::GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0;
  switch (DecidePageKey(lpMsg->wParam, ctrl)) {
    case PageKey::Swallow:
      return S_OK;
    case PageKey::SelectAll:
      if (m_pBrowserApp) {
        m_pBrowserApp->ExecWB(OLECMDID_SELECTALL, OLECMDEXECOPT_DODEFAULT, nullptr, nullptr);
      }
      break;
    case PageKey::Default:
      break;
  }
  return CDHtmlDialog::TranslateAccelerator(lpMsg, pguidCmdGroup, nCmdID);
}

void CDHtmDlgEx::OnNavigateError(IDispatch*, VARIANT*, VARIANT*, VARIANT*, BOOL* Cancel) {
  if (Cancel) *Cancel = TRUE;
}

HRESULT CDHtmDlgEx::OnShowMessage(HWND, LPOLESTR, LPOLESTR, DWORD, LPOLESTR, DWORD, LRESULT*) {
  return S_FALSE;
}

HRESULT CDHtmDlgEx::OnShowHelp(HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch*) {
  return S_FALSE;
}

void CDHtmDlgEx::OnNavigateFilter(IDispatch*, VARIANT* URL, VARIANT*, VARIANT*, VARIANT*, VARIANT*,
                                  BOOL* Cancel) {
  FilterNavigation(VariantText(URL), Cancel);
}

bool CDHtmDlgEx::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  // The button-up that ends a press is the window's alone: the page does not
  // see it, so the click comes from here exactly once.
  if ((message == WM_LBUTTONUP || message == WM_RBUTTONUP) && EndPress(lParam)) {
    *pResult = 0;
    return true;
  }
  // A press cannot outlive the page it was made on.
  if (message == WM_DESTROY) ReleasePressed();
  return CDHtmlDialog::WindowProc(message, wParam, lParam, pResult);
}

// ---- Caption dragging --------------------------------------------------------

void CDHtmDlgEx::SendCaptionMessage(UINT message) {
  POINT pt = {};
  ::GetCursorPos(&pt);
  SendMessage(message, HTCAPTION, MAKELPARAM(pt.x, pt.y));
}

HRESULT CDHtmDlgEx::OnCaptionMouseDown(IHTMLElement*) {
  SendCaptionMessage(WM_NCLBUTTONDOWN);
  return S_FALSE;
}

HRESULT CDHtmDlgEx::OnCaptionMouseUp(IHTMLElement*) {
  SendCaptionMessage(WM_NCLBUTTONUP);
  return S_FALSE;
}

HRESULT CDHtmDlgEx::OnCaptionMouseMove(IHTMLElement*) {
  SendCaptionMessage(WM_NCMOUSEMOVE);
  return S_FALSE;
}

HRESULT CDHtmDlgEx::OnSuppressContextMenu(IHTMLElement*) {
  return S_FALSE;
}

// ---- The sprite buttons' view of the window and the page ---------------------

bool CDHtmDlgEx::HoldsCapture() {
  return m_hWnd && ::GetCapture() == m_hWnd;
}

void CDHtmDlgEx::TakeCapture() {
  if (m_hWnd) ::SetCapture(m_hWnd);
}

void CDHtmDlgEx::DropCapture() {
  ::ReleaseCapture();
}

bool CDHtmDlgEx::IsElementDisabled(IHTMLElement* element) {
  BSTR name = ::SysAllocString(L"disabled");
  if (!name) throw std::bad_alloc();
  VARIANT value;
  ::VariantInit(&value);
  const HRESULT hr = element->getAttribute(name, 0, &value);
  ::SysFreeString(name);
  const bool disabled = SUCCEEDED(hr) && IsDisabledValue(value);
  ::VariantClear(&value);
  return disabled;
}

long CDHtmDlgEx::ElementWidth(IHTMLElement* element) {
  long width = 0;
  element->get_offsetWidth(&width);
  return width;
}

RECT CDHtmDlgEx::ElementRect(IHTMLElement* element) {
  long left = 0, top = 0, width = 0, height = 0;
  element->get_offsetLeft(&left);
  element->get_offsetTop(&top);
  element->get_offsetWidth(&width);
  element->get_offsetHeight(&height);
  return RECT{left, top, left + width, top + height};
}

void CDHtmDlgEx::ShowFrame(IHTMLElement* element, long x) {
  CComPtr<IHTMLStyle> style;
  if (FAILED(element->get_style(&style)) || !style) return;
  VARIANT position;
  ::VariantInit(&position);
  V_VT(&position) = VT_I4;
  V_I4(&position) = x;
  style->put_backgroundPositionX(position);
}

void CDHtmDlgEx::ClickElement(IHTMLElement* element) {
  element->click();
}

void CDHtmDlgEx::HoldElement(IHTMLElement* element) {
  element->AddRef();
}

void CDHtmDlgEx::DropElement(IHTMLElement* element) {
  element->Release();
}
