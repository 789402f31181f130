#include "gamewnd/main_chrome.h"

#include "base/messages.h"
#include "base/product.h"
#include "browser/game_frame_rules.h"

RECT TabCellRect(int index) {
  const int left = kTabStripLeft + kTabCellWidth * index;
  return {left, kTabStripTop, left + kTabCellWidth, kTabStripBottom};
}

RECT TabLabelRect(int index) {
  const int left = kTabStripLeft + kTabCellWidth * index;
  return {left + 16, 8, left + 16 + kTabLabelWidth, 22};
}

RECT TabCrossRect(int index) {
  const int left = kTabStripLeft + kTabCellWidth * index + kTabCrossLeft;
  return {left, kTabStripTop, left + kTabCrossSize, kTabStripTop + kTabCrossSize};
}

RECT TabStripRect(int count) {
  return {kTabStripLeft, kTabStripTop, kTabStripLeft + kTabCellWidth * count, kTabStripBottom};
}

TabHit HitTabBand(int x, int y, int tabCount) {
  TabHit hit;
  if (tabCount <= 0 || y < 3 || y > 24) return hit;
  if (x <= kTabStripLeft || x >= kTabStripLeft + kTabCellWidth * tabCount) return hit;
  hit.tab = (x - kTabStripLeft) / kTabCellWidth;
  const RECT cross = TabCrossRect(hit.tab);
  hit.onCross = x >= cross.left && x <= cross.right && y < cross.bottom;
  return hit;
}

std::wstring CutTabLabel(const std::wstring& text,
                         const std::function<int(const std::wstring&)>& width) {
  if (width(text) <= kTabLabelWidth || text.size() <= kTabLabelKeep) return text;
  size_t keep = kTabLabelKeep;
  // An account name from the server may hold characters outside the basic
  // plane: half of one would draw as a box.
  if (text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF) --keep;
  return text.substr(0, keep) + L"...";
}

std::vector<RECT> HoverRepaint(const TabHover& before, const TabHover& after) {
  std::vector<RECT> areas;
  if (before.tab == after.tab && before.part == after.part) return areas;
  if (before.tab >= 0) {
    areas.push_back(before.tab == after.tab ? TabCrossRect(before.tab) : TabCellRect(before.tab));
  }
  if (after.tab >= 0 && after.tab != before.tab) areas.push_back(TabCellRect(after.tab));
  return areas;
}

bool CaptionControlRect(UINT id, int width, int linkWidth, RECT* rect) {
  int left = 0, top = 0, w = 0, h = 0;
  switch (id) {
    case kHideButton:
      left = width - 114, w = 27, h = 27;
      break;
    case kSoundButton:
      left = width - 141, w = 27, h = 27;
      break;
    case kSystemButton:
      left = width - 185, w = 44, h = 28;
      break;
    case kForumButton:
      left = width - 229, w = 44, h = 28;
      break;
    case kSiteButton:
      left = width - 273, w = 44, h = 28;
      break;
    case kAddAccountLink:
      left = width - 373, top = 7, w = 92, h = 16;
      break;
    case kPortalLink:
      left = width - linkWidth - 401, top = 7, w = linkWidth + 20, h = 16;
      break;
    default:
      return false;
  }
  *rect = {left, top, left + w, top + h};
  return true;
}

SIZE MinimumWindowSize(int tabCount) {
  if (tabCount <= 0) return {0, 0};
  return {571 + kTabCellWidth * tabCount, 260};
}

bool RaiseToMinimum(int tabCount, int* width, int* height) {
  const SIZE least = MinimumWindowSize(tabCount);
  bool raised = false;
  if (*width < least.cx) *width = least.cx, raised = true;
  if (*height < least.cy) *height = least.cy, raised = true;
  return raised;
}

std::vector<MenuItem> MainMenuItems(const Hotkey& boss, bool tray) {
  std::vector<MenuItem> items = {
      {kMenuRefresh, L"刷新 (F5)"},
      {kMenuHide, L"隐藏/恢复(" + FormatHotkey(boss.mods, boss.vk) + L")"},
      {kMenuClearCache, L"清除缓存"},
      {0, L""},
      {kMenuSettings, L"设置..."},
  };
  if (tray) {
    items.push_back({kMenuExit, L"退出"});
  } else {
    items.push_back({kMenuVersion, std::wstring(L"版本号: ") + kVersionText});
  }
  return items;
}

HookAction DecideHookKey(WPARAM message, DWORD vk, ULONG_PTR extraInfo, int heldMods,
                         const Hotkey& boss, const Hotkey& sound) {
  if (message != WM_KEYDOWN && message != WM_SYSKEYDOWN) return HookAction::None;
  if (extraInfo == static_cast<ULONG_PTR>(kSyntheticMarker)) return HookAction::None;
  // A key switched off ("无", key code 0) never fires, whatever key event
  // without a code the keyboard may send.
  const int key = static_cast<int>(vk);
  if (boss.vk > 0 && key == boss.vk && heldMods == boss.mods) return HookAction::ToggleHide;
  if (sound.vk > 0 && key == sound.vk && heldMods == sound.mods) return HookAction::FlipSound;
  return HookAction::None;
}

WPARAM PackHotkey(const Hotkey& key) {
  return (static_cast<WPARAM>(static_cast<WORD>(key.mods)) << 16) | static_cast<WORD>(key.vk);
}

Hotkey UnpackHotkey(WPARAM packed) {
  return {static_cast<SHORT>(static_cast<WORD>(packed >> 16)),
          static_cast<SHORT>(static_cast<WORD>(packed))};
}

MainKey DecideMainKey(UINT message, WPARAM wParam, LPARAM lParam, int heldMods, int tabCount,
                      bool loginTracked, const Hotkey& switchKey, const Hotkey& boss,
                      const Hotkey& sound) {
  if (IsHotkeyPress(message, wParam, lParam, heldMods, switchKey)) return MainKey::NextTab;
  // The hook has acted on a boss or sound key already; F10 or Alt passed on
  // would leave the window in keyboard-menu mode, eating the next keys.
  if (IsMenuKeyHotkey(message, wParam, lParam, heldMods, boss, sound)) return MainKey::Swallow;
  // Space and Esc never reach the main window's controls.
  if (message == WM_KEYDOWN && (wParam == VK_ESCAPE || wParam == VK_SPACE)) {
    return MainKey::Swallow;
  }
  const UINT command = static_cast<UINT>(wParam & 0xFFF0);
  if (message == WM_SYSCOMMAND && command == SC_CLOSE) {
    if (lParam == kSyntheticMarker) {
      // A login process gave up.
      if (tabCount == 0) return MainKey::ExitAll;
      if (loginTracked) return MainKey::ForgetLogin;
    } else if (lParam == 0 && tabCount == 0) {
      return MainKey::EndLoginAndExit;
    }
    // Otherwise the dialog's close confirmation.
    return MainKey::None;
  }
  const bool ctrlD = message == WM_CHAR && wParam == 4 && HIWORD(lParam) == 0x0020;
  const bool f5 = message == WM_KEYDOWN && wParam == VK_F5;
  if ((ctrlD || f5) && tabCount > 0) return MainKey::ForwardToTab;
  if (message == WM_SYSCOMMAND && command == SC_RESTORE && tabCount == 0) {
    return MainKey::RestoreEmpty;
  }
  return MainKey::None;
}

int KeyboardModifiers() {
  // GetKeyState would tell the state this thread last saw, which stands
  // still while a game tab of another process has the keyboard.
  int mods = 0;
  if (::GetAsyncKeyState(VK_CONTROL) & 0x8000) mods |= 2;
  if (::GetAsyncKeyState(VK_SHIFT) & 0x8000) mods |= 4;
  if (::GetAsyncKeyState(VK_MENU) & 0x8000) mods |= 1;
  return mods;
}
