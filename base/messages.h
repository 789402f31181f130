// The client's own window messages, between its processes and inside them.
#pragma once

#include <windows.h>

// Tray icon → main window: wParam icon id, lParam mouse message.
constexpr UINT WM_TRAY_CALLBACK = WM_USER + 1;
// Game frame → main window: wParam the frame window, lParam 1 hall, 0 game.
constexpr UINT WM_FRAME_REGISTER = WM_USER + 2;
// Main window → itself: open the tray menu.
constexpr UINT WM_TRAY_MENU = WM_USER + 3;
// Hotkey settings → every main window: reload the hotkeys.
constexpr UINT WM_HOTKEY_RELOAD = WM_USER + 4;
// Main window → every tab, every 400 ms: wParam 1 mute, 0 sound.
constexpr UINT WM_MUTE_STATE = WM_USER + 5;
// Add-account prompt → main window: wParam 1 this window, 0 a new window.
constexpr UINT WM_ADD_ACCOUNT = WM_USER + 6;
// Main window → every tab and the hall: reload the hotkeys.
constexpr UINT WM_FRAME_HOTKEY_RELOAD = WM_USER + 7;
// External-account pop-up → login window: reload the login page.
constexpr UINT WM_LOGIN_RELOAD = WM_USER + 8;
// Login window → main window, pop-up → login background: come to the front.
constexpr UINT WM_BRING_TO_FRONT = WM_USER + 9;

// lParam of the messages and key events the client synthesises itself
// (an abandoned login, a refresh from the menu), to tell them from the user's.
constexpr LPARAM kSyntheticMarker = 5271;
