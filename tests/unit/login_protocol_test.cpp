#include "gamewnd/login_protocol.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <cstdint>
#include <vector>

#include "app/launch_mode.h"

namespace {

TEST(CommandUrl, LoadGameSplitsServerTextAndGameAddress) {
  const CommandUrl c = ParseCommandUrl(L"app://loadgame|S1-alice|http://g/game.htm?a=1|2");
  EXPECT_EQ(LoginCommand::LoadGame, c.command);
  EXPECT_EQ(L"S1-alice", c.serverText);
  EXPECT_EQ(L"http://g/game.htm?a=1|2", c.gameUrl);
}

TEST(CommandUrl, FieldsAreFoundByIndexNotBySeparator) {
  // Indices 4 and 5 and the separator at 14 are not examined.
  const CommandUrl c = ParseCommandUrl(L"app:XYloadgame#S1-bob|G");
  EXPECT_EQ(LoginCommand::LoadGame, c.command);
  EXPECT_EQ(L"S1-bob", c.serverText);
  EXPECT_EQ(L"G", c.gameUrl);
  EXPECT_EQ(LoginCommand::ExitGame, ParseCommandUrl(L"app:..exitgame").command);
}

TEST(CommandUrl, MissingFieldsAreEmpty) {
  const CommandUrl noBar = ParseCommandUrl(L"app://loadgame|abc");
  EXPECT_EQ(LoginCommand::LoadGame, noBar.command);
  EXPECT_EQ(L"", noBar.serverText);
  EXPECT_EQ(L"", noBar.gameUrl);
  const CommandUrl bare = ParseCommandUrl(L"app://loadgame");
  EXPECT_EQ(LoginCommand::LoadGame, bare.command);
  EXPECT_EQ(L"", bare.serverText);
  const CommandUrl emptyGame = ParseCommandUrl(L"app://loadgame|S1-a|");
  EXPECT_EQ(L"S1-a", emptyGame.serverText);
  EXPECT_EQ(L"", emptyGame.gameUrl);
  EXPECT_EQ(L"", ParseCommandUrl(L"app://openurls").target);
  EXPECT_EQ(L"", ParseCommandUrl(L"app://openurls#nobar").target);
}

TEST(CommandUrl, OnlyExactLowerCaseAppSchemeIsACommand) {
  EXPECT_EQ(LoginCommand::None, ParseCommandUrl(L"APP://loadgame|S1-a|G").command);
  EXPECT_EQ(LoginCommand::None, ParseCommandUrl(L"http://app://loadgame").command);
  EXPECT_EQ(LoginCommand::None, ParseCommandUrl(L"ap").command);
  // Unknown, short or differently cased words are cancelled but do nothing.
  for (const wchar_t* url :
       {L"app:", L"app://load", L"app://LOADGAME|x|y", L"app://unknownx", L"app://minimiz"}) {
    EXPECT_EQ(LoginCommand::Ignored, ParseCommandUrl(url).command) << url;
  }
}

TEST(CommandUrl, OpenUrlsTargetAfterTheFirstBar) {
  const CommandUrl c = ParseCommandUrl(L"app://openurls|http://forum/x|y");
  EXPECT_EQ(LoginCommand::OpenUrls, c.command);
  EXPECT_EQ(L"http://forum/x|y", c.target);
  EXPECT_EQ(LoginCommand::Minimize, ParseCommandUrl(L"app://minimize").command);
}

TEST(DecodeServerText, PercentEncodedUtf8) {
  std::wstring s;
  ASSERT_TRUE(DecodeServerText(L"S1%E5%8F%8C-alice", &s));
  EXPECT_EQ(L"S1双-alice", s);
  ASSERT_TRUE(DecodeServerText(L"plain-text", &s));
  EXPECT_EQ(L"plain-text", s);
  ASSERT_TRUE(DecodeServerText(L"", &s));
  EXPECT_EQ(L"", s);
  // A lone "%" that starts no escape stays as it is.
  ASSERT_TRUE(DecodeServerText(L"100%-x", &s));
  EXPECT_EQ(L"100%-x", s);
}

TEST(DecodeServerText, OverlongTextIsRefusedNotCut) {
  std::wstring s = L"unchanged";
  std::wstring fits(255, L'a');
  fits[0] = L'%';
  EXPECT_TRUE(DecodeServerText(fits, &s));
  EXPECT_FALSE(DecodeServerText(std::wstring(256, L'a') + L"%41", &s));
  std::wstring encoded;
  for (int i = 0; i < 100; ++i) encoded += L"%E5%8F%8C";  // 900 bytes encoded
  EXPECT_FALSE(DecodeServerText(encoded, &s));
}

TEST(ServerText, SplitsAtTheLastDash) {
  ServerAccount sa = SplitServerText(L"a-b-c");
  EXPECT_EQ(L"a-b", sa.server);
  EXPECT_EQ(L"c", sa.account);
  sa = SplitServerText(L"alice");
  EXPECT_EQ(L"", sa.server);
  EXPECT_EQ(L"alice", sa.account);
  EXPECT_EQ(L"c", AccountName(L"a-b-c"));
  EXPECT_EQ(L"alice", AccountName(L"alice"));
  EXPECT_EQ(L"", AccountName(L"S1-"));
}

TEST(ServerText, BracketShowsTheFourCharactersAfterIt) {
  EXPECT_EQ(L"双线一区", SplitServerText(L"《X》双线一区-bob").server);
  EXPECT_EQ(L"双线", SplitServerText(L"《X》双线-bob").server);
  EXPECT_EQ(L"", SplitServerText(L"《X》-bob").server);
}

TEST(ServerText, RefusalMessage) {
  EXPECT_EQ(L"账号 alice 已在 S1双 登录，同一账号不能在一服重复登录",
            RefusalMessage(L"S1双-alice"));
}

TEST(ExternalLogin, RedirectTextsOnTheBridgeHost) {
  const std::wstring host = L"passport.example";
  EXPECT_EQ(
      ExternalLogin::QQ,
      ExternalLoginStart(L"http://passport.example/qzone/redirectToAuthorize.do?params=1", host));
  EXPECT_EQ(
      ExternalLogin::WeChat,
      ExternalLoginStart(L"https://passport.example/weixin/redirectToAuthorize.do?paramsX", host));
  EXPECT_EQ(
      ExternalLogin::None,
      ExternalLoginStart(L"http://other.example/qzone/redirectToAuthorize.do?params=1", host));
  // The Weibo text without its "=" is no start.
  EXPECT_EQ(
      ExternalLogin::None,
      ExternalLoginStart(L"http://passport.example/weibo/redirectToAuthorize.do?params", host));
  // "/weibo/" anywhere wins over the WeChat text for the caption.
  EXPECT_EQ(L"新浪微博账号安全登录",
            ExternalLoginCaption(
                L"http://passport.example/weixin/redirectToAuthorize.do?params&r=/weibo/", host));
  EXPECT_EQ(
      L"QQ账号安全登录",
      ExternalLoginCaption(L"http://passport.example/qzone/redirectToAuthorize.do?params=", host));
}

TEST(OpenableAddress, OnlyWebAddresses) {
  EXPECT_TRUE(IsOpenableAddress(L"http://forum.example/x"));
  EXPECT_TRUE(IsOpenableAddress(L"HTTPS://forum.example/x"));
  for (const wchar_t* target :
       {L"file:///C:/windows/system32/notepad.exe", L"C:\\windows\\notepad.exe", L"notepad", L"",
        L"http://", L"javascript:alert(1)", L"http://x/about:blank", L"about:blank",
        L"\\\\server\\share\\x.exe", L"mailto:a@b"}) {
    EXPECT_FALSE(IsOpenableAddress(target)) << target;
  }
  // The game frame's first page: a web page, and nothing that would run or
  // open a file in its browser.
  EXPECT_TRUE(IsGameAddress(L"http://game.example/s1?x=1"));
  for (const wchar_t* game : {L"", L"file:///C:/x.htm", L"javascript:alert(1)", L"res://x/y",
                              L"\\\\server\\page.htm", L"http://x/\r\n"}) {
    EXPECT_FALSE(IsGameAddress(game)) << game;
  }
}

TEST(LoginResult, OnlyAnAcceptedAccountOpensTheGameFrame) {
  EXPECT_TRUE(LoginGoesOn(IDOK));
  // Cancelled, and -1: the window could not be made or the loop met WM_QUIT.
  for (INT_PTR result : {IDCANCEL, -1, 0, 3}) EXPECT_FALSE(LoginGoesOn(result)) << result;
}

TEST(HandoffRecord, RoundTrip) {
  const std::wstring text = L"S1双-alice";
  COPYDATASTRUCT record = HandoffRecord(text);
  EXPECT_EQ(0u, record.dwData);
  EXPECT_EQ((text.size() + 1) * 2, record.cbData);
  std::wstring read;
  ASSERT_TRUE(ReadHandoffRecord(&record, &read));
  EXPECT_EQ(text, read);
}

TEST(HandoffRecord, UntrustedRecordsAreRefused) {
  std::wstring read;
  wchar_t data[] = {L'a', L'b', L'c', L'\0'};
  COPYDATASTRUCT r = {0, 8, data};
  ASSERT_TRUE(ReadHandoffRecord(&r, &read));
  EXPECT_EQ(L"abc", read);
  r.cbData = 6;  // ends before the terminator
  EXPECT_FALSE(ReadHandoffRecord(&r, &read));
  r.cbData = 7;  // odd
  EXPECT_FALSE(ReadHandoffRecord(&r, &read));
  r.cbData = 0;  // empty
  EXPECT_FALSE(ReadHandoffRecord(&r, &read));
  r.cbData = 8;
  r.lpData = nullptr;
  EXPECT_FALSE(ReadHandoffRecord(&r, &read));
  wchar_t inner[] = {L'a', L'\0', L'b', L'\0'};
  COPYDATASTRUCT split = {0, 8, inner};
  EXPECT_FALSE(ReadHandoffRecord(&split, &read));
  EXPECT_FALSE(ReadHandoffRecord(nullptr, &read));
  // The terminator alone (00 00) names no account: refused.
  read = L"before";
  wchar_t empty[] = {L'\0'};
  COPYDATASTRUCT e = {0, 2, empty};
  EXPECT_FALSE(ReadHandoffRecord(&e, &read));
  EXPECT_EQ(L"before", read);
}

TEST(HandoffRecord, RefusesAnEmptyAccountAfterTheLastDash) {
  std::wstring read;
  for (const std::wstring text : {L"S1-", L"-", L"S1-a-", L"S1--"}) {
    const COPYDATASTRUCT r = HandoffRecord(text);
    EXPECT_FALSE(ReadHandoffRecord(&r, &read)) << text;
  }
  for (const std::wstring text : {L"S1-a", L"a", L"-a", L"S1双-a b&index=999#x"}) {
    const COPYDATASTRUCT r = HandoffRecord(text);
    ASSERT_TRUE(ReadHandoffRecord(&r, &read)) << text;
    EXPECT_EQ(text, read);
  }
}

}  // namespace

// ---- The login process's command line ----

namespace {

// What the login process reads back: the system's own splitting of a command
// line (Wine quotes an unquoted path itself, so only this shows the fault a
// Windows user would meet), then the client's launch decision.
struct Parsed {
  std::vector<std::wstring> argv;
  LaunchDecision decision;
};

Parsed ParseAsChild(const std::wstring& commandLine) {
  Parsed p;
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(commandLine.c_str(), &argc);
  for (int i = 0; i < argc; ++i) p.argv.emplace_back(argv[i]);
  LocalFree(argv);
  std::vector<std::wstring> args(p.argv.begin() + (p.argv.empty() ? 0 : 1), p.argv.end());
  p.decision = DecideLaunchMode(args, p.argv.empty() ? L"" : p.argv[0], L"C:\\nowhere");
  return p;
}

TEST(LoginCommandLine, PathsWithBlanksReachTheChildWhole) {
  const HWND main = reinterpret_cast<HWND>(static_cast<std::intptr_t>(0x330));
  for (const std::wstring path : {
           L"C:\\Documents and Settings\\Zhang San\\Local Settings\\Application Data\\Brindlo"
           L"\\VodiVavoz\\Tolv.exe",
           L"D:\\游戏 目录\\Tolv (1).exe",
           L"C:\\x\\Tolv.exe",
       }) {
    const Parsed p = ParseAsChild(LoginCommandLine(path, main, 2));
    ASSERT_EQ(4u, p.argv.size()) << path;
    EXPECT_EQ(path, p.argv[0]);
    EXPECT_EQ(ModeNewWindow, p.decision.mode);
    EXPECT_TRUE(p.decision.argumentsValid);
    EXPECT_EQ(0x330, p.decision.mainWnd);
    EXPECT_EQ(2, p.decision.windowIndex);
  }
  // Unquoted, the tail of such a path would have been the first argument.
  EXPECT_NE(ModeNewWindow,
            ParseAsChild(L"C:\\Documents and Settings\\Tolv.exe /newgm /816 /0").decision.mode);
}

TEST(LoginCommandLine, HandlesAboveTwoToThe31ComeBackAsTheSameWindow) {
  for (const std::uint32_t value : {0x80000000u, 0xFFFFFFF0u, 0x7FFFFFFFu, 0x10010u}) {
    // Windows sign-extends a 32-bit handle to the pointer size.
    const HWND main =
        reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
    const std::wstring line = LoginCommandLine(L"C:\\x\\Tolv.exe", main, 0);
    const Parsed p = ParseAsChild(line);
    EXPECT_TRUE(p.decision.argumentsValid) << line;
    EXPECT_EQ(main, reinterpret_cast<HWND>(p.decision.mainWnd)) << line;
  }
  EXPECT_EQ(L"\"C:\\x\\Tolv.exe\" /newgm /-2147483648 /1",
            LoginCommandLine(L"C:\\x\\Tolv.exe",
                             reinterpret_cast<HWND>(static_cast<std::intptr_t>(INT32_MIN)), 1));
}

}  // namespace
