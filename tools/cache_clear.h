// Clearing of what the browser and the Flash player keep for the current
// user: the WinINet URL cache (Internet Explorer's temporary internet files,
// shared by the embedded browsers of every process) except its cookies, and
// the Flash player's local shared objects.
#pragma once

#include <windows.h>

// Worker thread procedure: ClearFlashData, then ClearUrlCache, whose result
// it returns (nobody looks at it). The parameter is not used.
DWORD WINAPI CacheClearingThread(LPVOID param);

// Deletes the Flash player's shared objects folder with everything in it.
BOOL ClearFlashData();

// Deletes every content entry of the URL cache (cookie entries stay), then
// the temporary-internet-files folder.
BOOL ClearUrlCache();

// Deletes a folder with everything below it; read-only files too. A link
// (junction or symbolic link) met inside the tree is removed itself and
// never followed. TRUE only when everything went; otherwise the thread's
// last error is that of the latest file that could not be deleted, or else
// that of the folder's removal.
BOOL DeleteDirectoryTree(const wchar_t* path);

// The "清除缓存" command: starts a clearing worker and at once, without
// waiting for it, tells the user "缓存清除完毕！". `worker` is replaceable
// for tests.
void StartCacheClearing(HWND owner, LPTHREAD_START_ROUTINE worker = CacheClearingThread);
