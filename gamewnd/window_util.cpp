#include "gamewnd/window_util.h"

#include <string>

#include "base/product.h"

bool IsMainGameWindow(HWND window) {
  if (!window || !::IsWindow(window)) return false;
  wchar_t className[16] = {};
  wchar_t title[32] = {};
  ::GetClassNameW(window, className, 16);
  ::GetWindowTextW(window, title, 32);
  return std::wstring(className) == L"#32770" && std::wstring(title) == kMainWindowTitle;
}

void BringToFront(HWND window) {
  HWND foreground = ::GetForegroundWindow();
  const DWORD foregroundThread = ::GetWindowThreadProcessId(foreground, nullptr);
  const DWORD thisThread = ::GetCurrentThreadId();
  const bool attach = foregroundThread && foregroundThread != thisThread;
  if (attach) ::AttachThreadInput(thisThread, foregroundThread, TRUE);
  ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ::SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ::SetForegroundWindow(window);
  if (attach) ::AttachThreadInput(thisThread, foregroundThread, FALSE);
}

std::vector<HWND> GameRepaintWindows(HWND frame) {
  std::vector<HWND> found;
  HWND browser = nullptr;
  for (HWND view = frame ? ::FindWindowExW(frame, nullptr, nullptr, nullptr) : nullptr;
       view && !browser; view = ::FindWindowExW(frame, view, nullptr, nullptr)) {
    browser = ::FindWindowExW(view, nullptr, L"Shell Embedding", L"");
  }
  HWND wnd = browser;
  for (const wchar_t* cls : {L"Shell DocObject View", L"Internet Explorer_Server"}) {
    if (!wnd) return found;
    wnd = ::FindWindowExW(wnd, nullptr, cls, L"");
  }
  if (!wnd) return found;
  found.push_back(wnd);
  if (HWND flash = ::FindWindowExW(wnd, nullptr, L"MacromediaFlashPlayerActiveX", L"")) {
    found.push_back(flash);
  }
  return found;
}

void MoveWindowAsync(HWND window, const RECT& r) {
  ::SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_ASYNCWINDOWPOS | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}
