#include "app/launch_mode.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

const std::wstring kFolder = L"C:\\users\\u\\AppData\\Local\\Brindlo\\VodiVavoz";
const std::wstring kOutside = L"C:\\Downloads\\Tolv.exe";

LaunchDecision Decide(std::vector<std::wstring> args, const std::wstring& exe = kOutside) {
  return DecideLaunchMode(args, exe, kFolder);
}

TEST(LaunchMode, SwitchesMatchInAnyLetterCase) {
  EXPECT_EQ(ModeWebHall, Decide({L"/webbrindloD"}).mode);
  EXPECT_EQ(ModeWebHall, Decide({L"/WEBBRINDLOD"}).mode);
  EXPECT_EQ(ModeShortcut, Decide({L"/TolvD"}).mode);
  EXPECT_EQ(ModeShortcut, Decide({L"/tolvd"}).mode);
  EXPECT_EQ(ModeUninstall, Decide({L"/UnInst"}).mode);
  EXPECT_EQ(ModeUpdate, Decide({L"/UPDATE"}).mode);
  EXPECT_EQ(ModeNewWindow, Decide({L"/NewGm", L"/1", L"/0"}).mode);
  EXPECT_EQ(ModeGameHall, Decide({L"/GMHALL", L"/1"}).mode);
}

TEST(LaunchMode, SwitchMustBeTheWholeFirstArgument) {
  EXPECT_EQ(ModeInstall, Decide({L"/TolvDx"}).mode);
  EXPECT_EQ(ModeInstall, Decide({L"TolvD"}).mode);
  // Only the first argument is a switch.
  EXPECT_EQ(ModeInstall, Decide({L"game.txt", L"/TolvD"}).mode);
}

TEST(LaunchMode, UnknownOrMissingSwitchFollowsTheLocation) {
  const std::wstring installed = kFolder + L"\\Tolv.exe";
  EXPECT_EQ(ModeInstall, Decide({}).mode);
  EXPECT_EQ(ModeInstall, Decide({L"readme.txt"}).mode);
  EXPECT_EQ(ModeInstalled, Decide({}, installed).mode);
  EXPECT_EQ(ModeInstalled, Decide({L"readme.txt"}, installed).mode);
}

TEST(LaunchMode, InstallFolderAnywhereInThePathInAnyCase) {
  EXPECT_EQ(
      ModeInstalled,
      Decide({}, L"D:\\X\\C:\\USERS\\U\\APPDATA\\LOCAL\\BRINDLO\\VODIVAVOZ\\old\\Tolv.exe").mode);
  EXPECT_EQ(ModeInstalled,
            Decide({}, L"c:\\users\\u\\appdata\\local\\brindlo\\vodivavozzz\\Tolv.exe").mode);
  EXPECT_EQ(ModeInstall, Decide({}, L"C:\\users\\u\\AppData\\Local\\Brindlo\\Tolv.exe").mode);
}

TEST(LaunchMode, EmptyInstallFolderNeverCountsAsInstalled) {
  EXPECT_EQ(ModeInstall, DecideLaunchMode({}, kOutside, L"").mode);
}

TEST(LaunchMode, NewWindowReadsHandleAndTabCount) {
  const LaunchDecision d = Decide({L"/newgm", L"/655", L"/2"});
  EXPECT_EQ(ModeNewWindow, d.mode);
  EXPECT_TRUE(d.argumentsValid);
  EXPECT_EQ(655, d.mainWnd);
  EXPECT_EQ(2, d.windowIndex);
}

TEST(LaunchMode, GameHallReadsOnlyTheHandle) {
  const LaunchDecision d = Decide({L"/gmhall", L"/655", L"/7"});
  EXPECT_EQ(ModeGameHall, d.mode);
  EXPECT_TRUE(d.argumentsValid);
  EXPECT_EQ(655, d.mainWnd);
  EXPECT_EQ(0, d.windowIndex);
}

TEST(LaunchMode, OtherModesLeaveHandleAndCountEmpty) {
  const LaunchDecision d = Decide({L"/TolvD", L"/655", L"/2"});
  EXPECT_EQ(0, d.mainWnd);
  EXPECT_EQ(0, d.windowIndex);
}

TEST(LaunchMode, MissingNumbersMakeTheLineUnusable) {
  for (const auto& args :
       std::vector<std::vector<std::wstring>>{{L"/newgm"}, {L"/newgm", L"/655"}, {L"/gmhall"}}) {
    const LaunchDecision d = Decide(args);
    EXPECT_FALSE(d.argumentsValid) << args.size();
    EXPECT_EQ(0, d.mainWnd);
    EXPECT_EQ(0, d.windowIndex);
  }
}

TEST(LaunchMode, NumbersLongerThanTheirBuffersMakeTheLineUnusable) {
  // Handle: 15 characters with the "/" fit, 16 do not.
  EXPECT_TRUE(Decide({L"/newgm", L"/-0000002147483", L"/1"}).argumentsValid);
  EXPECT_FALSE(Decide({L"/newgm", L"/123456789012345", L"/1"}).argumentsValid);
  EXPECT_FALSE(Decide({L"/gmhall", L"/123456789012345"}).argumentsValid);
  // Count: 7 characters fit, 8 do not.
  EXPECT_TRUE(Decide({L"/newgm", L"/1", L"/123456"}).argumentsValid);
  const LaunchDecision d = Decide({L"/newgm", L"/1", L"/1234567"});
  EXPECT_FALSE(d.argumentsValid);
  EXPECT_EQ(ModeNewWindow, d.mode);
  EXPECT_EQ(0, d.mainWnd);
}

TEST(LaunchMode, NumberStartsAtTheSecondCharacterWithItsSign) {
  std::int64_t n = 0;
  EXPECT_TRUE(NumberAfterSlash(L"/655", &n));
  EXPECT_EQ(655, n);
  EXPECT_TRUE(NumberAfterSlash(L"x655", &n));
  EXPECT_EQ(655, n);
  EXPECT_TRUE(NumberAfterSlash(L"/12ab3", &n));
  EXPECT_EQ(12, n);
  EXPECT_TRUE(NumberAfterSlash(L"/-2147483000", &n));
  EXPECT_EQ(-2147483000, n);
  EXPECT_TRUE(NumberAfterSlash(L"/ +7", &n));
  EXPECT_EQ(7, n);
  for (const wchar_t* none : {L"/abc", L"/", L"", L"/-", L"/--5", L"/+-5"}) {
    EXPECT_FALSE(NumberAfterSlash(none, &n)) << none;
  }
}

TEST(LaunchMode, HandlesOfEverySignNameTheSameWindow) {
  // The main window writes its handle as a signed 32-bit number; handles of
  // 0x80000000 and up come out negative and must not turn into handle 0.
  const LaunchDecision d = Decide({L"/newgm", L"/-2147483648", L"/1"});
  EXPECT_TRUE(d.argumentsValid);
  EXPECT_EQ(static_cast<std::intptr_t>(INT32_MIN), d.mainWnd);
  EXPECT_EQ(1, d.windowIndex);
  // An outside caller writing the same handle unsigned names the same window.
  EXPECT_EQ(d.mainWnd, Decide({L"/gmhall", L"/2147483648"}).mainWnd);
  EXPECT_EQ(-16, Decide({L"/gmhall", L"/4294967280"}).mainWnd);
  EXPECT_EQ(0x7FFFFFFF, Decide({L"/gmhall", L"/2147483647"}).mainWnd);
}

TEST(LaunchMode, LinesWithoutAUsableHandleOrCountAreUnusable) {
  for (const auto& args : std::vector<std::vector<std::wstring>>{
           {L"/gmhall", L"/abc"},
           {L"/newgm", L"/abc", L"/1"},
           {L"/newgm", L"/0", L"/1"},
           {L"/gmhall", L"/4294967296"},  // beyond 32 bits
           {L"/gmhall", L"/-2147483649"},
           {L"/newgm", L"/12345678901234", L"/1"},
           {L"/newgm", L"/655", L"/x"},
           {L"/newgm", L"/655", L"/-1"},
       }) {
    const LaunchDecision d = Decide(args);
    EXPECT_FALSE(d.argumentsValid) << args[1] << L" " << (args.size() > 2 ? args[2] : L"");
    EXPECT_EQ(0, d.mainWnd);
  }
}

TEST(LaunchMode, OnlyProcessesThatUseTheButtonInfoAnswerAskForIt) {
  // The update check (install, shortcut, installed) and the caption link
  // (shortcut, installed, update) read it; the hall shortcut has always asked.
  for (LaunchMode mode : {ModeInstall, ModeWebHall, ModeShortcut, ModeInstalled, ModeUpdate}) {
    EXPECT_TRUE(AsksButtonInfo(mode)) << mode;
  }
  // A login process and a hall frame never read it; removal never asks.
  for (LaunchMode mode : {ModeNewWindow, ModeGameHall, ModeUninstall}) {
    EXPECT_FALSE(AsksButtonInfo(mode)) << mode;
  }
}

}  // namespace
