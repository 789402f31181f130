// Start-up timer for the start-up benchmark: starts a program and measures,
// inside one Wine session, how long it takes until its first window of
// interest is visible; then ends the processes it watched.
//
//   startwatch TITLE TIMEOUT_MS COMMAND_LINE
//
// The window of interest is a visible top-level dialog (class "#32770") titled
// TITLE and larger than 1 by 1 pixel (the main game window waits at 1 by 1
// until its first tab arrives, the login background is the size of its art),
// of any process. Prints {"ms":N} (or {"ms":-1} after TIMEOUT_MS), then ends
// the window's process and the started one.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "print_utf8.h"

namespace {

struct Search {
  const wchar_t* title;
  HWND found;
};

BOOL CALLBACK Match(HWND h, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (!::IsWindowVisible(h) || ::GetAncestor(h, GA_PARENT) != ::GetDesktopWindow()) return TRUE;
  wchar_t title[256] = {}, cls[64] = {};
  ::GetClassNameW(h, cls, 64);
  if (wcscmp(cls, L"#32770") != 0) return TRUE;
  ::GetWindowTextW(h, title, 256);
  if (wcscmp(title, search->title) != 0) return TRUE;
  RECT r = {};
  ::GetWindowRect(h, &r);
  if (r.right - r.left <= 1 || r.bottom - r.top <= 1) return TRUE;
  search->found = h;
  return FALSE;
}

void End(DWORD pid) {
  if (HANDLE p = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
    ::TerminateProcess(p, 1);
    ::WaitForSingleObject(p, 10000);
    ::CloseHandle(p);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    PrintLine(L"usage: startwatch TITLE TIMEOUT_MS COMMAND_LINE");
    return 2;
  }
  const DWORD timeout = static_cast<DWORD>(_wtoi(argv[2]));
  std::wstring commandLine = argv[3];

  LARGE_INTEGER frequency, began, now;
  ::QueryPerformanceFrequency(&frequency);
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  ::QueryPerformanceCounter(&began);
  if (!::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
    PrintLine(L"{\"ms\":-1,\"error\":\"the program did not start\"}");
    return 1;
  }
  Search search = {argv[1], nullptr};
  double ms = -1;
  for (;;) {
    ::EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
    ::QueryPerformanceCounter(&now);
    const double elapsed = (now.QuadPart - began.QuadPart) * 1000.0 / frequency.QuadPart;
    if (search.found) {
      ms = elapsed;
      break;
    }
    if (elapsed > timeout) break;
    // Polling costs the watched processes little on a busy two-core machine.
    ::Sleep(5);
  }
  PrintLine(L"{\"ms\":" + std::to_wstring(static_cast<long long>(ms)) + L"}");

  DWORD windowPid = 0;
  if (search.found) ::GetWindowThreadProcessId(search.found, &windowPid);
  if (windowPid && windowPid != pi.dwProcessId) End(windowPid);
  End(pi.dwProcessId);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return ms < 0 ? 1 : 0;
}
