#include "browser/game_frame_rules.h"

#include "base/messages.h"
#include "base/process_values.h"
#include "base/text.h"
#include "base/web_address.h"
#include "browser/outside_page.h"

int HeldModifiers() {
  int mods = 0;
  if (HIBYTE(::GetKeyState(VK_CONTROL))) mods |= 2;
  if (HIBYTE(::GetKeyState(VK_SHIFT))) mods |= 4;
  if (HIBYTE(::GetKeyState(VK_MENU))) mods |= 1;
  return mods;
}

bool IsHotkeyPress(UINT message, WPARAM wParam, LPARAM lParam, int heldMods, const Hotkey& key) {
  // A key switched off (code 0) never matches.
  return (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && lParam != kSyntheticMarker &&
         key.vk > 0 && static_cast<int>(wParam) == key.vk && heldMods == key.mods;
}

bool IsMenuKeyHotkey(UINT message, WPARAM wParam, LPARAM lParam, int heldMods, const Hotkey& boss,
                     const Hotkey& sound) {
  const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
  const bool up = message == WM_KEYUP || message == WM_SYSKEYUP;
  if ((!down && !up) || lParam == kSyntheticMarker) return false;
  if (wParam != VK_F10 && wParam != VK_MENU) return false;
  for (const Hotkey* key : {&boss, &sound}) {
    if (static_cast<int>(wParam) != key->vk) continue;
    if (heldMods == key->mods || (up && key->mods == 0)) return true;
  }
  return false;
}

FrameKey DecideFrameKey(UINT message, WPARAM wParam, LPARAM lParam, int heldMods,
                        const Hotkey& boss, const Hotkey& switchKey, const Hotkey& sound) {
  if (IsHotkeyPress(message, wParam, lParam, heldMods, switchKey)) return FrameKey::ForwardToMain;
  if (IsMenuKeyHotkey(message, wParam, lParam, heldMods, boss, sound)) return FrameKey::Swallow;
  // Scan code of D, not extended, no Alt, key going down for the first time.
  if (message == WM_CHAR && LOWORD(wParam) == 4 && HIWORD(lParam) == 0x0020) {
    return FrameKey::Favourite;
  }
  if (message == WM_KEYDOWN && wParam == VK_F5) {
    const bool f5IsHotkey =
        (boss.vk == VK_F5 && boss.mods == 0) || (sound.vk == VK_F5 && sound.mods == 0);
    if (f5IsHotkey && lParam != kSyntheticMarker) return FrameKey::Swallow;
    return FrameKey::Refresh;
  }
  if (message == WM_SYSCOMMAND && wParam == SC_CLOSE) return FrameKey::CloseTimer;
  return FrameKey::None;
}

namespace {

BOOL CALLBACK CollectTopWindow(HWND hwnd, LPARAM param) {
  auto* windows = reinterpret_cast<std::vector<TopWindow>*>(param);
  wchar_t cls[64] = {}, title[128] = {};
  ::GetClassNameW(hwnd, cls, 64);
  ::GetWindowTextW(hwnd, title, 128);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  windows->push_back({hwnd, pid, cls, title});
  return TRUE;
}

}  // namespace

std::vector<TopWindow> ListTopWindows() {
  std::vector<TopWindow> windows;
  ::EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

HWND ScriptMessageBoxToClose(const std::vector<TopWindow>& windows, DWORD pid) {
  for (const wchar_t* title :
       {L"来自网页的消息", L"Windows Internet Explorer", L"Microsoft Internet Explorer"}) {
    for (const TopWindow& w : windows) {
      if (w.pid == pid && w.cls == L"#32770" && w.title == title) return w.hwnd;
    }
  }
  return nullptr;
}

std::wstring IePathFromAppPath(const std::wstring& value, DWORD type) {
  std::wstring path = value;
  if (type == REG_EXPAND_SZ) {
    const DWORD need = ::ExpandEnvironmentStringsW(value.c_str(), nullptr, 0);
    if (!need) return L"";
    std::wstring expanded(need, L'\0');
    if (!::ExpandEnvironmentStringsW(value.c_str(), &expanded[0], need)) return L"";
    expanded.resize(wcsnlen(expanded.c_str(), expanded.size()));
    path = expanded;
  }
  size_t exe = std::wstring::npos;
  for (size_t i = 0; i + 4 <= path.size(); ++i) {
    if (StartsWithNoCase(path.substr(i, 4), L".exe")) {
      exe = i;
      break;
    }
  }
  if (exe == std::wstring::npos) return L"";
  path.resize(exe + 4);
  if (path[0] == L'"') path.erase(0, 1);
  if (path.size() <= 4) return L"";
  return path;
}

IeStart IeStartFor(const std::wstring& iePath, const std::wstring& url) {
  IeStart start;
  const WebAddress web = CheckWebAddress(url);
  // A quote in the path would end it early on the command line.
  if (!web.ok || iePath.empty() || iePath.find(L'"') != std::wstring::npos) return start;
  start.ok = true;
  start.path = iePath;
  start.argument = web.argument;
  return start;
}

BOOL OpenInInternetExplorer(const wchar_t* url) {
  if (!url || !CheckWebAddress(url).ok) return FALSE;
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE", 0,
                        nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
    return FALSE;
  }
  wchar_t value[260] = {};  // 520 bytes
  DWORD size = sizeof(value) - sizeof(wchar_t);
  DWORD type = 0;
  const LONG read =
      ::RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  ::RegCloseKey(key);
  if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return FALSE;
  const IeStart ie = IeStartFor(IePathFromAppPath(value, type), url);
  if (!ie.ok) return FALSE;
  OutsideStart start;
  start.file = ie.path;
  start.parameters = ie.argument;
  start.program = true;
  return StartOutside(start) ? TRUE : FALSE;
}

BOOL CancelsNewWindow(const wchar_t* url) {
  if (!url || !CheckWebAddress(url).ok) return TRUE;
  return OpenInInternetExplorer(url);
}
