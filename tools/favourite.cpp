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

}  // namespace

std::optional<std::string> FavouriteFileText(const std::wstring& address, UINT codePage) {
  for (wchar_t c : address) {
    if (c < 0x20 || c == 0x7F) return std::nullopt;
  }
  const size_t fixed = std::wcslen(kShortcutFormat) - 4;  // without the two "%s"
  if (fixed + 2 * address.size() > kMaxText) return std::nullopt;
  std::wstring text = kShortcutFormat;
  for (int i = 0; i < 2; ++i) text.replace(text.find(L"%s"), 2, address);

  // Code pages like UTF-8 take no default-character question.
  BOOL lossy = FALSE;
  BOOL* askLossy = (codePage == CP_UTF8 || codePage == CP_UTF7) ? nullptr : &lossy;
  const int length = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, askLossy);
  if (length <= 0 || static_cast<size_t>(length) > kMaxText || lossy) return std::nullopt;
  std::string bytes(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                        length, nullptr, nullptr);
  return bytes;
}

std::optional<std::wstring> FavouritePath(const std::wstring& folder, const std::wstring& name) {
  std::wstring safe = name.substr(0, kMaxName);
  for (wchar_t& c : safe) {
    if (c < 0x20 || std::wcschr(L"\\/:*?\"<>|", c)) c = L'_';
  }
  const std::wstring prefix = folder + L"\\";
  const std::wstring extension = L".url";
  if (prefix.size() + extension.size() > kMaxPath) return std::nullopt;
  const size_t room = kMaxPath - prefix.size() - extension.size();
  if (safe.size() > room) {
    safe.resize(room);
    // Never keep half of a surrogate pair.
    if (!safe.empty() && safe.back() >= 0xD800 && safe.back() <= 0xDBFF) safe.pop_back();
  }
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
  wchar_t name[kMaxName + 1] = {};
  ::GetDlgItemTextW(m_hWnd, IDC_FAV_NAME, name, static_cast<int>(kMaxName + 1));
  const std::optional<std::wstring> path = FavouritePath(folder, name);
  if (!path) return;
  // An existing favourite of the same name is replaced.
  if (FILE* file = ::_wfopen(path->c_str(), L"wb")) {
    std::fwrite(text->data(), 1, text->size(), file);
    std::fclose(file);
  }
}
