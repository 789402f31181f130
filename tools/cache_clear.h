// Clearing of what the browser and the Flash player keep for the current
// user: the WinINet URL cache (Internet Explorer's temporary internet files,
// shared by the embedded browsers of every process) except its cookies, and
// the Flash player's local shared objects.
//
// The client runs with administrator rights, and every folder it deletes lies
// where any program of the user can write: a link planted there must never
// lead the deletion outside its folder.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Worker thread procedure: ClearFlashData, then ClearUrlCache, whose result
// it returns (nobody looks at it). The parameter is not used.
DWORD WINAPI CacheClearingThread(LPVOID param);

// Deletes the Flash player's shared objects folder with everything in it.
BOOL ClearFlashData();

// Deletes every content entry of the URL cache (cookie entries stay), then
// the temporary-internet-files folder, unless CacheFolderMayBeDeleted refuses
// it; the Office programs' folders in it stay (kCacheFoldersKept).
BOOL ClearUrlCache();

// One entry of a folder as its listing shows it.
struct TreeEntry {
  std::wstring name;
  DWORD attributes;
};

// The file-system operations of the deletion. The real one works on paths
// and handles of this machine; tests play one that changes under the walk.
class TreeFileSystem {
 public:
  virtual ~TreeFileSystem() = default;
  // Opens the folder `path` itself, never what a link there points to, and
  // holds it without delete sharing: while held it can be neither renamed
  // nor removed, so nothing can put a link in its place. Fills `attributes`
  // (of the folder itself). Null, with the error in `error`, when it cannot
  // be opened.
  virtual HANDLE HoldFolder(const std::wstring& path, DWORD* attributes, DWORD* error);
  virtual void Release(HANDLE folder);
  // The entries of a folder ("." and ".." included or not); false when the
  // listing cannot start.
  virtual bool List(const std::wstring& folder, std::vector<TreeEntry>* entries);
  // How many names (hard links) the file `path` itself has; 0 when unknown.
  virtual DWORD LinkCount(const std::wstring& path);
  // Each answers 0 on success, else the error.
  virtual DWORD SetAttributes(const std::wstring& path, DWORD attributes);
  virtual DWORD DeleteFile(const std::wstring& path);
  virtual DWORD RemoveFolder(const std::wstring& path);
};

// Deletes a folder with everything below it; read-only files too. Only an
// absolute path is taken. Every folder from the drive down to `path` is held
// (TreeFileSystem::HoldFolder) while the walk runs, and so is each folder
// while its contents go; if one above `path` is a link (junction or symbolic
// link), nothing is deleted (ERROR_STOPPED_ON_SYMLINK). A link met at `path`
// or anywhere inside is removed itself and never entered, also one that a
// folder turned into after it was listed. A read-only file with other names
// outside the tree keeps its attribute and stays (clearing it would change
// the file under those names too). Entries of `path` itself named in
// `keepAtTop` stay, and so does `path` then. TRUE only when everything else
// went; otherwise the thread's last error is that of the latest file that
// could not be deleted, or else that of the folder's removal.
BOOL DeleteDirectoryTree(const wchar_t* path);
BOOL DeleteDirectoryTree(const wchar_t* path, TreeFileSystem& fs,
                         const std::vector<std::wstring>& keepAtTop = {});

// Folders of the cache that belong to Office: Outlook keeps there the copies
// of attachments the user opened (and perhaps edited and not yet saved
// elsewhere), Word and the other Office programs their working files.
extern const std::vector<std::wstring> kCacheFoldersKept;

// Whether the folder the shell names as the cache may be deleted: an
// absolute path on a local drive (`driveType` as GetDriveTypeW answers for
// its root), not a drive root, and neither one of the `protectedFolders`
// (profile, Desktop, Documents, TEMP, Windows, Program Files...) nor above
// one. Users do point the cache at a RAM disk's root or at TEMP.
bool CacheFolderMayBeDeleted(const std::wstring& path, UINT driveType,
                             const std::vector<std::wstring>& protectedFolders);

// The "清除缓存" command: starts a clearing worker and at once, without
// waiting for it, tells the user "缓存清除完毕！". `worker` is replaceable
// for tests.
void StartCacheClearing(HWND owner, LPTHREAD_START_ROUTINE worker = CacheClearingThread);
