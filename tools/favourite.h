// Ctrl+D in a game page: the page as an Internet Explorer favourite (an
// Internet Shortcut file in the user's Favorites folder), so that the game
// can later be opened straight from the browser.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "framework/dialog.h"

// The shortcut file's bytes for `address`, in code page `codePage` (CP_ACP:
// the system's ANSI code page, UTF-8 on a Windows set so): the seven
// lines of an Internet Shortcut with the address as BASEURL and URL. Nothing
// when the address cannot be stored as it is: longer than the text's 2047
// characters (or bytes), holding a control character (a line break would add
// lines of its own), or holding characters the code page cannot write.
std::optional<std::string> FavouriteFileText(const std::wstring& address, UINT codePage);

// Where a favourite named `name` goes in `folder`: folder\name.url, kept inside
// the folder whatever the name (it comes from a web page's title). Path
// separators, drive colons, wildcards and the other characters file names
// cannot hold become "_"; the name is cut to 127 characters and further so
// that the whole path stays within 259. Nothing for a name Windows reserves
// for a device (CON, NUL, COM1...), or when not even ".url" fits.
std::optional<std::wstring> FavouritePath(const std::wstring& folder, const std::wstring& name);

// The "添加收藏" dialog: proposes the page title as the favourite's name and
// writes the shortcut on "收藏". A plain system dialog, not skinned.
class CFavDlg : public CDialog {
 public:
  CFavDlg(const std::wstring& name, const std::wstring& address, HWND parent);

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  std::wstring m_strName;
  std::wstring m_strUrl;
};
