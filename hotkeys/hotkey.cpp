#include "hotkeys/hotkey.h"

#include <cstdlib>

#include "base/messages.h"
#include "base/paths.h"
#include "base/product.h"

namespace {

constexpr wchar_t kSection[] = L"Tolv";
constexpr wchar_t kCtrlPart[] = L"Ctrl  +  ";
constexpr wchar_t kShiftPart[] = L"Shift  +  ";
constexpr wchar_t kAltPart[] = L"Alt  +  ";
constexpr wchar_t kOff[] = L"无";
// The running clients told at most.
constexpr size_t kMaxReloadTargets = 10;

// The keys named beyond digits, letters, function keys and keypad digits.
struct KeyNameEntry {
  int vk;
  const wchar_t* name;
};
const KeyNameEntry kKeyNames[] = {
    {0x08, L"Back"},    {0x09, L"Tab"},     {0x0D, L"Enter"},       {0x10, L"Shift"},
    {0x11, L"Ctrl"},    {0x12, L"Alt"},     {0x13, L"Pause Break"}, {0x14, L"Caps"},
    {0x1B, L"Esc"},     {0x21, L"Page Up"}, {0x22, L"Page Down"},   {0x23, L"End"},
    {0x24, L"Home"},    {0x25, L"Left"},    {0x26, L"Up"},          {0x27, L"Right"},
    {0x28, L"Down"},    {0x2D, L"Insert"},  {0x2E, L"Del"},         {0x5B, L"LWin"},
    {0x5C, L"RWin"},    {0x6A, L"Num *"},   {0x6B, L"Num +"},       {0x6D, L"Num -"},
    {0x6E, L"Num Del"}, {0x6F, L"Num /"},   {0x90, L"Num Lock"},    {0x91, L"Scroll Lock"},
    {0xBA, L";"},       {0xBB, L"+"},       {0xBC, L","},           {0xBD, L"-"},
    {0xBE, L"."},       {0xBF, L"/"},       {0xC0, L"`"},           {0xDB, L"["},
    {0xDC, L"\\"},      {0xDD, L"]"},       {0xDE, L"'"},
};

bool Contains(const std::wstring& text, const wchar_t* part) {
  return text.find(part) != std::wstring::npos;
}

}  // namespace

Hotkey ParseHotkey(const std::wstring& text) {
  Hotkey h;
  const size_t comma = text.find(L',');
  h.mods = _wtoi(text.substr(0, comma).c_str());
  h.vk = comma == std::wstring::npos ? 0 : _wtoi(text.substr(comma + 1).c_str());
  return h;
}

std::wstring HotkeyValue(const Hotkey& key) {
  return std::to_wstring(key.mods) + L"," + std::to_wstring(key.vk);
}

Hotkey ReadHotkey(const std::wstring& iniPath, const wchar_t* key, const wchar_t* fallback) {
  wchar_t value[32] = {};
  ::GetPrivateProfileStringW(kSection, key, fallback, value, 32, iniPath.c_str());
  Hotkey h = ParseHotkey(value);
  // Shift, Ctrl or Alt as the key itself: the keyboard hook sees only the
  // left and right keys' own codes, so such a key could never fire. It
  // reads as off, as the dialog shows it.
  if (h.vk >= VK_SHIFT && h.vk <= VK_MENU) h.vk = 0;
  return h;
}

void WriteHotkey(const std::wstring& iniPath, const wchar_t* key, const Hotkey& value) {
  ::WritePrivateProfileStringW(kSection, key, HotkeyValue(value).c_str(), iniPath.c_str());
}

std::wstring HotkeyIniPath() {
  wchar_t path[MAX_PATH];
  return PathBesideExe(L"Statistic.ini", path) ? std::wstring(path) : std::wstring();
}

void LoadHotkey(const wchar_t* key, const wchar_t* fallback, int* mods, int* vk) {
  const std::wstring path = HotkeyIniPath();
  // Without a usable path the defaults hold.
  const Hotkey h = path.empty() ? ParseHotkey(std::wstring(fallback).substr(0, 31))
                                : ReadHotkey(path, key, fallback);
  *mods = h.mods;
  *vk = h.vk;
}

Hotkey LoadHotkey(const wchar_t* key, const wchar_t* fallback) {
  Hotkey h;
  LoadHotkey(key, fallback, &h.mods, &h.vk);
  return h;
}

std::wstring FormatHotkey(int mods, int vk) {
  if (vk == 0) return kOff;
  std::wstring text;
  if (mods & MOD_CONTROL) text += kCtrlPart;
  if (mods & MOD_SHIFT) text += kShiftPart;
  if (mods & MOD_ALT) text += kAltPart;
  return text + KeyName(vk);
}

std::wstring KeyName(int vk) {
  if (vk >= '0' && vk <= '9') return std::wstring(1, static_cast<wchar_t>(vk));
  if (vk >= 'A' && vk <= 'Z') return std::wstring(1, static_cast<wchar_t>(vk));
  if (vk >= VK_F1 && vk <= VK_F12) return L"F" + std::to_wstring(vk - VK_F1 + 1);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return L"Num " + std::to_wstring(vk - VK_NUMPAD0);
  for (const KeyNameEntry& k : kKeyNames) {
    if (k.vk == vk) return k.name;
  }
  return L"";
}

bool IsHotkeyKey(int vk) {
  auto in = [vk](int first, int last) { return vk >= first && vk <= last; };
  // F12 belongs to the debugger on Windows and is never a hotkey.
  return in(VK_F1, VK_F11) || in('0', '9') || in('A', 'Z') || in(VK_PRIOR, VK_DOWN) ||
         vk == VK_INSERT || vk == VK_CAPITAL || in(0xBA, 0xC0) || in(0xDB, 0xDE) ||
         vk == VK_NUMLOCK || in(VK_NUMPAD0, VK_ADD) || in(VK_SUBTRACT, VK_DIVIDE);
}

SettingKey ClassifySettingKey(UINT message, WPARAM key, bool inField) {
  // A key pressed with Alt held arrives as a system key; of those only F10
  // and Alt itself are recorded.
  const bool down =
      message == WM_KEYDOWN || (message == WM_SYSKEYDOWN && (key == VK_F10 || key == VK_MENU));
  if (!down) return SettingKey::Pass;
  if (key == VK_ESCAPE || key == VK_RETURN) return SettingKey::Swallow;
  return inField ? SettingKey::Record : SettingKey::Pass;
}

void HotkeyForm::Load(HotkeyField field, const Hotkey& stored) {
  Field& f = m_fields[field];
  f.stored = stored;
  f.mainKey = stored.vk;
  f.text = FormatHotkey(stored.mods, stored.vk);
}

const std::wstring& HotkeyForm::Press(HotkeyField field, int key, int heldMods) {
  Field& f = m_fields[field];
  const bool clears = key == VK_BACK || key == VK_DELETE || key == VK_LWIN || key == VK_RWIN ||
                      (key == VK_F12 && field != FieldSwitch);
  if (clears) {
    // Switched off; the main key stays for a later press of modifiers only.
    f.text = kOff;
    return f.text;
  }
  std::wstring keyPart;
  if (IsHotkeyKey(key) || (key == VK_TAB && field == FieldSwitch)) {
    f.mainKey = key;
    keyPart = KeyName(key);
  }
  std::wstring text;
  if (heldMods & MOD_CONTROL) text += kCtrlPart;
  if (heldMods & MOD_SHIFT) text += kShiftPart;
  if (heldMods & MOD_ALT) text += kAltPart;
  f.text = text + keyPart;
  return f.text;
}

bool HotkeyForm::ValueToSave(HotkeyField field, Hotkey* value) const {
  const Field& f = m_fields[field];
  // Empty, or a modifier still waiting for its key: the stored value stays.
  if (f.text.empty() || f.text.back() == L' ') return false;
  value->vk = Contains(f.text, kOff) ? 0 : f.mainKey;
  value->mods = (Contains(f.text, L"Ctrl") ? MOD_CONTROL : 0) +
                (Contains(f.text, L"Shift") ? MOD_SHIFT : 0) +
                (Contains(f.text, L"Alt") ? MOD_ALT : 0);
  return true;
}

Hotkey HotkeyForm::Effective(HotkeyField field) const {
  Hotkey value;
  return ValueToSave(field, &value) ? value : m_fields[field].stored;
}

bool HotkeyForm::HasConflict() const {
  for (int i = 0; i < kHotkeyFields; ++i) {
    for (int j = i + 1; j < kHotkeyFields; ++j) {
      const std::wstring& a = m_fields[i].text;
      const std::wstring& b = m_fields[j].text;
      // Two switched-off keys cannot clash.
      if (a == b && a != kOff) return true;
      // A field left as stored keeps its old key, which may be the very key
      // another field is about to take.
      const Hotkey ka = Effective(static_cast<HotkeyField>(i));
      const Hotkey kb = Effective(static_cast<HotkeyField>(j));
      if (ka.vk != 0 && ka == kb) return true;
    }
  }
  return false;
}

bool IsHotkeyReloadTarget(HWND window) {
  wchar_t className[64] = {};
  wchar_t title[128] = {};
  if (!::GetClassNameW(window, className, 64)) return false;
  ::GetWindowTextW(window, title, 128);
  // Login windows and message boxes carry the same class and title but are
  // owned; leaving them out keeps the ten places for main windows.
  return std::wstring(className) == L"#32770" && std::wstring(title) == kMainWindowTitle &&
         !::GetWindow(window, GW_OWNER);
}

std::vector<HWND> HotkeyReloadTargets(const std::vector<HWND>& windows) {
  std::vector<HWND> targets;
  for (HWND w : windows) {
    if (targets.size() == kMaxReloadTargets) break;
    if (IsHotkeyReloadTarget(w)) targets.push_back(w);
  }
  return targets;
}

namespace {

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

}  // namespace

void NotifyHotkeyChange() {
  std::vector<HWND> windows;
  ::EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&windows));
  for (HWND target : HotkeyReloadTargets(windows)) {
    ::PostMessageW(target, WM_HOTKEY_RELOAD, 0, 0);
  }
}
