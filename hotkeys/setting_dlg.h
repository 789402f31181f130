// The hotkey settings: a skinned dialog in which the user records the boss,
// window-switch and sound keys by pressing them. Confirming saves them to
// Statistic.ini beside the executable and tells every running main game
// window to reload them.
#pragma once

#include <string>

#include "hotkeys/hotkey.h"
#include "ui/btn_ex.h"
#include "ui/dlg_ex.h"
#include "ui/static_ex.h"

class CSettingDlg : public CDlgEx {
 public:
  explicit CSettingDlg(HWND parent);
  ~CSettingDlg() override;

  // Key presses in the three fields are recorded here, before the fields
  // see them; Esc and Enter do nothing anywhere in the dialog.
  BOOL PreTranslateMessage(MSG* pMsg) override;

  HWND m_editBoss = nullptr;
  HWND m_editSwitch = nullptr;
  HWND m_editSound = nullptr;
  int m_vkBoss = 121;
  int m_vkSwitch = 9;
  int m_vkSound = 83;
  CStaticEx m_lblBoss;
  CStaticEx m_lblBossExample;
  CStaticEx m_lblSwitch;
  CStaticEx m_lblSwitchExample;
  CStaticEx m_lblSound;
  CStaticEx m_lblSoundExample;
  CBtnEx m_btnOK;
  CBtnEx m_btnCancel;

 protected:
  BOOL OnInitDialog() override;
  // Checks for a conflict, saves, tells the main windows.
  void OnOK() override;
  bool WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  HWND FieldWindow(HotkeyField field) const;
  // Shows `text` in the field with the caret at its end.
  void ShowFieldText(HotkeyField field, const std::wstring& text);
  // The main keys as the form last accepted them.
  void SyncMainKeys();
  // The caption's close button and closing the window cancel.
  LRESULT OnClose(WPARAM, LPARAM);

  HotkeyForm m_form;
  HBITMAP m_hClose = nullptr;
  HBITMAP m_hButton = nullptr;
  // The skin's body colour behind the group boxes' titles.
  HBRUSH m_brGroup = nullptr;

  DECLARE_MESSAGE_MAP()
};

// Runs the hotkey settings modally over `owner` (the main game window's
// "设置..."); true when the user confirmed and the keys were saved.
bool RunSettingDialog(HWND owner);
// The open settings dialog of this process, or null.
HWND OpenSettingDialog();
// Ends an open settings dialog of this process as cancelled (the boss key
// hides the game windows); nothing when none is open.
void CancelSettingDialog();
