#include "framework/browser_site.h"

#include <algorithm>
#include <new>

// ---- Host defaults: the browser's own behaviour ---------------------------

HRESULT CBrowserHost::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) {
  return S_FALSE;
}
HRESULT CBrowserHost::GetHostInfo(DOCHOSTUIINFO*) {
  return E_NOTIMPL;
}
HRESULT CBrowserHost::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                             IOleInPlaceUIWindow*) {
  return S_FALSE;
}
HRESULT CBrowserHost::HideUI() {
  return S_OK;
}
HRESULT CBrowserHost::UpdateUI() {
  return S_OK;
}
HRESULT CBrowserHost::EnableModeless(BOOL) {
  return S_OK;
}
HRESULT CBrowserHost::OnDocWindowActivate(BOOL) {
  return S_OK;
}
HRESULT CBrowserHost::OnFrameWindowActivate(BOOL) {
  return S_OK;
}
HRESULT CBrowserHost::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
  return S_OK;
}
HRESULT CBrowserHost::TranslateAccelerator(LPMSG, const GUID*, DWORD) {
  return S_FALSE;
}
HRESULT CBrowserHost::GetOptionKeyPath(LPOLESTR* pchKey, DWORD) {
  if (pchKey) *pchKey = nullptr;
  return E_NOTIMPL;
}
HRESULT CBrowserHost::GetDropTarget(IDropTarget*, IDropTarget** ppDropTarget) {
  if (ppDropTarget) *ppDropTarget = nullptr;
  return E_NOTIMPL;
}
HRESULT CBrowserHost::GetExternal(IDispatch** ppDispatch) {
  if (ppDispatch) *ppDispatch = nullptr;
  return E_NOTIMPL;
}
HRESULT CBrowserHost::TranslateUrl(DWORD, OLECHAR*, OLECHAR** ppchURLOut) {
  if (ppchURLOut) *ppchURLOut = nullptr;
  return S_FALSE;
}
HRESULT CBrowserHost::FilterDataObject(IDataObject*, IDataObject** ppDORet) {
  if (ppDORet) *ppDORet = nullptr;
  return S_FALSE;
}

// ---- The site --------------------------------------------------------------

CBrowserControlSite::CBrowserControlSite(COleControlContainer* pContainer, CBrowserHost* pHost)
    : m_pHost(pHost), m_pContainer(pContainer) {}

CBrowserControlSite::~CBrowserControlSite() {
  DestroyControl();
}

HRESULT CBrowserControlSite::CreateControl(REFCLSID clsid, const RECT& rect, UINT nID) {
  if (m_spObject) return E_UNEXPECTED;
  if (!m_pContainer || !::IsWindow(m_pContainer->m_hWnd)) return E_INVALIDARG;
  m_nID = nID;
  m_rect = rect;

  HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  reinterpret_cast<void**>(&m_spObject));
  if (FAILED(hr)) return hr;
  hr = m_spObject->SetClientSite(static_cast<IOleClientSite*>(this));
  if (SUCCEEDED(hr)) {
    ::OleSetContainedObject(m_spObject, TRUE);
    hr = m_spObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this),
                            0, m_pContainer->m_hWnd, &m_rect);
  }
  if (SUCCEEDED(hr)) hr = m_spObject.QueryInterface(&m_spBrowser);
  if (FAILED(hr)) {
    DestroyControl();
    return hr;
  }

  // Events: the browser calls our IDispatch.
  CComPtr<IConnectionPointContainer> points;
  if (SUCCEEDED(m_spObject.QueryInterface(&points)) &&
      SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, &m_spEvents))) {
    if (FAILED(m_spEvents->Advise(static_cast<IDispatch*>(this), &m_dwEventCookie))) {
      m_spEvents.Release();
      m_dwEventCookie = 0;
    }
  }

  if (HWND control = GetControlWindow()) {
    ::SetWindowLongPtrW(control, GWLP_ID, static_cast<LONG_PTR>(nID));
  }
  m_pContainer->m_sites.push_back(this);
  m_bRegistered = true;
  return S_OK;
}

bool CBrowserControlSite::PreTranslateKey(MSG* pMsg) {
  HWND control = GetControlWindow();
  if (!m_spObject || !control || (pMsg->hwnd != control && !::IsChild(control, pMsg->hwnd))) {
    return false;
  }
  CComPtr<IOleInPlaceActiveObject> active = m_spActiveObject;
  if (!active && FAILED(m_spObject.QueryInterface(&active))) return false;
  return active->TranslateAccelerator(pMsg) == S_OK;
}

void CBrowserControlSite::SetControlRect(const RECT& rect) {
  m_rect = rect;
  CComPtr<IOleInPlaceObject> inPlace;
  if (m_spObject && SUCCEEDED(m_spObject.QueryInterface(&inPlace)) &&
      SUCCEEDED(inPlace->SetObjectRects(&m_rect, &m_rect))) {
    return;
  }
  // A control that takes no rectangles still fills its place.
  if (HWND control = GetControlWindow()) {
    ::MoveWindow(control, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 TRUE);
  }
}

HRESULT CBrowserControlSite::UIActivate() {
  if (!m_spObject || !m_pContainer) return E_UNEXPECTED;
  return m_spObject->DoVerb(OLEIVERB_UIACTIVATE, nullptr, static_cast<IOleClientSite*>(this), 0,
                            m_pContainer->m_hWnd, &m_rect);
}

STDMETHODIMP CBrowserControlSite::SetActiveObject(IOleInPlaceActiveObject* pActiveObject,
                                                  LPCOLESTR) {
  m_spActiveObject = pActiveObject;
  return S_OK;
}

void CBrowserControlSite::DestroyControl() {
  // From here on the host is not asked anything, nor the control offered keys.
  m_pHost = nullptr;
  if (m_bRegistered) {
    // The container may be gone by the time the last reference goes, so it
    // is left alone once the site has left it.
    auto& sites = m_pContainer->m_sites;
    sites.erase(std::remove(sites.begin(), sites.end(), this), sites.end());
    m_bRegistered = false;
  }
  m_spActiveObject.Release();
  if (m_spEvents) {
    m_spEvents->Unadvise(m_dwEventCookie);
    m_spEvents.Release();
    m_dwEventCookie = 0;
  }
  m_spBrowser.Release();
  if (CComPtr<IOleObject> object = m_spObject) {
    m_spObject.Release();
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
  }
}

HWND CBrowserControlSite::GetControlWindow() const {
  CComPtr<IOleInPlaceObject> inPlace;
  HWND hWnd = nullptr;
  if (m_spObject && SUCCEEDED(m_spObject.QueryInterface(&inPlace))) inPlace->GetWindow(&hWnd);
  return hWnd;
}

void* CBrowserControlSite::GetInterfaceHook(REFIID riid) {
  if (IsEqualIID(riid, IID_IDocHostUIHandler)) return static_cast<IDocHostUIHandler*>(this);
  return nullptr;
}

STDMETHODIMP CBrowserControlSite::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = GetInterfaceHook(riid);
  if (!*ppv) {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
      *ppv = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite)) {
      *ppv = static_cast<IOleInPlaceSite*>(this);
    } else if (IsEqualIID(riid, IID_IOleInPlaceUIWindow) ||
               IsEqualIID(riid, IID_IOleInPlaceFrame)) {
      *ppv = static_cast<IOleInPlaceFrame*>(this);
    } else if (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, DIID_DWebBrowserEvents2)) {
      *ppv = static_cast<IDispatch*>(this);
    } else {
      return E_NOINTERFACE;
    }
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) CBrowserControlSite::AddRef() {
  return static_cast<ULONG>(::InterlockedIncrement(&m_cRef));
}

STDMETHODIMP_(ULONG) CBrowserControlSite::Release() {
  const LONG left = ::InterlockedDecrement(&m_cRef);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

STDMETHODIMP CBrowserControlSite::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
  if (ppmk) *ppmk = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP CBrowserControlSite::GetContainer(IOleContainer** ppContainer) {
  if (ppContainer) *ppContainer = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP CBrowserControlSite::GetWindow(HWND* phwnd) {
  if (!phwnd) return E_POINTER;
  *phwnd = m_pContainer ? m_pContainer->m_hWnd : nullptr;
  return *phwnd ? S_OK : E_FAIL;
}

STDMETHODIMP CBrowserControlSite::GetWindowContext(IOleInPlaceFrame** ppFrame,
                                                   IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                                   LPRECT lprcClipRect,
                                                   LPOLEINPLACEFRAMEINFO lpFrameInfo) {
  if (ppFrame) {
    *ppFrame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
  }
  if (ppDoc) *ppDoc = nullptr;
  if (lprcPosRect) *lprcPosRect = m_rect;
  if (lprcClipRect) *lprcClipRect = m_rect;
  if (lpFrameInfo) {
    lpFrameInfo->fMDIApp = FALSE;
    lpFrameInfo->hwndFrame = m_pContainer ? m_pContainer->m_hWnd : nullptr;
    lpFrameInfo->haccel = nullptr;
    lpFrameInfo->cAccelEntries = 0;
  }
  return S_OK;
}

STDMETHODIMP CBrowserControlSite::OnPosRectChange(LPCRECT lprcPosRect) {
  if (!lprcPosRect) return E_POINTER;
  m_rect = *lprcPosRect;
  CComPtr<IOleInPlaceObject> inPlace;
  if (m_spObject && SUCCEEDED(m_spObject.QueryInterface(&inPlace))) {
    inPlace->SetObjectRects(&m_rect, &m_rect);
  }
  return S_OK;
}

// ---- IDocHostUIHandler: the host decides ----------------------------------

STDMETHODIMP CBrowserControlSite::ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved,
                                                  IDispatch* pdispReserved) {
  return m_pHost ? m_pHost->ShowContextMenu(dwID, ppt, pcmdtReserved, pdispReserved) : S_FALSE;
}
STDMETHODIMP CBrowserControlSite::GetHostInfo(DOCHOSTUIINFO* pInfo) {
  if (!pInfo) return E_POINTER;
  return m_pHost ? m_pHost->GetHostInfo(pInfo) : E_NOTIMPL;
}
STDMETHODIMP CBrowserControlSite::ShowUI(DWORD dwID, IOleInPlaceActiveObject* pActiveObject,
                                         IOleCommandTarget* pCommandTarget,
                                         IOleInPlaceFrame* pFrame, IOleInPlaceUIWindow* pDoc) {
  return m_pHost ? m_pHost->ShowUI(dwID, pActiveObject, pCommandTarget, pFrame, pDoc) : S_FALSE;
}
STDMETHODIMP CBrowserControlSite::HideUI() {
  return m_pHost ? m_pHost->HideUI() : S_OK;
}
STDMETHODIMP CBrowserControlSite::UpdateUI() {
  return m_pHost ? m_pHost->UpdateUI() : S_OK;
}
STDMETHODIMP CBrowserControlSite::EnableModeless(BOOL fEnable) {
  return m_pHost ? m_pHost->EnableModeless(fEnable) : S_OK;
}
STDMETHODIMP CBrowserControlSite::OnDocWindowActivate(BOOL fActivate) {
  return m_pHost ? m_pHost->OnDocWindowActivate(fActivate) : S_OK;
}
STDMETHODIMP CBrowserControlSite::OnFrameWindowActivate(BOOL fActivate) {
  return m_pHost ? m_pHost->OnFrameWindowActivate(fActivate) : S_OK;
}
STDMETHODIMP CBrowserControlSite::ResizeBorder(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow,
                                               BOOL fRameWindow) {
  return m_pHost ? m_pHost->ResizeBorder(prcBorder, pUIWindow, fRameWindow) : S_OK;
}
STDMETHODIMP CBrowserControlSite::TranslateAccelerator(LPMSG lpMsg, const GUID* pguidCmdGroup,
                                                       DWORD nCmdID) {
  if (!lpMsg) return S_FALSE;
  return m_pHost ? m_pHost->TranslateAccelerator(lpMsg, pguidCmdGroup, nCmdID) : S_FALSE;
}
STDMETHODIMP CBrowserControlSite::GetOptionKeyPath(LPOLESTR* pchKey, DWORD dw) {
  if (!pchKey) return E_POINTER;
  *pchKey = nullptr;
  return m_pHost ? m_pHost->GetOptionKeyPath(pchKey, dw) : E_NOTIMPL;
}
STDMETHODIMP CBrowserControlSite::GetDropTarget(IDropTarget* pDropTarget,
                                                IDropTarget** ppDropTarget) {
  if (!ppDropTarget) return E_POINTER;
  *ppDropTarget = nullptr;
  return m_pHost ? m_pHost->GetDropTarget(pDropTarget, ppDropTarget) : E_NOTIMPL;
}
STDMETHODIMP CBrowserControlSite::GetExternal(IDispatch** ppDispatch) {
  if (!ppDispatch) return E_POINTER;
  *ppDispatch = nullptr;
  return m_pHost ? m_pHost->GetExternal(ppDispatch) : E_NOTIMPL;
}
STDMETHODIMP CBrowserControlSite::TranslateUrl(DWORD dwTranslate, OLECHAR* pchURLIn,
                                               OLECHAR** ppchURLOut) {
  if (!ppchURLOut) return E_POINTER;
  *ppchURLOut = nullptr;
  return m_pHost ? m_pHost->TranslateUrl(dwTranslate, pchURLIn, ppchURLOut) : S_FALSE;
}
STDMETHODIMP CBrowserControlSite::FilterDataObject(IDataObject* pDO, IDataObject** ppDORet) {
  if (!ppDORet) return E_POINTER;
  *ppDORet = nullptr;
  return m_pHost ? m_pHost->FilterDataObject(pDO, ppDORet) : S_FALSE;
}

// ---- IDispatch --------------------------------------------------------------

STDMETHODIMP CBrowserControlSite::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 0;
  return S_OK;
}

STDMETHODIMP CBrowserControlSite::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (ppTInfo) *ppTInfo = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP CBrowserControlSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP CBrowserControlSite::Invoke(DISPID dispIdMember, REFIID, LCID, WORD,
                                         DISPPARAMS* pDispParams, VARIANT*, EXCEPINFO*, UINT*) {
  // Negative ids are ambient properties the control asks its site about
  // (offline, silent, download control...): the browser's defaults apply.
  if (dispIdMember < 0) return DISP_E_MEMBERNOTFOUND;
  // The host may end the dialog from within a handler; keep the site alive
  // until the event has been handled.
  AddRef();
  HRESULT hr = S_OK;
  try {
    if (CBrowserHost* host = m_pHost) host->OnEvent(m_nID, dispIdMember, pDispParams);
  } catch (const std::bad_alloc&) {
    // Nothing may be thrown back into the browser.
    hr = E_OUTOFMEMORY;
  }
  Release();
  return hr;
}

void NavigateBrowser(IWebBrowser2* browser, const wchar_t* url, DWORD dwFlags,
                     const wchar_t* lpszTargetFrameName, const wchar_t* lpszHeaders,
                     const void* lpvPostData, DWORD dwPostDataLen) {
  if (!browser || !url) return;
  VARIANT vUrl, vFlags, vTarget, vPost, vHeaders;
  for (VARIANT* v : {&vUrl, &vFlags, &vTarget, &vPost, &vHeaders}) ::VariantInit(v);
  V_VT(&vUrl) = VT_BSTR;
  V_BSTR(&vUrl) = ::SysAllocString(url);
  if (dwFlags) {
    V_VT(&vFlags) = VT_I4;
    V_I4(&vFlags) = static_cast<LONG>(dwFlags);
  }
  if (lpszTargetFrameName) {
    V_VT(&vTarget) = VT_BSTR;
    V_BSTR(&vTarget) = ::SysAllocString(lpszTargetFrameName);
  }
  if (lpszHeaders) {
    V_VT(&vHeaders) = VT_BSTR;
    V_BSTR(&vHeaders) = ::SysAllocString(lpszHeaders);
  }
  if (lpvPostData && dwPostDataLen) {
    if (SAFEARRAY* data = ::SafeArrayCreateVector(VT_UI1, 0, dwPostDataLen)) {
      void* bytes = nullptr;
      if (SUCCEEDED(::SafeArrayAccessData(data, &bytes))) {
        memcpy(bytes, lpvPostData, dwPostDataLen);
        ::SafeArrayUnaccessData(data);
      }
      V_VT(&vPost) = VT_ARRAY | VT_UI1;
      V_ARRAY(&vPost) = data;
    }
  }
  if (V_BSTR(&vUrl)) browser->Navigate2(&vUrl, &vFlags, &vTarget, &vPost, &vHeaders);
  for (VARIANT* v : {&vUrl, &vFlags, &vTarget, &vPost, &vHeaders}) ::VariantClear(v);
}

bool COleControlContainer::PreTranslateAccelerator(MSG* pMsg) {
  if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST) return false;
  for (CBrowserControlSite* site : m_sites) {
    if (site->PreTranslateKey(pMsg)) return true;
  }
  return false;
}
