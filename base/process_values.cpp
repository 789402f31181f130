#include "base/process_values.h"

#include "base/endpoints.h"
#include "base/paths.h"

HWND MainWndHandle = nullptr;
int WindowIndex = 0;
std::wstring GameUrl = HallPageUrl();

bool StartCommandLine(std::wstring commandLine, HANDLE* process) {
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION pi = {};
  if (commandLine.empty() || !::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE,
                                               IDLE_PRIORITY_CLASS, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  ::CloseHandle(pi.hThread);
  if (process) {
    *process = pi.hProcess;
  } else {
    ::CloseHandle(pi.hProcess);
  }
  return true;
}

void StartProcess(const wchar_t* path) {
  StartCommandLine(QuotedPath(path ? path : ExePath()));
}
