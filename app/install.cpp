#include "app/install.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "app/hidden_process.h"
#include "app/launch_mode.h"
#include "base/paths.h"
#include "base/product.h"
#include "base/process_values.h"
#include "ui/message_box.h"

namespace {

constexpr wchar_t kShortcutName[] = L"BrindloTolvane";
constexpr wchar_t kUninstallShortcutName[] = L"卸载 BrindloTolvane";
constexpr wchar_t kOldHallShortcutName[] = L"Brindlo网页游戏";
constexpr wchar_t kStartMenuFolder[] = L"\\Brindlo登录器";
constexpr wchar_t kClientKey[] = L"Software\\Brindlo\\VodiVavoz\\Tolv";

std::wstring SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, 0, path))) return L"";
  return path;
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring StartMenuFolder() {
  const std::wstring programs = SpecialFolder(CSIDL_PROGRAMS);
  return programs.empty() ? L"" : programs + kStartMenuFolder;
}

std::wstring Upper(std::wstring text) {
  if (!text.empty()) ::CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

std::wstring FileName(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// COM for the calling thread while the shortcuts are made or removed.
class ComScope {
 public:
  ComScope() : m_ok(SUCCEEDED(::CoInitialize(nullptr))) {}
  ~ComScope() {
    if (m_ok) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool m_ok;
};

void SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
  ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetNumber(HKEY key, const wchar_t* name, DWORD value) {
  ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

}  // namespace

std::wstring ShortcutPath(const std::wstring& folder, const std::wstring& name) {
  return folder + L"\\" + name + L".lnk";
}

std::wstring WorkingFolder(const std::wstring& target) {
  size_t slash = target.rfind(L'\\');
  if (slash == std::wstring::npos) slash = target.rfind(L'/');
  return slash == std::wstring::npos ? L"" : target.substr(0, slash);
}

std::wstring ExeFolder(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? path : path.substr(0, slash);
}

std::wstring OldDesktopShortcut(const std::wstring& documents, const std::wstring& desktop,
                                const std::wstring& name) {
  const size_t cut = documents.rfind(L'\\');
  const size_t last = desktop.rfind(L'\\');
  const std::wstring base = cut == std::wstring::npos ? documents : documents.substr(0, cut);
  const std::wstring component = last == std::wstring::npos ? L"" : desktop.substr(last);
  return base + component + L"\\" + name + L".lnk";
}

std::string RemovalScript(bool removeFolder, int tries) {
  // The placeholder (the script's own name without ".bat") cannot be deleted
  // while the removing process lives; the message box it shows may stay open
  // for hours. Every try pauses about a second (two pings are a second
  // apart); after `tries` an executable that cannot be deleted is left alone,
  // so no hidden script runs for ever.
  std::string text =
      "@echo off\r\n"
      "cd\\\r\n"
      ":wait\r\n"
      "ping -n 2 127.0.0.1 >nul\r\n"
      "del /F /A \"%~dpn0\" >nul 2>nul\r\n"
      "if exist \"%~dpn0\" goto :wait\r\n"
      "set /a tries=0\r\n"
      ":delexe\r\n"
      "del /F /A \"%TOLV_REMOVE_EXE%\" >nul 2>nul\r\n"
      "if not exist \"%TOLV_REMOVE_EXE%\" goto :gone\r\n"
      "set /a tries+=1\r\n"
      "if %tries% geq " +
      std::to_string(tries) +
      " goto :done\r\n"
      "ping -n 2 127.0.0.1 >nul\r\n"
      "goto :delexe\r\n"
      ":gone\r\n";
  if (removeFolder) {
    text +=
        "del \"%TOLV_REMOVE_DIR%\" /Q /F /A >nul 2>nul\r\n"
        "rd \"%TOLV_REMOVE_DIR%\"\r\n";
  }
  text +=
      ":done\r\n"
      "del \"%~f0\"\r\n";
  return text;
}

std::wstring StartRemovalScript(const std::wstring& exe, const std::wstring& tempFolder,
                                HANDLE* alive, int tries) {
  *alive = nullptr;
  if (exe.empty()) return L"";
  const std::wstring folder = ExeFolder(exe);
  wchar_t placeholder[MAX_PATH] = {};
  if (!::GetTempFileNameW(tempFolder.c_str(), L"DelSelf", 0, placeholder)) return L"";
  const std::wstring script = std::wstring(placeholder) + L".bat";
  const bool removeFolder = CountFiles(folder.c_str()) <= 1;
  if (AppendToFile(RemovalScript(removeFolder, tries), script.c_str()) < 0) return L"";
  // Not inheritable: only this process's end may release it. Without it the
  // script goes straight to its bounded tries.
  const HANDLE held = ::CreateFileW(placeholder, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (held != INVALID_HANDLE_VALUE) *alive = held;
  // The script reads its paths from the environment it inherits.
  ::SetEnvironmentVariableW(kRemoveExeVariable, exe.c_str());
  ::SetEnvironmentVariableW(kRemoveDirVariable, folder.c_str());
  if (StartHiddenScript(script)) return script;
  if (*alive) ::CloseHandle(*alive);
  *alive = nullptr;
  return L"";
}

int CountFiles(const wchar_t* folder) {
  if (!folder || !*folder) return 0;
  WIN32_FIND_DATAW data;
  const std::wstring base = folder;
  HANDLE find = ::FindFirstFileW((base + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 1;
  int count = 0;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (lstrcmpW(data.cFileName, L".") == 0 || lstrcmpW(data.cFileName, L"..") == 0) continue;
      // A linked folder may point back up: its contents are not ours to count.
      if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        ++count;
        continue;
      }
      count += CountFiles((base + L"\\" + data.cFileName).c_str());
    } else {
      ++count;
    }
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return count;
}

int AppendToFile(const std::string& text, const wchar_t* path) {
  HANDLE file = ::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  DWORD wrote = 0;
  const BOOL ok = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
  ::CloseHandle(file);
  return ok ? static_cast<int>(wrote) : -1;
}

int CreateShortcut(const wchar_t* target, const wchar_t* link, const wchar_t* arguments,
                   const wchar_t* description) {
  if (!link) return 0;
  IShellLinkW* shellLink = nullptr;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shellLink)))) {
    return 0;
  }
  shellLink->SetPath(target);
  shellLink->SetIconLocation(target, 0);
  shellLink->SetArguments(arguments ? arguments : L"");
  if (description && *description) shellLink->SetDescription(description);
  shellLink->SetWorkingDirectory(WorkingFolder(target).c_str());
  int result = 0;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    result = SUCCEEDED(file->Save(link, TRUE)) ? 1 : 0;
    file->Release();
  }
  shellLink->Release();
  return result;
}

int CreateDesktopShortcut(const std::wstring& target) {
  if (target.empty() || !FileExists(target)) return 0;
  const std::wstring desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
  if (desktop.empty()) return 0;
  // An older version may have left its shortcut where the desktop lay beside
  // the documents folder.
  const std::wstring documents = SpecialFolder(CSIDL_PERSONAL);
  if (!documents.empty()) {
    ::DeleteFileW(OldDesktopShortcut(documents, desktop, kShortcutName).c_str());
  }
  return CreateShortcut(target.c_str(), ShortcutPath(desktop, kShortcutName).c_str(), L"/TolvD",
                        kShortcutName);
}

int CreateStartMenuShortcut(const std::wstring& name, const std::wstring& target,
                            const wchar_t* arguments) {
  if (name.empty() || target.empty() || !FileExists(target)) return 0;
  const std::wstring folder = StartMenuFolder();
  if (folder.empty()) return 0;
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return CreateShortcut(target.c_str(), ShortcutPath(folder, name).c_str(), arguments, nullptr);
}

int DeleteDesktopShortcut(const std::wstring& name) {
  const std::wstring desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
  if (desktop.empty() || name.empty()) return 0;
  return ::DeleteFileW(ShortcutPath(desktop, name).c_str()) ? 1 : 0;
}

int DeleteStartMenuShortcut(const std::wstring& name) {
  const std::wstring folder = StartMenuFolder();
  if (folder.empty() || name.empty()) return 0;
  return ::DeleteFileW(ShortcutPath(folder, name).c_str()) ? 1 : 0;
}

void WriteUninstallEntry(const std::wstring& exe) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, kUninstallEntryKey, 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  SetString(key, L"DisplayName", L"BrindloTolvane");
  SetString(key, L"DisplayVersion", kVersionText);
  SetString(key, L"Publisher", L"Brindlo");
  SetString(key, L"DisplayIcon", exe + L",0");
  SetString(key, L"InstallLocation", ExeFolder(exe));
  SetString(key, L"UninstallString", L"\"" + exe + L"\" /uninst");
  SetNumber(key, L"NoModify", 1);
  SetNumber(key, L"NoRepair", 1);
  ::RegCloseKey(key);
}

void DeleteUninstallEntry() {
  ::SHDeleteKeyW(HKEY_CURRENT_USER, kUninstallEntryKey);
}

bool RemoveDownloadMark(const std::wstring& path) {
  // A file system without streams has no mark to remove.
  return ::DeleteFileW((path + kDownloadMarkStream).c_str()) ||
         ::GetLastError() == ERROR_FILE_NOT_FOUND || ::GetLastError() == ERROR_PATH_NOT_FOUND;
}

int Install() {
  ComScope com;
  const std::wstring exe = ExePath();
  const std::wstring appData = SpecialFolder(CSIDL_LOCAL_APPDATA);
  if (exe.empty() || appData.empty()) return 1;
  ::CreateDirectoryW((appData + L"\\Brindlo").c_str(), nullptr);
  const std::wstring folder = InstallFolder();
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring installed = folder + L"\\" + FileName(exe);
  // A copy that fails (an installed copy of that name is running) keeps the
  // older installed executable; everything below still uses its path.
  if (Upper(exe) != Upper(installed) && ::CopyFileW(exe.c_str(), installed.c_str(), FALSE)) {
    RemoveDownloadMark(installed);
  }
  CreateDesktopShortcut(installed);
  CreateStartMenuShortcut(kShortcutName, installed, L"/TolvD");
  CreateStartMenuShortcut(kUninstallShortcutName, installed, L"/uninst");
  if (FileExists(installed)) WriteUninstallEntry(installed);
  StartProcess(installed.c_str());
  return 1;
}

int Uninstall(const std::function<void()>& sendReport) {
  ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, kClientKey);
  DeleteUninstallEntry();
  {
    ComScope com;
    DeleteDesktopShortcut(kOldHallShortcutName);
    DeleteDesktopShortcut(kShortcutName);
    DeleteStartMenuShortcut(kShortcutName);
    DeleteStartMenuShortcut(kUninstallShortcutName);
    const std::wstring folder = StartMenuFolder();
    if (!folder.empty() && CountFiles(folder.c_str()) == 0) ::RemoveDirectoryW(folder.c_str());
  }
  wchar_t temp[MAX_PATH] = {};
  // The placeholder stays held until this process ends, however late the
  // player closes the message below: the system closes the handle then.
  HANDLE alive = nullptr;
  if (::GetTempPathW(MAX_PATH, temp)) StartRemovalScript(ExePath(), temp, &alive);
  if (sendReport) sendReport();
  return ShowMessageBox(
      nullptr, L"BrindloTolvane已成功移除，部分文件将在程序退出\r\n或计算机重启后自行删除", MB_OK);
}
