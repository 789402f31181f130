// Keys on their way to a hosted page, through the real pre-translation path
// (AfxPreTranslateMessage, as the message loops call it) and the real
// browser control: the window's own rules first, then the page, then the
// dialog's keyboard navigation.
//
// Wine's browser handles no keys by itself, so the page's key handler is
// stood in for by a recording object that the test names to the site, the way
// a control names its active object when it becomes UI-active.
#include <gtest/gtest.h>

#include <mshtmdid.h>

#include <vector>

#include "browser/game_frame_rules.h"
#include "framework/frame.h"
#include "framework/winapp.h"
#include "gamewnd/login_dlg.h"
#include "res/resource.h"

namespace {

class KeyRecorder : public IOleInPlaceActiveObject {
 public:
  std::vector<WPARAM> seen;
  WPARAM takes = 0;  // the one key the page keeps for itself

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleWindow) ||
        IsEqualIID(riid, IID_IOleInPlaceActiveObject)) {
      *ppv = static_cast<IOleInPlaceActiveObject*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  // Lives on the test's stack; the site's references are released before.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetWindow(HWND*) override { return E_NOTIMPL; }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(LPMSG msg) override {
    seen.push_back(msg->wParam);
    return msg->wParam == takes ? S_OK : S_FALSE;
  }
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
};

MSG KeyDown(HWND target, WPARAM vk) {
  MSG msg = {};
  msg.hwnd = target;
  msg.message = WM_KEYDOWN;
  msg.wParam = vk;
  msg.lParam = 1;
  return msg;
}

class KeyRouting : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
  void TearDown() override { OleUninitialize(); }

  // True when the loop would not dispatch the key.
  static bool Offer(HWND loopWindow, HWND target, WPARAM vk) {
    MSG msg = KeyDown(target, vk);
    return AfxPreTranslateMessage(loopWindow, &msg) != FALSE;
  }
};

TEST_F(KeyRouting, LoginPageSeesItsKeysBeforeTheDialog) {
  CLoginDlg login;
  ASSERT_TRUE(login.Create());
  HWND page = login.GetBrowserWindow();
  ASSERT_NE(nullptr, page);
  KeyRecorder recorder;
  login.GetControlSite()->SetActiveObject(&recorder, nullptr);

  // Tab moves between the page's fields: the page takes it, the dialog's
  // navigation never sees it.
  recorder.takes = VK_TAB;
  EXPECT_TRUE(Offer(login.m_hWnd, page, VK_TAB));
  // Clipboard and select-all keys and Enter (which submits the page's form)
  // reach the page too.
  for (WPARAM vk : {WPARAM('C'), WPARAM('V'), WPARAM('A'), WPARAM(VK_RETURN)}) {
    Offer(login.m_hWnd, page, vk);
  }
  EXPECT_EQ((std::vector<WPARAM>{VK_TAB, 'C', 'V', 'A', VK_RETURN}), recorder.seen);
  EXPECT_TRUE(IsWindow(login.m_hWnd));  // Enter did not close the window

  // Esc and F5 stay the login window's: swallowed before the page.
  recorder.seen.clear();
  EXPECT_TRUE(Offer(login.m_hWnd, page, VK_ESCAPE));
  EXPECT_TRUE(Offer(login.m_hWnd, page, VK_F5));
  EXPECT_TRUE(recorder.seen.empty());
  EXPECT_TRUE(IsWindow(login.m_hWnd));

  login.GetControlSite()->SetActiveObject(nullptr, nullptr);
  login.DestroyWindow();
}

TEST_F(KeyRouting, KeysOfOtherWindowsNeverReachThePage) {
  CLoginDlg login;
  ASSERT_TRUE(login.Create());
  KeyRecorder recorder;
  login.GetControlSite()->SetActiveObject(&recorder, nullptr);
  HWND other =
      CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  Offer(login.m_hWnd, other, 'X');
  EXPECT_TRUE(recorder.seen.empty());
  DestroyWindow(other);
  login.GetControlSite()->SetActiveObject(nullptr, nullptr);
  login.DestroyWindow();
}

TEST_F(KeyRouting, LoginPagePressesFindNoHandler) {
  // The dialog base drags its window from "body", "td" and "div" and gives
  // class "button" the sprite treatment; the login page keeps none of it.
  CLoginDlg login;
  CDHtmDlgEx base(IDD_WEBPAGE);
  for (DISPID event : {DISPID_HTMLELEMENTEVENTS_ONMOUSEDOWN, DISPID_HTMLELEMENTEVENTS_ONMOUSEUP,
                       DISPID_HTMLELEMENTEVENTS_ONMOUSEMOVE}) {
    for (const wchar_t* tag : {L"body", L"td", L"div"}) {
      EXPECT_NE(nullptr, FindDHtmlEventEntry(base.GetDHtmlEventMap(), event, tag, L""));
      EXPECT_EQ(nullptr, FindDHtmlEventEntry(login.GetDHtmlEventMap(), event, tag, L""));
      EXPECT_EQ(nullptr, FindDHtmlEventEntry(login.GetDHtmlEventMap(), event, tag, L"big button"));
    }
  }
}

// A game frame with the frame's real keyboard rules: F5 is the boss key.
class RuledFrame : public CFrameWnd {
 public:
  int offered = 0;
  BOOL PreTranslateMessage(MSG* pMsg) override {
    ++offered;
    const Hotkey boss{0, VK_F5}, switchKey{2, VK_TAB}, sound{2, 'Q'};
    return DecideFrameKey(pMsg->message, pMsg->wParam, pMsg->lParam, 0, boss, switchKey, sound) !=
           FrameKey::None;
  }
};

TEST_F(KeyRouting, GameFrameRulesComeBeforeTheGamePage) {
  CHtmlView view;
  RuledFrame frame;
  ASSERT_TRUE(frame.LoadFrame(0, &view));
  HWND page = view.GetBrowserWindow();
  ASSERT_NE(nullptr, page);
  KeyRecorder recorder;
  view.GetControlSite()->SetActiveObject(&recorder, nullptr);

  // F5 (the boss key here) is the frame's: the page never reloads from it.
  EXPECT_TRUE(Offer(frame.m_hWnd, page, VK_F5));
  EXPECT_TRUE(recorder.seen.empty());
  EXPECT_GE(frame.offered, 1);

  // A key the frame leaves alone reaches the page.
  recorder.takes = 'A';
  EXPECT_TRUE(Offer(frame.m_hWnd, page, 'A'));
  EXPECT_EQ(std::vector<WPARAM>{'A'}, recorder.seen);

  view.GetControlSite()->SetActiveObject(nullptr, nullptr);
  frame.DestroyWindow();
}

}  // namespace
