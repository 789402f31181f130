// Tolv's own HTTP client: plain GET requests through WinINet, one connection
// per request, for the usage reports, the button-info query and the update.
#pragma once

#include <windows.h>

#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <functional>
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

// Connect, send and receive time-out of every request. A server that accepts
// the connection and never answers ends as an ordinary failure after this.
constexpr DWORD kHttpTimeoutMs = 10000;

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

// The three WinINet handles of one request. Close() may be called from
// another thread to cancel: the request's next call then fails.
struct HttpRequest {
  std::atomic<HINTERNET> internet{nullptr};
  std::atomic<HINTERNET> connect{nullptr};
  std::atomic<HINTERNET> request{nullptr};
  HttpRequest() = default;
  HttpRequest(const HttpRequest&) = delete;
  HttpRequest& operator=(const HttpRequest&) = delete;
  ~HttpRequest() { Close(); }
  void Close();
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
  // Closes the handles; a running ToFile then ends with failure.
  void Cancel() { m_request.Close(); }

 private:
  HttpRequest m_request;
};

// Downloads the update manifest into "ConfigTolv.htm" beside the executable.
int DownloadManifest();
