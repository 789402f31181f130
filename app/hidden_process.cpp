#include "app/hidden_process.h"

#include <windows.h>

std::wstring ScriptCommandLine(const std::wstring& cmd, const std::wstring& path) {
  // Quoted, so that blanks in the paths (a temporary folder under "Documents
  // and Settings") name one file. No Windows path holds a quote.
  return L"\"" + cmd + L"\" /D /S /C \"\"" + path + L"\"\"";
}

bool StartHiddenScript(const std::wstring& path) {
  if (path.empty()) return false;
  // The command processor of the system folder, never one the search path
  // or the environment names.
  wchar_t system[MAX_PATH] = {};
  const UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  const std::wstring cmd = std::wstring(system) + L"\\cmd.exe";
  std::wstring commandLine = ScriptCommandLine(cmd, path);
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessW(cmd.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &si, &pi)) {
    return false;
  }
  ::SetThreadPriority(pi.hThread, THREAD_PRIORITY_IDLE);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return true;
}
