#include "framework/object_count.h"

#ifdef TOLV_TEST_SEAMS

#include <windows.h>

namespace {

// The system's own count, or -1 where it has none (Wine answers
// ERROR_CALL_NOT_IMPLEMENTED, or 0 for a process that surely holds some).
long SystemCount(OwnObjects which) {
  ::SetLastError(0);
  if (which == OwnObjects::Handles) {
    DWORD n = 0;
    return ::GetProcessHandleCount(::GetCurrentProcess(), &n) && n > 0 ? static_cast<long>(n) : -1;
  }
  const DWORD n = ::GetGuiResources(::GetCurrentProcess(),
                                    which == OwnObjects::Gdi ? GR_GDIOBJECTS : GR_USEROBJECTS);
  return n > 0 ? static_cast<long>(n) : -1;
}

// Wine finds an object's type by the table index in a handle's low word
// alone, but its DC calls want the whole handle, whose high word (the
// entry's reuse count and type) only the table knows: found by trying each.
HDC WholeDcHandle(UINT_PTR index) {
  for (UINT_PTR high = 1; high <= 0xFFFF; ++high) {
    const HGDIOBJ whole = reinterpret_cast<HGDIOBJ>((high << 16) | index);
    if (::GetObjectType(whole) == OBJ_DC) return static_cast<HDC>(whole);
  }
  return nullptr;
}

// A DC in the window manager's cache is kept disabled until it is handed
// out again: every call that draws or asks through it fails, even one as
// plain as its origin.
bool IsCachedWindowDc(UINT_PTR index) {
  const HDC dc = WholeDcHandle(index);
  POINT origin;
  return dc && !::GetDCOrgEx(dc, &origin);
}

// The process's own objects leave out each cached window DC and the visible
// region it keeps, as Windows's count does.
long WalkGdiTable(bool cachedDcsOnly) {
  long objects = 0;
  long cached = 0;
  for (UINT_PTR i = 1; i <= 0xFFFF; ++i) {
    const DWORD type = ::GetObjectType(reinterpret_cast<HGDIOBJ>(i));
    if (!type) continue;
    ++objects;
    if (type == OBJ_DC && IsCachedWindowDc(i)) ++cached;
  }
  return cachedDcsOnly ? cached : objects - 2 * cached;
}

BOOL CALLBACK CountOwnWindow(HWND window, LPARAM counter) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  if (pid == ::GetCurrentProcessId()) ++*reinterpret_cast<long*>(counter);
  return TRUE;
}

BOOL CALLBACK CountOwnTree(HWND window, LPARAM counter) {
  CountOwnWindow(window, counter);
  ::EnumChildWindows(window, CountOwnWindow, counter);
  return TRUE;
}

// USER objects under Wine: this process's windows (top-level, children and
// message-only), and the menus, icons and cursors of its handle table, whose
// entries Wine also finds by index alone (handles 0x20, 0x22, ...).
long WalkUserTable() {
  long count = 0;
  ::EnumWindows(CountOwnTree, reinterpret_cast<LPARAM>(&count));
  for (HWND w = ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
       w = ::FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr)) {
    CountOwnTree(w, reinterpret_cast<LPARAM>(&count));
  }
  for (UINT_PTR h = 0x20; h <= 0xFFEF; h += 2) {
    if (::IsMenu(reinterpret_cast<HMENU>(h))) {
      ++count;
      continue;
    }
    ICONINFO info = {};
    if (::GetIconInfo(reinterpret_cast<HICON>(h), &info)) {
      ++count;
      if (info.hbmColor) ::DeleteObject(info.hbmColor);
      if (info.hbmMask) ::DeleteObject(info.hbmMask);
    }
  }
  return count;
}

// Kernel handles: the table is filled from the lowest free entry up, so a
// long run of free entries means its end has been passed.
long WalkHandleTable() {
  long count = 0;
  int misses = 0;
  DWORD flags = 0;
  for (UINT_PTR h = 4; misses < 4096; h += 4) {
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) {
      ++count;
      misses = 0;
    } else {
      ++misses;
    }
  }
  return count;
}

}  // namespace

long CountOwnObjects(OwnObjects which) {
  // Where the system counts, the window manager keeps no DCs in the process.
  if (which == OwnObjects::CachedDcs) {
    return SystemCount(OwnObjects::Gdi) >= 0 ? 0 : WalkGdiTable(true);
  }
  const long counted = SystemCount(which);
  if (counted >= 0) return counted;
  switch (which) {
    case OwnObjects::Gdi:
      return WalkGdiTable(false);
    case OwnObjects::CachedDcs:
      break;
    case OwnObjects::User:
      return WalkUserTable();
    case OwnObjects::Handles:
      return WalkHandleTable();
  }
  return -1;
}

#endif
