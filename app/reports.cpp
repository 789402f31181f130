#include "app/reports.h"

#include <cwchar>

#include "base/endpoints.h"
#include "base/product.h"
#include "net/http.h"

namespace {

constexpr size_t kUrlBuffer = 512;

// What a report thread is handed; it copies it before the caller goes on.
struct ReportStart {
  const wchar_t* url;
  HANDLE started;
  HANDLE done;  // the thread's own duplicate, which it closes
};

DWORD WINAPI ReportThread(LPVOID param) {
  const ReportStart* start = static_cast<const ReportStart*>(param);
  wchar_t url[kUrlBuffer];
  lstrcpynW(url, start->url, kUrlBuffer);
  const HANDLE done = start->done;
  ::SetEvent(start->started);  // `start` is gone from here on
  HttpGet(url, L"");
  ::SetEvent(done);
  ::CloseHandle(done);
  return 0;
}

}  // namespace

std::wstring InstallReportUrl(int count) {
  return ClientServiceUrl(L"/install.htm", kGameTag) + L"&count=" + std::to_wstring(count);
}

std::wstring WebHallReportUrl(int count) {
  return ClientServiceUrl(L"/active.htm", L"webbrindlo") + L"&count=" + std::to_wstring(count);
}

std::wstring ActivityReportUrl(int count, int apartDays, int keepDays, int weekDays) {
  return ClientServiceUrl(L"/active.htm", kGameTag) + L"&count=" + std::to_wstring(count) +
         L"&apartdays=" + std::to_wstring(apartDays) + L"&keepdays=" + std::to_wstring(keepDays) +
         L"&weekdays=" + std::to_wstring(weekDays);
}

std::wstring UninstallReportUrl(int count) {
  return ClientServiceUrl(L"/uninstall.htm", kGameTag) + L"&count=" + std::to_wstring(count);
}

void SendReportWith(const wchar_t* url, HANDLE started, HANDLE done) {
  // The thread signals its own handle to the event: a report against a slow
  // server may outlive the caller's handle (the process closes its events at
  // exit), and a closed handle's value may already name another object.
  HANDLE own = nullptr;
  const HANDLE self = ::GetCurrentProcess();
  HANDLE thread = nullptr;
  if (::DuplicateHandle(self, done, self, &own, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    ReportStart start = {url, started, own};
    thread = ::CreateThread(nullptr, 0, ReportThread, &start, 0, nullptr);
    if (thread) {
      ::CloseHandle(thread);
      ::WaitForSingleObject(started, INFINITE);
      ::ResetEvent(started);
      return;
    }
    ::CloseHandle(own);
  }
  // No thread, no request: the report has failed, and whoever waits for it
  // must not wait forever.
  ::SetEvent(done);
}
