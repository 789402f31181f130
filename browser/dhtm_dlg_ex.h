// The dialog base for windows whose whole client area is a web page: a
// skinned page behaves like a native window. No browser context menu, no
// script-error dialogs, no keyboard zoom, no selectable text; the page's
// background drags the window; elements of class "button" are three-state
// sprite buttons; "app:" command URLs never navigate; failed loads keep the
// previous page.
#pragma once

#include "browser/sprite_button.h"
#include "framework/dhtml_dialog.h"

class CDHtmDlgEx;

// The browser's control site for a CDHtmDlgEx: adds IDocHostShowUI, so that
// the dialog decides about the page's message boxes and help.
class CMyBrowserControlSite : public CBrowserControlSite, public IDocHostShowUI {
 public:
  CMyBrowserControlSite(COleControlContainer* pContainer, CDHtmlDialog* pHost);

  // One object, one reference count for every interface.
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    return CBrowserControlSite::QueryInterface(riid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return CBrowserControlSite::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return CBrowserControlSite::Release(); }

  // IDocHostShowUI: the host dialog's answer when it is a CDHtmDlgEx, else
  // the message or help is swallowed.
  STDMETHODIMP ShowMessage(HWND hwnd, LPOLESTR lpstrText, LPOLESTR lpstrCaption, DWORD dwType,
                           LPOLESTR lpstrHelpFile, DWORD dwHelpContext, LRESULT* plResult) override;
  STDMETHODIMP ShowHelp(HWND hwnd, LPOLESTR pszHelpFile, UINT uCommand, DWORD dwData, POINT ptMouse,
                        IDispatch* pDispatchObjectHit) override;

 protected:
  ~CMyBrowserControlSite() override;
  void* GetInterfaceHook(REFIID riid) override;
};

class CDHtmDlgEx : public CDHtmlDialog, public CSpriteButtonPress {
 public:
  // `nIDTemplate` 0 for a form created by run-time class.
  CDHtmDlgEx(UINT nIDTemplate = 0, UINT nHtmlResID = 0, HWND hWndParent = nullptr);
  ~CDHtmDlgEx() override;

  BOOL CreateControlSite(COleControlContainer* pContainer, CBrowserControlSite** ppSite, UINT nID,
                         REFCLSID clsid) override;
  BOOL CanAccessExternal() override { return TRUE; }
  void OnNavigateComplete(IDispatch* pDisp, const wchar_t* szUrl) override;
  BOOL IsExternalDispatchSafe() override { return TRUE; }
  HRESULT ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved,
                          IDispatch* pdispReserved) override;
  HRESULT GetHostInfo(DOCHOSTUIINFO* pInfo) override;
  HRESULT TranslateAccelerator(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID) override;

  // A navigation failed: cancel, so the browser's error page never shows and
  // the window keeps what it showed.
  virtual void OnNavigateError(IDispatch* pDisp, VARIANT* URL, VARIANT* TargetFrameName,
                               VARIANT* StatusCode, BOOL* Cancel);
  // A message box or help of the page: S_FALSE lets MSHTML show its own.
  virtual HRESULT OnShowMessage(HWND hwnd, LPOLESTR lpstrText, LPOLESTR lpstrCaption, DWORD dwType,
                                LPOLESTR lpstrHelpFile, DWORD dwHelpContext, LRESULT* plResult);
  virtual HRESULT OnShowHelp(HWND hwnd, LPOLESTR pszHelpFile, UINT uCommand, DWORD dwData,
                             POINT ptMouse, IDispatch* pDispatchObjectHit);

  // Every navigation of the page or a frame: command URLs are cancelled.
  void OnNavigateFilter(IDispatch* pDisp, VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName,
                        VARIANT* PostData, VARIANT* Headers, BOOL* Cancel);

  // Mouse events on the page's background drag the window like a caption.
  HRESULT OnCaptionMouseDown(IHTMLElement* element);
  HRESULT OnCaptionMouseUp(IHTMLElement* element);
  HRESULT OnCaptionMouseMove(IHTMLElement* element);
  HRESULT OnSuppressContextMenu(IHTMLElement* element);

 protected:
  bool WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
  BOOL OnInitDialog() override;
  // Enter never closes the window.
  void OnOK() override {}

  // The sprite buttons' view of this window and of MSHTML.
  bool HoldsCapture() override;
  void TakeCapture() override;
  void DropCapture() override;
  bool IsElementDisabled(IHTMLElement* element) override;
  long ElementWidth(IHTMLElement* element) override;
  RECT ElementRect(IHTMLElement* element) override;
  void ShowFrame(IHTMLElement* element, long x) override;
  void ClickElement(IHTMLElement* element) override;
  void HoldElement(IHTMLElement* element) override;
  void DropElement(IHTMLElement* element) override;

 private:
  // Forwards a caption message at the cursor's screen position.
  void SendCaptionMessage(UINT message);

  DECLARE_EVENTSINK_MAP()
  DECLARE_DHTML_EVENT_MAP()
};
