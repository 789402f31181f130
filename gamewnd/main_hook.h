// The system-wide keyboard hook of the main window, on a thread of its own.
//
// Windows calls a low-level hook in the thread that installed it, and every
// key the user types anywhere waits for the call; on Windows 7 and later a
// hook that misses LowLevelHooksTimeout is removed without a word. The main
// window's thread builds browsers and talks to the tab processes, so the hook
// lives on a thread that does nothing but pump messages: its callback only
// decides (DecideHookKey) and posts the result to the main window.
#pragma once

#include <windows.h>

#include "hotkeys/hotkey.h"

class KeyboardHookThread {
 public:
  KeyboardHookThread() = default;
  KeyboardHookThread(const KeyboardHookThread&) = delete;
  KeyboardHookThread& operator=(const KeyboardHookThread&) = delete;
  ~KeyboardHookThread() { Stop(); }

  // Starts the thread, which installs the hook and posts `message` (wParam a
  // HookAction) to `target` for every boss or sound key. False when the
  // thread or the hook could not be made.
  bool Start(HWND target, UINT message);
  // The boss and sound keys the hook compares with, handed over as a
  // message: the thread keeps its own copy.
  void SetHotkeys(const Hotkey& boss, const Hotkey& sound);
  // Removes the hook and ends the thread.
  void Stop();

 private:
  HANDLE m_thread = nullptr;
  DWORD m_threadId = 0;
};
