// The external-account login pop-up: its decisions, and the real frame and
// browser dialog over a stand-in login window. Wine has no HTML engine, so
// completed navigations are delivered by hand; navigations go through the
// site the browser holds, as the browser would send them.
#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <string>

#include "base/endpoints.h"
#include "base/messages.h"
#include "browser/ext_login_rules.h"
#include "browser/qq_login.h"
#include "res/resource.h"
#include "tests/unit/browser_events.h"

namespace {

using namespace browser_test;

const std::wstring kHost = L"passport.example.com";

// ---- Decisions ----------------------------------------------------------------

TEST(ExternalLoginRules, CallbackPagesOfEachProviderOnTheBridgeOnly) {
  for (const wchar_t* path : {L"/qzone/callback.do?code=1", L"/weibo/callback.do?state=2",
                              L"/qzone/extAutoBind.do?x", L"/weixin/callback.do?code=3"}) {
    EXPECT_TRUE(IsExternalLoginCallback(L"http://" + kHost + path, kHost)) << path;
    EXPECT_TRUE(IsExternalLoginCallback(L"https://" + kHost + path, kHost)) << path;
    EXPECT_FALSE(IsExternalLoginCallback(L"http://other.example.com" + std::wstring(path), kHost));
  }
  // The texts are matched as they are: case and the parameter's "=" count.
  EXPECT_FALSE(IsExternalLoginCallback(L"http://" + kHost + L"/QZONE/callback.do?code=1", kHost));
  EXPECT_FALSE(IsExternalLoginCallback(L"http://" + kHost + L"/qzone/callback.do?state=1", kHost));
  EXPECT_FALSE(IsExternalLoginCallback(L"http://" + kHost + L"/weixin/callback.do", kHost));
  EXPECT_FALSE(IsExternalLoginCallback(
      L"http://" + kHost + L"/qzone/redirectToAuthorize.do?params=", kHost));
  EXPECT_FALSE(IsExternalLoginCallback(L"", kHost));
}

TEST(ExternalLoginRules, HiddenPopUpRefusesOnlyAddressesStartingWithTheAuthorisationPage) {
  const std::wstring auth = L"https://graph.qq.com/oauth2.0/authorize";
  EXPECT_TRUE(CancelsHiddenNavigation(auth + L"?client_id=1", auth, false));
  EXPECT_TRUE(CancelsHiddenNavigation(auth, auth, false));
  // Visible: the user is working through the provider's pages.
  EXPECT_FALSE(CancelsHiddenNavigation(auth + L"?client_id=1", auth, true));
  // Merely mentioned later in the address.
  EXPECT_FALSE(CancelsHiddenNavigation(L"http://x.example.com/?next=" + auth, auth, false));
  EXPECT_FALSE(CancelsHiddenNavigation(L"http://graph.qq.com/oauth2.0/authorize", auth, false));
  EXPECT_FALSE(CancelsHiddenNavigation(L"https://graph.qq.com/oauth2.0/", auth, false));
  EXPECT_FALSE(CancelsHiddenNavigation(L"", auth, false));
  EXPECT_FALSE(CancelsHiddenNavigation(L"anything", L"", false));
}

TEST(ExternalLoginRules, LoginCookieIsFoundByItsExactNameAndNeedsAValue) {
  EXPECT_TRUE(HasLoginCookie(L"Pauth=abc"));
  EXPECT_TRUE(HasLoginCookie(L"a=1; Pauth=abc; b=2"));
  EXPECT_TRUE(HasLoginCookie(L"a=1;Pauth = abc"));
  EXPECT_TRUE(HasLoginCookie(std::wstring(5000, L'x') + L"=1; Pauth=z"));
  EXPECT_FALSE(HasLoginCookie(L""));
  EXPECT_FALSE(HasLoginCookie(L"a=1; b=2"));
  EXPECT_FALSE(HasLoginCookie(L"XPauth=abc; PauthX=abc; pauth=abc"));
  EXPECT_FALSE(HasLoginCookie(L"Pauth=; Pauth=  "));
  EXPECT_FALSE(HasLoginCookie(L"Pauth"));
  EXPECT_FALSE(HasLoginCookie(L"a=Pauth=abc"));
  EXPECT_FALSE(HasLoginCookie(L";;;="));
}

// InternetGetCookieExW of a WinINet older than Internet Explorer 8, which
// knows no INTERNET_COOKIE_HTTPONLY.
BOOL WINAPI RefusesHttpOnlyFlag(const wchar_t*, const wchar_t*, wchar_t*, DWORD*, DWORD, void*) {
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

TEST(ExternalLoginRules, HttpOnlyLoginCookieIsReadAsInternetExplorer8StoresIt) {
  const std::wstring url = std::wstring(L"http://") + ExtLoginHost + L"/qzone/callback.do?code=9";
  ASSERT_NE(0u, InternetSetCookieExW(url.c_str(), nullptr, L"Pauth=secret; path=/qzone/; httponly",
                                     INTERNET_COOKIE_HTTPONLY, 0));
  ASSERT_TRUE(InternetSetCookieW(url.c_str(), nullptr, L"plain=1; path=/qzone/"));
  ASSERT_NE(nullptr, SystemGetCookieEx());
  EXPECT_TRUE(HasLoginCookie(CookiesFor(url, SystemGetCookieEx())));
  // The older function leaves the HttpOnly cookie out, as WinINet does from
  // Internet Explorer 8 on: the login would never have ended.
  EXPECT_FALSE(HasLoginCookie(CookiesFor(url, nullptr)));
  // Where the flag is refused, the older function still reads the site.
  EXPECT_NE(std::wstring::npos, CookiesFor(url, RefusesHttpOnlyFlag).find(L"plain=1"));
  EXPECT_EQ(L"",
            CookiesFor(std::wstring(L"http://") + ExtLoginHost + L"/none/", SystemGetCookieEx()));
  const wchar_t* expired = L"; path=/qzone/; expires=Thu, 01 Jan 1970 00:00:00 GMT";
  InternetSetCookieExW(url.c_str(), nullptr, (std::wstring(L"Pauth=") + expired).c_str(),
                       INTERNET_COOKIE_HTTPONLY, 0);
  InternetSetCookieW(url.c_str(), nullptr, (std::wstring(L"plain=") + expired).c_str());
}

TEST(ExternalLoginRules, HtmlDialogsOfThisProcessOnly) {
  HWND a = reinterpret_cast<HWND>(0x10), b = reinterpret_cast<HWND>(0x20),
       c = reinterpret_cast<HWND>(0x30);
  const std::vector<TopWindow> windows = {
      {a, 7, kHtmlDialogClass, L""},  // another program's
      {b, 5, L"#32770", L""},
      {c, 5, kHtmlDialogClass, L"网页对话框"},
  };
  EXPECT_EQ(c, HtmlDialogToClose(windows, 5));
  EXPECT_EQ(a, HtmlDialogToClose(windows, 7));
  EXPECT_EQ(nullptr, HtmlDialogToClose(windows, 9));
  EXPECT_EQ(nullptr, HtmlDialogToClose({}, 5));
}

TEST(ExternalLoginRules, BrowserSitsBelowTheCaptionInsideTheBorder) {
  const RECT r = PopupBrowserRect(245, 249, 790, 525);
  EXPECT_EQ(249, r.left);
  EXPECT_EQ(279, r.top);
  EXPECT_EQ(782, r.right - r.left);
  EXPECT_EQ(491, r.bottom - r.top);
  // A frame smaller than its own border gives an empty browser, never a
  // negative one.
  const RECT tiny = PopupBrowserRect(0, 0, 5, 10);
  EXPECT_EQ(0, tiny.right - tiny.left);
  EXPECT_EQ(0, tiny.bottom - tiny.top);
}

// ---- The windows ----------------------------------------------------------------

// The login background and the login window over it, as plain pop-ups that
// keep the messages the pop-up sends them.
class PopUp : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    background_ = CreateWindowExW(0, L"STATIC", L"background", WS_POPUP, 0, 0, 100, 100, nullptr,
                                  nullptr, nullptr, nullptr);
    login_ = CreateWindowExW(0, L"STATIC", L"login", WS_POPUP, 0, 0, 100, 100, background_, nullptr,
                             nullptr, nullptr);
    ASSERT_TRUE(login_);
  }
  void TearDown() override {
    DestroyWindow(login_);
    DestroyWindow(background_);
    OleUninitialize();
  }
  // Whether `window` got `message` (taken off its queue).
  static bool Got(HWND window, UINT message) {
    MSG m;
    return PeekMessageW(&m, window, message, message, PM_REMOVE) != 0;
  }
  std::wstring Callback(const wchar_t* path) const {
    return std::wstring(L"http://") + ExtLoginHost + path;
  }
  // Opens the pop-up as the login window does.
  void Open(CQQLogin& popup) {
    ASSERT_TRUE(popup.Create(login_, Callback(L"/qzone/redirectToAuthorize.do?params=x")));
    popup.ShowWindow(SW_SHOW);
    popup.CenterOnDesktop();
  }
  HWND background_ = nullptr;
  HWND login_ = nullptr;
};

RECT WindowRect(HWND h) {
  RECT r = {};
  GetWindowRect(h, &r);
  return r;
}

TEST_F(PopUp, SkinnedFrameCentredWithTheBrowserDialogOverItsBody) {
  CQQLogin popup;
  Open(popup);
  EXPECT_EQ(login_, GetParent(popup.m_hWnd));
  wchar_t caption[64] = {};
  GetWindowTextW(popup.m_hWnd, caption, 64);
  EXPECT_STREQ(L"QQ账号安全登录", caption);
  const RECT frame = WindowRect(popup.m_hWnd);
  EXPECT_EQ(790, frame.right - frame.left);
  EXPECT_EQ(525, frame.bottom - frame.top);
  const RECT desktop = WindowRect(GetDesktopWindow());
  EXPECT_EQ((desktop.right - desktop.left - 790) / 2, frame.left);
  EXPECT_EQ((desktop.bottom - desktop.top - 525) / 2, frame.top);
  // The close button only, at the right edge of the caption.
  ASSERT_TRUE(popup.m_btnClose.m_hWnd);
  EXPECT_EQ(nullptr, popup.m_btnMin.m_hWnd);
  EXPECT_EQ(nullptr, popup.m_btnMax.m_hWnd);
  EXPECT_EQ(frame.right, WindowRect(popup.m_btnClose.m_hWnd).right);

  ASSERT_TRUE(popup.m_html.m_hWnd);
  EXPECT_TRUE(IsWindowVisible(popup.m_html.m_hWnd));
  EXPECT_EQ(popup.m_hWnd, GetParent(popup.m_html.m_hWnd));
  const RECT body = WindowRect(popup.m_html.m_hWnd);
  EXPECT_EQ(frame.left + 4, body.left);
  EXPECT_EQ(frame.top + 30, body.top);
  EXPECT_EQ(frame.right - 4, body.right);
  EXPECT_EQ(frame.bottom - 4, body.bottom);
  // The browser fills its dialog and is silent.
  RECT client = {};
  GetClientRect(popup.m_html.m_hWnd, &client);
  const RECT browser = WindowRect(popup.m_html.GetBrowserWindow());
  EXPECT_EQ(client.right, browser.right - browser.left);
  EXPECT_EQ(client.bottom, browser.bottom - browser.top);
  VARIANT_BOOL silent = VARIANT_FALSE;
  popup.m_html.m_pBrowserApp->get_Silent(&silent);
  EXPECT_EQ(VARIANT_TRUE, silent);

  // Moved, the body follows; hidden, the body hides with it.
  SetWindowPos(popup.m_hWnd, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_EQ(14, WindowRect(popup.m_html.m_hWnd).left);
  EXPECT_EQ(50, WindowRect(popup.m_html.m_hWnd).top);
  popup.ShowWindow(SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(popup.m_html.m_hWnd));
}

TEST_F(PopUp, EnterAndEscDoNothingTheCloseButtonDestroysBothWindows) {
  CQQLogin popup;
  Open(popup);
  for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    MSG frameKey = {popup.m_hWnd, WM_KEYDOWN, key, 0, 0, {}};
    MSG bodyKey = {popup.m_html.m_hWnd, WM_KEYDOWN, key, 0, 0, {}};
    EXPECT_TRUE(popup.PreTranslateMessage(&frameKey));
    EXPECT_TRUE(popup.m_html.PreTranslateMessage(&bodyKey));
  }
  ASSERT_TRUE(IsWindowVisible(popup.m_hWnd));

  SendMessageW(popup.m_hWnd, WM_COMMAND, ID_CAPTION_CLOSE, 0);
  PumpMessages();
  EXPECT_EQ(nullptr, popup.m_hWnd);
  EXPECT_EQ(nullptr, popup.m_html.m_hWnd);
  // No login ended: the login window hears nothing.
  EXPECT_FALSE(Got(login_, WM_LOGIN_RELOAD));
}

TEST_F(PopUp, CallbackWithTheLoginCookieEndsTheLoginWithoutItThePageGoesOn) {
  const std::wstring withCookie = Callback(L"/qzone/callback.do?code=7");
  const std::wstring without = Callback(L"/weibo/callback.do?state=7");
  // Session cookies of this process's cookie store, for the QQ paths only.
  ASSERT_TRUE(InternetSetCookieW(withCookie.c_str(), nullptr, L"other=1; path=/qzone"));
  ASSERT_TRUE(InternetSetCookieW(withCookie.c_str(), nullptr, L"Pauth=token; path=/qzone"));

  CQQLogin popup;
  Open(popup);
  popup.m_html.OnNavigateComplete(popup.m_html.m_pBrowserApp, without.c_str());
  popup.m_html.OnNavigateComplete(popup.m_html.m_pBrowserApp,
                                  Callback(L"/qzone/other.do?x=1").c_str());
  EXPECT_TRUE(IsWindowVisible(popup.m_hWnd));
  EXPECT_FALSE(Got(login_, WM_LOGIN_RELOAD));
  EXPECT_FALSE(Got(background_, WM_BRING_TO_FRONT));

  // A dialog box the provider's page left open over the browser dialog.
  HWND leftover = CreateWindowExW(0, L"#32770", L"leftover", WS_POPUP, 0, 0, 50, 50,
                                  popup.m_html.m_hWnd, nullptr, nullptr, nullptr);
  ASSERT_TRUE(leftover);
  popup.m_html.OnNavigateComplete(popup.m_html.m_pBrowserApp, withCookie.c_str());
  EXPECT_FALSE(IsWindowVisible(popup.m_hWnd));
  EXPECT_FALSE(IsWindowVisible(popup.m_html.m_hWnd));
  EXPECT_TRUE(Got(login_, WM_LOGIN_RELOAD));
  EXPECT_TRUE(Got(background_, WM_BRING_TO_FRONT));
  for (int i = 0; i < 100 && IsWindow(leftover); ++i) PumpMessages();
  EXPECT_FALSE(IsWindow(leftover));
  // Both windows live on, hidden, until the login window lets the object go.
  EXPECT_TRUE(IsWindow(popup.m_hWnd));
  EXPECT_TRUE(IsWindow(popup.m_html.m_hWnd));
  EXPECT_FALSE(IsWindowVisible(popup.m_html.m_hWnd));
  InternetSetCookieW(withCookie.c_str(), nullptr,
                     L"Pauth=; path=/qzone; expires=Thu, 01 Jan 1970 00:00:00 GMT");
}

TEST_F(PopUp, HiddenBrowserRefusesTheAuthorisationPageThroughItsEventTable) {
  CQQLogin popup;
  Open(popup);
  CComPtr<IOleClientSite> site = BrowserSiteOf(popup.m_html.m_pBrowserApp);
  ASSERT_TRUE(site);
  const std::wstring auth = std::wstring(QqAuthorizeUrl) + L"?client_id=1";
  const std::wstring mention = std::wstring(L"http://example.com/?next=") + QqAuthorizeUrl;
  struct Case {
    bool visible;
    const std::wstring& url;
    bool cancelled;
  } cases[] = {
      {true, auth, false}, {true, mention, false}, {false, auth, true}, {false, mention, false}};
  for (const Case& c : cases) {
    popup.ShowWindow(c.visible ? SW_SHOW : SW_HIDE);
    EventArgs a;
    BeforeNavigate(a, popup.m_html.m_pBrowserApp, c.url.c_str(), false);
    ASSERT_EQ(S_OK, FireEvent(site, DISPID_BEFORENAVIGATE2, a.params()));
    EXPECT_EQ(c.cancelled, a.cancelled())
        << c.visible << " " << std::string(c.url.begin(), c.url.end());
  }
}

TEST_F(PopUp, HtmlDialogsOfThisProcessAreClosedWithinATick) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = kHtmlDialogClass;
  RegisterClassW(&wc);
  CQQLogin popup;
  Open(popup);
  HWND dialog = CreateWindowExW(0, kHtmlDialogClass, L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(dialog);
  const DWORD start = GetTickCount();
  while (IsWindow(dialog) && GetTickCount() - start < 2000) PumpMessages();
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_LT(GetTickCount() - start, 600u);
}

TEST_F(PopUp, DeletingThePopUpTakesBothWindows) {
  auto* popup = new CQQLogin();
  Open(*popup);
  HWND frame = popup->m_hWnd, body = popup->m_html.m_hWnd;
  delete popup;
  EXPECT_FALSE(IsWindow(frame));
  EXPECT_FALSE(IsWindow(body));
}

}  // namespace
