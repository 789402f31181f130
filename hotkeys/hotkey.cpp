#include "hotkeys/hotkey.h"

#include <windows.h>

#include <cstdlib>

#include "base/paths.h"

Hotkey ParseHotkey(const std::wstring& text) {
  Hotkey h;
  const size_t comma = text.find(L',');
  h.mods = _wtoi(text.substr(0, comma).c_str());
  h.vk = comma == std::wstring::npos ? 0 : _wtoi(text.substr(comma + 1).c_str());
  return h;
}

void LoadHotkey(const wchar_t* key, const wchar_t* fallback, int* mods, int* vk) {
  wchar_t path[MAX_PATH];
  wchar_t value[32] = {};
  if (PathBesideExe(L"Statistic.ini", path)) {
    ::GetPrivateProfileStringW(L"Tolv", key, fallback, value, 32, path);
  } else {
    lstrcpynW(value, fallback, 32);
  }
  const Hotkey h = ParseHotkey(value);
  *mods = h.mods;
  *vk = h.vk;
}

Hotkey LoadHotkey(const wchar_t* key, const wchar_t* fallback) {
  Hotkey h;
  LoadHotkey(key, fallback, &h.mods, &h.vk);
  return h;
}
