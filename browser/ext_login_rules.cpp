#include "browser/ext_login_rules.h"

#include <wininet.h>

#include <algorithm>

const wchar_t* const kLoginCookieName = L"Pauth";
const wchar_t* const kHtmlDialogClass = L"Internet Explorer_TridentDlgFrame";

namespace {

constexpr int kCaptionHeight = 30;
constexpr int kBorder = 4;
// Cookie texts longer than this are not read at all.
constexpr DWORD kMaxCookieChars = 1 << 20;
// INTERNET_COOKIE_HTTPONLY, which headers for older systems lack.
constexpr DWORD kCookieHttpOnly = 0x00002000;

// Reads through `get` (true on success; `chars` in and out as WinINet has
// it) into a buffer that grows as WinINet asks; false when it fails for any
// other reason.
template <class Get>
bool ReadCookieText(Get get, std::wstring* text) {
  std::wstring buffer(256, L'\0');
  while (true) {
    DWORD chars = static_cast<DWORD>(buffer.size());
    if (get(&buffer[0], &chars)) {
      buffer.resize(wcsnlen(buffer.c_str(), buffer.size()));
      *text = buffer;
      return true;
    }
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    const size_t wanted = std::max<size_t>(static_cast<size_t>(chars) + 1, buffer.size() * 2);
    if (wanted > kMaxCookieChars) return false;
    buffer.assign(wanted, L'\0');
  }
}

std::wstring Trimmed(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return L"";
  const size_t last = text.find_last_not_of(L" \t");
  return text.substr(first, last - first + 1);
}

}  // namespace

bool IsExternalLoginCallback(const std::wstring& url, const std::wstring& extLoginHost) {
  for (const wchar_t* path : {L"/qzone/callback.do?code=", L"/weibo/callback.do?state",
                              L"/qzone/extAutoBind.do", L"/weixin/callback.do?code="}) {
    if (url.find(L"://" + extLoginHost + path) != std::wstring::npos) return true;
  }
  return false;
}

bool CancelsHiddenNavigation(const std::wstring& url, const std::wstring& qqAuthorize,
                             bool visible) {
  if (visible || qqAuthorize.empty()) return false;
  return url.compare(0, qqAuthorize.size(), qqAuthorize) == 0;
}

GetCookieExFn SystemGetCookieEx() {
  HMODULE wininet = ::GetModuleHandleW(L"wininet.dll");
  if (!wininet) wininet = ::LoadLibraryW(L"wininet.dll");
  if (!wininet) return nullptr;
  return reinterpret_cast<GetCookieExFn>(
      reinterpret_cast<void*>(::GetProcAddress(wininet, "InternetGetCookieExW")));
}

std::wstring CookiesFor(const std::wstring& url, GetCookieExFn getEx) {
  std::wstring text;
  if (getEx) {
    if (ReadCookieText(
            [&](wchar_t* data, DWORD* chars) {
              return getEx(url.c_str(), nullptr, data, chars, kCookieHttpOnly, nullptr) != FALSE;
            },
            &text)) {
      return text;
    }
    // No cookie at all: the older function would find none either.
    if (::GetLastError() == ERROR_NO_MORE_ITEMS) return L"";
  }
  if (ReadCookieText(
          [&](wchar_t* data, DWORD* chars) {
            return ::InternetGetCookieW(url.c_str(), nullptr, data, chars) != FALSE;
          },
          &text)) {
    return text;
  }
  return L"";
}

bool HasLoginCookie(const std::wstring& cookies) {
  size_t start = 0;
  while (start <= cookies.size()) {
    size_t end = cookies.find(L';', start);
    if (end == std::wstring::npos) end = cookies.size();
    const std::wstring pair = cookies.substr(start, end - start);
    const size_t eq = pair.find(L'=');
    if (eq != std::wstring::npos && Trimmed(pair.substr(0, eq)) == kLoginCookieName &&
        !Trimmed(pair.substr(eq + 1)).empty()) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

HWND HtmlDialogToClose(const std::vector<TopWindow>& windows, DWORD pid) {
  for (const TopWindow& w : windows) {
    if (w.pid == pid && w.cls == kHtmlDialogClass) return w.hwnd;
  }
  return nullptr;
}

bool IsRealShowWindow(LPARAM status) {
  return status == 0;
}

RECT PopupBrowserRect(int x, int y, int cx, int cy) {
  const int w = std::max(0, cx - 2 * kBorder);
  const int h = std::max(0, cy - kCaptionHeight - kBorder);
  return {x + kBorder, y + kCaptionHeight, x + kBorder + w, y + kCaptionHeight + h};
}
