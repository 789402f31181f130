#include "browser/game_frame_rules.h"

#include <gtest/gtest.h>

#include "base/messages.h"

namespace {

const Hotkey kBossF10 = {0, VK_F10};
const Hotkey kSwitchCtrlTab = {2, VK_TAB};
const Hotkey kSoundCtrlQ = {2, 'Q'};

FrameKey Decide(UINT msg, WPARAM wp, LPARAM lp, int mods, const Hotkey& boss = kBossF10) {
  return DecideFrameKey(msg, wp, lp, mods, boss, kSwitchCtrlTab, kSoundCtrlQ);
}

TEST(FrameKeys, SwitchKeyIsForwardedOnlyWithExactlyItsModifiers) {
  EXPECT_EQ(FrameKey::ForwardToMain, Decide(WM_KEYDOWN, VK_TAB, 0x000F0001, 2));
  EXPECT_EQ(FrameKey::ForwardToMain, Decide(WM_SYSKEYDOWN, VK_TAB, 0x000F0001, 2));
  EXPECT_EQ(FrameKey::None, Decide(WM_KEYDOWN, VK_TAB, 0x000F0001, 2 | 4));
  EXPECT_EQ(FrameKey::None, Decide(WM_KEYDOWN, VK_TAB, 0x000F0001, 0));
  // The client's own synthesised keys are never taken for the user's.
  EXPECT_EQ(FrameKey::None, Decide(WM_KEYDOWN, VK_TAB, kSyntheticMarker, 2));
}

TEST(FrameKeys, HotkeyPressNeedsExactModifiersAndAUserKey) {
  EXPECT_TRUE(IsHotkeyPress(WM_KEYDOWN, VK_TAB, 1, 2, kSwitchCtrlTab));
  EXPECT_FALSE(IsHotkeyPress(WM_KEYUP, VK_TAB, 1, 2, kSwitchCtrlTab));
  EXPECT_FALSE(IsHotkeyPress(WM_KEYDOWN, VK_TAB, 1, 3, kSwitchCtrlTab));
  // A key that is off (vk 0) or not loaded (-1) never matches a real key.
  EXPECT_FALSE(IsHotkeyPress(WM_KEYDOWN, VK_TAB, 1, 2, Hotkey{2, 0}));
  EXPECT_FALSE(IsHotkeyPress(WM_KEYDOWN, VK_TAB, 1, 2, Hotkey{}));
  // Nor does a key event without a code.
  EXPECT_FALSE(IsHotkeyPress(WM_KEYDOWN, 0, 1, 0, Hotkey{0, 0}));
}

TEST(FrameKeys, CtrlDOnlyOnItsFirstPress) {
  EXPECT_EQ(FrameKey::Favourite, Decide(WM_CHAR, 4, 0x00200001, 2));
  // Auto-repeat sets the previous-state bit.
  EXPECT_EQ(FrameKey::None, Decide(WM_CHAR, 4, 0x40200001, 2));
  EXPECT_EQ(FrameKey::None, Decide(WM_CHAR, 4, 0x01200001, 2));  // extended
  EXPECT_EQ(FrameKey::None, Decide(WM_CHAR, 'd', 0x00200001, 0));
}

TEST(FrameKeys, F5RefreshesUnlessItIsAnotherHotkey) {
  EXPECT_EQ(FrameKey::Refresh, Decide(WM_KEYDOWN, VK_F5, 0x003F0001, 0));
  const Hotkey bossF5 = {0, VK_F5};
  EXPECT_EQ(FrameKey::Swallow, Decide(WM_KEYDOWN, VK_F5, 0x003F0001, 0, bossF5));
  // The menu's refresh still refreshes.
  EXPECT_EQ(FrameKey::Refresh, Decide(WM_KEYDOWN, VK_F5, kSyntheticMarker, 0, bossF5));
  // Ctrl+F5 as boss key leaves plain F5 alone.
  const Hotkey bossCtrlF5 = {2, VK_F5};
  EXPECT_EQ(FrameKey::Refresh, Decide(WM_KEYDOWN, VK_F5, 0x003F0001, 0, bossCtrlF5));
}

TEST(FrameKeys, MenuKeyHotkeysNeverReachTheWindowMenu) {
  // F10 as boss key: down and up, plain or system; its release also with
  // a modifier held. Otherwise the release would start keyboard-menu mode.
  for (UINT msg : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_KEYUP, WM_SYSKEYUP}) {
    EXPECT_EQ(FrameKey::Swallow, Decide(msg, VK_F10, 0x00440001, 0)) << msg;
  }
  EXPECT_EQ(FrameKey::Swallow, Decide(WM_SYSKEYUP, VK_F10, 0xC0440001, 2));
  // Alt alone as sound key, too.
  EXPECT_TRUE(
      IsMenuKeyHotkey(WM_SYSKEYUP, VK_MENU, 0xC0380001, 0, Hotkey{2, 'Q'}, Hotkey{0, VK_MENU}));
  // Ctrl+F10 as boss key takes only Ctrl+F10: plain F10 and Shift+F10
  // (the page's context menu) stay the page's, press and release.
  const Hotkey bossCtrlF10 = {2, VK_F10};
  EXPECT_EQ(FrameKey::Swallow, Decide(WM_SYSKEYDOWN, VK_F10, 0x00440001, 2, bossCtrlF10));
  for (UINT msg : {WM_SYSKEYDOWN, WM_SYSKEYUP}) {
    for (int mods : {0, 4}) {
      EXPECT_EQ(FrameKey::None, Decide(msg, VK_F10, 0x00440001, mods, bossCtrlF10)) << msg;
    }
  }
  // Keys the client sends itself, other keys and F10 when no hotkey is F10
  // keep their way.
  EXPECT_EQ(FrameKey::None, Decide(WM_SYSKEYUP, VK_F10, kSyntheticMarker, 0));
  EXPECT_FALSE(IsMenuKeyHotkey(WM_SYSKEYUP, VK_F10, 0xC0440001, 0, Hotkey{6, 'A'}, kSoundCtrlQ));
  EXPECT_FALSE(IsMenuKeyHotkey(WM_KEYUP, 'Q', 0xC0100001, 2, kBossF10, kSoundCtrlQ));
  EXPECT_FALSE(IsMenuKeyHotkey(WM_CHAR, VK_F10, 0x00440001, 0, kBossF10, kSoundCtrlQ));
  // A switched-off key (vk 0) matches nothing.
  EXPECT_FALSE(IsMenuKeyHotkey(WM_SYSKEYUP, VK_F10, 0xC0440001, 0, Hotkey{0, 0}, Hotkey{0, 0}));
}

TEST(FrameKeys, CloseCommandStartsTheTimer) {
  EXPECT_EQ(FrameKey::CloseTimer, Decide(WM_SYSCOMMAND, SC_CLOSE, 0, 0));
  EXPECT_EQ(FrameKey::None, Decide(WM_SYSCOMMAND, SC_MINIMIZE, 0, 0));
}

HWND W(int n) {
  return reinterpret_cast<HWND>(static_cast<INT_PTR>(n));
}

TEST(ScriptMessageBoxes, OnlyThisProcessInTitleOrder) {
  const std::vector<TopWindow> windows = {
      {W(1), 7, L"#32770", L"来自网页的消息"},  // another process: never touched
      {W(2), 5, L"#32770", L"Microsoft Internet Explorer"},
      {W(3), 5, L"#32770", L"Windows Internet Explorer"},
      {W(4), 5, L"Static", L"来自网页的消息"},
  };
  EXPECT_EQ(W(3), ScriptMessageBoxToClose(windows, 5));
  EXPECT_EQ(W(1), ScriptMessageBoxToClose(windows, 7));
  EXPECT_EQ(nullptr, ScriptMessageBoxToClose(windows, 9));
}

TEST(InternetExplorer, CommandLineFromAppPath) {
  EXPECT_EQ(L"\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" http://x/?a=1",
            IeCommandLine(L"\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" -nohome",
                          L"http://x/?a=1"));
  EXPECT_EQ(L"\"C:\\ie\\iexplore.exe\" u", IeCommandLine(L"C:\\ie\\iexplore.exe", L"u"));
  EXPECT_EQ(L"", IeCommandLine(L"", L"u"));
  EXPECT_EQ(L"", IeCommandLine(L"C:\\ie\\IEXPLORE.EXE", L"u"));  // the search is exact
}

TEST(Hotkeys, StoredForm) {
  Hotkey h = ParseHotkey(L"2,9");
  EXPECT_EQ(2, h.mods);
  EXPECT_EQ(9, h.vk);
  h = ParseHotkey(L" 6, 65x");
  EXPECT_EQ(6, h.mods);
  EXPECT_EQ(65, h.vk);
  h = ParseHotkey(L"121");
  EXPECT_EQ(121, h.mods);
  EXPECT_EQ(0, h.vk);
  h = ParseHotkey(L"a,b");
  EXPECT_EQ(0, h.mods);
  EXPECT_EQ(0, h.vk);
}

}  // namespace
