#include "app/hidden_process.h"

#include <windows.h>

bool StartHidden(const std::wstring& path) {
  if (path.empty()) return false;
  // Quoted, so that blanks in the path (a temporary folder under "Documents
  // and Settings") name one file. No Windows path holds a quote.
  std::wstring commandLine = L"\"" + path + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
    return false;
  }
  ::SetThreadPriority(pi.hThread, THREAD_PRIORITY_IDLE);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return true;
}
