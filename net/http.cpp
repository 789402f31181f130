#include "net/http.h"

#include <wininet.h>

#include <memory>

#include "base/endpoints.h"
#include "base/paths.h"
#include "base/text.h"

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

HttpRequest::~HttpRequest() {
  StopClock();
  Close();
}

void HttpRequest::Abort() {
  // First the flag, then the handles: a hop that stores a handle after this
  // sees the flag and closes it itself.
  stopped = true;
  Close();
}

namespace {

VOID CALLBACK OnTimeUp(PVOID param, BOOLEAN) {
  static_cast<HttpRequest*>(param)->Abort();
}

}  // namespace

void HttpRequest::StartClock(DWORD ms) {
  if (m_timer) return;
  // Closing the handles from another thread is what ends a wait that the
  // per-wait time-outs do not cover, or an answer that never stops coming.
  if (!::CreateTimerQueueTimer(&m_timer, nullptr, OnTimeUp, this, ms, 0, WT_EXECUTEONLYONCE)) {
    m_timer = nullptr;
  }
}

void HttpRequest::StopClock() {
  // Waits for a running OnTimeUp, so that it never outlives the request.
  if (m_timer) ::DeleteTimerQueueTimer(nullptr, m_timer, INVALID_HANDLE_VALUE);
  m_timer = nullptr;
}

namespace {

// Every handle gets the time-outs: handles do not reliably inherit them from
// their parent everywhere the client runs.
void SetTimeouts(HINTERNET handle, DWORD receiveTimeoutMs) {
  DWORD timeout = kHttpTimeoutMs;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT}) {
    ::InternetSetOptionW(handle, option, &timeout, sizeof(timeout));
  }
  ::InternetSetOptionW(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &receiveTimeoutMs,
                       sizeof(receiveTimeoutMs));
}

// Keeps a freshly opened handle in `slot`; false when it is null or the
// request was aborted meanwhile (the handle is then closed here).
bool Hold(HttpRequest* r, std::atomic<HINTERNET>* slot, HINTERNET handle) {
  if (!handle) return false;
  *slot = handle;
  if (r->stopped) {
    r->Close();
    return false;
  }
  SetTimeouts(handle, r->receiveTimeoutMs);
  return true;
}

// Opens, connects and sends one GET for `url`; false when any step fails.
bool SendOnce(const std::wstring& url, const wchar_t* body, HttpRequest* r) {
  UrlParts parts;
  if (r->stopped || !SplitUrl(url, &parts)) return false;
  if (!Hold(r, &r->internet,
            ::InternetOpenW(L"ZMR", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0))) {
    return false;
  }
  if (!Hold(r, &r->connect,
            ::InternetConnectW(r->internet, parts.host.c_str(), parts.port, nullptr, nullptr,
                               INTERNET_SERVICE_HTTP, 0, 0))) {
    return false;
  }
  // Redirects are followed here, not by WinINet, so that they are counted
  // and every target is checked like the first address.
  if (!Hold(
          r, &r->request,
          ::HttpOpenRequestW(r->connect, L"GET", parts.object.c_str(), L"HTTP/1.1", nullptr,
                             nullptr, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT, 0))) {
    return false;
  }
  const DWORD bodyLength = body ? static_cast<DWORD>(::lstrlenW(body)) : 0;
  return ::HttpSendRequestW(r->request, kExtraHeaders, static_cast<DWORD>(wcslen(kExtraHeaders)),
                            bodyLength ? const_cast<wchar_t*>(body) : nullptr, bodyLength) != FALSE;
}

enum class Hop { Answer, Follow, Refuse };

// Whether the answer of the current hop sends the client on, and where.
Hop NextHop(HINTERNET request, const std::wstring& url, std::wstring* next) {
  wchar_t status[16] = {};  // 32 bytes
  DWORD size = sizeof(status);
  if (!::HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE, status, &size, nullptr) ||
      !IsRedirectStatus(status)) {
    return Hop::Answer;
  }
  wchar_t location[2048] = {};
  size = sizeof(location) - sizeof(wchar_t);
  if (!::HttpQueryInfoW(request, HTTP_QUERY_LOCATION, location, &size, nullptr)) {
    // A redirect without a target, or with one too long for any buffer of
    // the client: no answer to use either.
    return ::GetLastError() == ERROR_HTTP_HEADER_NOT_FOUND ? Hop::Answer : Hop::Refuse;
  }
  return ResolveRedirect(url, location, next) ? Hop::Follow : Hop::Refuse;
}

// One hop handed to a worker thread: it owns its copies, so that the caller
// may stop waiting and return while WinINet still waits on the network.
struct SendJob {
  std::shared_ptr<HttpRequest> r;
  std::wstring url;
  std::wstring body;
  std::atomic<bool> sent{false};
};

DWORD WINAPI SendJobThread(LPVOID param) {
  std::unique_ptr<std::shared_ptr<SendJob>> held(static_cast<std::shared_ptr<SendJob>*>(param));
  SendJob& job = **held;
  job.sent = SendOnce(job.url, job.body.c_str(), job.r.get());
  return 0;
}

// SendOnce within what is left of the request's time. Name resolution and a
// header that never ends are waits that closing the handles does not end
// everywhere: the caller stops waiting for them instead, and the abandoned
// worker ends whenever WinINet lets it.
bool SendWithin(const std::shared_ptr<HttpRequest>& r, const std::wstring& url, const wchar_t* body,
                DWORD began) {
  const DWORD elapsed = ::GetTickCount() - began;  // unsigned: right across the wrap
  if (elapsed >= kHttpTotalMs) {
    r->Abort();
    return false;
  }
  auto job = std::make_shared<SendJob>();
  job->r = r;
  job->url = url;
  job->body = body ? body : L"";
  auto* held = new std::shared_ptr<SendJob>(job);
  HANDLE thread = ::CreateThread(nullptr, 0, SendJobThread, held, 0, nullptr);
  if (!thread) {
    delete held;
    return SendOnce(url, body, r.get());
  }
  const DWORD waited = ::WaitForSingleObject(thread, kHttpTotalMs - elapsed);
  ::CloseHandle(thread);
  if (waited != WAIT_OBJECT_0) {
    r->Abort();
    return false;
  }
  return job->sent;
}

// Sends a GET for `url`, following at most kMaxRedirects redirects to
// addresses `allow` accepts, all within kHttpTotalMs; false when any step
// fails. On success `r` holds the handles of the last hop.
bool Send(const std::wstring& url, const wchar_t* body, const std::shared_ptr<HttpRequest>& r,
          const AddressCheck& allow = nullptr) {
  const DWORD began = ::GetTickCount();
  r->StartClock(kHttpTotalMs);
  std::wstring address = url;
  for (int redirects = 0;; ++redirects) {
    if (!SendWithin(r, address, body, began)) return false;
    std::wstring next;
    switch (NextHop(r->request, address, &next)) {
      case Hop::Answer:
        return true;
      case Hop::Refuse:
        return false;
      case Hop::Follow:
        break;
    }
    if (redirects == kMaxRedirects || (allow && !allow(next))) return false;
    r->Close();
    address = next;
  }
}

// Reads the next piece of the answer: what has arrived, at most `size`
// bytes. Asking for a full piece would wait until it is full, however slowly
// the server dribbles it; taking what is there lets the request's clock end
// the exchange between pieces. False on failure or when time is up; `got` 0
// at the end of the answer.
bool ReadPiece(HttpRequest* r, char* buffer, DWORD size, DWORD* got) {
  *got = 0;
  DWORD available = 0;
  if (r->stopped || !::InternetQueryDataAvailable(r->request, &available, 0, 0)) return false;
  if (r->stopped) return false;
  if (available == 0) return true;
  return ::InternetReadFile(r->request, buffer, available < size ? available : size, got) != FALSE;
}

// Answer checks 1 and 2: the status and the announced length.
bool CheckAnswer(HINTERNET request, DWORD* length) {
  wchar_t status[16] = {};  // 32 bytes
  DWORD size = sizeof(status);
  if (!::HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE, status, &size, nullptr)) return false;
  if (!StatusAccepted(status)) return false;
  // Read as text: as a number, WinINet takes "abc" for 0.
  wchar_t text[32] = {};
  size = sizeof(text) - sizeof(wchar_t);
  if (!::HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return false;
  return ParseContentLength(text, length);
}

}  // namespace

namespace {

// `text` begins with the lower-case ASCII `prefix`, in any letter case.
bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
  size_t i = 0;
  for (; prefix[i]; ++i) {
    if (i >= text.size()) return false;
    wchar_t c = text[i];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}

}  // namespace

bool IsHttpUrl(const std::wstring& url) {
  return StartsWithNoCase(url, L"http://");
}

bool ParseContentLength(const wchar_t* text, DWORD* length) {
  if (!text) return false;
  const wchar_t* p = text;
  while (IsBlank(*p)) ++p;
  unsigned long long value = 0;
  const wchar_t* digits = p;
  for (; *p >= L'0' && *p <= L'9'; ++p) {
    value = value * 10 + static_cast<unsigned>(*p - L'0');
    if (value > 0xFFFFFFFFull) return false;
  }
  if (p == digits) return false;
  while (IsBlank(*p)) ++p;
  if (*p) return false;
  *length = static_cast<DWORD>(value);
  return true;
}

bool IsRedirectStatus(const wchar_t* statusText) {
  const int status = _wtoi(statusText);
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool ResolveRedirect(const std::wstring& base, const std::wstring& location, std::wstring* target) {
  size_t begin = 0, end = location.size();
  while (begin < end && IsBlank(location[begin])) ++begin;
  while (end > begin && IsBlank(location[end - 1])) --end;
  std::wstring loc = location.substr(begin, end - begin);
  for (wchar_t c : loc) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  const size_t hash = loc.find(L'#');
  if (hash != std::wstring::npos) loc.resize(hash);
  if (loc.empty() || !IsHttpUrl(base)) return false;
  // A scheme is letters, digits, "+", "-" or "." before the first ":" that
  // comes ahead of any "/", "?" (RFC 3986).
  const size_t colon = loc.find(L':');
  const size_t delimiter = loc.find_first_of(L"/?");
  bool hasScheme = colon != std::wstring::npos && colon > 0 &&
                   (delimiter == std::wstring::npos || colon < delimiter);
  for (size_t i = 0; hasScheme && i < colon; ++i) {
    const wchar_t c = loc[i];
    hasScheme = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                (i > 0 && ((c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.'));
  }
  std::wstring result;
  const std::wstring rest = base.substr(7);
  const std::wstring authority = rest.substr(0, rest.find(L'/'));
  if (hasScheme) {
    if (!IsHttpUrl(loc)) return false;
    result = loc;
  } else if (loc.compare(0, 2, L"//") == 0) {
    result = L"http:" + loc;
  } else if (loc[0] == L'/') {
    result = L"http://" + authority + loc;
  } else {
    // Relative to the folder of base's path (the query does not count).
    const size_t slash = rest.find(L'/');
    std::wstring path = slash == std::wstring::npos ? L"/" : rest.substr(slash);
    path.resize(path.find(L'?') == std::wstring::npos ? path.size() : path.find(L'?'));
    path.resize(path.rfind(L'/') + 1);
    result = L"http://" + authority + path + loc;
  }
  UrlParts parts;
  if (!SplitUrl(result, &parts) || parts.host.empty()) return false;
  *target = result;
  return true;
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
  return Send(url, body, std::make_shared<HttpRequest>()) ? 1 : 0;
}

int FetchButtonInfo(std::wstring* out) {
  const std::wstring url =
      std::wstring(L"http://") + PortalHost + L"/webgame/home/api-wd-func-getWgjbBtnInfo-app-tolv";
  const auto r = std::make_shared<HttpRequest>();
  DWORD length = 0;
  if (!Send(url, nullptr, r) || !CheckAnswer(r->request, &length)) return 0;
  std::string answer;
  char piece[kPiece];
  DWORD got = 0;
  while (ReadPiece(r.get(), piece, kPiece, &got) && got > 0) {
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
  if (!Send(url, nullptr, m_request, m_allowTarget) || !CheckAnswer(m_request->request, &length)) {
    return 0;
  }
  if (!m_boundBody) m_request->StopClock();
  // An announced length of 0 is an empty answer, never a usable executable.
  if (length == 0 && !allowEmpty) return 0;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  unsigned long long received = 0;
  bool written = true;
  std::vector<char> piece(kFilePiece);
  DWORD got = 0;
  while (ReadPiece(m_request.get(), piece.data(), kFilePiece, &got) && got > 0) {
    DWORD wrote = 0;
    if (!::WriteFile(file, piece.data(), got, &wrote, nullptr) || wrote != got) {
      written = false;
      break;
    }
    received += got;
    if (progress) progress(DownloadPercent(received, length));
  }
  // On the disk before it is renamed into place: a power cut after the swap
  // must not leave a file of zeros at the executable's path.
  const bool complete = written && received >= length && ::FlushFileBuffers(file);
  ::CloseHandle(file);
  return complete ? 1 : 0;
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
  auto trusted = [](const std::wstring& address) {
    return IsTrustedAddress(address, TrustedSuffixes());
  };
  if (!trusted(url)) return 0;
  // A trusted server must not be able to hand the download on to another.
  m_allowTarget = trusted;
  m_boundBody = false;
  // The wait for the header stays bounded by the request's whole time; the
  // body may pause this long. Cancel closes the handles, which ends such a
  // wait at once on Windows; Wine's read ends by this limit only.
  m_request->receiveTimeoutMs = kUpdateStallMs;
  return ToFile(url, path, false, progress);
}
