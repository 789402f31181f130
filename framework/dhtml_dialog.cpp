#include "framework/dhtml_dialog.h"

#include <cwctype>
#include <new>

// An IDispatch with its own reference count and no type information; a
// derived class answers Invoke and may accept one more interface id.
class CSimpleDispatch : public IDispatch {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || AlsoAnswers(riid)) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override {
    return static_cast<ULONG>(::InterlockedIncrement(&m_cRef));
  }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = ::InterlockedDecrement(&m_cRef);
    if (!left) delete this;
    return static_cast<ULONG>(left);
  }
  STDMETHODIMP GetTypeInfoCount(UINT* n) override {
    if (!n) return E_POINTER;
    *n = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }

 protected:
  virtual ~CSimpleDispatch() = default;
  virtual bool AlsoAnswers(REFIID) const { return false; }

 private:
  LONG m_cRef = 1;
};

namespace {

// The dialog's automation object as the page sees it (window.external): the
// dialogs have no automation methods, so it has nothing to call.
class CEmptyDispatch : public CSimpleDispatch {
 public:
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
};

bool SameIdentity(IUnknown* a, IUnknown* b) {
  if (!a || !b) return false;
  CComPtr<IUnknown> ua, ub;
  if (FAILED(a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ua))) ||
      FAILED(b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ub)))) {
    return false;
  }
  return ua.p() == ub.p();
}

bool HasClassToken(const wchar_t* classList, const wchar_t* name) {
  if (!classList || !name || !*name) return false;
  const size_t n = wcslen(name);
  const wchar_t* p = classList;
  while (*p) {
    while (*p && std::iswspace(*p)) ++p;
    const wchar_t* start = p;
    while (*p && !std::iswspace(*p)) ++p;
    if (static_cast<size_t>(p - start) == n && wcsncmp(start, name, n) == 0) return true;
  }
  return false;
}

}  // namespace

const DHtmlEventMapEntry* FindDHtmlEventEntry(const DHtmlEventMapEntry* table, DISPID dispid,
                                              const wchar_t* tagName, const wchar_t* className) {
  if (!table) return nullptr;
  for (const DHtmlEventMapEntry* e = table; e->kind != DHtmlEnd; ++e) {
    if (e->dispid != dispid || !e->handler) continue;
    if (e->kind == DHtmlClass && HasClassToken(className, e->name)) return e;
    if (e->kind == DHtmlTag && tagName && _wcsicmp(tagName, e->name) == 0) return e;
  }
  return nullptr;
}

// Receives the events of the page's document and hands them to the dialog.
class CDHtmlEventSink : public CSimpleDispatch {
 public:
  explicit CDHtmlEventSink(CDHtmlDialog* dlg) : m_pDlg(dlg) {}

  HRESULT Connect(IHTMLDocument2* doc) {
    CComPtr<IConnectionPointContainer> points;
    if (!doc || FAILED(doc->QueryInterface(IID_IConnectionPointContainer,
                                           reinterpret_cast<void**>(&points)))) {
      return E_NOINTERFACE;
    }
    HRESULT hr = points->FindConnectionPoint(DIID_HTMLDocumentEvents2, &m_spPoint);
    if (SUCCEEDED(hr)) hr = m_spPoint->Advise(static_cast<IDispatch*>(this), &m_dwCookie);
    if (FAILED(hr)) m_spPoint.Release();
    return hr;
  }
  void Disconnect() {
    if (m_spPoint) {
      m_spPoint->Unadvise(m_dwCookie);
      m_spPoint.Release();
    }
    m_pDlg = nullptr;
  }

  STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO*, UINT*) override {
    if (!m_pDlg) return S_OK;
    CComPtr<IHTMLEventObj> event;
    if (IDispatch* arg = EventArgDispatch(params, 0)) {
      arg->QueryInterface(IID_IHTMLEventObj, reinterpret_cast<void**>(&event));
    }
    if (!event) return S_OK;
    // A handler that runs out of memory fails this one event; nothing may be
    // thrown back into the browser.
    try {
      m_pDlg->OnDHtmlEvent(dispid, event, result);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }

 private:
  bool AlsoAnswers(REFIID riid) const override {
    return IsEqualIID(riid, DIID_HTMLDocumentEvents2);
  }
  CDHtmlDialog* m_pDlg;
  CComPtr<IConnectionPoint> m_spPoint;
  DWORD m_dwCookie = 0;
};

BEGIN_EVENTSINK_MAP(CDHtmlDialog, CEventSinkTarget)
  ON_EVENT_BEFORENAVIGATE2(AFX_IDC_BROWSER, _OnBeforeNavigate2)
  ON_EVENT_NAVIGATECOMPLETE2(AFX_IDC_BROWSER, _OnNavigateComplete2)
  ON_EVENT_DOCUMENTCOMPLETE(AFX_IDC_BROWSER, _OnDocumentComplete)
END_EVENTSINK_MAP()

CDHtmlDialog::CDHtmlDialog(UINT nIDTemplate, UINT nHtmlResID, HWND hWndParent)
    : CDialog(nIDTemplate, hWndParent), m_nHtmlResID(nHtmlResID) {}

CDHtmlDialog::~CDHtmlDialog() {
  // Destroy the window while this class can still take the browser down.
  if (m_hWnd) ::DestroyWindow(m_hWnd);
  DestroyBrowser();
  if (m_pExternal) {
    m_pExternal->Release();
    m_pExternal = nullptr;
  }
}

BOOL CDHtmlDialog::CreateControlSite(COleControlContainer* pContainer, CBrowserControlSite** ppSite,
                                     UINT, REFCLSID) {
  if (!ppSite) return FALSE;
  *ppSite = new (std::nothrow) CBrowserControlSite(pContainer, this);
  return *ppSite != nullptr;
}

BOOL CDHtmlDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  m_container.m_hWnd = m_hWnd;
  m_pCtrlCont = &m_container;
  CBrowserControlSite* site = nullptr;
  if (!CreateControlSite(&m_container, &site, AFX_IDC_BROWSER, CLSID_WebBrowser) || !site) {
    site = new (std::nothrow) CBrowserControlSite(&m_container, this);
  }
  m_pSite = site;
  if (site) {
    RECT rc = {};
    ::GetClientRect(m_hWnd, &rc);
    if (SUCCEEDED(site->CreateControl(CLSID_WebBrowser, rc, AFX_IDC_BROWSER))) {
      m_pBrowserApp = site->GetBrowser();
    }
  }
  if (m_pBrowserApp && m_nHtmlResID) {
    wchar_t module[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, module, MAX_PATH);
    const std::wstring url =
        L"res://" + std::wstring(module) + L"/" + std::to_wstring(m_nHtmlResID);
    Navigate(url.c_str());
  }
  return TRUE;
}

void CDHtmlDialog::DestroyBrowser() {
  DisconnectDHtmlEvents();
  m_spHtmlDoc.Release();
  m_pBrowserApp = nullptr;
  if (CBrowserControlSite* site = m_pSite) {
    m_pSite = nullptr;
    site->DestroyControl();
    site->Release();
  }
}

bool CDHtmlDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  const bool handled = CDialog::WindowProc(message, wParam, lParam, pResult);
  // The browser must let go of its site while the window still exists; the
  // dialog's own handlers have seen the message with the browser in place.
  if (message == WM_DESTROY) DestroyBrowser();
  return handled;
}

HWND CDHtmlDialog::GetBrowserWindow() const {
  return m_pSite ? m_pSite->GetControlWindow() : nullptr;
}

void CDHtmlDialog::SetBrowserRect(const RECT& rect) {
  if (m_pSite) m_pSite->SetControlRect(rect);
}

void CDHtmlDialog::ActivateBrowser() {
  if (m_pSite) m_pSite->UIActivate();
}

void CDHtmlDialog::Navigate(const wchar_t* url, DWORD dwFlags, const wchar_t* lpszTargetFrameName,
                            const wchar_t* lpszHeaders, void* lpvPostData, DWORD dwPostDataLen) {
  NavigateBrowser(m_pBrowserApp, url, dwFlags, lpszTargetFrameName, lpszHeaders, lpvPostData,
                  dwPostDataLen);
}

HRESULT CDHtmlDialog::GetDHtmlDocument(IHTMLDocument2** pphtmlDoc) {
  if (!pphtmlDoc) return E_POINTER;
  *pphtmlDoc = m_spHtmlDoc;
  if (!*pphtmlDoc) return E_NOINTERFACE;
  (*pphtmlDoc)->AddRef();
  return S_OK;
}

bool CDHtmlDialog::IsTopLevelBrowser(IDispatch* pDisp) const {
  return SameIdentity(pDisp, m_pBrowserApp);
}

BOOL CDHtmlDialog::CanAccessExternal() {
  return IsExternalDispatchSafe();
}

HRESULT CDHtmlDialog::GetHostInfo(DOCHOSTUIINFO* pInfo) {
  if (!pInfo) return E_POINTER;
  pInfo->dwFlags = m_dwHostFlags;
  pInfo->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
  return S_OK;
}

HRESULT CDHtmlDialog::GetExternal(IDispatch** ppDispatch) {
  if (!ppDispatch) return E_POINTER;
  *ppDispatch = nullptr;
  if (!CanAccessExternal()) return S_FALSE;
  if (!m_pExternal) m_pExternal = new (std::nothrow) CEmptyDispatch();
  if (!m_pExternal) return E_OUTOFMEMORY;
  m_pExternal->AddRef();
  *ppDispatch = m_pExternal;
  return S_OK;
}

void CDHtmlDialog::_OnBeforeNavigate2(IDispatch* pDisp, VARIANT* URL, VARIANT*, VARIANT*, VARIANT*,
                                      VARIANT*, BOOL*) {
  OnBeforeNavigate(pDisp, VariantText(URL).c_str());
}

void CDHtmlDialog::_OnNavigateComplete2(IDispatch* pDisp, VARIANT* URL) {
  OnNavigateComplete(pDisp, VariantText(URL).c_str());
}

void CDHtmlDialog::_OnDocumentComplete(IDispatch* pDisp, VARIANT* URL) {
  OnDocumentComplete(pDisp, VariantText(URL).c_str());
}

void CDHtmlDialog::OnBeforeNavigate(IDispatch*, const wchar_t*) {}

void CDHtmlDialog::OnNavigateComplete(IDispatch* pDisp, const wchar_t*) {
  // Only the top-level page's document is the dialog's; frames keep theirs.
  if (!m_pBrowserApp || !IsTopLevelBrowser(pDisp)) return;
  DisconnectDHtmlEvents();
  m_spHtmlDoc.Release();
  CComPtr<IDispatch> doc;
  if (SUCCEEDED(m_pBrowserApp->get_Document(&doc)) && doc) {
    doc->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(&m_spHtmlDoc));
  }
  ConnectDHtmlEvents();
}

void CDHtmlDialog::OnDocumentComplete(IDispatch*, const wchar_t*) {}

const DHtmlEventMapEntry* CDHtmlDialog::GetDHtmlEventMap() const {
  static const DHtmlEventMapEntry none[] = {{DHtmlEnd, 0, nullptr, nullptr}};
  return none;
}

void CDHtmlDialog::ConnectDHtmlEvents() {
  const DHtmlEventMapEntry* table = GetDHtmlEventMap();
  if (!m_spHtmlDoc || !table || table->kind == DHtmlEnd) return;
  auto* sink = new (std::nothrow) CDHtmlEventSink(this);
  if (!sink) return;
  if (FAILED(sink->Connect(m_spHtmlDoc))) {
    sink->Disconnect();
    sink->Release();
    return;
  }
  m_pEventSink = sink;
}

void CDHtmlDialog::DisconnectDHtmlEvents() {
  if (CDHtmlEventSink* sink = m_pEventSink) {
    m_pEventSink = nullptr;
    sink->Disconnect();
    sink->Release();
  }
}

HRESULT CDHtmlDialog::OnDHtmlEvent(DISPID dispid, IHTMLEventObj* pEvent, VARIANT* pVarResult) {
  if (!pEvent) return S_OK;
  CComPtr<IHTMLElement> source;
  if (FAILED(pEvent->get_srcElement(&source)) || !source) return S_OK;
  BSTR tag = nullptr, cls = nullptr;
  source->get_tagName(&tag);
  source->get_className(&cls);
  const DHtmlEventMapEntry* entry = FindDHtmlEventEntry(GetDHtmlEventMap(), dispid, tag, cls);
  ::SysFreeString(tag);
  ::SysFreeString(cls);
  if (!entry) return S_OK;
  const HRESULT hr = entry->handler(this, source);
  if (hr == S_FALSE) {
    // The handler took the event: the page's default action is cancelled.
    if (pVarResult) {
      ::VariantClear(pVarResult);
      V_VT(pVarResult) = VT_BOOL;
      V_BOOL(pVarResult) = VARIANT_FALSE;
    }
    VARIANT no;
    ::VariantInit(&no);
    V_VT(&no) = VT_BOOL;
    V_BOOL(&no) = VARIANT_FALSE;
    pEvent->put_returnValue(no);
  }
  return hr;
}
