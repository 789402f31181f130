// Tolv's own HTTP client: plain GET requests through WinINet, one connection
// per request, for the usage reports, the button-info query and the update.
#pragma once

#include <windows.h>

#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// ---- Decisions (no network) ----

struct UrlParts {
  std::wstring host;    // at most 259 characters
  std::uint16_t port;   // 80 unless the host part names one (modulo 65536)
  std::wstring object;  // after the first "/" behind the host, without it
};

// Splits "http://host[:port][/object]". The first seven characters are taken
// as the scheme without looking at them (callers check it). False when the
// host or the object is longer than the client's buffers allow.
bool SplitUrl(const std::wstring& url, UrlParts* parts);

// True when `url` begins with "http://" in any letter case.
bool IsHttpUrl(const std::wstring& url);

// True when the host of the http:// address `url` is one of `suffixes` or
// ends with "." + one of them (exact letter case). Only the host counts: an
// address that mentions a trusted name in its path or query is refused.
bool IsTrustedAddress(const std::wstring& url, const std::vector<std::wstring>& suffixes);

// The answer checks every reading use applies: a status that is not 404 and
// a Content-Length that was announced.
bool StatusAccepted(const wchar_t* statusText);

// The announced length: decimal digits only, blanks around them allowed, at
// most 4294967295. False for anything else ("abc", "-1", "", "12abc"): an
// answer without a usable length is refused.
bool ParseContentLength(const wchar_t* text, DWORD* length);

// Connect, send and receive time-out of every request. A server that accepts
// the connection and never answers ends as an ordinary failure after this.
constexpr DWORD kHttpTimeoutMs = 10000;

// Longest pause between two pieces of the update's body. The update window
// shows the progress and can be cancelled, so a slow line may pause for this
// long without losing the download; every other read keeps kHttpTimeoutMs.
constexpr DWORD kUpdateStallMs = 60000;

// Whole time one request may take, from the first connection through every
// redirect to its last byte (the update download: to its answer's header).
// A server that dribbles its answer or keeps redirecting ends as an ordinary
// failure after this, so start-up always goes on.
constexpr DWORD kHttpTotalMs = 15000;

// Redirects a request follows at most; one more is a failure.
constexpr int kMaxRedirects = 5;

// A status that sends the client elsewhere (301, 302, 303, 307, 308).
bool IsRedirectStatus(const wchar_t* statusText);

// Where a redirect's Location leads, seen from the address `base`: an
// absolute http:// address, "//host/..." , "/path" or a path relative to
// base's folder. False for any other scheme (the client speaks plain HTTP
// only), control characters, an empty value, or an address too long for the
// client's buffers. The fragment is dropped.
bool ResolveRedirect(const std::wstring& base, const std::wstring& location, std::wstring* target);

// Percentage of a download for the progress bar, 0 to 100; a length of 0
// counts as complete.
int DownloadPercent(unsigned long long received, unsigned long length);

// Largest button-info answer kept: the 4096-byte buffer less room for the
// terminator of the converted text. A longer answer is refused.
constexpr size_t kMaxButtonInfoBytes = 4095;

// ---- Requests ----

// Sends a GET to `url` without reading the answer (usage and login reports).
// 1 when the request went out, 0 otherwise (also for a non-http:// address).
int HttpGet(const wchar_t* url, const wchar_t* body);

// Fetches the portal's button-info answer, converted from UTF-8, into `out`.
// 1 on success.
int FetchButtonInfo(std::wstring* out);

// Which addresses a request may be sent to, the first and every redirect.
using AddressCheck = std::function<bool(const std::wstring&)>;

// The three WinINet handles of one request, and its clock. Abort() may be
// called from another thread to cancel: the request's next call then fails,
// and no redirect opens new handles.
struct HttpRequest {
  std::atomic<HINTERNET> internet{nullptr};
  std::atomic<HINTERNET> connect{nullptr};
  std::atomic<HINTERNET> request{nullptr};
  std::atomic<bool> stopped{false};
  // Receive time-out of every handle the request opens.
  DWORD receiveTimeoutMs = kHttpTimeoutMs;
  HttpRequest() = default;
  HttpRequest(const HttpRequest&) = delete;
  HttpRequest& operator=(const HttpRequest&) = delete;
  ~HttpRequest();
  // Closes the handles of the current hop.
  void Close();
  // Closes them and refuses every later hop: cancel, or time is up.
  void Abort();
  // Aborts the request `ms` from now unless StopClock() comes first; a
  // second call leaves the running clock alone.
  void StartClock(DWORD ms);
  void StopClock();

 private:
  HANDLE m_timer = nullptr;
};

// One download into a file, cancellable from another thread.
class HttpDownload {
 public:
  // Downloads `url` into `path` (replaced), calling `progress` with the
  // percentage after every piece. 1 when at least the announced length
  // arrived; a short file is left as it was written.
  int ToFile(const std::wstring& url, const std::wstring& path, bool allowEmpty,
             const std::function<void(int)>& progress);
  // The new executable: only from a trusted host, never empty.
  int Update(const std::wstring& url, const std::wstring& path,
             const std::function<void(int)>& progress);
  // Closes the handles; a running ToFile then ends with failure. One object
  // serves one download.
  void Cancel() { m_request->Abort(); }

 private:
  // Shared with a worker that may still wait on the network after the
  // download has given up on it.
  std::shared_ptr<HttpRequest> m_request = std::make_shared<HttpRequest>();
  // The update: every redirect must stay on a trusted host, and only the
  // wait for the answer is bounded in total (its body has its progress bar
  // and the cancel button; a large file on a slow line takes minutes).
  AddressCheck m_allowTarget;
  bool m_boundBody = true;
};

// Downloads the update manifest into "ConfigTolv.htm" beside the executable.
int DownloadManifest();
