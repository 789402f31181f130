// The main window's tab strip arithmetic, caption layout, menus and the
// keyboard hook's decisions.
#include <gtest/gtest.h>

#include "gamewnd/main_chrome.h"
#include "gamewnd/window_util.h"

namespace {

bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Wide characters 12 pixels, others 6: roughly the tab face.
int FakeWidth(const std::wstring& text) {
  int w = 0;
  for (wchar_t c : text) w += c >= 0x2E80 ? 12 : 6;
  return w;
}

TEST(TabBand, PointsMapToTabsAndCrossesAtTheEdges) {
  // Outside the band: left of the strip, above, below, right of the last tab.
  EXPECT_EQ(-1, HitTabBand(120, 10, 3).tab);
  EXPECT_EQ(-1, HitTabBand(130, 2, 3).tab);
  EXPECT_EQ(-1, HitTabBand(130, 25, 3).tab);
  EXPECT_EQ(-1, HitTabBand(120 + 189 * 3, 10, 3).tab);
  EXPECT_EQ(-1, HitTabBand(200, 10, 0).tab);
  // Inside: first and last pixels of each tab.
  EXPECT_EQ(0, HitTabBand(121, 3, 3).tab);
  EXPECT_EQ(0, HitTabBand(308, 24, 3).tab);
  EXPECT_EQ(1, HitTabBand(309, 10, 3).tab);
  EXPECT_EQ(2, HitTabBand(120 + 189 * 3 - 1, 10, 3).tab);
  // The cross: x 296..309 of the tab, y below 16.
  EXPECT_FALSE(HitTabBand(295, 10, 1).onCross);
  EXPECT_TRUE(HitTabBand(296, 3, 1).onCross);
  EXPECT_TRUE(HitTabBand(308, 15, 1).onCross);
  EXPECT_FALSE(HitTabBand(300, 16, 1).onCross);
  const TabHit second = HitTabBand(296 + 189, 8, 2);
  EXPECT_EQ(1, second.tab);
  EXPECT_TRUE(second.onCross);
  // The first pixel of tab 1 is its body, not tab 0's cross.
  EXPECT_FALSE(HitTabBand(309, 8, 2).onCross);
}

TEST(TabBand, CellsLabelsAndCrossesLieWhereTheyAreDrawn) {
  EXPECT_TRUE(TabCellRect(2) == (RECT{498, 3, 687, 25}));
  EXPECT_TRUE(TabLabelRect(1) == (RECT{325, 8, 485, 22}));
  EXPECT_TRUE(TabCrossRect(0) == (RECT{296, 3, 309, 16}));
  EXPECT_TRUE(TabStripRect(3) == (RECT{120, 3, 687, 25}));
}

TEST(TabLabel, OnlyLabelsWiderThanTheCellAreCut) {
  // 30 characters of mixed width: cut to 18 and "...".
  const std::wstring mixed = L"qq号码-张三abc李四def王五ghi赵六jkl钱七mno";
  ASSERT_EQ(30u, mixed.size());
  EXPECT_EQ(mixed.substr(0, 18) + L"...", CutTabLabel(mixed, FakeWidth));
  // Exactly 160 pixels stays whole; one pixel more is cut.
  const std::wstring fits(13, L'汉');  // 156
  EXPECT_EQ(fits, CutTabLabel(fits, FakeWidth));
  auto width = [](const std::wstring& t) { return t.size() == 20 ? 161 : 160; };
  EXPECT_EQ(std::wstring(18, L'a') + L"...", CutTabLabel(std::wstring(20, L'a'), width));
  EXPECT_EQ(L"", CutTabLabel(L"", FakeWidth));
}

TEST(TabLabel, ACharacterOfTwoUnitsIsNeverSplit) {
  // The 18th unit is the first half of U+1F600.
  std::wstring text(17, L'a');
  text += L"\xD83D\xDE00";
  text += std::wstring(30, L'b');
  auto wide = [](const std::wstring&) { return 500; };
  EXPECT_EQ(std::wstring(17, L'a') + L"...", CutTabLabel(text, wide));
}

TEST(TabHover, RepaintsTheOldCrossOrCellAndTheNewCell) {
  EXPECT_TRUE(HoverRepaint({1, 0}, {1, 0}).empty());
  // The same tab, body to cross: only the cross.
  auto same = HoverRepaint({1, 0}, {1, 1});
  ASSERT_EQ(1u, same.size());
  EXPECT_TRUE(same[0] == TabCrossRect(1));
  // Another tab: both cells.
  auto moved = HoverRepaint({0, 1}, {2, 0});
  ASSERT_EQ(2u, moved.size());
  EXPECT_TRUE(moved[0] == TabCellRect(0));
  EXPECT_TRUE(moved[1] == TabCellRect(2));
  // From nothing: the new cell only.
  auto fresh = HoverRepaint({-1, -1}, {0, 0});
  ASSERT_EQ(1u, fresh.size());
  EXPECT_TRUE(fresh[0] == TabCellRect(0));
}

TEST(Caption, ControlsStandFromTheRightEdgeAtEveryWidth) {
  RECT r;
  for (int w : {1138, 1280}) {
    ASSERT_TRUE(CaptionControlRect(kSystemButton, w, 0, &r));
    EXPECT_TRUE(r == (RECT{w - 185, 0, w - 141, 28}));
    ASSERT_TRUE(CaptionControlRect(kHideButton, w, 0, &r));
    EXPECT_TRUE(r == (RECT{w - 114, 0, w - 87, 27}));
    ASSERT_TRUE(CaptionControlRect(kSoundButton, w, 0, &r));
    EXPECT_TRUE(r == (RECT{w - 141, 0, w - 114, 27}));
    ASSERT_TRUE(CaptionControlRect(kForumButton, w, 0, &r));
    EXPECT_TRUE(r == (RECT{w - 229, 0, w - 185, 28}));
    ASSERT_TRUE(CaptionControlRect(kSiteButton, w, 0, &r));
    EXPECT_TRUE(r == (RECT{w - 273, 0, w - 229, 28}));
    ASSERT_TRUE(CaptionControlRect(kAddAccountLink, w, 0, &r));
    EXPECT_TRUE(r == (RECT{w - 373, 7, w - 281, 23}));
    // The portal link grows leftwards with its text.
    ASSERT_TRUE(CaptionControlRect(kPortalLink, w, 24, &r));
    EXPECT_TRUE(r == (RECT{w - 425, 7, w - 381, 23}));
  }
  EXPECT_FALSE(CaptionControlRect(1004, 1000, 0, &r));
}

TEST(Caption, TabsSetTheSmallestWindow) {
  int w = 100, h = 100;
  EXPECT_FALSE(RaiseToMinimum(0, &w, &h));
  EXPECT_EQ(100, w);
  EXPECT_TRUE(RaiseToMinimum(3, &w, &h));
  EXPECT_EQ(1138, w);
  EXPECT_EQ(260, h);
  w = 1200, h = 200;
  EXPECT_TRUE(RaiseToMinimum(3, &w, &h));
  EXPECT_EQ(1200, w);
  EXPECT_EQ(260, h);
  w = 760, h = 600;
  EXPECT_FALSE(RaiseToMinimum(1, &w, &h));
}

TEST(Menus, SystemAndTrayMenusHoldTheirItemsInOrder) {
  const auto system = MainMenuItems(Hotkey{0, 121}, false);
  ASSERT_EQ(6u, system.size());
  EXPECT_EQ(kMenuRefresh, system[0].id);
  EXPECT_EQ(L"刷新 (F5)", system[0].text);
  EXPECT_EQ(kMenuHide, system[1].id);
  EXPECT_EQ(L"隐藏/恢复(F10)", system[1].text);
  EXPECT_EQ(L"清除缓存", system[2].text);
  EXPECT_EQ(0u, system[3].id);
  EXPECT_EQ(kMenuSettings, system[4].id);
  EXPECT_EQ(L"设置...", system[4].text);
  EXPECT_EQ(0xFFFFFFFFu, system[5].id);
  EXPECT_EQ(L"版本号: 3.0.1.3", system[5].text);

  const auto tray = MainMenuItems(Hotkey{6, 65}, true);
  ASSERT_EQ(6u, tray.size());
  EXPECT_EQ(L"隐藏/恢复(Ctrl  +  Shift  +  A)", tray[1].text);
  EXPECT_EQ(kMenuExit, tray[5].id);
  EXPECT_EQ(L"退出", tray[5].text);
  // A switched-off boss key still names itself.
  EXPECT_EQ(L"隐藏/恢复(无)", MainMenuItems(Hotkey{0, 0}, false)[1].text);
}

TEST(KeyboardHook, ActsOnlyOnUserPressesWithExactModifiers) {
  const Hotkey boss{0, VK_F10}, sound{2, 'Q'};
  auto decide = [&](WPARAM msg, DWORD vk, int mods, ULONG_PTR extra = 0) {
    return DecideHookKey(msg, vk, extra, mods, boss, sound);
  };
  EXPECT_EQ(HookAction::ToggleHide, decide(WM_KEYDOWN, VK_F10, 0));
  // F10 arrives as a system key.
  EXPECT_EQ(HookAction::ToggleHide, decide(WM_SYSKEYDOWN, VK_F10, 0));
  EXPECT_EQ(HookAction::None, decide(WM_KEYUP, VK_F10, 0));
  EXPECT_EQ(HookAction::None, decide(WM_KEYDOWN, VK_F10, 2));
  EXPECT_EQ(HookAction::FlipSound, decide(WM_KEYDOWN, 'Q', 2));
  // Ctrl+Shift+Q is not Ctrl+Q.
  EXPECT_EQ(HookAction::None, decide(WM_KEYDOWN, 'Q', 6));
  // A key the client injected itself is not the player's.
  EXPECT_EQ(HookAction::None, decide(WM_KEYDOWN, VK_F10, 0, 5271));
  // Keys not yet loaded, and keys switched off, never fire, not even for a
  // key event without a key code.
  EXPECT_EQ(HookAction::None, DecideHookKey(WM_KEYDOWN, 0, 0, 0, Hotkey{0, 0}, Hotkey{0, 0}));
  EXPECT_EQ(HookAction::None, DecideHookKey(WM_KEYDOWN, VK_F10, 0, 0, Hotkey{}, Hotkey{}));
  // The hotkeys reach the hook's thread in one parameter each, signs kept.
  for (const Hotkey& key : {Hotkey{6, 65}, Hotkey{0, 0}, Hotkey{}}) {
    EXPECT_TRUE(UnpackHotkey(PackHotkey(key)) == key);
  }
}

TEST(MainKeys, RoutedInTheirOrder) {
  const Hotkey sw{2, VK_TAB}, boss{0, VK_F10}, sound{2, 'Q'};
  auto decide = [&](UINT msg, WPARAM wp, LPARAM lp, int tabs, bool login = false, int mods = 0) {
    return DecideMainKey(msg, wp, lp, mods, tabs, login, sw, boss, sound);
  };
  EXPECT_EQ(MainKey::NextTab, decide(WM_KEYDOWN, VK_TAB, 0x000F0001, 1, false, 2));
  EXPECT_EQ(MainKey::Swallow, decide(WM_SYSKEYUP, VK_F10, 0xC0440001, 1));
  EXPECT_EQ(MainKey::Swallow, decide(WM_KEYDOWN, VK_ESCAPE, 1, 0));
  EXPECT_EQ(MainKey::Swallow, decide(WM_KEYDOWN, VK_SPACE, 1, 2));
  // An abandoned login: the end before the first tab, else only its handle;
  // with no handle either, the close question.
  EXPECT_EQ(MainKey::ExitAll, decide(WM_SYSCOMMAND, SC_CLOSE, 5271, 0, true));
  EXPECT_EQ(MainKey::ForgetLogin, decide(WM_SYSCOMMAND, SC_CLOSE, 5271, 2, true));
  EXPECT_EQ(MainKey::None, decide(WM_SYSCOMMAND, SC_CLOSE, 5271, 2, false));
  // The close command without tabs asks nothing; with tabs it asks.
  EXPECT_EQ(MainKey::EndLoginAndExit, decide(WM_SYSCOMMAND, SC_CLOSE, 0, 0));
  EXPECT_EQ(MainKey::None, decide(WM_SYSCOMMAND, SC_CLOSE, 0, 1));
  // F5 and Ctrl+D (its first press only) go to a tab, when there is one.
  EXPECT_EQ(MainKey::ForwardToTab, decide(WM_KEYDOWN, VK_F5, 5271, 1));
  EXPECT_EQ(MainKey::ForwardToTab, decide(WM_CHAR, 4, 0x00200001, 1));
  EXPECT_EQ(MainKey::None, decide(WM_CHAR, 4, 0x40200001, 1));
  EXPECT_EQ(MainKey::None, decide(WM_KEYDOWN, VK_F5, 1, 0));
  EXPECT_EQ(MainKey::RestoreEmpty, decide(WM_SYSCOMMAND, SC_RESTORE, 0, 0));
  EXPECT_EQ(MainKey::None, decide(WM_SYSCOMMAND, SC_RESTORE, 0, 1));
}

// A window of class `cls` (registered here) inside `parent`.
HWND Child(HWND parent, const wchar_t* cls) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = cls;
  ::RegisterClassW(&wc);
  return ::CreateWindowExW(0, cls, nullptr, parent ? WS_CHILD : WS_POPUP, 0, 0, 10, 10, parent,
                           nullptr, wc.hInstance, nullptr);
}

TEST(RestoredGame, TheGameIsFoundUnderTheViewWhateverItsClass) {
  // A game frame: a status bar first, then our view with the browser in it.
  HWND frame = Child(nullptr, L"TolvTestGameFrame");
  Child(frame, L"msctls_statusbar32");
  HWND view = Child(frame, L"TolvHtmlView");
  EXPECT_TRUE(GameRepaintWindows(frame).empty());
  HWND server = Child(Child(Child(view, L"Shell Embedding"), L"Shell DocObject View"),
                      L"Internet Explorer_Server");
  EXPECT_EQ(std::vector<HWND>{server}, GameRepaintWindows(frame));
  HWND flash = Child(server, L"MacromediaFlashPlayerActiveX");
  EXPECT_EQ((std::vector<HWND>{server, flash}), GameRepaintWindows(frame));
  EXPECT_TRUE(GameRepaintWindows(nullptr).empty());
  ::DestroyWindow(frame);
}

TEST(KeyboardHook, TheSoundFlagFlips) {
  EXPECT_EQ(1, FlipSoundFlag(0));
  EXPECT_EQ(0, FlipSoundFlag(1));
  EXPECT_EQ(0, FlipSoundFlag(7));
}

}  // namespace
