// A child window whose whole area is the WebBrowser control: the view of a
// document window that shows one web page. Its host answers and browser
// events reach the virtuals below through the view's event table, in which a
// derived class's entry for an event replaces the view's own.
#pragma once

#include <mshtml.h>

#include <string>
#include <vector>

#include "framework/browser_site.h"
#include "framework/wnd.h"

// Control id of the first pane of a frame, and of a view's browser.
constexpr UINT AFX_IDW_PANE_FIRST = 0xE900;

class CHtmlView : public CWnd, public CBrowserHost {
 public:
  CHtmlView() = default;
  ~CHtmlView() override;

  // Creates the view as a child of `hWndParent` at `rect` with the browser
  // filling it. The owner calls OnInitialUpdate once the view is in place.
  BOOL Create(HWND hWndParent, const RECT& rect, UINT nID = AFX_IDW_PANE_FIRST,
              DWORD dwStyle = WS_CHILD | WS_VISIBLE, DWORD dwExStyle = 0);
  virtual void OnInitialUpdate() {}

  void Navigate2(const wchar_t* url, DWORD dwFlags = 0,
                 const wchar_t* lpszTargetFrameName = nullptr, const wchar_t* lpszHeaders = nullptr,
                 const void* lpvPostData = nullptr, DWORD dwPostDataLen = 0);
  void Refresh();
  void SetSilent(BOOL bSilent);
  // The top-level page's document (one added reference), or null.
  IDispatch* GetHtmlDocument() const;
  std::wstring GetLocationURL() const;
  HWND GetBrowserWindow() const;

  // Browser events.
  virtual void OnBeforeNavigate2(const wchar_t* lpszURL, DWORD nFlags,
                                 const wchar_t* lpszTargetFrameName,
                                 std::vector<BYTE>& baPostedData, const wchar_t* lpszHeaders,
                                 BOOL* pbCancel);
  virtual void OnNavigateComplete2(const wchar_t* strURL);
  virtual void OnDocumentComplete(const wchar_t* lpszURL);
  virtual void OnTitleChange(const wchar_t* lpszText);
  virtual void OnNavigateError(const wchar_t* lpszURL, const wchar_t* lpszFrame, DWORD dwError,
                               BOOL* pbCancel);

  // Host answers, asked by MSHTML; the defaults leave everything to it.
  virtual HRESULT OnGetHostInfo(DOCHOSTUIINFO* pInfo);
  virtual HRESULT OnShowContextMenu(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved,
                                    IDispatch* pdispReserved);
  virtual HRESULT OnTranslateAccelerator(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID);
  virtual HRESULT OnGetExternal(IDispatch** lppDispatch);

  HRESULT GetHostInfo(DOCHOSTUIINFO* pInfo) override { return OnGetHostInfo(pInfo); }
  HRESULT ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved,
                          IDispatch* pdispReserved) override {
    return OnShowContextMenu(dwID, ppt, pcmdtReserved, pdispReserved);
  }
  HRESULT TranslateAccelerator(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID) override {
    return OnTranslateAccelerator(lpMsg, pguidCmdGroup, nCmdID);
  }
  HRESULT GetExternal(IDispatch** ppDispatch) override { return OnGetExternal(ppDispatch); }

  BOOL PreTranslateMessage(MSG* pMsg) override;
  CBrowserControlSite* GetControlSite() const { return m_pSite; }

  IWebBrowser2* m_pBrowserApp = nullptr;

 protected:
  bool WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

  // Event-table entries of the view.
  void _OnBeforeNavigate2(IDispatch* pDisp, VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName,
                          VARIANT* PostData, VARIANT* Headers, BOOL* Cancel);
  void _OnNavigateComplete2(IDispatch* pDisp, VARIANT* URL);
  void _OnDocumentComplete(IDispatch* pDisp, VARIANT* URL);
  void _OnTitleChange(BSTR Text);
  void _OnNavigateError(IDispatch* pDisp, VARIANT* URL, VARIANT* Frame, VARIANT* StatusCode,
                        BOOL* Cancel);

  COleControlContainer m_container;

 private:
  static LRESULT CALLBACK ViewProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
  void DestroyBrowser();

  CBrowserControlSite* m_pSite = nullptr;

  DECLARE_EVENTSINK_MAP()
};
