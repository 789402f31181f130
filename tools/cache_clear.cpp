#include "tools/cache_clear.h"

#include <shlobj.h>
#include <wininet.h>

#include "ui/message_box.h"

namespace {

// "The operation stopped after reaching a symbolic link": the answer for a
// folder above the deleted one that is a link. (Older SDK headers lack it.)
constexpr DWORD kStoppedOnLink = 681;

bool IsLink(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// File names compare without regard to case, non-ASCII letters included.
std::wstring Upper(std::wstring text) {
  if (!text.empty()) ::CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

bool NameIn(const std::wstring& name, const std::vector<std::wstring>& names) {
  const std::wstring upper = Upper(name);
  for (const std::wstring& n : names) {
    if (Upper(n) == upper) return true;
  }
  return false;
}

// Splits an absolute path into its root ("C:\" or "\\server\share\") and
// its folder names. False for anything the system would read otherwise than
// name by name: relative paths, device paths (\\?\, \\.\), "/", "." and
// ".." or names the system trims (trailing dots and blanks), streams (":")
// and wildcards.
bool SplitPath(const std::wstring& path, std::wstring* root, std::vector<std::wstring>* parts) {
  size_t start = 0;
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\' &&
      ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'))) {
    start = 3;
  } else if (path.compare(0, 2, L"\\\\") == 0) {
    const size_t server = path.find(L'\\', 2);
    if (server == std::wstring::npos || server == 2) return false;
    const std::wstring name = path.substr(2, server - 2);
    if (name == L"?" || name == L".") return false;
    const size_t share = path.find(L'\\', server + 1);
    if (share == server + 1) return false;
    start = share == std::wstring::npos ? path.size() : share + 1;
  } else {
    return false;
  }
  *root = path.substr(0, start);
  if (root->back() != L'\\') *root += L'\\';
  std::wstring rest = path.substr(start);
  while (!rest.empty() && rest.back() == L'\\') rest.pop_back();
  parts->clear();
  size_t i = 0;
  while (i < rest.size()) {
    size_t next = rest.find(L'\\', i);
    if (next == std::wstring::npos) next = rest.size();
    const std::wstring part = rest.substr(i, next - i);
    if (part.empty() || part.back() == L'.' || part.back() == L' ' ||
        part.find_first_of(L"/:*?\"<>|") != std::wstring::npos) {
      return false;
    }
    parts->push_back(part);
    i = next + 1;
  }
  return true;
}

std::wstring JoinPath(const std::wstring& root, const std::vector<std::wstring>& parts,
                      size_t count) {
  std::wstring path = root;
  for (size_t i = 0; i < count; ++i) path += (i ? L"\\" : L"") + parts[i];
  return path;
}

// A link goes as a link: what it points to stays, even outside the tree.
// Its attributes are never changed (that would change its target's).
DWORD RemoveLink(TreeFileSystem& fs, const std::wstring& path, DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? fs.RemoveFolder(path) : fs.DeleteFile(path);
}

DWORD DeleteOneFile(TreeFileSystem& fs, const std::wstring& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    // A file with other names (hard links) is the same file outside the
    // tree: its read-only attribute stays, and so does it.
    if (fs.LinkCount(path) != 1) return ERROR_ACCESS_DENIED;
    if (const DWORD error = fs.SetAttributes(path, attributes & ~FILE_ATTRIBUTE_READONLY)) {
      return error;
    }
    // A name added meanwhile: the attribute goes back.
    if (fs.LinkCount(path) != 1) {
      fs.SetAttributes(path, attributes);
      return ERROR_ACCESS_DENIED;
    }
  }
  const DWORD error = fs.DeleteFile(path);
  if (error && (attributes & FILE_ATTRIBUTE_READONLY)) fs.SetAttributes(path, attributes);
  return error;
}

DWORD DeleteFolder(TreeFileSystem& fs, const std::wstring& path,
                   const std::vector<std::wstring>* keep);

// Deletes what the held folder `path` holds; the error of the latest of its
// own entries that stayed (folders below answer for themselves).
DWORD EmptyFolder(TreeFileSystem& fs, const std::wstring& path,
                  const std::vector<std::wstring>* keep, bool* kept) {
  std::vector<TreeEntry> entries;
  if (!fs.List(path, &entries)) return 0;
  DWORD fileError = 0;
  for (const TreeEntry& entry : entries) {
    if (entry.name.empty() || entry.name == L"." || entry.name == L"..") continue;
    if (keep && NameIn(entry.name, *keep)) {
      *kept = true;
      continue;
    }
    const std::wstring full = path + L"\\" + entry.name;
    DWORD error = 0;
    if (IsLink(entry.attributes)) {
      error = RemoveLink(fs, full, entry.attributes);
    } else if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
      DeleteFolder(fs, full, nullptr);
    } else {
      error = DeleteOneFile(fs, full, entry.attributes);
    }
    if (error) fileError = error;
  }
  return fileError;
}

// Holds the folder `path`, deletes its contents and then it; 0 when all of
// it went, else the error that counts.
DWORD DeleteFolder(TreeFileSystem& fs, const std::wstring& path,
                   const std::vector<std::wstring>* keep) {
  DWORD attributes = 0, error = 0;
  HANDLE held = fs.HoldFolder(path, &attributes, &error);
  if (!held) return error ? error : ERROR_PATH_NOT_FOUND;
  if (IsLink(attributes) || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    // Listed as a folder, but a link (or a file) by now: never entered.
    fs.Release(held);
    return IsLink(attributes) ? RemoveLink(fs, path, attributes)
                              : DeleteOneFile(fs, path, attributes);
  }
  bool kept = false;
  const DWORD fileError = EmptyFolder(fs, path, keep, &kept);
  fs.Release(held);
  if (kept) return fileError;
  // Let go first (the handle shares no deletion). Should the empty folder be
  // swapped for a link now, the removal takes the link, not its target.
  const DWORD removeError = fs.RemoveFolder(path);
  return fileError ? fileError : removeError;
}

}  // namespace

HANDLE TreeFileSystem::HoldFolder(const std::wstring& path, DWORD* attributes, DWORD* error) {
  // Listing access makes the handle count in sharing checks (one that only
  // reads attributes does not), so a rename or delete of the folder fails.
  HANDLE h = ::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    *error = ::GetLastError();
    return nullptr;
  }
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!::GetFileInformationByHandle(h, &info)) {
    *error = ::GetLastError();
    ::CloseHandle(h);
    return nullptr;
  }
  *attributes = info.dwFileAttributes;
  // The entry as its parent lists it, once held: Wine opens what a Unix link
  // points to whatever the flags say, but lists the link as a reparse point.
  WIN32_FIND_DATAW found = {};
  HANDLE search = ::FindFirstFileW(path.c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    *attributes |= found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
    ::FindClose(search);
  }
  return h;
}

void TreeFileSystem::Release(HANDLE folder) {
  ::CloseHandle(folder);
}

bool TreeFileSystem::List(const std::wstring& folder, std::vector<TreeEntry>* entries) {
  WIN32_FIND_DATAW found = {};
  HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  do {
    entries->push_back({found.cFileName, found.dwFileAttributes});
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return true;
}

DWORD TreeFileSystem::LinkCount(const std::wstring& path) {
  HANDLE h = ::CreateFileW(
      path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  BY_HANDLE_FILE_INFORMATION info = {};
  const DWORD links = ::GetFileInformationByHandle(h, &info) ? info.nNumberOfLinks : 0;
  ::CloseHandle(h);
  return links;
}

DWORD TreeFileSystem::SetAttributes(const std::wstring& path, DWORD attributes) {
  return ::SetFileAttributesW(path.c_str(), attributes) ? 0 : ::GetLastError();
}

DWORD TreeFileSystem::DeleteFile(const std::wstring& path) {
  return ::DeleteFileW(path.c_str()) ? 0 : ::GetLastError();
}

DWORD TreeFileSystem::RemoveFolder(const std::wstring& path) {
  return ::RemoveDirectoryW(path.c_str()) ? 0 : ::GetLastError();
}

BOOL DeleteDirectoryTree(const wchar_t* path) {
  TreeFileSystem fs;
  return DeleteDirectoryTree(path, fs);
}

BOOL DeleteDirectoryTree(const wchar_t* path, TreeFileSystem& fs,
                         const std::vector<std::wstring>& keepAtTop) {
  if (!path || !*path) return FALSE;
  std::wstring root;
  std::vector<std::wstring> parts;
  // Never a relative path, and never a whole drive.
  if (!SplitPath(path, &root, &parts) || parts.empty()) {
    ::SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  }
  // Every folder above is held for the whole walk, so that none of them can
  // become a link meanwhile; one that is a link already stops everything.
  std::vector<HANDLE> above;
  DWORD error = 0;
  for (size_t i = 1; i < parts.size() && !error; ++i) {
    DWORD attributes = 0;
    HANDLE held = fs.HoldFolder(JoinPath(root, parts, i), &attributes, &error);
    if (!held) {
      if (!error) error = ERROR_PATH_NOT_FOUND;
      break;
    }
    above.push_back(held);
    if (IsLink(attributes)) {
      error = kStoppedOnLink;
    } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      error = ERROR_DIRECTORY;
    }
  }
  if (!error) error = DeleteFolder(fs, JoinPath(root, parts, parts.size()), &keepAtTop);
  for (HANDLE held : above) fs.Release(held);
  if (!error) return TRUE;
  ::SetLastError(error);
  return FALSE;
}

const std::vector<std::wstring> kCacheFoldersKept = {L"Content.Outlook", L"Content.Word",
                                                     L"Content.MSO"};

bool CacheFolderMayBeDeleted(const std::wstring& path, UINT driveType,
                             const std::vector<std::wstring>& protectedFolders) {
  std::wstring root;
  std::vector<std::wstring> parts;
  if (!SplitPath(path, &root, &parts) || parts.empty() || root.size() != 3) return false;
  if (driveType != DRIVE_FIXED && driveType != DRIVE_REMOVABLE && driveType != DRIVE_RAMDISK) {
    return false;
  }
  const std::wstring folder = Upper(JoinPath(root, parts, parts.size()));
  for (std::wstring p : protectedFolders) {
    while (p.size() > 3 && p.back() == L'\\') p.pop_back();
    if (p.empty()) continue;
    p = Upper(p);
    if (p == folder || p.compare(0, folder.size() + 1, folder + L"\\") == 0) return false;
  }
  return true;
}

BOOL ClearFlashData() {
  IMalloc* malloc = nullptr;
  if (FAILED(::SHGetMalloc(&malloc)) || !malloc) return FALSE;
  LPITEMIDLIST items = nullptr;
  wchar_t folder[MAX_PATH] = {};
  BOOL named = FALSE;
  if (SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &items)) && items) {
    named = ::SHGetPathFromIDListW(items, folder);
    malloc->Free(items);
  }
  malloc->Release();
  // Without the application-data folder there is nothing to delete.
  if (!named || !*folder) return FALSE;
  std::wstring path = folder;
  path += L"\\Macromedia\\Flash Player\\#SharedObjects";
  return DeleteDirectoryTree(path.c_str());
}

namespace {

// `path` with every short (8.3) name spelt out, so that it compares with
// the shell's long names (TEMP is often given in short names).
std::wstring LongPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD n = ::GetLongPathNameW(path.c_str(), buffer, MAX_PATH);
  return n && n < MAX_PATH ? std::wstring(buffer, n) : path;
}

// The folders whose loss no cache clearing may cause, nor that of anything
// in them.
std::vector<std::wstring> ProtectedFolders() {
  static const int kFolders[] = {CSIDL_PROFILE,          CSIDL_DESKTOPDIRECTORY,
                                 CSIDL_PERSONAL,         CSIDL_FAVORITES,
                                 CSIDL_APPDATA,          CSIDL_LOCAL_APPDATA,
                                 CSIDL_COMMON_APPDATA,   CSIDL_COMMON_DESKTOPDIRECTORY,
                                 CSIDL_COMMON_DOCUMENTS, CSIDL_WINDOWS,
                                 CSIDL_SYSTEM,           CSIDL_PROGRAM_FILES,
                                 CSIDL_PROGRAM_FILESX86};
  std::vector<std::wstring> folders;
  wchar_t path[MAX_PATH] = {};
  for (int id : kFolders) {
    if (SUCCEEDED(::SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path))) {
      folders.push_back(LongPath(path));
    }
  }
  if (const DWORD n = ::GetTempPathW(MAX_PATH, path); n && n < MAX_PATH) {
    folders.push_back(LongPath(path));
  }
  // The client's own folder.
  if (const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH); n && n < MAX_PATH) {
    std::wstring exe(path, n);
    folders.push_back(LongPath(exe.substr(0, exe.rfind(L'\\'))));
  }
  return folders;
}

}  // namespace

BOOL ClearUrlCache() {
  // The size of the first content entry (no pattern: content entries only).
  DWORD size = 0;
  HANDLE search = nullptr;
  ::FindFirstUrlCacheEntryW(nullptr, nullptr, &size);
  std::vector<BYTE> buffer;
  if (size) {
    buffer.resize(size * 2);
    size = static_cast<DWORD>(buffer.size());
    search = ::FindFirstUrlCacheEntryW(
        nullptr, reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data()), &size);
  }
  if (search) {
    for (;;) {
      const auto* entry = reinterpret_cast<const INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
      if (!(entry->CacheEntryType & COOKIE_CACHE_ENTRY) && entry->lpszSourceUrlName) {
        ::DeleteUrlCacheEntryW(entry->lpszSourceUrlName);
      }
      size = 0;
      ::FindNextUrlCacheEntryW(search, nullptr, &size);
      if (!size) break;  // no more entries
      buffer.assign(size * 2, 0);
      size = static_cast<DWORD>(buffer.size());
      if (!::FindNextUrlCacheEntryW(
              search, reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data()), &size)) {
        break;
      }
    }
    ::FindCloseUrlCache(search);
  }

  wchar_t folder[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, folder, CSIDL_INTERNET_CACHE, FALSE)) return FALSE;
  const std::wstring cache = LongPath(folder);
  const UINT driveType =
      cache.size() >= 3 ? ::GetDriveTypeW(cache.substr(0, 3).c_str()) : DRIVE_UNKNOWN;
  if (!CacheFolderMayBeDeleted(cache, driveType, ProtectedFolders())) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  TreeFileSystem fs;
  return DeleteDirectoryTree(cache.c_str(), fs, kCacheFoldersKept);
}

DWORD WINAPI CacheClearingThread(LPVOID) {
  ClearFlashData();
  return ClearUrlCache();
}

void StartCacheClearing(HWND owner, LPTHREAD_START_ROUTINE worker) {
  if (HANDLE thread = ::CreateThread(nullptr, 0, worker, nullptr, 0, nullptr)) {
    ::CloseHandle(thread);
  }
  // Told at once: the user is not kept waiting for the worker.
  ShowMessageBox(owner, L"缓存清除完毕！", MB_OK);
}
