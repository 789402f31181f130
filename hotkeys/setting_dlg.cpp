#include "hotkeys/setting_dlg.h"

#include "framework/winapp.h"
#include "res/resource.h"
#include "ui/image_load.h"
#include "ui/message_box.h"

namespace {

// The dialog open in this process, for the boss key to cancel it.
CSettingDlg* g_openDialog = nullptr;

// The modifiers held now, as the stored form counts them.
int HeldModifiers() {
  int mods = 0;
  if (::GetKeyState(VK_CONTROL) & 0x8000) mods |= MOD_CONTROL;
  if (::GetKeyState(VK_SHIFT) & 0x8000) mods |= MOD_SHIFT;
  if (::GetKeyState(VK_MENU) & 0x8000) mods |= MOD_ALT;
  return mods;
}

std::wstring WindowText(HWND window) {
  const int n = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  const int got = ::GetWindowTextW(window, &text[0], n + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

struct FieldInfo {
  HotkeyField field;
  const wchar_t* key;
  const wchar_t* fallback;
};
const FieldInfo kFields[] = {{FieldBoss, kBossKeyName, kBossKeyDefault},
                             {FieldSwitch, kSwitchKeyName, kSwitchKeyDefault},
                             {FieldSound, kSoundKeyName, kSoundKeyDefault}};

}  // namespace

BEGIN_MESSAGE_MAP(CSettingDlg, CDlgEx)
  // The caption's close button and every other way of closing: cancel.
  ON_MESSAGE(WM_CLOSE, OnClose)
END_MESSAGE_MAP()

CSettingDlg::CSettingDlg(HWND parent) : CDlgEx(IDD_SETTING, parent) {}

CSettingDlg::~CSettingDlg() {
  if (g_openDialog == this) g_openDialog = nullptr;
  if (m_hClose) ::DeleteObject(m_hClose);
  if (m_hButton) ::DeleteObject(m_hButton);
  if (m_brGroup) ::DeleteObject(m_brGroup);
}

BOOL CSettingDlg::OnInitDialog() {
  CDlgEx::OnInitDialog();
  m_nCaptionHeight = 30;
  m_nBorder = 4;
  m_nBtnRight = 0;
  m_nBtnTop = 0;
  m_nBtnGap = 0;
  HMODULE module = AfxGetInstanceHandle();
  m_hClose = LoadResourceImage(module, IDB_CAPTION_CLOSE);
  SetSkin(LoadResourceImage(module, IDB_DLG_BACK), FALSE, TRUE, m_hClose, nullptr, nullptr,
          nullptr);
  SetCaptionText(L"设置");

  // The buttons keep the template's size; the cells are drawn stretched.
  m_hButton = LoadResourceImage(module, IDB_DLG_BUTTON);
  m_btnOK.SubclassDlgItem(IDOK, m_hWnd);
  m_btnCancel.SubclassDlgItem(IDCANCEL, m_hWnd);
  m_btnOK.SetBitmap(m_hButton, FALSE);
  m_btnCancel.SetBitmap(m_hButton, FALSE);

  m_lblBoss.SubclassDlgItem(IDC_SETTING_BOSS_LABEL, m_hWnd);
  m_lblBossExample.SubclassDlgItem(IDC_SETTING_BOSS_EXAMPLE, m_hWnd);
  m_lblSwitch.SubclassDlgItem(IDC_SETTING_SWITCH_LABEL, m_hWnd);
  m_lblSwitchExample.SubclassDlgItem(IDC_SETTING_SWITCH_EXAMPLE, m_hWnd);
  m_lblSound.SubclassDlgItem(IDC_SETTING_SOUND_LABEL, m_hWnd);
  m_lblSoundExample.SubclassDlgItem(IDC_SETTING_SOUND_EXAMPLE, m_hWnd);

  m_editBoss = ::GetDlgItem(m_hWnd, IDC_SETTING_BOSS);
  m_editSwitch = ::GetDlgItem(m_hWnd, IDC_SETTING_SWITCH);
  m_editSound = ::GetDlgItem(m_hWnd, IDC_SETTING_SOUND);
  for (const FieldInfo& f : kFields) {
    m_form.Load(f.field, LoadHotkey(f.key, f.fallback));
    ::SetWindowTextW(FieldWindow(f.field), m_form.Text(f.field).c_str());
  }
  SyncMainKeys();
  g_openDialog = this;
  return TRUE;
}

HWND CSettingDlg::FieldWindow(HotkeyField field) const {
  switch (field) {
    case FieldBoss:
      return m_editBoss;
    case FieldSwitch:
      return m_editSwitch;
    default:
      return m_editSound;
  }
}

void CSettingDlg::SyncMainKeys() {
  m_vkBoss = m_form.MainKey(FieldBoss);
  m_vkSwitch = m_form.MainKey(FieldSwitch);
  m_vkSound = m_form.MainKey(FieldSound);
}

void CSettingDlg::ShowFieldText(HotkeyField field, const std::wstring& text) {
  HWND edit = FieldWindow(field);
  ::SetWindowTextW(edit, text.c_str());
  ::SendMessageW(edit, EM_SETSEL, text.size(), -1);
  ::SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

BOOL CSettingDlg::PreTranslateMessage(MSG* pMsg) {
  HWND focus = ::GetFocus();
  int field = -1;
  for (const FieldInfo& f : kFields) {
    if (focus && focus == FieldWindow(f.field)) field = f.field;
  }
  switch (ClassifySettingKey(pMsg->message, pMsg->wParam, field >= 0)) {
    case SettingKey::Swallow:
      return TRUE;
    case SettingKey::Record: {
      const HotkeyField which = static_cast<HotkeyField>(field);
      ShowFieldText(which, m_form.Press(which, static_cast<int>(pMsg->wParam), HeldModifiers()));
      SyncMainKeys();
      return TRUE;
    }
    case SettingKey::Pass:
      break;
  }
  return CDlgEx::PreTranslateMessage(pMsg);
}

void CSettingDlg::OnOK() {
  for (const FieldInfo& f : kFields) m_form.SetText(f.field, WindowText(FieldWindow(f.field)));
  if (m_form.HasConflict()) {
    ShowMessageBox(m_hWnd, L"热键冲突，请重新设置不同热键值", MB_OK);
    return;
  }
  const std::wstring ini = HotkeyIniPath();
  for (const FieldInfo& f : kFields) {
    Hotkey value;
    if (!ini.empty() && m_form.ValueToSave(f.field, &value)) WriteHotkey(ini, f.key, value);
  }
  NotifyHotkeyChange();
  EndDialog(IDOK);
}

bool CSettingDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_CTLCOLORSTATIC) {
    const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
    if (id == IDC_SETTING_BOSS_GROUP || id == IDC_SETTING_SWITCH_GROUP ||
        id == IDC_SETTING_SOUND_GROUP) {
      HDC dc = reinterpret_cast<HDC>(wParam);
      ::SetBkMode(dc, TRANSPARENT);
      ::SetTextColor(dc, RGB(0, 0, 0));
      if (!m_brGroup) m_brGroup = ::CreateSolidBrush(RGB(231, 241, 247));
      *result = reinterpret_cast<LRESULT>(m_brGroup);
      return true;
    }
  }
  return CDlgEx::WindowProc(message, wParam, lParam, result);
}

LRESULT CSettingDlg::OnClose(WPARAM, LPARAM) {
  EndDialog(IDCANCEL);
  return 0;
}

bool RunSettingDialog(HWND owner) {
  CSettingDlg dialog(owner);
  return dialog.DoModal() == IDOK;
}

HWND OpenSettingDialog() {
  return g_openDialog && ::IsWindow(g_openDialog->m_hWnd) ? g_openDialog->m_hWnd : nullptr;
}

void CancelSettingDialog() {
  if (g_openDialog && g_openDialog->m_hWnd) g_openDialog->EndDialog(IDCANCEL);
}
