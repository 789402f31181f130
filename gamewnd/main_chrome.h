// The main window's face as plain arithmetic and text: where the tab strip's
// cells, labels and close crosses lie, what a point of the tab band means,
// where the caption controls stand at a given width, the smallest size the
// tabs allow, the two menus' items, and what the system-wide keyboard hook
// does with a key. The window class only draws and moves what these say.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "hotkeys/hotkey.h"

// ---- The tab strip ----------------------------------------------------------
// Tab i is a 189 × 22 cell from x 120 + 189·i, y 3, in client coordinates.
constexpr int kTabStripLeft = 120;
constexpr int kTabCellWidth = 189;
constexpr int kTabStripTop = 3;
constexpr int kTabStripBottom = 25;
// The close cross: 13 × 13 at the cell's right end.
constexpr int kTabCrossLeft = 296 - kTabStripLeft;
constexpr int kTabCrossSize = 13;
// A label wider than this is cut.
constexpr int kTabLabelWidth = 160;
constexpr size_t kTabLabelKeep = 18;

RECT TabCellRect(int index);
RECT TabLabelRect(int index);
RECT TabCrossRect(int index);
// Cells 0 to count − 1 together.
RECT TabStripRect(int count);

// What a point of the main window's client area means to the tab strip.
struct TabHit {
  int tab = -1;          // the tab under the point; -1 outside the tab band
  bool onCross = false;  // on that tab's close cross
};
// The tab band is 3 ≤ y ≤ 24 and 120 < x < 120 + 189·count.
TabHit HitTabBand(int x, int y, int tabCount);

// The label a tab shows: the account text, or its first 18 characters and
// "..." when `width` says it is wider than 160 pixels. A character made of
// two UTF-16 units is never split.
std::wstring CutTabLabel(const std::wstring& text,
                         const std::function<int(const std::wstring&)>& width);

// Hovered tab and part: part 0 the tab body, 1 the close cross, 2 the cross
// with the left button down; -1 none.
struct TabHover {
  int tab = -1;
  int part = -1;
};
// What moving the hover state from `before` to `after` must repaint: the
// old tab's cross when the same tab stays hovered, its whole cell when
// another tab takes over (and then the new tab's cell too). Empty when
// nothing changed.
std::vector<RECT> HoverRepaint(const TabHover& before, const TabHover& after);

// ---- The caption --------------------------------------------------------------
// Caption controls of the main window.
constexpr UINT kHideButton = 1001;
constexpr UINT kSoundButton = 1002;
constexpr UINT kSystemButton = 1003;
constexpr UINT kAddAccountLink = 1005;
constexpr UINT kSiteButton = 1026;
constexpr UINT kForumButton = 1027;
constexpr UINT kPortalLink = 1028;

// Where control `id` stands in a client area `width` wide; `linkWidth` is
// the measured width of the portal link's text. False for an unknown id.
bool CaptionControlRect(UINT id, int width, int linkWidth, RECT* rect);

// The smallest window the tabs leave room for: 571 + 189 per tab by 260;
// nothing (0 by 0) without tabs.
SIZE MinimumWindowSize(int tabCount);
// Raises a proposed size to the minimum; true when something was raised.
bool RaiseToMinimum(int tabCount, int* width, int* height);

// ---- The menus -------------------------------------------------------------------
enum MainMenuCommand : UINT {
  kMenuRefresh = 1,
  kMenuHide = 2,
  kMenuClearCache = 3,
  kMenuSettings = 5,
  kMenuExit = 6,
  kMenuVersion = 0xFFFFFFFF,
};
struct MenuItem {
  UINT id;  // 0 for a separator
  std::wstring text;
};
// The items of the system menu, or with `tray` those of the tray menu, whose
// last item ends the client instead of showing the version.
std::vector<MenuItem> MainMenuItems(const Hotkey& boss, bool tray);

// ---- Keys and sound --------------------------------------------------------
enum class HookAction { None, ToggleHide, FlipSound };
// A key event the system-wide hook sees: the boss key hides or shows, the
// sound key flips the sound. Only presses count, only with exactly the key's
// modifiers (`heldMods`: Ctrl 2, Shift 4, Alt 1), and never an event the
// client injected itself (`extraInfo` the 5271 marker). The main window
// ignores both actions before its first tab.
HookAction DecideHookKey(WPARAM message, DWORD vk, ULONG_PTR extraInfo, int heldMods,
                         const Hotkey& boss, const Hotkey& sound);
// A hotkey in one message parameter for the hook thread, and back: the
// modifiers in the high 16 bits, the key code in the low 16, each signed.
WPARAM PackHotkey(const Hotkey& key);
Hotkey UnpackHotkey(WPARAM packed);
// What the main window does with a message of its thread before dispatching it.
enum class MainKey {
  None,             // on to the tooltip and the dialog's own handling
  NextTab,          // the window-switch key, pressed here or forwarded by a tab
  Swallow,          // Esc and Space; F10 or Alt as boss or sound key
  ExitAll,          // a login abandoned before the first tab: the client ends
  ForgetLogin,      // a login abandoned beside tabs: only its process handle goes
  EndLoginAndExit,  // the close command without a tab: no question
  ForwardToTab,     // F5 and Ctrl+D: to the visible tab, or to the visible hall
  RestoreEmpty,     // a restore without a tab: restore the window, then on
};
// `loginTracked`: a login process is being watched.
MainKey DecideMainKey(UINT message, WPARAM wParam, LPARAM lParam, int heldMods, int tabCount,
                      bool loginTracked, const Hotkey& switchKey, const Hotkey& boss,
                      const Hotkey& sound);

// The modifiers held on the keyboard right now, whichever thread or process
// has the focus (the hook runs while a game tab of another process has it).
int KeyboardModifiers();
// The sound button and the sound key: 0 (sound on) becomes 1, anything else 0.
inline int FlipSoundFlag(int flag) {
  return flag == 0 ? 1 : 0;
}
