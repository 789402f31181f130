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

// Command line that starts Internet Explorer on `url`, from the App Paths
// value of IEXPLORE.EXE; empty when the value names no ".exe".
std::wstring IeCommandLine(const std::wstring& appPathValue, const std::wstring& url);

// Starts Internet Explorer on `url` at idle priority; TRUE when it started.
BOOL OpenInInternetExplorer(const wchar_t* url);
