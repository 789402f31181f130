// The hotkeys: stored form, shown form, key names, and the settings dialog's
// decisions (recording, conflicts, what confirming writes, whom it tells).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "hotkeys/hotkey.h"

namespace {

constexpr int kCtrl = MOD_CONTROL, kShift = MOD_SHIFT, kAlt = MOD_ALT;

std::wstring Ctrl(const std::wstring& rest) {
  return L"Ctrl  +  " + rest;
}

TEST(HotkeyValue, ReadLikeTheStoredFormWasAlwaysRead) {
  struct {
    const wchar_t* text;
    int mods, vk;
  } cases[] = {
      {L"6,65", 6, 65},    {L" 2 , 9", 2, 9},  {L"\t0,\t121", 0, 121}, {L"+2,-9", 2, -9},
      {L"-1,+65", -1, 65}, {L"2", 2, 0},       {L"2,", 2, 0},          {L",81", 0, 81},
      {L"", 0, 0},         {L"x,y", 0, 0},     {L"2x,9y", 2, 9},       {L"2,9,4", 2, 9},
      {L"  ,  ", 0, 0},    {L"1 2,3 4", 1, 3}, {L"Ctrl+Q", 0, 0},
  };
  for (const auto& c : cases) {
    const Hotkey h = ParseHotkey(c.text);
    EXPECT_EQ(c.mods, h.mods) << c.text;
    EXPECT_EQ(c.vk, h.vk) << c.text;
  }
  EXPECT_EQ(L"6,65", HotkeyValue(Hotkey{6, 65}));
  EXPECT_EQ(L"0,0", HotkeyValue(Hotkey{0, 0}));
}

class HotkeyFile : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t dir[MAX_PATH], file[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    ::GetTempFileNameW(dir, L"hk", 0, file);
    path_ = file;
  }
  void TearDown() override { ::DeleteFileW(path_.c_str()); }
  void Store(const wchar_t* key, const wchar_t* value) {
    ::WritePrivateProfileStringW(L"Tolv", key, value, path_.c_str());
  }
  std::wstring Stored(const wchar_t* key) {
    wchar_t value[64] = {};
    ::GetPrivateProfileStringW(L"Tolv", key, L"<none>", value, 64, path_.c_str());
    return value;
  }
  std::wstring path_;
};

TEST_F(HotkeyFile, MissingKeysTakeTheDefaultsAndLongValuesAreCut) {
  EXPECT_EQ((Hotkey{0, 121}), ReadHotkey(path_, kBossKeyName, kBossKeyDefault));
  EXPECT_EQ((Hotkey{2, 9}), ReadHotkey(path_, kSwitchKeyName, kSwitchKeyDefault));
  EXPECT_EQ((Hotkey{2, 81}), ReadHotkey(path_, kSoundKeyName, kSoundKeyDefault));
  // Only 31 characters are read: the key beyond them is lost.
  Store(kBossKeyName, (L"2" + std::wstring(29, L' ') + L",65").c_str());
  EXPECT_EQ((Hotkey{2, 0}), ReadHotkey(path_, kBossKeyName, kBossKeyDefault));
  Store(kBossKeyName, (L"2" + std::wstring(28, L' ') + L",65").c_str());
  EXPECT_EQ((Hotkey{2, 6}), ReadHotkey(path_, kBossKeyName, kBossKeyDefault));
  // An empty value is present: no default, and no key.
  Store(kSoundKeyName, L"");
  EXPECT_EQ((Hotkey{0, 0}), ReadHotkey(path_, kSoundKeyName, kSoundKeyDefault));
  // Shift, Ctrl or Alt as the key is refused; the keys beside them are not.
  for (const wchar_t* value : {L"0,16", L"1,17", L"2,18"}) {
    Store(kBossKeyName, value);
    EXPECT_EQ(0, ReadHotkey(path_, kBossKeyName, kBossKeyDefault).vk) << value;
  }
  Store(kBossKeyName, L"0,19");
  EXPECT_EQ(19, ReadHotkey(path_, kBossKeyName, kBossKeyDefault).vk);
}

TEST_F(HotkeyFile, WrittenValuesReadBack) {
  WriteHotkey(path_, kBossKeyName, Hotkey{6, 65});
  WriteHotkey(path_, kSoundKeyName, Hotkey{0, 0});
  EXPECT_EQ(L"6,65", Stored(kBossKeyName));
  EXPECT_EQ(L"0,0", Stored(kSoundKeyName));
  EXPECT_EQ(L"<none>", Stored(kSwitchKeyName));
  EXPECT_EQ((Hotkey{6, 65}), ReadHotkey(path_, kBossKeyName, kBossKeyDefault));
}

TEST(HotkeyText, ShownFormAndKeyNames) {
  EXPECT_EQ(L"F10", FormatHotkey(0, 121));
  EXPECT_EQ(Ctrl(L"Tab"), FormatHotkey(2, 9));
  EXPECT_EQ(Ctrl(L"Q"), FormatHotkey(2, 81));
  // Ctrl, Shift, Alt in this order whatever the bits' order.
  EXPECT_EQ(L"Ctrl  +  Shift  +  Alt  +  A", FormatHotkey(7, 'A'));
  EXPECT_EQ(L"Shift  +  Alt  +  F1", FormatHotkey(5, VK_F1));
  EXPECT_EQ(L"无", FormatHotkey(6, 0));
  EXPECT_EQ(L"无", FormatHotkey(0, 0));
  // A key without a name leaves the modifiers dangling.
  EXPECT_EQ(Ctrl(L""), FormatHotkey(2, 0xE5));

  EXPECT_EQ(L"0", KeyName('0'));
  EXPECT_EQ(L"Z", KeyName('Z'));
  EXPECT_EQ(L"F12", KeyName(VK_F12));
  EXPECT_EQ(L"Num 0", KeyName(VK_NUMPAD0));
  EXPECT_EQ(L"Num 9", KeyName(VK_NUMPAD9));
  EXPECT_EQ(L"Pause Break", KeyName(VK_PAUSE));
  EXPECT_EQ(L"Num Del", KeyName(VK_DECIMAL));
  EXPECT_EQ(L"\\", KeyName(0xDC));
  EXPECT_EQ(L"'", KeyName(0xDE));
  for (int vk :
       {0, 1, 0x0C, 0x2F, 0x3A, 0x40, 0x5D, 0x6C, 0x7C, 0x92, 0xC1, 0xDF, 0xFF, -1, 0x141}) {
    EXPECT_EQ(L"", KeyName(vk)) << vk;
  }
  for (int vk = 0; vk < 256; ++vk) EXPECT_LE(KeyName(vk).size(), 15u) << vk;
}

TEST(HotkeyText, EveryAcceptedKeyHasAName) {
  int accepted = 0;
  for (int vk = 0; vk < 256; ++vk) {
    if (!IsHotkeyKey(vk)) continue;
    ++accepted;
    EXPECT_NE(L"", KeyName(vk)) << vk;
  }
  // F1-F11, digits, letters, 8 cursor keys, Insert, Caps, 7 + 4 punctuation,
  // Num Lock, 12 + 3 keypad keys.
  EXPECT_EQ(11 + 10 + 26 + 8 + 1 + 1 + 7 + 4 + 1 + 12 + 3, accepted);
  for (int vk : {VK_F12, VK_TAB, VK_BACK, VK_DELETE, VK_ESCAPE, VK_RETURN, VK_CONTROL, VK_SHIFT,
                 VK_MENU, VK_LWIN, VK_SEPARATOR, VK_SCROLL, VK_PAUSE}) {
    EXPECT_FALSE(IsHotkeyKey(vk)) << vk;
  }
}

TEST(SettingKeys, WhatTheDialogRecords) {
  EXPECT_EQ(SettingKey::Record, ClassifySettingKey(WM_KEYDOWN, 'A', true));
  EXPECT_EQ(SettingKey::Pass, ClassifySettingKey(WM_KEYDOWN, 'A', false));
  // Esc and Enter do nothing, wherever the focus is.
  for (bool inField : {true, false}) {
    EXPECT_EQ(SettingKey::Swallow, ClassifySettingKey(WM_KEYDOWN, VK_ESCAPE, inField));
    EXPECT_EQ(SettingKey::Swallow, ClassifySettingKey(WM_KEYDOWN, VK_RETURN, inField));
  }
  // With Alt held only F10 and Alt itself arrive as recordable keys.
  EXPECT_EQ(SettingKey::Record, ClassifySettingKey(WM_SYSKEYDOWN, VK_F10, true));
  EXPECT_EQ(SettingKey::Record, ClassifySettingKey(WM_SYSKEYDOWN, VK_MENU, true));
  EXPECT_EQ(SettingKey::Pass, ClassifySettingKey(WM_SYSKEYDOWN, 'X', true));
  EXPECT_EQ(SettingKey::Pass, ClassifySettingKey(WM_KEYUP, 'A', true));
  EXPECT_EQ(SettingKey::Pass, ClassifySettingKey(WM_CHAR, 'a', true));
}

class Form : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.Load(FieldBoss, Hotkey{0, 121});
    form_.Load(FieldSwitch, Hotkey{2, 9});
    form_.Load(FieldSound, Hotkey{2, 81});
  }
  Hotkey Saved(HotkeyField field) {
    Hotkey h{-7, -7};
    return form_.ValueToSave(field, &h) ? h : Hotkey{-7, -7};
  }
  HotkeyForm form_;
};

TEST_F(Form, OpensWithTheStoredKeys) {
  EXPECT_EQ(L"F10", form_.Text(FieldBoss));
  EXPECT_EQ(Ctrl(L"Tab"), form_.Text(FieldSwitch));
  EXPECT_EQ(Ctrl(L"Q"), form_.Text(FieldSound));
  EXPECT_EQ(81, form_.MainKey(FieldSound));
  EXPECT_FALSE(form_.HasConflict());
  HotkeyForm off;
  off.Load(FieldBoss, ParseHotkey(L"2"));
  EXPECT_EQ(L"无", off.Text(FieldBoss));
}

TEST_F(Form, RecordingKeys) {
  EXPECT_EQ(L"Ctrl  +  Shift  +  A", form_.Press(FieldBoss, 'A', kCtrl | kShift));
  EXPECT_EQ((Hotkey{6, 65}), Saved(FieldBoss));
  // Modifiers alone dangle and are not saved; the last key stays the main key.
  EXPECT_EQ(Ctrl(L""), form_.Press(FieldBoss, VK_CONTROL, kCtrl));
  EXPECT_EQ('A', form_.MainKey(FieldBoss));
  EXPECT_EQ((Hotkey{-7, -7}), Saved(FieldBoss));
  // Alt + F10 (a system key) is kept with its Alt.
  EXPECT_EQ(L"Alt  +  F10", form_.Press(FieldBoss, VK_F10, kAlt));
  EXPECT_EQ((Hotkey{1, 121}), Saved(FieldBoss));
  // Tab is a main key for the window-switch field only.
  EXPECT_EQ(L"", form_.Press(FieldBoss, VK_TAB, 0));
  EXPECT_EQ((Hotkey{-7, -7}), Saved(FieldBoss));
  EXPECT_EQ(L"Shift  +  Tab", form_.Press(FieldSwitch, VK_TAB, kShift));
  EXPECT_EQ((Hotkey{4, 9}), Saved(FieldSwitch));
}

TEST_F(Form, ClearingKeysSwitchAKeyOff) {
  for (int key : {VK_BACK, VK_DELETE, VK_LWIN, VK_RWIN, VK_F12}) {
    form_.Press(FieldSound, 'Z', 0);
    EXPECT_EQ(L"无", form_.Press(FieldSound, key, kCtrl)) << key;
    EXPECT_EQ('Z', form_.MainKey(FieldSound));
    EXPECT_EQ((Hotkey{0, 0}), Saved(FieldSound));
  }
  // F12 clears the boss and sound fields but is no key of the switch field.
  EXPECT_EQ(L"", form_.Press(FieldSwitch, VK_F12, 0));
  EXPECT_EQ(9, form_.MainKey(FieldSwitch));
  EXPECT_EQ(L"无", form_.Press(FieldSwitch, VK_BACK, 0));
}

TEST_F(Form, EqualKeysConflictTwoSwitchedOffKeysDoNot) {
  form_.Press(FieldBoss, 'A', kCtrl | kShift);
  form_.Press(FieldSound, 'A', kCtrl | kShift);
  EXPECT_TRUE(form_.HasConflict());
  form_.Press(FieldSound, 'B', kCtrl | kShift);
  EXPECT_FALSE(form_.HasConflict());
  // Both off: nothing can clash, and both are written as 0,0.
  form_.Press(FieldBoss, VK_BACK, 0);
  form_.Press(FieldSound, VK_DELETE, 0);
  EXPECT_FALSE(form_.HasConflict());
  EXPECT_EQ((Hotkey{0, 0}), Saved(FieldBoss));
  EXPECT_EQ((Hotkey{0, 0}), Saved(FieldSound));
  // Equal unfinished texts still count as a conflict.
  form_.Press(FieldBoss, VK_CONTROL, kCtrl);
  form_.Press(FieldSound, VK_CONTROL, kCtrl);
  EXPECT_TRUE(form_.HasConflict());
}

TEST_F(Form, AFieldKeptAsStoredStillCounts) {
  // The boss field is left dangling, so F10 stays the boss key; the sound
  // field must not take F10 as well.
  form_.Press(FieldBoss, VK_SHIFT, kShift);
  form_.Press(FieldSound, VK_F10, 0);
  EXPECT_TRUE(form_.HasConflict());
  form_.Press(FieldSound, VK_F9, 0);
  EXPECT_FALSE(form_.HasConflict());
  // Alt + X shows "Alt  +  " (the X is a system key the dialog passes on)
  // and keeps the boss key too.
  form_.Press(FieldBoss, VK_MENU, kAlt);
  form_.Press(FieldSwitch, VK_F10, 0);
  EXPECT_TRUE(form_.HasConflict());
}

// Dialog windows as the other processes' windows would be: the main window is
// an unowned dialog titled "BrindloTolvane".
class ReloadTargets : public ::testing::Test {
 protected:
  HWND Make(const wchar_t* cls, const wchar_t* title, HWND owner = nullptr) {
    HWND w = ::CreateWindowExW(0, cls, title, WS_POPUP, 0, 0, 10, 10, owner, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
    windows_.push_back(w);
    return w;
  }
  void TearDown() override {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) ::DestroyWindow(*it);
  }
  std::vector<HWND> windows_;
};

TEST_F(ReloadTargets, UnownedMainWindowsOnlyAtMostTen) {
  std::vector<HWND> all;
  HWND main = Make(L"#32770", L"BrindloTolvane");
  all.push_back(main);
  all.push_back(Make(L"#32770", L"BrindloTolvane", main));  // a login window or message box
  all.push_back(Make(L"#32770", L"BrindloTolvane2"));
  all.push_back(Make(L"#32770", L"brindlotolvane"));
  all.push_back(Make(L"STATIC", L"BrindloTolvane"));
  all.push_back(nullptr);
  std::vector<HWND> mains = {main};
  for (int i = 0; i < 11; ++i) {
    HWND w = Make(L"#32770", L"BrindloTolvane");
    all.push_back(w);
    mains.push_back(w);
  }
  const std::vector<HWND> targets = HotkeyReloadTargets(all);
  ASSERT_EQ(10u, targets.size());
  EXPECT_EQ(std::vector<HWND>(mains.begin(), mains.begin() + 10), targets);
}

TEST_F(ReloadTargets, NotifyPostsTheReloadToMainWindows) {
  HWND main = Make(L"#32770", L"BrindloTolvane");
  HWND owned = Make(L"#32770", L"BrindloTolvane", main);
  NotifyHotkeyChange();
  MSG msg;
  // Other test programs may have main windows too; ours comes first in the
  // z-order as the newest, so it is among the ten.
  ASSERT_TRUE(::PeekMessageW(&msg, main, WM_USER + 4, WM_USER + 4, PM_REMOVE));
  EXPECT_EQ(0u, msg.wParam);
  EXPECT_EQ(0, msg.lParam);
  EXPECT_FALSE(::PeekMessageW(&msg, main, WM_USER + 4, WM_USER + 4, PM_REMOVE));
  EXPECT_FALSE(::PeekMessageW(&msg, owned, WM_USER + 4, WM_USER + 4, PM_REMOVE));
}

}  // namespace
