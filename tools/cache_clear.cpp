#include "tools/cache_clear.h"

#include <shlobj.h>
#include <wininet.h>

#include <string>
#include <vector>

#include "ui/message_box.h"

BOOL DeleteDirectoryTree(const wchar_t* path) {
  if (!path || !*path) return FALSE;
  if (::GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return FALSE;
  std::wstring base = path;
  if (base.back() != L'\\') base += L'\\';

  WIN32_FIND_DATAW found = {};
  HANDLE search = ::FindFirstFileW((base + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return ::RemoveDirectoryW(path);

  DWORD fileError = 0;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring full = base + name;
    const DWORD attributes = found.dwFileAttributes;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      // A junction or symbolic link: it goes, what it points to stays, even
      // when that lies outside the tree. Changing its attributes would
      // change its target's, so a read-only link is left as it is.
      const BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY)
                               ? ::RemoveDirectoryW(full.c_str())
                               : ::DeleteFileW(full.c_str());
      if (!removed) fileError = ::GetLastError();
      continue;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      DeleteDirectoryTree(full.c_str());
      continue;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
      ::SetFileAttributesW(full.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    if (!::DeleteFileW(full.c_str())) fileError = ::GetLastError();
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);

  const BOOL removed = ::RemoveDirectoryW(path);
  const DWORD removeError = removed ? 0 : ::GetLastError();
  if (removed && !fileError) return TRUE;
  ::SetLastError(fileError ? fileError : removeError);
  return FALSE;
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
  return DeleteDirectoryTree(folder);
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
