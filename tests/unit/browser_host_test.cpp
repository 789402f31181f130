// The real WebBrowser control hosted by a CDHtmDlgEx. Wine has no HTML
// engine, so the events a page would cause are built by hand and delivered
// through the site the browser itself holds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/dhtm_dlg_ex.h"
#include "tests/unit/browser_events.h"
#include "res/resource.h"

namespace {

using namespace browser_test;

// ---- Dialogs under test -----------------------------------------------------

class LoggingDlg : public CDHtmDlgEx {
 public:
  LoggingDlg() : CDHtmDlgEx(IDD_WEBPAGE) {}
  std::vector<std::wstring> completed;
  void OnNavigateComplete(IDispatch* pDisp, const wchar_t* szUrl) override {
    CDHtmDlgEx::OnNavigateComplete(pDisp, szUrl);
    completed.push_back(szUrl);
  }
  using CDHtmDlgEx::OnOK;
};

// Lists BeforeNavigate2 itself, as the login window does: the base's filter
// must not run for it, while navigation errors stay the base's.
class OwnFilterDlg : public LoggingDlg {
 public:
  std::vector<std::wstring> seen;
  void Filter(IDispatch*, VARIANT* URL, VARIANT*, VARIANT*, VARIANT*, VARIANT*, BOOL*) {
    seen.push_back(VariantText(URL));
  }
  DECLARE_EVENTSINK_MAP()
};
BEGIN_EVENTSINK_MAP(OwnFilterDlg, LoggingDlg)
  ON_EVENT_BEFORENAVIGATE2(AFX_IDC_BROWSER, Filter)
END_EVENTSINK_MAP()

class PlainDlg : public CDHtmlDialog {
 public:
  PlainDlg() : CDHtmlDialog(IDD_WEBPAGE) {}
};

class HostedBrowser : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
  void TearDown() override { OleUninitialize(); }

  static CComPtr<IOleClientSite> SiteOf(CDHtmlDialog& dlg) {
    return BrowserSiteOf(dlg.m_pBrowserApp);
  }
};

TEST_F(HostedBrowser, ControlIsCreatedInPlaceWithId102) {
  LoggingDlg dlg;
  ASSERT_TRUE(dlg.Create());
  ASSERT_NE(nullptr, dlg.m_pBrowserApp);
  HWND browser = dlg.GetBrowserWindow();
  ASSERT_NE(nullptr, browser);
  EXPECT_EQ(dlg.m_hWnd, GetParent(browser));
  EXPECT_EQ(102, GetDlgCtrlID(browser));
  EXPECT_EQ(browser, GetDlgItem(dlg.m_hWnd, 102));
  VARIANT_BOOL silent = VARIANT_FALSE;
  dlg.m_pBrowserApp->get_Silent(&silent);
  EXPECT_EQ(VARIANT_TRUE, silent);
  EXPECT_TRUE(SiteOf(dlg));
}

TEST_F(HostedBrowser, HostAnswersOfTheDialogBase) {
  LoggingDlg dlg;
  ASSERT_TRUE(dlg.Create());
  CComPtr<IOleClientSite> site = SiteOf(dlg);
  ASSERT_TRUE(site);
  CComPtr<IDocHostUIHandler> ui;
  ASSERT_EQ(S_OK, site->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&ui)));

  DOCHOSTUIINFO info = {};
  info.cbSize = sizeof(info);
  EXPECT_EQ(S_OK, ui->GetHostInfo(&info));
  EXPECT_EQ(0x0Du, info.dwFlags);
  POINT pt = {10, 10};
  EXPECT_EQ(S_OK, ui->ShowContextMenu(CONTEXT_MENU_DEFAULT, &pt, nullptr, nullptr));

  // window.external: an automation object with nothing to call.
  CComPtr<IDispatch> external;
  EXPECT_EQ(S_OK, ui->GetExternal(&external));
  ASSERT_TRUE(external);
  LPOLESTR name = const_cast<LPOLESTR>(L"login");
  DISPID id = 0;
  EXPECT_EQ(DISP_E_UNKNOWNNAME, external->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
}

TEST_F(HostedBrowser, ShowUiIsTheSameObjectWithOneCount) {
  LoggingDlg dlg;
  ASSERT_TRUE(dlg.Create());
  CComPtr<IOleClientSite> site = SiteOf(dlg);
  ASSERT_TRUE(site);
  CComPtr<IDocHostUIHandler> ui;
  CComPtr<IDocHostShowUI> show;
  ASSERT_EQ(S_OK, site->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&ui)));
  ASSERT_EQ(S_OK, ui->QueryInterface(IID_IDocHostShowUI, reinterpret_cast<void**>(&show)));
  CComPtr<IUnknown> a, b;
  ui->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a));
  show->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b));
  EXPECT_EQ(a.p(), b.p());
  const ULONG before = ui->AddRef();
  EXPECT_EQ(before + 1, show->AddRef());
  show->Release();
  ui->Release();

  // Script message boxes and help: MSHTML shows its own.
  LRESULT result = 0;
  EXPECT_EQ(S_FALSE, show->ShowMessage(dlg.m_hWnd, const_cast<LPOLESTR>(L"hi"), nullptr, MB_OK,
                                       nullptr, 0, &result));
  EXPECT_EQ(S_FALSE, show->ShowHelp(dlg.m_hWnd, nullptr, 0, 0, POINT{}, nullptr));
}

TEST_F(HostedBrowser, ShowUiOfAnotherHostSwallowsTheMessage) {
  PlainDlg host;
  COleControlContainer container;
  auto* site = new CMyBrowserControlSite(&container, &host);
  LRESULT result = 0;
  EXPECT_EQ(S_OK, site->ShowMessage(nullptr, const_cast<LPOLESTR>(L"x"), nullptr, MB_OK, nullptr, 0,
                                    &result));
  EXPECT_EQ(S_OK, site->ShowHelp(nullptr, nullptr, 0, 0, POINT{}, nullptr));
  site->Release();
}

TEST_F(HostedBrowser, PlainDhtmlDialogKeepsTheBrowsersDefaults) {
  PlainDlg dlg;
  ASSERT_TRUE(dlg.Create());
  CComPtr<IOleClientSite> site = SiteOf(dlg);
  ASSERT_TRUE(site);
  CComPtr<IDocHostShowUI> show;
  EXPECT_EQ(E_NOINTERFACE,
            site->QueryInterface(IID_IDocHostShowUI, reinterpret_cast<void**>(&show)));
  CComPtr<IDocHostUIHandler> ui;
  ASSERT_EQ(S_OK, site->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&ui)));
  DOCHOSTUIINFO info = {};
  info.cbSize = sizeof(info);
  ui->GetHostInfo(&info);
  EXPECT_EQ(0x0Cu, info.dwFlags);
  EXPECT_EQ(S_FALSE, ui->ShowContextMenu(CONTEXT_MENU_DEFAULT, nullptr, nullptr, nullptr));
  CComPtr<IDispatch> external;
  EXPECT_EQ(S_FALSE, ui->GetExternal(&external));
  EXPECT_FALSE(external);
  // Its browser still is not silent.
  VARIANT_BOOL silent = VARIANT_TRUE;
  dlg.m_pBrowserApp->get_Silent(&silent);
  EXPECT_EQ(VARIANT_FALSE, silent);
}

TEST_F(HostedBrowser, AmbientQuestionsAreLeftToTheBrowser) {
  LoggingDlg dlg;
  ASSERT_TRUE(dlg.Create());
  CComPtr<IOleClientSite> site = SiteOf(dlg);
  ASSERT_TRUE(site);
  DISPPARAMS none = {};
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, FireEvent(site, -5501, &none));
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, FireEvent(site, -5502, &none));
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, FireEvent(site, -5512, nullptr));
  // An event with missing arguments is ignored, not read past its end.
  EXPECT_EQ(S_OK, FireEvent(site, DISPID_BEFORENAVIGATE2, &none));
  EXPECT_EQ(S_OK, FireEvent(site, DISPID_NAVIGATEERROR, nullptr));
}

TEST_F(HostedBrowser, CommandUrlsAreCancelledOthersProceed) {
  LoggingDlg dlg;
  ASSERT_TRUE(dlg.Create());
  CComPtr<IOleClientSite> site = SiteOf(dlg);
  ASSERT_TRUE(site);
  struct Case {
    const wchar_t* url;
    bool proposed, expected;
  } cases[] = {
      {L"app://loadgame|S1-alice|http://x/", false, true},
      {L"APP://loadgame|S1-alice|http://x/", false, false},
      {L"javascript:void(0)", true, false},
      {L"http://127.0.0.1/", false, false},
      {L"http://127.0.0.1/", true, true},
  };
  for (const Case& c : cases) {
    EventArgs a;
    BeforeNavigate(a, dlg.m_pBrowserApp, c.url, c.proposed);
    EXPECT_EQ(S_OK, FireEvent(site, DISPID_BEFORENAVIGATE2, a.params()));
    EXPECT_EQ(c.expected, a.cancelled()) << std::string(c.url, c.url + wcslen(c.url));
  }
}

TEST_F(HostedBrowser, NavigationErrorsAreCancelled) {
  LoggingDlg dlg;
  ASSERT_TRUE(dlg.Create());
  CComPtr<IOleClientSite> site = SiteOf(dlg);
  ASSERT_TRUE(site);
  EventArgs a;
  a.Dispatch(dlg.m_pBrowserApp);
  a.Text(L"http://127.0.0.1/missing");
  a.Empty();
  a.Empty();
  a.Cancel(false);
  FireEvent(site, DISPID_NAVIGATEERROR, a.params());
  EXPECT_TRUE(a.cancelled());
}

TEST_F(HostedBrowser, NavigateCompleteWithoutADocumentIsHarmless) {
  LoggingDlg dlg;
  ASSERT_TRUE(dlg.Create());
  CComPtr<IOleClientSite> site = SiteOf(dlg);
  ASSERT_TRUE(site);
  EventArgs a;
  a.Dispatch(dlg.m_pBrowserApp);
  a.Text(L"http://127.0.0.1/page");
  FireEvent(site, DISPID_NAVIGATECOMPLETE2, a.params());
  EventArgs frame;
  frame.Dispatch(nullptr);  // an inner frame we cannot name
  frame.Text(L"http://127.0.0.1/frame");
  FireEvent(site, DISPID_NAVIGATECOMPLETE2, frame.params());
  ASSERT_EQ(2u, dlg.completed.size());
  EXPECT_EQ(L"http://127.0.0.1/page", dlg.completed[0]);
  EXPECT_EQ(L"http://127.0.0.1/frame", dlg.completed[1]);
}

TEST_F(HostedBrowser, DerivedEntryReplacesTheFilterOtherEventsFallThrough) {
  OwnFilterDlg dlg;
  ASSERT_TRUE(dlg.Create());
  CComPtr<IOleClientSite> site = SiteOf(dlg);
  ASSERT_TRUE(site);
  EventArgs nav;
  BeforeNavigate(nav, dlg.m_pBrowserApp, L"app://exitgame", false);
  FireEvent(site, DISPID_BEFORENAVIGATE2, nav.params());
  EXPECT_FALSE(nav.cancelled());  // the base's filter did not run
  ASSERT_EQ(1u, dlg.seen.size());
  EXPECT_EQ(L"app://exitgame", dlg.seen[0]);

  EventArgs err;
  err.Dispatch(dlg.m_pBrowserApp);
  err.Text(L"http://127.0.0.1/x");
  err.Empty();
  err.Empty();
  err.Cancel(false);
  FireEvent(site, DISPID_NAVIGATEERROR, err.params());
  EXPECT_TRUE(err.cancelled());

  EventArgs done;
  done.Dispatch(dlg.m_pBrowserApp);
  done.Text(L"http://127.0.0.1/y");
  FireEvent(site, DISPID_NAVIGATECOMPLETE2, done.params());
  EXPECT_EQ(1u, dlg.completed.size());
}

TEST_F(HostedBrowser, RealNavigationToACommandUrlIsStoppedByTheFilter) {
  OwnFilterDlg observed;  // sees what the browser proposes
  ASSERT_TRUE(observed.Create());
  observed.Navigate(L"app://minimize");
  PumpMessages();
  ASSERT_EQ(1u, observed.seen.size());
  EXPECT_EQ(L"app://minimize", observed.seen[0]);

  LoggingDlg dlg;
  ASSERT_TRUE(dlg.Create());
  dlg.Navigate(L"app://minimize");
  PumpMessages();
  BSTR location = nullptr;
  dlg.m_pBrowserApp->get_LocationURL(&location);
  EXPECT_EQ(std::wstring::npos, std::wstring(location ? location : L"").find(L"app:"));
  SysFreeString(location);
}

void PressCtrl(bool down) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = VK_CONTROL;
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &in, sizeof(in));
}

TEST_F(HostedBrowser, KeyboardZoomIsSwallowedOnlyWithCtrl) {
  LoggingDlg dlg;
  ASSERT_TRUE(dlg.Create());
  MSG plus = {dlg.GetBrowserWindow(), WM_KEYDOWN, VK_OEM_PLUS, 1, 0, {}};
  MSG minus = plus;
  minus.wParam = VK_OEM_MINUS;
  MSG selectAll = plus;
  selectAll.wParam = 'A';
  EXPECT_EQ(S_FALSE, dlg.TranslateAccelerator(&plus, nullptr, 0));

  PressCtrl(true);
  const bool ctrlSeen = (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0;
  HRESULT zoomIn = dlg.TranslateAccelerator(&plus, nullptr, 0);
  HRESULT zoomOut = dlg.TranslateAccelerator(&minus, nullptr, 0);
  // Ctrl+A selects the page and is still the browser's to handle.
  HRESULT all = dlg.TranslateAccelerator(&selectAll, nullptr, 0);
  PressCtrl(false);
  if (!ctrlSeen) GTEST_SKIP() << "this display does not report synthesised key states";
  EXPECT_EQ(S_OK, zoomIn);
  EXPECT_EQ(S_OK, zoomOut);
  EXPECT_EQ(S_FALSE, all);
  EXPECT_EQ(S_FALSE, dlg.TranslateAccelerator(&minus, nullptr, 0));
}

TEST_F(HostedBrowser, EnterDoesNotCloseTheWindow) {
  LoggingDlg dlg;
  ASSERT_TRUE(dlg.Create());
  SendMessageW(dlg.m_hWnd, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(IsWindow(dlg.m_hWnd));
}

TEST_F(HostedBrowser, ButtonUpWithoutAPressGoesToTheWindowAsUsual) {
  LoggingDlg dlg;
  ASSERT_TRUE(dlg.Create());
  ShowWindow(dlg.m_hWnd, SW_SHOW);
  SetCapture(dlg.m_hWnd);
  EXPECT_EQ(dlg.m_hWnd, GetCapture());
  // Held capture with no element: the press ends, capture is let go.
  SendMessageW(dlg.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_NE(dlg.m_hWnd, GetCapture());
  EXPECT_EQ(nullptr, dlg.m_spPressedElement);
}

TEST_F(HostedBrowser, DestroyingTheWindowLetsGoOfTheBrowser) {
  LoggingDlg dlg;
  ASSERT_TRUE(dlg.Create());
  CComPtr<IOleClientSite> site = SiteOf(dlg);
  ASSERT_TRUE(site);
  DestroyWindow(dlg.m_hWnd);
  EXPECT_EQ(nullptr, dlg.m_pBrowserApp);
  EXPECT_EQ(nullptr, dlg.GetControlSite());
  // The site we still hold answers without a host.
  CComPtr<IDocHostUIHandler> ui;
  ASSERT_EQ(S_OK, site->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&ui)));
  DOCHOSTUIINFO info = {};
  EXPECT_EQ(E_NOTIMPL, ui->GetHostInfo(&info));
  EventArgs a;
  BeforeNavigate(a, nullptr, L"app://x", false);
  EXPECT_EQ(S_OK, FireEvent(site, DISPID_BEFORENAVIGATE2, a.params()));
  EXPECT_FALSE(a.cancelled());
}

}  // namespace
