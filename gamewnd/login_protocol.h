// The login page talks to the client by navigating to "app:" command URLs;
// these functions read them. No windows here: the login window applies what
// they decide.
#pragma once

#include <windows.h>

#include <string>

enum class LoginCommand {
  None,      // not a command URL: the browser may navigate
  Ignored,   // a command URL whose word is none of the four: cancelled silently
  LoadGame,  // hand the account over and open the game
  ExitGame,  // abandon this login
  Minimize,  // minimise, or abandon when the main window already has tabs
  OpenUrls,  // open an address in the user's browser
};

struct CommandUrl {
  LoginCommand command = LoginCommand::None;
  // "loadgame": the server text, percent-decoded, and the game address.
  std::wstring serverText;
  std::wstring gameUrl;
  // "openurls": the target after the "|".
  std::wstring target;
};

// Reads a navigation address: "app:" (exact case) then two characters that
// are not examined, the eight-letter command word at index 6 and its fields.
CommandUrl ParseCommandUrl(const std::wstring& url);

// Undoes the page's percent-encoding of the UTF-8 bytes of a server text; a
// text without "%" is returned as it is. False when the encoded text does not
// fit the client's 255-byte buffer: such a login is not handed over at all
// rather than handed over cut.
bool DecodeServerText(const std::wstring& text, std::wstring* decoded);

// Account and server name of a server text, for the refusal message: split at
// the last "-"; a server name with "》" (U+300B) shows the four characters
// after its first one.
struct ServerAccount {
  std::wstring server;
  std::wstring account;
};
ServerAccount SplitServerText(const std::wstring& text);

// "账号 <account> 已在 <server> 登录，同一账号不能在一服重复登录"
std::wstring RefusalMessage(const std::wstring& serverText);

// Which external-account login an address starts, if any; `extLoginHost` is
// the login bridge's host.
enum class ExternalLogin { None, QQ, Weibo, WeChat };
ExternalLogin ExternalLoginStart(const std::wstring& url, const std::wstring& extLoginHost);
// Caption of the pop-up for an external-account start address.
std::wstring ExternalLoginCaption(const std::wstring& url, const std::wstring& extLoginHost);

// Only web addresses are handed to the shell (CheckWebAddress): a page
// served over plain HTTP must not be able to start programs or open local
// files. A target that mentions "about:blank" opens nothing either.
bool IsOpenableAddress(const std::wstring& target);

// Whether a "loadgame" game address may become the game frame's first page:
// a web address as CheckWebAddress has it. Any other (a local file, script)
// would be loaded by the frame's own browser, so such a command is ignored.
bool IsGameAddress(const std::wstring& gameUrl);

// Whether the login process goes on to its game frame after its login
// background ended with `loginResult`: only for an accepted account (IDOK).
// A cancelled login, and -1 (the window could not be made, or the loop met
// WM_QUIT), end the process as a login that gave up.
bool LoginGoesOn(INT_PTR loginResult);

// ---- The hand-off record between a login window and the main window ----

// The record's bytes for `text`: UTF-16 with its terminating zero.
COPYDATASTRUCT HandoffRecord(const std::wstring& text);

// Reads the text of a received record, trusting nothing about it: at most
// cbData bytes are read; an empty, odd-sized or unterminated record (or one
// whose text ends before its last character) is refused, and so is a text
// whose account name is empty (the terminator alone, or "S1-").
bool ReadHandoffRecord(const COPYDATASTRUCT* record, std::wstring* text);

// The account name the login report carries: after the last "-".
std::wstring AccountName(const std::wstring& serverText);

// The command line that starts the login process of a new tab: the quoted
// executable path, " /newgm /", the main window's handle as a signed 32-bit
// decimal number, " /" and the current tab count.
std::wstring LoginCommandLine(const std::wstring& exePath, HWND mainWnd, size_t tabCount);
