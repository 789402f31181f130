#include "browser/game_frame_rules.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <vector>

#include "base/messages.h"
#include "base/web_address.h"
#include "browser/outside_page.h"

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

TEST(InternetExplorer, PathFromAppPathAnyCaseAndExpanded) {
  EXPECT_EQ(
      L"C:\\Program Files\\Internet Explorer\\iexplore.exe",
      IePathFromAppPath(L"\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" -nohome", REG_SZ));
  // Windows itself writes the name in capitals.
  EXPECT_EQ(L"C:\\ie\\IEXPLORE.EXE", IePathFromAppPath(L"C:\\ie\\IEXPLORE.EXE", REG_SZ));
  SetEnvironmentVariableW(L"TOLV_IE_DIR", L"D:\\Programme");
  EXPECT_EQ(L"D:\\Programme\\IE\\IExplore.Exe",
            IePathFromAppPath(L"%TOLV_IE_DIR%\\IE\\IExplore.Exe", REG_EXPAND_SZ));
  // A plain string is taken as it stands.
  EXPECT_EQ(L"%TOLV_IE_DIR%\\iexplore.exe",
            IePathFromAppPath(L"%TOLV_IE_DIR%\\iexplore.exe", REG_SZ));
  SetEnvironmentVariableW(L"TOLV_IE_DIR", nullptr);
  EXPECT_EQ(L"", IePathFromAppPath(L"", REG_SZ));
  EXPECT_EQ(L"", IePathFromAppPath(L"\".exe\"", REG_SZ));
  EXPECT_EQ(L"", IePathFromAppPath(L"C:\\ie\\iexplore.com", REG_SZ));
}

// Addresses a page or an answer may send, none of which is a web page that
// may leave the client.
const wchar_t* const kHostile[] = {L"file:///C:/windows/system32/calc.exe",
                                   L"FILE://C:/x.exe",
                                   L"C:\\windows\\notepad.exe",
                                   L"\\\\server\\share\\x.exe",
                                   L"//server/share/x.exe",
                                   L"notepad",
                                   L"javascript:alert(1)",
                                   L"JavaScript:alert(1)",
                                   L"about:blank",
                                   L"res://ieframe.dll/x",
                                   L"mailto:a@b",
                                   L"-extoff http://x/",
                                   L" http://x/",
                                   L"http://",
                                   L"https://",
                                   L"http:///etc/passwd",
                                   L"http://\\\\server\\x",
                                   L"http://x/\" -extoff \"",
                                   L"http://x/\r\nHost: y",
                                   L"http://x/\n-extoff",
                                   L"http://x/\t-extoff",
                                   L"http://x/\x7f",
                                   L""};

TEST(OutsidePages, OnlyWebAddressesQuotedAsOneArgument) {
  for (const wchar_t* url : kHostile) {
    EXPECT_FALSE(CheckWebAddress(url).ok) << url;
  }
  EXPECT_FALSE(CheckWebAddress(L"http://x/" + std::wstring(kMaxWebAddress, L'a')).ok);
  // Blanks are written escaped, so that a browser whose registered command
  // leaves "%1" unquoted still reads one address and no switch.
  const WebAddress blank = CheckWebAddress(L"http://x/a b -extoff");
  ASSERT_TRUE(blank.ok);
  EXPECT_EQ(L"http://x/a%20b%20-extoff", blank.address);
  EXPECT_EQ(L"\"http://x/a%20b%20-extoff\"", blank.argument);
  EXPECT_TRUE(CheckWebAddress(L"HTTPS://forum.example/x?a=1&b=%22").ok);
  const std::wstring longest = L"http://x/" + std::wstring(kMaxWebAddress - 9, L'a');
  EXPECT_TRUE(CheckWebAddress(longest).ok);
  // Escaping a blank must not carry the address past the limit.
  EXPECT_FALSE(CheckWebAddress(L"http://x/ " + std::wstring(kMaxWebAddress - 11, L'a')).ok);

  const IeStart ie = IeStartFor(L"C:\\ie\\iexplore.exe", L"http://x/a b");
  ASSERT_TRUE(ie.ok);
  EXPECT_EQ(L"\"http://x/a%20b\"", ie.argument);
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW((L"\"" + ie.path + L"\" " + ie.argument).c_str(), &argc);
  ASSERT_EQ(2, argc);
  EXPECT_STREQ(L"http://x/a%20b", argv[1]);
  LocalFree(argv);
  EXPECT_FALSE(IeStartFor(L"", L"http://x/").ok);
}

// Every start of an outside program, recorded instead of made.
std::vector<OutsideStart> g_started;
bool g_desktopShellWorks = false;
bool RecordAsDesktopUser(const OutsideStart& start) {
  if (!g_desktopShellWorks) return false;
  g_started.push_back(start);
  return true;
}
bool RecordAsThisProcess(const OutsideStart& start) {
  g_started.push_back(start);
  return true;
}

class OutsideStarts : public testing::Test {
 protected:
  void SetUp() override {
    g_started.clear();
    g_desktopShellWorks = false;
    before_ = SetOutsideStarters({RecordAsDesktopUser, RecordAsThisProcess});
    // Internet Explorer where the system registers it, as REG_EXPAND_SZ.
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kAppPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                    nullptr);
    ASSERT_TRUE(key_);
    DWORD size = sizeof(saved_);
    hadValue_ = RegQueryValueExW(key_, nullptr, nullptr, &savedType_,
                                 reinterpret_cast<BYTE*>(saved_), &size) == ERROR_SUCCESS;
    const wchar_t ie[] = L"%ProgramFiles%\\Internet Explorer\\IEXPLORE.EXE";
    RegSetValueExW(key_, nullptr, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(ie), sizeof(ie));
  }
  void TearDown() override {
    SetOutsideStarters(before_);
    if (hadValue_) {
      RegSetValueExW(key_, nullptr, 0, savedType_, reinterpret_cast<const BYTE*>(saved_),
                     static_cast<DWORD>((wcslen(saved_) + 1) * sizeof(wchar_t)));
    } else {
      RegDeleteValueW(key_, nullptr);
    }
    RegCloseKey(key_);
  }
  static constexpr const wchar_t* kAppPath =
      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";
  OutsideStarters before_ = {};
  HKEY key_ = nullptr;
  wchar_t saved_[260] = {};
  DWORD savedType_ = REG_SZ;
  bool hadValue_ = false;
};

TEST_F(OutsideStarts, HostileAddressesStartNothingAtAnyEntryPoint) {
  for (const wchar_t* url : kHostile) {
    EXPECT_FALSE(OpenInInternetExplorer(url)) << url;  // links, forum, official site
    EXPECT_TRUE(CancelsNewWindow(url)) << url;         // a game page's new window
    EXPECT_FALSE(OpenInDefaultBrowser(url, SW_SHOWMAXIMIZED)) << url;
  }
  EXPECT_FALSE(OpenInInternetExplorer(nullptr));
  EXPECT_TRUE(CancelsNewWindow(nullptr));
  EXPECT_TRUE(g_started.empty());
}

TEST_F(OutsideStarts, WebPagesGoToTheDesktopsUserOrElseAsThisProcess) {
  // No desktop shell (Wine, Windows XP without one): as this process.
  EXPECT_TRUE(CancelsNewWindow(L"http://x/pop up"));
  ASSERT_EQ(1u, g_started.size());
  EXPECT_TRUE(g_started[0].program);
  wchar_t programs[MAX_PATH] = {};
  ExpandEnvironmentStringsW(L"%ProgramFiles%\\Internet Explorer\\IEXPLORE.EXE", programs, MAX_PATH);
  EXPECT_EQ(programs, g_started[0].file);
  EXPECT_EQ(L"\"http://x/pop%20up\"", g_started[0].parameters);

  g_desktopShellWorks = true;
  EXPECT_TRUE(OpenInDefaultBrowser(L"https://x/", SW_SHOWMAXIMIZED));
  ASSERT_EQ(2u, g_started.size());
  EXPECT_FALSE(g_started[1].program);
  EXPECT_EQ(L"https://x/", g_started[1].file);
  EXPECT_EQ(SW_SHOWMAXIMIZED, g_started[1].show);

  // Without Internet Explorer a game page's pop-up opens the browser's own way.
  RegDeleteValueW(key_, nullptr);
  EXPECT_FALSE(CancelsNewWindow(L"http://x/"));
  EXPECT_EQ(2u, g_started.size());
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
