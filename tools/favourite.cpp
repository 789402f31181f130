#include "tools/favourite.h"

#include <shlobj.h>

#include <cstdio>
#include <cwchar>

#include "res/resource.h"

namespace {

constexpr wchar_t kShortcutFormat[] =
    L"[DEFAULT]\r\nBASEURL=%s\r\n[{000214A0-0000-0000-C000-000000000046}]\r\n=19,2\r\n"
    L"[InternetShortcut]\r\nURL=%s\r\nIDList=\r\n";
// The text the format makes, and its ANSI form, in at most this many units.
constexpr size_t kMaxText = 2047;
// The name as read from the edit box, and the whole path.
constexpr size_t kMaxName = 127;
constexpr size_t kMaxPath = 259;

bool IsReservedDeviceName(const std::wstring& fileName) {
  // Windows takes the part before the first dot, trailing blanks ignored.
  std::wstring stem = fileName.substr(0, fileName.find(L'.'));
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  for (wchar_t& c : stem) c = static_cast<wchar_t>(::towupper(c));
  static const wchar_t* const kNames[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (const wchar_t* n : kNames) {
    if (stem == n) return true;
  }
  if (stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0)) {
    const wchar_t d = stem[3];
    return (d >= L'1' && d <= L'9') || d == 0x00B9 || d == 0x00B2 || d == 0x00B3;
  }
  return false;
}

// The first `count` units of `name`, one fewer where the cut would halve a
// surrogate pair.
std::wstring CutName(const std::wstring& name, size_t count) {
  if (name.size() <= count) return name;
  std::wstring cut = name.substr(0, count);
  if (!cut.empty() && cut.back() >= 0xD800 && cut.back() <= 0xDBFF) cut.pop_back();
  return cut;
}

}  // namespace

std::optional<std::string> FavouriteFileText(const std::wstring& address, UINT codePage) {
  for (wchar_t c : address) {
    if (c < 0x20 || c == 0x7F) return std::nullopt;
  }
  const size_t fixed = std::wcslen(kShortcutFormat) - 4;  // without the two "%s"
  if (fixed + 2 * address.size() > kMaxText) return std::nullopt;
  std::wstring text = kShortcutFormat;
  for (int i = 0; i < 2; ++i) text.replace(text.find(L"%s"), 2, address);

  // The ANSI code page named: a UTF-8 Windows ("Use Unicode UTF-8") has 65001.
  if (codePage == CP_ACP || codePage == CP_THREAD_ACP) codePage = ::GetACP();
  if (codePage == CP_OEMCP) codePage = ::GetOEMCP();
  // Whether every character is written is told by the way back: UTF-8 and
  // several other code pages refuse the default-character question, and a
  // lone surrogate comes back from UTF-8 as U+FFFD.
  const int units = static_cast<int>(text.size());
  const int length =
      ::WideCharToMultiByte(codePage, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
  if (length <= 0 || static_cast<size_t>(length) > kMaxText) return std::nullopt;
  std::string bytes(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(codePage, 0, text.data(), units, bytes.data(), length, nullptr, nullptr);
  std::wstring back(text.size() + 1, L'\0');
  const int backUnits = ::MultiByteToWideChar(codePage, 0, bytes.data(), length, back.data(),
                                              static_cast<int>(back.size()));
  if (backUnits != units || back.compare(0, text.size(), text) != 0) return std::nullopt;
  return bytes;
}

std::optional<std::wstring> FavouritePath(const std::wstring& folder, const std::wstring& name) {
  std::wstring safe = CutName(name, kMaxName);
  for (wchar_t& c : safe) {
    if (c < 0x20 || std::wcschr(L"\\/:*?\"<>|", c)) c = L'_';
  }
  const std::wstring prefix = folder + L"\\";
  const std::wstring extension = L".url";
  if (prefix.size() + extension.size() > kMaxPath) return std::nullopt;
  const size_t room = kMaxPath - prefix.size() - extension.size();
  safe = CutName(safe, room);
  if (IsReservedDeviceName(safe + extension)) return std::nullopt;
  return prefix + safe + extension;
}

CFavDlg::CFavDlg(const std::wstring& name, const std::wstring& address, HWND parent)
    : CDialog(IDD_FAVOURITE, parent), m_strName(name), m_strUrl(address) {}

BOOL CFavDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  ::SetDlgItemTextW(m_hWnd, IDC_FAV_NAME, m_strName.c_str());
  return TRUE;
}

void CFavDlg::OnOK() {
  // Ends the modal loop; the controls stay readable until the dialog returns.
  CDialog::OnOK();
  const std::optional<std::string> text = FavouriteFileText(m_strUrl, CP_ACP);
  if (!text) return;
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_FAVORITES, nullptr, 0, folder))) return;
  // The whole name: the cut to 127 characters must not halve a pair.
  HWND edit = ::GetDlgItem(m_hWnd, IDC_FAV_NAME);
  std::wstring name(static_cast<size_t>(::GetWindowTextLengthW(edit)) + 1, L'\0');
  name.resize(
      static_cast<size_t>(::GetWindowTextW(edit, name.data(), static_cast<int>(name.size()))));
  const std::optional<std::wstring> path = FavouritePath(folder, name);
  if (!path) return;
  // An existing favourite of the same name is replaced.
  if (FILE* file = ::_wfopen(path->c_str(), L"wb")) {
    std::fwrite(text->data(), 1, text->size(), file);
    std::fclose(file);
  }
}
