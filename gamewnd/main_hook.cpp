#include "gamewnd/main_hook.h"

#include "gamewnd/main_chrome.h"

namespace {

// To the hook thread: new hotkeys, wParam the boss key, lParam the sound key
// (PackHotkey).
constexpr UINT WM_HOOK_HOTKEYS = WM_APP + 1;
// How long stopping waits for the thread at most.
constexpr DWORD kThreadWaitMs = 5000;

// The hook thread's own state: written before the thread starts (target,
// message) or by the thread itself (the rest).
HWND g_target = nullptr;
UINT g_message = 0;
HHOOK g_hook = nullptr;
Hotkey g_boss;
Hotkey g_sound;

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    const HookAction action =
        DecideHookKey(wParam, key->vkCode, key->dwExtraInfo, KeyboardModifiers(), g_boss, g_sound);
    // Posted, never sent: the key goes on at once, whatever the main window
    // is doing.
    if (action != HookAction::None) {
      ::PostMessageW(g_target, g_message, static_cast<WPARAM>(action), 0);
    }
  }
  return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

struct HookStart {
  HANDLE ready;
  bool hooked;
};

DWORD WINAPI HookThreadMain(void* param) {
  auto* start = static_cast<HookStart*>(param);
  MSG msg;
  // The thread's queue, before anyone posts to it.
  ::PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  g_hook = ::SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHookProc, ::GetModuleHandleW(nullptr), 0);
  start->hooked = g_hook != nullptr;
  ::SetEvent(start->ready);
  if (!g_hook) return 1;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_HOOK_HOTKEYS) {
      g_boss = UnpackHotkey(msg.wParam);
      g_sound = UnpackHotkey(msg.lParam);
    }
  }
  ::UnhookWindowsHookEx(g_hook);
  g_hook = nullptr;
  return 0;
}

}  // namespace

bool KeyboardHookThread::Start(HWND target, UINT message) {
  if (m_thread) return true;
  g_target = target;
  g_message = message;
  HookStart start = {::CreateEventW(nullptr, TRUE, FALSE, nullptr), false};
  if (!start.ready) return false;
  m_thread = ::CreateThread(nullptr, 0, HookThreadMain, &start, 0, &m_threadId);
  if (m_thread) {
    // The player's keys wait for this thread: it runs ahead of the busy ones.
    ::SetThreadPriority(m_thread, THREAD_PRIORITY_HIGHEST);
    // Unbounded: the thread only makes its queue and the hook before it
    // signals, and `start` lives on this stack.
    const HANDLE both[] = {start.ready, m_thread};
    ::WaitForMultipleObjects(2, both, FALSE, INFINITE);
  }
  ::CloseHandle(start.ready);
  if (m_thread && !start.hooked) Stop();
  return m_thread != nullptr;
}

void KeyboardHookThread::SetHotkeys(const Hotkey& boss, const Hotkey& sound) {
  if (m_thread)
    ::PostThreadMessageW(m_threadId, WM_HOOK_HOTKEYS, PackHotkey(boss), PackHotkey(sound));
}

void KeyboardHookThread::Stop() {
  if (!m_thread) return;
  ::PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
  ::WaitForSingleObject(m_thread, kThreadWaitMs);
  ::CloseHandle(m_thread);
  m_thread = nullptr;
  m_threadId = 0;
}
