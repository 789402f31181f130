// Browser events built by hand and delivered through the site the browser
// holds, as the browser itself would deliver them. (Wine's browser has no
// HTML engine, so pages never complete, change titles or open windows.)
#pragma once

#include <exdisp.h>
#include <ole2.h>

#include <vector>

#include "framework/com_ptr.h"

namespace browser_test {

class EventArgs {
 public:
  // Arguments in the browser's order; stored last-first as DISPPARAMS wants.
  void Dispatch(IDispatch* d) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_DISPATCH;
    V_DISPATCH(&v) = d;
    args_.push_back(v);
  }
  void Text(const wchar_t* s) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocString(s);
    inner_.push_back(v);
    ByRefToLastInner();
  }
  void Empty() {
    VARIANT v;
    VariantInit(&v);
    inner_.push_back(v);
    ByRefToLastInner();
  }
  void Cancel(bool initial) {
    cancel_ = initial ? VARIANT_TRUE : VARIANT_FALSE;
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BOOL | VT_BYREF;
    V_BOOLREF(&v) = &cancel_;
    args_.push_back(v);
  }
  bool cancelled() const { return cancel_ != VARIANT_FALSE; }

  DISPPARAMS* params() {
    // Pointers into inner_ are stable: it was reserved up front.
    reversed_.assign(args_.rbegin(), args_.rend());
    dp_.rgvarg = reversed_.data();
    dp_.cArgs = static_cast<UINT>(reversed_.size());
    dp_.rgdispidNamedArgs = nullptr;
    dp_.cNamedArgs = 0;
    return &dp_;
  }
  EventArgs() { inner_.reserve(16); }
  // Holds pointers into itself: never copied or moved.
  EventArgs(const EventArgs&) = delete;
  EventArgs& operator=(const EventArgs&) = delete;
  ~EventArgs() {
    for (VARIANT& v : inner_) VariantClear(&v);
  }

 private:
  void ByRefToLastInner() {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&v) = &inner_.back();
    args_.push_back(v);
  }
  std::vector<VARIANT> inner_, args_, reversed_;
  VARIANT_BOOL cancel_ = VARIANT_FALSE;
  DISPPARAMS dp_ = {};
};

// The arguments of BeforeNavigate2 for `url`, with the browser's proposal.
inline void BeforeNavigate(EventArgs& a, IDispatch* browser, const wchar_t* url, bool proposed) {
  a.Dispatch(browser);
  a.Text(url);
  a.Empty();  // flags
  a.Empty();  // target frame
  a.Empty();  // post data
  a.Empty();  // headers
  a.Cancel(proposed);
}

// The client site the browser was given by its host.
inline CComPtr<IOleClientSite> BrowserSiteOf(IWebBrowser2* browser) {
  CComPtr<IOleObject> object;
  CComPtr<IOleClientSite> site;
  if (browser &&
      SUCCEEDED(browser->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object)))) {
    object->GetClientSite(&site);
  }
  return site;
}

inline HRESULT FireEvent(IOleClientSite* site, DISPID id, DISPPARAMS* params) {
  CComPtr<IDispatch> events;
  HRESULT hr = site->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&events));
  if (FAILED(hr)) return hr;
  return events->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, params, nullptr, nullptr, nullptr);
}

// Lets the browser's posted work run.
inline void PumpMessages() {
  MSG msg;
  for (int i = 0; i < 20; ++i) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(5);
  }
}

}  // namespace browser_test
