#include "browser/ext_login_rules.h"

#include <algorithm>

const wchar_t* const kLoginCookieName = L"Pauth";
const wchar_t* const kHtmlDialogClass = L"Internet Explorer_TridentDlgFrame";

namespace {

constexpr int kCaptionHeight = 30;
constexpr int kBorder = 4;

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

RECT PopupBrowserRect(int x, int y, int cx, int cy) {
  const int w = std::max(0, cx - 2 * kBorder);
  const int h = std::max(0, cy - kCaptionHeight - kBorder);
  return {x + kBorder, y + kCaptionHeight, x + kBorder + w, y + kCaptionHeight + h};
}
