#include "gamewnd/login_protocol.h"

#include <shlwapi.h>

#include <cstdint>

#include "base/paths.h"
#include "base/text.h"
#include "base/web_address.h"

namespace {

constexpr size_t kWordStart = 6;
constexpr size_t kWordLength = 8;
constexpr size_t kLoadGameFields = 15;
constexpr size_t kOpenUrlsFields = 14;
// The client's buffer for the encoded server text, terminator included.
constexpr size_t kServerTextBuffer = 256;
constexpr wchar_t kBracket = L'\u300B';

bool Contains(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

std::wstring RedirectText(const std::wstring& host, const wchar_t* path) {
  return L"://" + host + path;
}

}  // namespace

CommandUrl ParseCommandUrl(const std::wstring& url) {
  CommandUrl c;
  if (url.compare(0, 4, L"app:") != 0) return c;
  c.command = LoginCommand::Ignored;
  const std::wstring word =
      url.size() >= kWordStart + kWordLength ? url.substr(kWordStart, kWordLength) : L"";
  if (word == L"loadgame") {
    c.command = LoginCommand::LoadGame;
    const size_t bar =
        url.size() > kLoadGameFields ? url.find(L'|', kLoadGameFields) : std::wstring::npos;
    if (bar != std::wstring::npos) {
      c.serverText = url.substr(kLoadGameFields, bar - kLoadGameFields);
      c.gameUrl = url.substr(bar + 1);
    }
  } else if (word == L"exitgame") {
    c.command = LoginCommand::ExitGame;
  } else if (word == L"minimize") {
    c.command = LoginCommand::Minimize;
  } else if (word == L"openurls") {
    c.command = LoginCommand::OpenUrls;
    const size_t bar =
        url.size() > kOpenUrlsFields ? url.find(L'|', kOpenUrlsFields) : std::wstring::npos;
    if (bar != std::wstring::npos) c.target = url.substr(bar + 1);
  }
  return c;
}

bool DecodeServerText(const std::wstring& text, std::wstring* decoded) {
  if (text.empty() || !Contains(text, L"%")) {
    *decoded = text;
    return true;
  }
  const int ansiLength =
      ::WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (ansiLength <= 0 || static_cast<size_t>(ansiLength) > kServerTextBuffer) return false;
  char ansi[kServerTextBuffer] = {};
  ::WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, ansi, kServerTextBuffer, nullptr,
                        nullptr);
  char bytes[kServerTextBuffer] = {};
  DWORD size = kServerTextBuffer;
  if (FAILED(::UrlUnescapeA(ansi, bytes, &size, 0))) return false;
  wchar_t wide[kServerTextBuffer] = {};
  ::MultiByteToWideChar(CP_UTF8, 0, bytes, -1, wide, kServerTextBuffer - 1);
  *decoded = wide;
  return true;
}

ServerAccount SplitServerText(const std::wstring& text) {
  ServerAccount sa;
  const size_t dash = text.rfind(L'-');
  if (dash == std::wstring::npos) {
    sa.account = text;
    return sa;
  }
  sa.account = text.substr(dash + 1);
  sa.server = text.substr(0, dash);
  const size_t bracket = sa.server.find(kBracket);
  if (bracket != std::wstring::npos) sa.server = sa.server.substr(bracket + 1, 4);
  return sa;
}

std::wstring RefusalMessage(const std::wstring& serverText) {
  const ServerAccount sa = SplitServerText(serverText);
  return L"账号 " + sa.account + L" 已在 " + sa.server + L" 登录，同一账号不能在一服重复登录";
}

ExternalLogin ExternalLoginStart(const std::wstring& url, const std::wstring& host) {
  if (Contains(url, RedirectText(host, L"/qzone/redirectToAuthorize.do?params="))) {
    return ExternalLogin::QQ;
  }
  if (Contains(url, RedirectText(host, L"/weibo/redirectToAuthorize.do?params="))) {
    return ExternalLogin::Weibo;
  }
  if (Contains(url, RedirectText(host, L"/weixin/redirectToAuthorize.do?params"))) {
    return ExternalLogin::WeChat;
  }
  return ExternalLogin::None;
}

std::wstring ExternalLoginCaption(const std::wstring& url, const std::wstring& host) {
  if (Contains(url, RedirectText(host, L"/qzone/redirectToAuthorize.do?params="))) {
    return L"QQ账号安全登录";
  }
  if (Contains(url, L"/weibo/")) return L"新浪微博账号安全登录";
  return L"微信账号安全登录";
}

bool IsOpenableAddress(const std::wstring& target) {
  return !Contains(target, L"about:blank") && CheckWebAddress(target).ok;
}

bool IsGameAddress(const std::wstring& gameUrl) {
  return CheckWebAddress(gameUrl).ok;
}

bool LoginGoesOn(INT_PTR loginResult) {
  return loginResult == IDOK;
}

COPYDATASTRUCT HandoffRecord(const std::wstring& text) {
  COPYDATASTRUCT record = {};
  record.dwData = 0;
  record.cbData = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  record.lpData = const_cast<wchar_t*>(text.c_str());
  return record;
}

bool ReadHandoffRecord(const COPYDATASTRUCT* record, std::wstring* text) {
  if (!record || !record->lpData || record->cbData < sizeof(wchar_t) ||
      record->cbData % sizeof(wchar_t) != 0) {
    return false;
  }
  const wchar_t* data = static_cast<const wchar_t*>(record->lpData);
  const size_t count = record->cbData / sizeof(wchar_t);
  // The terminator must be the last character and the only one.
  if (data[count - 1] != L'\0') return false;
  for (size_t i = 0; i + 1 < count; ++i) {
    if (data[i] == L'\0') return false;
  }
  // The terminator alone, or a text without an account after its last "-",
  // names no account to log in or to report.
  const std::wstring received(data, count - 1);
  if (AccountName(received).empty()) return false;
  *text = received;
  return true;
}

std::wstring AccountName(const std::wstring& serverText) {
  const size_t dash = serverText.rfind(L'-');
  return dash == std::wstring::npos ? serverText : serverText.substr(dash + 1);
}

std::wstring LoginCommandLine(const std::wstring& exePath, HWND mainWnd, size_t tabCount) {
  // Handles fit 32 bits on every pointer size; written signed, as the login
  // process reads them back.
  const auto handle = static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(mainWnd));
  return QuotedPath(exePath) + L" /newgm /" + std::to_wstring(handle) + L" /" +
         std::to_wstring(tabCount);
}
