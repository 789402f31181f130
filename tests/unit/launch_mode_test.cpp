#include "app/launch_mode.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(655u, d.mainWnd);
  EXPECT_EQ(2, d.windowIndex);
}

TEST(LaunchMode, GameHallReadsOnlyTheHandle) {
  const LaunchDecision d = Decide({L"/gmhall", L"/655", L"/7"});
  EXPECT_EQ(ModeGameHall, d.mode);
  EXPECT_TRUE(d.argumentsValid);
  EXPECT_EQ(655u, d.mainWnd);
  EXPECT_EQ(0, d.windowIndex);
}

TEST(LaunchMode, OtherModesLeaveHandleAndCountEmpty) {
  const LaunchDecision d = Decide({L"/TolvD", L"/655", L"/2"});
  EXPECT_EQ(0u, d.mainWnd);
  EXPECT_EQ(0, d.windowIndex);
}

TEST(LaunchMode, MissingNumbersMakeTheLineUnusable) {
  for (const auto& args :
       std::vector<std::vector<std::wstring>>{{L"/newgm"}, {L"/newgm", L"/655"}, {L"/gmhall"}}) {
    const LaunchDecision d = Decide(args);
    EXPECT_FALSE(d.argumentsValid) << args.size();
    EXPECT_EQ(0u, d.mainWnd);
    EXPECT_EQ(0, d.windowIndex);
  }
}

TEST(LaunchMode, NumbersLongerThanTheirBuffersMakeTheLineUnusable) {
  // Handle: 15 characters with the "/" fit, 16 do not.
  EXPECT_TRUE(Decide({L"/newgm", L"/12345678901234", L"/1"}).argumentsValid);
  EXPECT_FALSE(Decide({L"/newgm", L"/123456789012345", L"/1"}).argumentsValid);
  EXPECT_FALSE(Decide({L"/gmhall", L"/123456789012345"}).argumentsValid);
  // Count: 7 characters fit, 8 do not.
  EXPECT_TRUE(Decide({L"/newgm", L"/1", L"/123456"}).argumentsValid);
  const LaunchDecision d = Decide({L"/newgm", L"/1", L"/1234567"});
  EXPECT_FALSE(d.argumentsValid);
  EXPECT_EQ(ModeNewWindow, d.mode);
  EXPECT_EQ(0u, d.mainWnd);
}

TEST(LaunchMode, NumberStartsAtTheSecondCharacter) {
  EXPECT_EQ(655u, NumberAfterSlash(L"/655"));
  EXPECT_EQ(655u, NumberAfterSlash(L"x655"));
  EXPECT_EQ(12u, NumberAfterSlash(L"/12ab3"));
  EXPECT_EQ(0u, NumberAfterSlash(L"/abc"));
  EXPECT_EQ(0u, NumberAfterSlash(L"/"));
  EXPECT_EQ(0u, NumberAfterSlash(L""));
}

}  // namespace
