// The three hotkeys as Statistic.ini stores them: "mods,vk" in decimal, mods
// a bit set of Alt 1, Ctrl 2, Shift 4, vk a virtual-key code (0: off).
#pragma once

#include <string>

struct Hotkey {
  int mods = -1;  // -1 until loaded
  int vk = -1;
};

// Reads a stored value: split at the first comma, each side read from its
// start (blanks and a sign allowed, 0 without digits); no comma: vk is 0.
Hotkey ParseHotkey(const std::wstring& text);

// Reads `key` of section "Tolv" of Statistic.ini beside the executable, with
// `fallback` when it is missing.
void LoadHotkey(const wchar_t* key, const wchar_t* fallback, int* mods, int* vk);
Hotkey LoadHotkey(const wchar_t* key, const wchar_t* fallback);

// The three keys and their defaults.
inline Hotkey LoadBossKey() {
  return LoadHotkey(L"ShortKey", L"0,121");
}
inline Hotkey LoadSwitchKey() {
  return LoadHotkey(L"AltWndKey", L"2,9");
}
inline Hotkey LoadSoundKey() {
  return LoadHotkey(L"SndKey", L"2,81");
}
