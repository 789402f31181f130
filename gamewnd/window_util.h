// Window helpers every game window shares, apart from the main window itself.
#pragma once

#include <windows.h>

// Whether `window` is a main game window of any running client: a dialog
// (class "#32770") titled "BrindloTolvane".
bool IsMainGameWindow(HWND window);

// Raises `window` above every other window and gives it the foreground, also
// when another process owns the foreground.
void BringToFront(HWND window);

// Moves `window` to `r` (its parent's client coordinates) without repaint,
// without waiting for the window's thread: for a window of another process
// that may not answer.
void MoveWindowAsync(HWND window, const RECT& r);
