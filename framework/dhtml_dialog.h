// A dialog whose client area is a web page shown by the WebBrowser control.
// The browser is created when the dialog initialises; its host answers come
// from this class's virtuals, its events from the event table, and the
// events of the page's elements from the DHTML event table.
#pragma once

#include <mshtml.h>

#include <string>

#include "framework/browser_site.h"
#include "framework/dhtml_event_map.h"
#include "framework/dialog.h"

// Control id of the dialog's browser.
constexpr UINT AFX_IDC_BROWSER = 102;
// Host flags a DHTML dialog gives the page unless it says otherwise: no
// three-dimensional border, no scroll bars.
constexpr DWORD kDHtmlDefaultHostFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;

class CDHtmlEventSink;

class CDHtmlDialog : public CDialog, public CBrowserHost {
 public:
  // `nHtmlResID` names an HTML resource to show at start, 0 for none.
  CDHtmlDialog(UINT nIDTemplate, UINT nHtmlResID = 0, HWND hWndParent = nullptr);
  ~CDHtmlDialog() override;

  // Loads `url` in the browser.
  void Navigate(const wchar_t* url, DWORD dwFlags = 0, const wchar_t* lpszTargetFrameName = nullptr,
                const wchar_t* lpszHeaders = nullptr, void* lpvPostData = nullptr,
                DWORD dwPostDataLen = 0);
  // The document of the top-level page, once a navigation has completed.
  HRESULT GetDHtmlDocument(IHTMLDocument2** pphtmlDoc);
  // The browser's own window (a child of the dialog), or null.
  HWND GetBrowserWindow() const;
  // The control site of the browser, once the dialog has initialised.
  CBrowserControlSite* GetControlSite() const { return m_pSite; }
  // Places the browser at `rect` of the client area, telling it its new
  // rectangles.
  void SetBrowserRect(const RECT& rect);
  // Makes the browser UI-active: the page takes the keys.
  void ActivateBrowser();

  // Makes the control site for the browser; false or a null site leaves the
  // browser with the framework's plain site.
  virtual BOOL CreateControlSite(COleControlContainer* pContainer, CBrowserControlSite** ppSite,
                                 UINT nID, REFCLSID clsid);

  // Whether the page may reach this dialog's automation object as
  // window.external.
  virtual BOOL CanAccessExternal();
  virtual BOOL IsExternalDispatchSafe() { return FALSE; }

  // Navigation hooks, called through the event table.
  virtual void OnBeforeNavigate(IDispatch* pDisp, const wchar_t* szUrl);
  virtual void OnNavigateComplete(IDispatch* pDisp, const wchar_t* szUrl);
  virtual void OnDocumentComplete(IDispatch* pDisp, const wchar_t* szUrl);

  // Host answers the framework gives.
  HRESULT GetHostInfo(DOCHOSTUIINFO* pInfo) override;
  HRESULT GetExternal(IDispatch** ppDispatch) override;

  // The element-event table of this class (each class that declares one
  // replaces its base's); the framework's is empty.
  virtual const DHtmlEventMapEntry* GetDHtmlEventMap() const;
  // Runs the element-event table for one event of the page's document;
  // S_FALSE from a handler cancels the event's default action.
  HRESULT OnDHtmlEvent(DISPID dispid, IHTMLEventObj* pEvent, VARIANT* pVarResult);

  IWebBrowser2* m_pBrowserApp = nullptr;
  CComPtr<IHTMLDocument2> m_spHtmlDoc;
  DWORD m_dwHostFlags = kDHtmlDefaultHostFlags;
  UINT m_nHtmlResID;

 protected:
  BOOL OnInitDialog() override;
  bool WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

  // Whether `pDisp` is the top-level browser rather than one of its frames.
  bool IsTopLevelBrowser(IDispatch* pDisp) const;

  // Event-table entries of the framework.
  void _OnBeforeNavigate2(IDispatch* pDisp, VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName,
                          VARIANT* PostData, VARIANT* Headers, BOOL* Cancel);
  void _OnNavigateComplete2(IDispatch* pDisp, VARIANT* URL);
  void _OnDocumentComplete(IDispatch* pDisp, VARIANT* URL);

  COleControlContainer m_container;

 private:
  void DestroyBrowser();
  void ConnectDHtmlEvents();
  void DisconnectDHtmlEvents();

  CBrowserControlSite* m_pSite = nullptr;
  CDHtmlEventSink* m_pEventSink = nullptr;
  IDispatch* m_pExternal = nullptr;

  DECLARE_EVENTSINK_MAP()
};
