// Containment of the Internet Explorer WebBrowser control: the window that
// holds it, the control site that answers the browser's questions about its
// host, and the host interface a dialog or view implements.
#pragma once

#include <docobj.h>
#include <exdisp.h>
#include <mshtmhst.h>
#include <ocidl.h>
#include <ole2.h>
#include <windows.h>

#include <vector>

#include "framework/com_ptr.h"
#include "framework/event_sink.h"

// What the browser control asks of the window that hosts it; the site
// forwards every IDocHostUIHandler call to the host's virtual of the same
// name, and every browser event to the host's event table.
class CBrowserHost : public CEventSinkTarget {
 public:
  virtual HRESULT ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved,
                                  IDispatch* pdispReserved);
  virtual HRESULT GetHostInfo(DOCHOSTUIINFO* pInfo);
  virtual HRESULT ShowUI(DWORD dwID, IOleInPlaceActiveObject* pActiveObject,
                         IOleCommandTarget* pCommandTarget, IOleInPlaceFrame* pFrame,
                         IOleInPlaceUIWindow* pDoc);
  virtual HRESULT HideUI();
  virtual HRESULT UpdateUI();
  virtual HRESULT EnableModeless(BOOL fEnable);
  virtual HRESULT OnDocWindowActivate(BOOL fActivate);
  virtual HRESULT OnFrameWindowActivate(BOOL fActivate);
  virtual HRESULT ResizeBorder(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow, BOOL fRameWindow);
  virtual HRESULT TranslateAccelerator(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID);
  virtual HRESULT GetOptionKeyPath(LPOLESTR* pchKey, DWORD dw);
  virtual HRESULT GetDropTarget(IDropTarget* pDropTarget, IDropTarget** ppDropTarget);
  virtual HRESULT GetExternal(IDispatch** ppDispatch);
  virtual HRESULT TranslateUrl(DWORD dwTranslate, OLECHAR* pchURLIn, OLECHAR** ppchURLOut);
  virtual HRESULT FilterDataObject(IDataObject* pDO, IDataObject** ppDORet);
};

class CBrowserControlSite;

// The window that holds the controls, and the sites of the controls it holds.
class COleControlContainer {
 public:
  explicit COleControlContainer(HWND hWnd = nullptr) : m_hWnd(hWnd) {}
  HWND m_hWnd;

  // Offers a key message to the control it is aimed at (the control with the
  // focus), as the window's pre-translation must before anything else sees
  // the key: the browser moves between a page's fields with Tab, runs the
  // clipboard keys and asks its host's TranslateAccelerator. True when the
  // control took the key.
  bool PreTranslateAccelerator(MSG* pMsg);

 private:
  friend class CBrowserControlSite;
  std::vector<CBrowserControlSite*> m_sites;  // not owned; each removes itself
};

// One browser control in its container: creates and in-place activates it,
// receives its events and answers for the host. One COM object with one
// reference count for all of its interfaces.
class CBrowserControlSite : public IOleClientSite,
                            public IOleInPlaceSite,
                            public IOleInPlaceFrame,
                            public IDocHostUIHandler,
                            public IDispatch {
 public:
  // Starts with one reference, the creator's.
  CBrowserControlSite(COleControlContainer* pContainer, CBrowserHost* pHost);

  // Creates control `clsid` as a child of the container at `rect` with
  // control id `nID` and connects its events. S_OK when it is in place.
  HRESULT CreateControl(REFCLSID clsid, const RECT& rect, UINT nID);
  // Disconnects, closes and lets go of the control; the host is forgotten,
  // so calls that arrive later find no host. Safe to call more than once.
  void DestroyControl();

  // Offers a key message aimed at the control's window (or inside it) to the
  // control's in-place active object; true when the control took it.
  bool PreTranslateKey(MSG* pMsg);

  // Places the control at `rect` (container client coordinates), as every
  // host of an in-place control must on a resize: the control is told its
  // new rectangles (IOleInPlaceObject::SetObjectRects, which also moves its
  // window), and GetWindowContext answers them from then on.
  void SetControlRect(const RECT& rect);
  // The rectangle the control was last given.
  RECT GetControlRect() const { return m_rect; }
  // Makes the control UI-active (OLEIVERB_UIACTIVATE): it takes the focus
  // and the page's focused field gets the keys.
  HRESULT UIActivate();

  IWebBrowser2* GetBrowser() const { return m_spBrowser; }
  IOleObject* GetOleObject() const { return m_spObject; }
  // The control's own window (a child of the container), or null.
  HWND GetControlWindow() const;
  UINT GetCtrlID() const { return m_nID; }
  CBrowserHost* m_pHost;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override;
  STDMETHODIMP GetContainer(IOleContainer** ppContainer) override;
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (of the in-place site and of the frame)
  STDMETHODIMP GetWindow(HWND* phwnd) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc,
                                LPRECT lprcPosRect, LPRECT lprcClipRect,
                                LPOLEINPLACEFRAMEINFO lpFrameInfo) override;
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT lprcPosRect) override;

  // IOleInPlaceUIWindow / IOleInPlaceFrame: no tool space, menus or status
  // bar of our own.
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  // The control names the object that translates its keys when it becomes
  // UI-active (null when it stops).
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* pActiveObject, LPCOLESTR) override;
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IDocHostUIHandler, forwarded to the host. (EnableModeless also serves
  // the frame.)
  STDMETHODIMP ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved,
                               IDispatch* pdispReserved) override;
  STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* pInfo) override;
  STDMETHODIMP ShowUI(DWORD dwID, IOleInPlaceActiveObject* pActiveObject,
                      IOleCommandTarget* pCommandTarget, IOleInPlaceFrame* pFrame,
                      IOleInPlaceUIWindow* pDoc) override;
  STDMETHODIMP HideUI() override;
  STDMETHODIMP UpdateUI() override;
  STDMETHODIMP EnableModeless(BOOL fEnable) override;
  STDMETHODIMP OnDocWindowActivate(BOOL fActivate) override;
  STDMETHODIMP OnFrameWindowActivate(BOOL fActivate) override;
  STDMETHODIMP ResizeBorder(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow,
                            BOOL fRameWindow) override;
  STDMETHODIMP TranslateAccelerator(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID) override;
  STDMETHODIMP GetOptionKeyPath(LPOLESTR* pchKey, DWORD dw) override;
  STDMETHODIMP GetDropTarget(IDropTarget* pDropTarget, IDropTarget** ppDropTarget) override;
  STDMETHODIMP GetExternal(IDispatch** ppDispatch) override;
  STDMETHODIMP TranslateUrl(DWORD dwTranslate, OLECHAR* pchURLIn, OLECHAR** ppchURLOut) override;
  STDMETHODIMP FilterDataObject(IDataObject* pDO, IDataObject** ppDORet) override;

  // IDispatch: the browser's events (DWebBrowserEvents2) and its questions
  // about ambient properties (negative ids), which we leave to its defaults.
  STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                      DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                      UINT* puArgErr) override;

 protected:
  virtual ~CBrowserControlSite();
  // Interfaces the site adds to its standard set: asked first by
  // QueryInterface; null when the id is not one of them. Answers
  // IDocHostUIHandler.
  virtual void* GetInterfaceHook(REFIID riid);

  COleControlContainer* m_pContainer;

 private:
  LONG m_cRef = 1;
  UINT m_nID = 0;
  RECT m_rect = {};
  CComPtr<IOleObject> m_spObject;
  CComPtr<IWebBrowser2> m_spBrowser;
  // The object the control named through SetActiveObject, if any.
  CComPtr<IOleInPlaceActiveObject> m_spActiveObject;
  bool m_bRegistered = false;  // listed in the container's sites
  CComPtr<IConnectionPoint> m_spEvents;
  DWORD m_dwEventCookie = 0;
};

// Loads `url` in `browser` with the optional target frame, headers and post
// data; nothing happens without a browser or an address.
void NavigateBrowser(IWebBrowser2* browser, const wchar_t* url, DWORD dwFlags = 0,
                     const wchar_t* lpszTargetFrameName = nullptr,
                     const wchar_t* lpszHeaders = nullptr, const void* lpvPostData = nullptr,
                     DWORD dwPostDataLen = 0);
