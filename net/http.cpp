#include "net/http.h"

#include <wininet.h>

#include "net/endpoints.h"

namespace {

constexpr size_t kMaxHost = 259;
constexpr size_t kMaxObject = 511;
constexpr DWORD kPiece = 512;

// The extra headers of every request, with the blank before the first line
// break that the servers have always received.
constexpr wchar_t kExtraHeaders[] =
    L"Accept-Language: zh-cn \r\nContent-Type: application/x-www-form-urlencoded\r\n";

// The three WinINet handles of one request, closed newest first.
struct Request {
  HINTERNET internet = nullptr;
  HINTERNET connect = nullptr;
  HINTERNET request = nullptr;
  ~Request() {
    if (request) ::InternetCloseHandle(request);
    if (connect) ::InternetCloseHandle(connect);
    if (internet) ::InternetCloseHandle(internet);
  }
};

// Opens, connects and sends a GET for `url`; false when any step fails.
bool Send(const std::wstring& url, const wchar_t* body, Request* r) {
  UrlParts parts;
  if (!SplitUrl(url, &parts)) return false;
  r->internet = ::InternetOpenW(L"ZMR", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!r->internet) return false;
  DWORD timeout = kHttpTimeoutMs;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    ::InternetSetOptionW(r->internet, option, &timeout, sizeof(timeout));
  }
  r->connect = ::InternetConnectW(r->internet, parts.host.c_str(), parts.port, nullptr, nullptr,
                                  INTERNET_SERVICE_HTTP, 0, 0);
  if (!r->connect) return false;
  r->request = ::HttpOpenRequestW(r->connect, L"GET", parts.object.c_str(), L"HTTP/1.1", nullptr,
                                  nullptr, INTERNET_FLAG_RELOAD, 0);
  if (!r->request) return false;
  const DWORD bodyLength = body ? static_cast<DWORD>(::lstrlenW(body)) : 0;
  return ::HttpSendRequestW(r->request, kExtraHeaders, static_cast<DWORD>(wcslen(kExtraHeaders)),
                            bodyLength ? const_cast<wchar_t*>(body) : nullptr, bodyLength) != FALSE;
}

// Answer checks 1 and 2: the status and the announced length.
bool CheckAnswer(HINTERNET request, DWORD* length) {
  wchar_t status[16] = {};  // 32 bytes
  DWORD size = sizeof(status);
  if (!::HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE, status, &size, nullptr)) return false;
  if (!StatusAccepted(status)) return false;
  size = sizeof(*length);
  if (!::HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, length, &size,
                        nullptr)) {
    return false;
  }
  return size == 4;
}

}  // namespace

bool IsHttpUrl(const std::wstring& url) {
  return url.size() >= 7 &&
         ::CompareStringOrdinal(url.c_str(), 7, L"http://", 7, TRUE) == CSTR_EQUAL;
}

bool SplitUrl(const std::wstring& url, UrlParts* parts) {
  if (url.size() < 7) return false;
  const std::wstring rest = url.substr(7);
  const size_t slash = rest.find(L'/');
  std::wstring host = rest.substr(0, slash);
  std::wstring object = slash == std::wstring::npos ? L"" : rest.substr(slash + 1);
  if (host.size() > kMaxHost || object.size() > kMaxObject) return false;
  std::uint16_t port = 80;
  const size_t colon = host.find(L':');
  if (colon != std::wstring::npos) {
    std::uint32_t value = 0;
    for (size_t i = colon + 1; i < host.size() && host[i] >= L'0' && host[i] <= L'9'; ++i) {
      value = value * 10 + static_cast<std::uint32_t>(host[i] - L'0');
    }
    port = static_cast<std::uint16_t>(value % 65536);
    host.resize(colon);
  }
  parts->host = host;
  parts->port = port;
  parts->object = object;
  return true;
}

bool IsTrustedAddress(const std::wstring& url, const std::vector<std::wstring>& suffixes) {
  if (!IsHttpUrl(url)) return false;
  UrlParts parts;
  if (!SplitUrl(url, &parts) || parts.host.empty()) return false;
  const std::wstring& host = parts.host;
  for (const std::wstring& suffix : suffixes) {
    if (suffix.empty()) continue;
    if (host == suffix) return true;
    const std::wstring dotted = L"." + suffix;
    if (host.size() > dotted.size() &&
        host.compare(host.size() - dotted.size(), dotted.size(), dotted) == 0) {
      return true;
    }
  }
  return false;
}

bool StatusAccepted(const wchar_t* statusText) {
  return _wtoi(statusText) != 404;
}

int HttpGet(const wchar_t* url, const wchar_t* body) {
  if (!url || !IsHttpUrl(url)) return 0;
  Request r;
  return Send(url, body, &r) ? 1 : 0;
}

int FetchButtonInfo(std::wstring* out) {
  const std::wstring url =
      std::wstring(L"http://") + PortalHost + L"/webgame/home/api-wd-func-getWgjbBtnInfo-app-tolv";
  Request r;
  DWORD length = 0;
  if (!Send(url, nullptr, &r) || !CheckAnswer(r.request, &length)) return 0;
  std::string answer;
  char piece[kPiece];
  DWORD got = 0;
  while (::InternetReadFile(r.request, piece, kPiece, &got) && got > 0) {
    if (answer.size() + got > kMaxButtonInfoBytes) return 0;
    answer.append(piece, got);
  }
  if (answer.size() < length) return 0;
  out->clear();
  if (answer.empty()) return 1;
  const int n =
      ::MultiByteToWideChar(CP_UTF8, 0, answer.data(), static_cast<int>(answer.size()), nullptr, 0);
  out->resize(n);
  ::MultiByteToWideChar(CP_UTF8, 0, answer.data(), static_cast<int>(answer.size()), &(*out)[0], n);
  return 1;
}
