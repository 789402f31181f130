#include "net/http.h"

#include <wininet.h>

#include "app/settings.h"
#include "net/endpoints.h"

namespace {

constexpr size_t kMaxHost = 259;
constexpr size_t kMaxObject = 511;
constexpr DWORD kPiece = 512;
// Downloads into a file read far larger pieces: every read costs a round
// through WinINet, which at 512 bytes took far longer than the transfer.
constexpr DWORD kFilePiece = 256 * 1024;

// The extra headers of every request, with the blank before the first line
// break that the servers have always received.
constexpr wchar_t kExtraHeaders[] =
    L"Accept-Language: zh-cn \r\nContent-Type: application/x-www-form-urlencoded\r\n";

}  // namespace

void HttpRequest::Close() {
  // Each handle is closed exactly once, whichever thread gets here first.
  for (std::atomic<HINTERNET>* h : {&request, &connect, &internet}) {
    if (HINTERNET old = h->exchange(nullptr)) ::InternetCloseHandle(old);
  }
}

namespace {

// Every handle gets the time-outs: handles do not reliably inherit them from
// their parent everywhere the client runs.
void SetTimeouts(HINTERNET handle) {
  DWORD timeout = kHttpTimeoutMs;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    ::InternetSetOptionW(handle, option, &timeout, sizeof(timeout));
  }
}

// Opens, connects and sends a GET for `url`; false when any step fails.
bool Send(const std::wstring& url, const wchar_t* body, HttpRequest* r) {
  UrlParts parts;
  if (!SplitUrl(url, &parts)) return false;
  HINTERNET internet = ::InternetOpenW(L"ZMR", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!internet) return false;
  r->internet = internet;
  SetTimeouts(internet);
  HINTERNET connect = ::InternetConnectW(internet, parts.host.c_str(), parts.port, nullptr, nullptr,
                                         INTERNET_SERVICE_HTTP, 0, 0);
  if (!connect) return false;
  r->connect = connect;
  SetTimeouts(connect);
  HINTERNET request = ::HttpOpenRequestW(connect, L"GET", parts.object.c_str(), L"HTTP/1.1",
                                         nullptr, nullptr, INTERNET_FLAG_RELOAD, 0);
  if (!request) return false;
  r->request = request;
  SetTimeouts(request);
  const DWORD bodyLength = body ? static_cast<DWORD>(::lstrlenW(body)) : 0;
  return ::HttpSendRequestW(request, kExtraHeaders, static_cast<DWORD>(wcslen(kExtraHeaders)),
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
  HttpRequest r;
  return Send(url, body, &r) ? 1 : 0;
}

int FetchButtonInfo(std::wstring* out) {
  const std::wstring url =
      std::wstring(L"http://") + PortalHost + L"/webgame/home/api-wd-func-getWgjbBtnInfo-app-tolv";
  HttpRequest r;
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

int HttpDownload::ToFile(const std::wstring& url, const std::wstring& path, bool allowEmpty,
                         const std::function<void(int)>& progress) {
  DWORD length = 0;
  if (!Send(url, nullptr, &m_request) || !CheckAnswer(m_request.request, &length)) return 0;
  // An announced length of 0 is an empty answer, never a usable executable.
  if (length == 0 && !allowEmpty) return 0;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  unsigned long long received = 0;
  bool written = true;
  std::vector<char> piece(kFilePiece);
  DWORD got = 0;
  while (::InternetReadFile(m_request.request, piece.data(), kFilePiece, &got) && got > 0) {
    DWORD wrote = 0;
    if (!::WriteFile(file, piece.data(), got, &wrote, nullptr) || wrote != got) {
      written = false;
      break;
    }
    received += got;
    if (progress) progress(DownloadPercent(received, length));
  }
  ::CloseHandle(file);
  return written && received >= length ? 1 : 0;
}

int DownloadPercent(unsigned long long received, unsigned long length) {
  if (length == 0 || received >= length) return 100;
  return static_cast<int>(received * 100 / length);
}

int DownloadManifest() {
  wchar_t path[MAX_PATH];
  if (!PathBesideExe(L"ConfigTolv.htm", path)) return 0;
  HttpDownload download;
  return download.ToFile(std::wstring(L"http://") + ClientHost + L"/update/ConfigTolv.htm", path,
                         true, nullptr);
}

int HttpDownload::Update(const std::wstring& url, const std::wstring& path,
                         const std::function<void(int)>& progress) {
  if (!IsTrustedAddress(url, TrustedSuffixes())) return 0;
  return ToFile(url, path, false, progress);
}
