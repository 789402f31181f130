// The main window's tray icon and its two menus, and the commands of the
// caption's buttons and links.
#include "gamewnd/main_dlg.h"

#include "base/endpoints.h"
#include "base/messages.h"
#include "base/product.h"
#include "browser/game_frame_rules.h"
#include "hotkeys/setting_dlg.h"
#include "tools/cache_clear.h"

NOTIFYICONDATAW CWayloft3Dlg::TrayIconData() const {
  NOTIFYICONDATAW icon = {};
  // The size every Windows from XP on takes (the XP structure ends there).
  icon.cbSize = FIELD_OFFSET(NOTIFYICONDATAW, guidItem) + sizeof(GUID);
  icon.hWnd = m_hWnd;
  icon.uID = 1;
  icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  icon.uCallbackMessage = WM_TRAY_CALLBACK;
  icon.hIcon = m_hIcon;
  lstrcpynW(icon.szTip, kMainWindowTitle, ARRAYSIZE(icon.szTip));
  return icon;
}

LRESULT CWayloft3Dlg::OnTrayCallback(WPARAM, LPARAM lParam) {
  if (lParam == WM_LBUTTONUP) {
    ToggleHide();
  } else if (lParam == WM_RBUTTONUP) {
    PostMessage(WM_TRAY_MENU, 0, 0);
  }
  return 0;
}

LRESULT CWayloft3Dlg::OnTrayMenu(WPARAM, LPARAM) {
  ::SetForegroundWindow(m_hWnd);
  POINT at = {};
  ::GetCursorPos(&at);
  RunMenu(true, at.x, at.y, TPM_RETURNCMD | TPM_BOTTOMALIGN | TPM_RIGHTALIGN);
  return 0;
}

void CWayloft3Dlg::OnSystemButton() {
  RECT button = {};
  ::GetWindowRect(m_btnSystem.m_hWnd, &button);
  RunMenu(false, button.left, button.bottom + 2, TPM_RETURNCMD);
}

void CWayloft3Dlg::RunMenu(bool tray, int x, int y, UINT flags) {
  HMENU menu = ::CreatePopupMenu();
  if (!menu) return;
  for (const MenuItem& item : MainMenuItems(m_bossKey, tray)) {
    if (item.id == 0) {
      ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      ::AppendMenuW(menu, MF_STRING, item.id, item.text.c_str());
    }
  }
  const UINT chosen = static_cast<UINT>(::TrackPopupMenu(menu, flags, x, y, 0, m_hWnd, nullptr));
  ::DestroyMenu(menu);
  switch (chosen) {
    case kMenuRefresh:
      // Marked as the client's own F5: the tab's frame refreshes even when
      // F5 is one of the hotkeys.
      PostMessage(WM_KEYDOWN, VK_F5, kSyntheticMarker);
      break;
    case kMenuHide:
      ToggleHide();
      break;
    case kMenuClearCache:
      StartCacheClearing(nullptr);
      break;
    case kMenuSettings:
      RunSettingDialog(m_hWnd);
      break;
    case kMenuExit:
      if (tray) ExitAll();
      break;
    default:  // the version line, or nothing chosen
      break;
  }
}

void CWayloft3Dlg::OnSiteButton() {
  OpenInInternetExplorer((std::wstring(L"https://") + PortalHost + L"/yxtolv/").c_str());
}

void CWayloft3Dlg::OnForumButton() {
  OpenInInternetExplorer((std::wstring(L"http://") + PortalHost + L"/forums/mtag-83586").c_str());
}

void CWayloft3Dlg::OnPortalLink() {
  OpenInInternetExplorer(m_szLinkUrl);
}

void CWayloft3Dlg::OnAddAccountLink() {
  m_addAcc.ShowUnder(m_hWnd, m_lnkAddAccount.m_hWnd);
}
