// The three hotkeys as Statistic.ini stores them: "mods,vk" in decimal, mods
// a bit set of Alt 1, Ctrl 2, Shift 4, vk a virtual-key code (0: off); how
// they are shown, and the decisions of the dialog that records them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct Hotkey {
  int mods = -1;  // -1 until loaded
  int vk = -1;
};

inline bool operator==(const Hotkey& a, const Hotkey& b) {
  return a.mods == b.mods && a.vk == b.vk;
}

// Reads a stored value: split at the first comma, each side read from its
// start (blanks and a sign allowed, 0 without digits); no comma: vk is 0.
Hotkey ParseHotkey(const std::wstring& text);
// The stored form, "mods,vk".
std::wstring HotkeyValue(const Hotkey& key);

// Reads `key` of section "Tolv" of the settings file `iniPath` (at most 31
// characters), with `fallback` when it is missing. A key code of Shift, Ctrl
// or Alt (0x10 to 0x12), which no key press carries, reads as off.
Hotkey ReadHotkey(const std::wstring& iniPath, const wchar_t* key, const wchar_t* fallback);
// Writes `key` of section "Tolv" of `iniPath`; a failed write goes unnoticed.
void WriteHotkey(const std::wstring& iniPath, const wchar_t* key, const Hotkey& value);

// The settings file the hotkeys live in: Statistic.ini beside the executable.
std::wstring HotkeyIniPath();

// Reads `key` of section "Tolv" of Statistic.ini beside the executable, with
// `fallback` when it is missing.
void LoadHotkey(const wchar_t* key, const wchar_t* fallback, int* mods, int* vk);
Hotkey LoadHotkey(const wchar_t* key, const wchar_t* fallback);

// The three keys, their settings keys and defaults.
constexpr wchar_t kBossKeyName[] = L"ShortKey";
constexpr wchar_t kBossKeyDefault[] = L"0,121";
constexpr wchar_t kSwitchKeyName[] = L"AltWndKey";
constexpr wchar_t kSwitchKeyDefault[] = L"2,9";
constexpr wchar_t kSoundKeyName[] = L"SndKey";
constexpr wchar_t kSoundKeyDefault[] = L"2,81";

inline Hotkey LoadBossKey() {
  return LoadHotkey(kBossKeyName, kBossKeyDefault);
}
inline Hotkey LoadSwitchKey() {
  return LoadHotkey(kSwitchKeyName, kSwitchKeyDefault);
}
inline Hotkey LoadSoundKey() {
  return LoadHotkey(kSoundKeyName, kSoundKeyDefault);
}

// The shown form: "无" when vk is 0, else "Ctrl  +  ", "Shift  +  " and
// "Alt  +  " for the held modifiers, in that order, then the key's name.
std::wstring FormatHotkey(int mods, int vk);
// The name of a key ("A", "F10", "Num 5", "Page Up"); empty for keys that
// have none.
std::wstring KeyName(int vk);
// Whether `vk` may be the main key of a hotkey (the window-switch key also
// takes Tab).
bool IsHotkeyKey(int vk);

// ---- The settings dialog's decisions ---------------------------------------

enum HotkeyField { FieldBoss = 0, FieldSwitch = 1, FieldSound = 2, kHotkeyFields = 3 };

// What the dialog does with a queued message before any control sees it.
enum class SettingKey {
  Pass,     // to the dialog's ordinary handling
  Swallow,  // Esc and Enter: neither close nor confirm
  Record,   // a key press for the focused field
};
// `inField`: one of the three fields has the focus.
SettingKey ClassifySettingKey(UINT message, WPARAM key, bool inField);

// The three fields of the settings dialog: what each shows, the main key it
// last accepted and the value stored when the dialog opened.
class HotkeyForm {
 public:
  // The field shows the stored value; its main key is the stored one.
  void Load(HotkeyField field, const Hotkey& stored);
  // A key press in `field` with the modifiers `heldMods` (Ctrl 2, Shift 4,
  // Alt 1) held: the field's new text.
  const std::wstring& Press(HotkeyField field, int key, int heldMods);
  // The text as the field shows it when the user confirms.
  void SetText(HotkeyField field, const std::wstring& text) { m_fields[field].text = text; }
  const std::wstring& Text(HotkeyField field) const { return m_fields[field].text; }
  int MainKey(HotkeyField field) const { return m_fields[field].mainKey; }

  // The value confirming writes for `field`; false when the field is left as
  // stored (empty, or ending in a modifier without a key).
  bool ValueToSave(HotkeyField field, Hotkey* value) const;
  // Two fields that would set off the same key: equal texts (two switched-off
  // fields excepted), or equal keys once saved fields and fields kept as
  // stored are taken together.
  bool HasConflict() const;

 private:
  // The value in effect for `field` after confirming.
  Hotkey Effective(HotkeyField field) const;

  struct Field {
    std::wstring text;
    int mainKey = 0;
    Hotkey stored;
  };
  Field m_fields[kHotkeyFields];
};

// ---- Telling the running clients -------------------------------------------

// Whether `window` is to hear of changed hotkeys: an unowned dialog (class
// "#32770") titled "BrindloTolvane", which every main game window is.
bool IsHotkeyReloadTarget(HWND window);
// The reload targets among `windows`, in their order, at most 10.
std::vector<HWND> HotkeyReloadTargets(const std::vector<HWND>& windows);
// Posts WM_HOTKEY_RELOAD to the running main game windows.
void NotifyHotkeyChange();
