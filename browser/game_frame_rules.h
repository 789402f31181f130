// What the game frame decides without touching a window: its keyboard rules,
// the script message boxes it clears away when told to close, and how it
// starts Internet Explorer for pop-up pages.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "hotkeys/hotkey.h"

enum class FrameKey {
  None,           // the framework's own handling
  ForwardToMain,  // the window-switch key: the main window switches tabs
  Favourite,      // Ctrl+D, first press: the favourite dialog
  Refresh,        // F5: reload the page
  Swallow,        // F5 that is another hotkey: nothing, and the page never sees it
  CloseTimer,     // a close command: clear script message boxes shortly after
};

// Modifier mask of the keys held now: Ctrl 2, Shift 4, Alt 1.
int HeldModifiers();

// A key-down (not one the client synthesised) that is exactly `key`: its
// virtual-key code with exactly its modifiers held.
bool IsHotkeyPress(UINT message, WPARAM wParam, LPARAM lParam, int heldMods, const Hotkey& key);

// A key message (down or up, system or not, not synthesised) of a boss or
// sound key that is F10 or Alt, with exactly its modifiers held. The keyboard
// hook has acted on it already; passed on, its release would put the window
// into keyboard-menu mode (WM_SYSCOMMAND SC_KEYMENU), which eats the player's
// next keys. The same key with other modifiers belongs to the page (Shift+F10
// is its context menu); a key-up whose modifiers were let go first is
// harmless, as the window never saw its press. A hotkey of the key alone
// also takes its release with modifiers held.
bool IsMenuKeyHotkey(UINT message, WPARAM wParam, LPARAM lParam, int heldMods, const Hotkey& boss,
                     const Hotkey& sound);

FrameKey DecideFrameKey(UINT message, WPARAM wParam, LPARAM lParam, int heldMods,
                        const Hotkey& boss, const Hotkey& switchKey, const Hotkey& sound);

// A top-level window as the close path sees it.
struct TopWindow {
  HWND hwnd;
  DWORD pid;
  std::wstring cls;
  std::wstring title;
};

// Every top-level window of the desktop, in z-order.
std::vector<TopWindow> ListTopWindows();

// The script message box to destroy, or null: a dialog of process `pid`
// titled "来自网页的消息", else "Windows Internet Explorer", else "Microsoft
// Internet Explorer". Other processes' windows are never touched.
HWND ScriptMessageBoxToClose(const std::vector<TopWindow>& windows, DWORD pid);

// Internet Explorer's executable from the App Paths value of IEXPLORE.EXE
// of registry type `type` (a REG_EXPAND_SZ value has its environment
// variables expanded, as the system reads it): the value up to and including
// its first ".exe" in any letter case, without a leading quote; empty when it
// names none.
std::wstring IePathFromAppPath(const std::wstring& value, DWORD type);

// What Internet Explorer `iePath` is started with for `url`: the address
// checked and quoted by CheckWebAddress as its one argument; `ok` false when
// the address may not be handed out or there is no path.
struct IeStart {
  bool ok = false;
  std::wstring path;
  std::wstring argument;
};
IeStart IeStartFor(const std::wstring& iePath, const std::wstring& url);

// Starts Internet Explorer on `url`; TRUE when it started. Nothing starts for
// an address that is not a web page.
BOOL OpenInInternetExplorer(const wchar_t* url);

// A game page asks for a new window on `url`: whether the browser's own
// window is cancelled. Always for an address that may not leave the client
// (the browser would open it itself), otherwise when Internet Explorer took
// the page.
BOOL CancelsNewWindow(const wchar_t* url);
