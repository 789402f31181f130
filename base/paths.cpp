#include "base/paths.h"

#include <windows.h>
#include <shlobj.h>

std::wstring ExePath() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wstring(path, n < MAX_PATH ? n : 0);
}

int PathBesideExe(const wchar_t* name, wchar_t* out) {
  const std::wstring exe = ExePath();
  const size_t slash = exe.rfind(L'\\');
  out[0] = L'\0';
  if (slash == std::wstring::npos) return 0;
  const std::wstring path = name ? exe.substr(0, slash + 1) + name : exe;
  lstrcpynW(out, path.c_str(), MAX_PATH);
  return 1;
}

std::wstring InstallFolder() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path))) return L"";
  return std::wstring(path) + L"\\Brindlo\\VodiVavoz";
}

std::wstring QuotedPath(const std::wstring& path) {
  return L"\"" + path + L"\"";
}
