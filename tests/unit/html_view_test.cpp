// The browser view of a document window, with the real WebBrowser control.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/html_view.h"
#include "tests/unit/browser_events.h"

namespace {

using namespace browser_test;

class RecordingView : public CHtmlView {
 public:
  std::vector<std::wstring> log;
  std::vector<BYTE> posted;
  DWORD flags = 0;
  bool cancelNext = false;

  void OnBeforeNavigate2(const wchar_t* url, DWORD nFlags, const wchar_t* frame,
                         std::vector<BYTE>& data, const wchar_t* headers, BOOL* cancel) override {
    log.push_back(std::wstring(L"before ") + url + L" [" + frame + L"] " + headers);
    posted = data;
    flags = nFlags;
    if (cancelNext) *cancel = TRUE;
  }
  void OnNavigateComplete2(const wchar_t* url) override {
    log.push_back(std::wstring(L"complete ") + url);
  }
  void OnTitleChange(const wchar_t* text) override {
    log.push_back(std::wstring(L"title ") + text);
  }
  void OnNavigateError(const wchar_t* url, const wchar_t*, DWORD status, BOOL* cancel) override {
    log.push_back(std::wstring(L"error ") + url + L" " + std::to_wstring(status));
    *cancel = TRUE;
  }
  HRESULT OnGetHostInfo(DOCHOSTUIINFO* info) override {
    info->dwFlags |= DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;
    return S_OK;
  }
};

// Adds its own NewWindow3 entry, as the game view does.
class PopupView : public RecordingView {
 public:
  void OnNewWindow3(IDispatch** ppDisp, BOOL* cancel, DWORD flags, BSTR context, BSTR url) {
    log.push_back(std::wstring(L"popup ") + (url ? url : L"") + L" from " +
                  (context ? context : L"") + L" " + std::to_wstring(flags) +
                  (ppDisp ? L" disp" : L" nodisp"));
    *cancel = TRUE;
  }
  DECLARE_EVENTSINK_MAP()
};
BEGIN_EVENTSINK_MAP(PopupView, RecordingView)
  ON_EVENT_NEWWINDOW3(AFX_IDW_PANE_FIRST, OnNewWindow3)
END_EVENTSINK_MAP()

class HtmlView : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    frame = CreateWindowExW(0, L"STATIC", L"frame", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                            400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, frame);
  }
  void TearDown() override {
    DestroyWindow(frame);
    OleUninitialize();
  }
  HWND frame = nullptr;
};

TEST_F(HtmlView, BrowserFillsTheViewAsPaneOne) {
  RecordingView view;
  ASSERT_TRUE(view.Create(frame, RECT{0, 0, 320, 200}));
  EXPECT_EQ(frame, GetParent(view.m_hWnd));
  EXPECT_EQ(static_cast<int>(AFX_IDW_PANE_FIRST), GetDlgCtrlID(view.m_hWnd));
  HWND browser = view.GetBrowserWindow();
  ASSERT_NE(nullptr, browser);
  EXPECT_EQ(view.m_hWnd, GetParent(browser));
  EXPECT_EQ(static_cast<int>(AFX_IDW_PANE_FIRST), GetDlgCtrlID(browser));

  MoveWindow(view.m_hWnd, 0, 0, 250, 150, TRUE);
  RECT r = {};
  GetClientRect(browser, &r);
  EXPECT_EQ(250, r.right);
  EXPECT_EQ(150, r.bottom);
  // The control was told its new rectangles, as every host tells it: its
  // own size and the site's answer are the new ones, not the creation's.
  LONG width = 0, height = 0;
  view.m_pBrowserApp->get_Width(&width);
  view.m_pBrowserApp->get_Height(&height);
  EXPECT_EQ(250, width);
  EXPECT_EQ(150, height);
  CComPtr<IOleClientSite> site = BrowserSiteOf(view.m_pBrowserApp);
  CComPtr<IOleInPlaceSite> inPlace;
  ASSERT_TRUE(site && SUCCEEDED(site->QueryInterface(IID_IOleInPlaceSite,
                                                     reinterpret_cast<void**>(&inPlace))));
  CComPtr<IOleInPlaceFrame> frameOf;
  CComPtr<IOleInPlaceUIWindow> doc;
  RECT pos = {}, clip = {};
  OLEINPLACEFRAMEINFO info = {};
  info.cb = sizeof(info);
  ASSERT_EQ(S_OK, inPlace->GetWindowContext(&frameOf, &doc, &pos, &clip, &info));
  EXPECT_EQ(250, pos.right - pos.left);
  EXPECT_EQ(150, pos.bottom - pos.top);
  EXPECT_EQ(150, clip.bottom - clip.top);
}

TEST_F(HtmlView, EventsReachTheVirtuals) {
  RecordingView view;
  ASSERT_TRUE(view.Create(frame, RECT{0, 0, 320, 200}));
  CComPtr<IOleClientSite> site = BrowserSiteOf(view.m_pBrowserApp);
  ASSERT_TRUE(site);

  EventArgs title;
  VARIANT text;
  VariantInit(&text);
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = SysAllocString(L"BrindloTolvane 游戏");
  DISPPARAMS one = {&text, nullptr, 1, 0};
  FireEvent(site, DISPID_TITLECHANGE, &one);
  VariantClear(&text);

  EventArgs done;
  done.Dispatch(view.m_pBrowserApp);
  done.Text(L"http://127.0.0.1/game.htm");
  FireEvent(site, DISPID_NAVIGATECOMPLETE2, done.params());

  EventArgs err;
  err.Dispatch(view.m_pBrowserApp);
  err.Text(L"http://127.0.0.1/gone");
  err.Empty();
  err.Empty();
  err.Cancel(false);
  FireEvent(site, DISPID_NAVIGATEERROR, err.params());
  EXPECT_TRUE(err.cancelled());

  ASSERT_EQ(3u, view.log.size());
  EXPECT_EQ(L"title BrindloTolvane 游戏", view.log[0]);
  EXPECT_EQ(L"complete http://127.0.0.1/game.htm", view.log[1]);
  // The status came as an empty variant here: 0.
  EXPECT_EQ(L"error http://127.0.0.1/gone 0", view.log[2]);
}

TEST_F(HtmlView, RealNavigationAsksTheViewFirst) {
  RecordingView view;
  ASSERT_TRUE(view.Create(frame, RECT{0, 0, 320, 200}));
  view.cancelNext = true;
  const char body[] = "a=1&b=2";
  view.Navigate2(L"app://nowhere", 0, nullptr, L"X-Test: 1\r\n", body, 7);
  PumpMessages();
  ASSERT_FALSE(view.log.empty());
  EXPECT_EQ(0u, view.log[0].find(L"before app://nowhere"));
  EXPECT_NE(std::wstring::npos, view.log[0].find(L"X-Test: 1"));
  // (Wine's browser hands on the array's header instead of its bytes, so
  // the posted bytes are checked with a hand-built event below.)
  EXPECT_EQ(std::wstring::npos, view.GetLocationURL().find(L"app:"));
}

TEST_F(HtmlView, PostedBytesAndFlagsReachTheView) {
  RecordingView view;
  ASSERT_TRUE(view.Create(frame, RECT{0, 0, 320, 200}));
  CComPtr<IOleClientSite> site = BrowserSiteOf(view.m_pBrowserApp);
  ASSERT_TRUE(site);
  SAFEARRAY* data = SafeArrayCreateVector(VT_UI1, 0, 3);
  ASSERT_NE(nullptr, data);
  void* bytes = nullptr;
  SafeArrayAccessData(data, &bytes);
  memcpy(bytes, "x=1", 3);
  SafeArrayUnaccessData(data);
  // As browsers pass it: a reference to a reference to the array.
  VARIANT array, inner, outer, flags, url, frameName, headers;
  for (VARIANT* v : {&array, &inner, &outer, &flags, &url, &frameName, &headers}) VariantInit(v);
  V_VT(&array) = VT_ARRAY | VT_UI1;
  V_ARRAY(&array) = data;
  V_VT(&inner) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&inner) = &array;
  V_VT(&outer) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&outer) = &inner;
  V_VT(&flags) = VT_I4;
  V_I4(&flags) = 0x40;
  V_VT(&url) = VT_BSTR;
  V_BSTR(&url) = SysAllocString(L"http://127.0.0.1/post");
  V_VT(&frameName) = VT_BSTR;
  V_BSTR(&frameName) = SysAllocString(L"main");
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT args[7];
  for (VARIANT& v : args) VariantInit(&v);
  V_VT(&args[6]) = VT_DISPATCH;
  V_DISPATCH(&args[6]) = view.m_pBrowserApp;
  V_VT(&args[5]) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&args[5]) = &url;
  V_VT(&args[4]) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&args[4]) = &flags;
  V_VT(&args[3]) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&args[3]) = &frameName;
  args[2] = outer;
  V_VT(&args[1]) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&args[1]) = &headers;
  V_VT(&args[0]) = VT_BOOL | VT_BYREF;
  V_BOOLREF(&args[0]) = &cancel;
  DISPPARAMS params = {args, nullptr, 7, 0};
  view.cancelNext = true;
  FireEvent(site, DISPID_BEFORENAVIGATE2, &params);
  for (VARIANT* v : {&array, &url, &frameName}) VariantClear(v);

  EXPECT_EQ(VARIANT_TRUE, cancel);
  EXPECT_EQ(std::vector<BYTE>({'x', '=', '1'}), view.posted);
  EXPECT_EQ(0x40u, view.flags);
  ASSERT_EQ(1u, view.log.size());
  EXPECT_EQ(L"before http://127.0.0.1/post [main] ", view.log[0]);
}

TEST_F(HtmlView, HostInfoComesFromTheView) {
  RecordingView view;
  ASSERT_TRUE(view.Create(frame, RECT{0, 0, 320, 200}));
  CComPtr<IOleClientSite> site = BrowserSiteOf(view.m_pBrowserApp);
  ASSERT_TRUE(site);
  CComPtr<IDocHostUIHandler> ui;
  ASSERT_EQ(S_OK, site->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&ui)));
  DOCHOSTUIINFO info = {};
  info.cbSize = sizeof(info);
  info.dwFlags = DOCHOSTUIFLAG_DIALOG;
  EXPECT_EQ(S_OK, ui->GetHostInfo(&info));
  EXPECT_EQ(0x0Du, info.dwFlags);
  // The browser's own context menu and no window.external.
  EXPECT_EQ(S_FALSE, ui->ShowContextMenu(0, nullptr, nullptr, nullptr));
  CComPtr<IDispatch> external;
  EXPECT_EQ(E_NOTIMPL, ui->GetExternal(&external));
}

TEST_F(HtmlView, DerivedNewWindowEntryAddsToTheViewsTable) {
  PopupView view;
  ASSERT_TRUE(view.Create(frame, RECT{0, 0, 320, 200}));
  CComPtr<IOleClientSite> site = BrowserSiteOf(view.m_pBrowserApp);
  ASSERT_TRUE(site);

  // NewWindow3: ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl.
  IDispatch* created = nullptr;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  BSTR context = SysAllocString(L"http://127.0.0.1/game.htm");
  BSTR url = SysAllocString(L"http://127.0.0.1/pay.htm");
  VARIANT args[5];
  for (VARIANT& v : args) VariantInit(&v);
  V_VT(&args[4]) = VT_DISPATCH | VT_BYREF;
  V_DISPATCHREF(&args[4]) = &created;
  V_VT(&args[3]) = VT_BOOL | VT_BYREF;
  V_BOOLREF(&args[3]) = &cancel;
  V_VT(&args[2]) = VT_I4;
  V_I4(&args[2]) = 6;
  V_VT(&args[1]) = VT_BSTR;
  V_BSTR(&args[1]) = context;
  V_VT(&args[0]) = VT_BSTR;
  V_BSTR(&args[0]) = url;
  DISPPARAMS params = {args, nullptr, 5, 0};
  FireEvent(site, DISPID_NEWWINDOW3, &params);
  SysFreeString(context);
  SysFreeString(url);
  EXPECT_EQ(VARIANT_TRUE, cancel);

  EventArgs done;
  done.Dispatch(view.m_pBrowserApp);
  done.Text(L"http://127.0.0.1/game.htm");
  FireEvent(site, DISPID_NAVIGATECOMPLETE2, done.params());

  ASSERT_EQ(2u, view.log.size());
  EXPECT_EQ(L"popup http://127.0.0.1/pay.htm from http://127.0.0.1/game.htm 6 disp", view.log[0]);
  EXPECT_EQ(L"complete http://127.0.0.1/game.htm", view.log[1]);
}

TEST_F(HtmlView, ClosingTheFrameTakesTheBrowserDown) {
  RecordingView view;
  ASSERT_TRUE(view.Create(frame, RECT{0, 0, 320, 200}));
  DestroyWindow(frame);
  frame = nullptr;
  EXPECT_EQ(nullptr, view.m_hWnd);
  EXPECT_EQ(nullptr, view.m_pBrowserApp);
  EXPECT_EQ(nullptr, view.GetControlSite());
}

}  // namespace
