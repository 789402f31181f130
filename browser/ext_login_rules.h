// What the external-account login pop-up decides without touching a window:
// which pages end a login, which navigations a hidden pop-up refuses, whether
// the login cookie is there, which HTML dialogs it closes and where its
// browser sits inside the frame.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "browser/game_frame_rules.h"

// Name of the cookie the bridge sets once an external account has logged in.
extern const wchar_t* const kLoginCookieName;
// Window class of an Internet Explorer HTML dialog (showModalDialog and the like).
extern const wchar_t* const kHtmlDialogClass;

// Whether `url` is one of the bridge's callback pages on `extLoginHost`: QQ,
// Sina Weibo, QQ account binding or WeChat.
bool IsExternalLoginCallback(const std::wstring& url, const std::wstring& extLoginHost);

// Whether the pop-up's browser refuses a navigation to `url`: only while the
// pop-up is hidden, and only an address that starts with the QQ
// authorisation page `qqAuthorize` (one that merely mentions it goes on).
bool CancelsHiddenNavigation(const std::wstring& url, const std::wstring& qqAuthorize,
                             bool visible);

// InternetGetCookieExW (WinINet of Internet Explorer 8 and later reads
// HttpOnly cookies only through it), declared here and loaded at run time.
using GetCookieExFn = BOOL(WINAPI*)(const wchar_t* url, const wchar_t* name, wchar_t* data,
                                    DWORD* chars, DWORD flags, void* reserved);
// The system's InternetGetCookieExW, or null where WinINet has none.
GetCookieExFn SystemGetCookieEx();

// Every cookie WinINet holds for `url`, as one text, read whole however long
// (a login cookie behind other cookies of the site still counts). HttpOnly
// cookies, as login cookies usually are, come through `getEx` with
// INTERNET_COOKIE_HTTPONLY: from Internet Explorer 8 on, InternetGetCookieW
// leaves them out. Without `getEx`, or where it refuses the flag (Windows XP
// with Internet Explorer 6 or 7, which have no HttpOnly cookies to hide),
// InternetGetCookieW reads them.
std::wstring CookiesFor(const std::wstring& url, GetCookieExFn getEx);

// Whether the cookie text WinINet gives for an address ("a=1; Pauth=x; b=2")
// holds the login cookie with a value. Names are compared exactly, so
// "XPauth" or "pauth" do not count.
bool HasLoginCookie(const std::wstring& cookies);

// The Internet Explorer HTML dialog the pop-up closes next, or null: the
// first of process `pid`. Another program's dialog is not ours to close.
HWND HtmlDialogToClose(const std::vector<TopWindow>& windows, DWORD pid);

// Whether a WM_SHOWWINDOW with status `status` (its lParam) is a real show
// or hide of the window (ShowWindow), on which the pop-up loads its start
// address again. The notices of an owner being minimised or restored
// (SW_PARENTCLOSING, SW_PARENTOPENING and the like) are not: reloading then
// would throw away a half-scanned QR code or a typed password.
bool IsRealShowWindow(LPARAM status);

// Screen rectangle of the pop-up's browser for a frame placed at x, y with
// size cx × cy: below the 30-pixel caption and inside the 4-pixel border,
// never of negative size.
RECT PopupBrowserRect(int x, int y, int cx, int cy);
