// Window helpers every game window shares, apart from the main window itself.
#pragma once

#include <windows.h>

#include <vector>

// Whether `window` is a main game window of any running client: a dialog
// (class "#32770") titled "BrindloTolvane".
bool IsMainGameWindow(HWND window);

// Raises `window` above every other window and gives it the foreground, also
// when another process owns the foreground.
void BringToFront(HWND window);

// What repaints a tab's game after the main window was restored: the
// browser's document window ("Internet Explorer_Server" in "Shell DocObject
// View" in "Shell Embedding", the browser control inside the game view) and
// the Flash plug-in's window in it, as far as they exist. The view is the
// frame's child that holds the browser, whatever its window class.
std::vector<HWND> GameRepaintWindows(HWND frame);

// Moves `window` to `r` (its parent's client coordinates) without repaint,
// without waiting for the window's thread: for a window of another process
// that may not answer.
void MoveWindowAsync(HWND window, const RECT& r);
