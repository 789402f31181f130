// Usage reports: one GET request each to the client service, carrying the
// counters of Statistic.ini.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

// ---- Addresses (no network) ----
std::wstring InstallReportUrl(int count);
std::wstring WebHallReportUrl(int count);
std::wstring ActivityReportUrl(int count, int apartDays, int keepDays, int weekDays);
std::wstring UninstallReportUrl(int count);

// ---- Sending ----

// Sends a GET to `url` on a worker thread and returns once the thread has
// copied the address (so it may live on the caller's stack): the thread sets
// `started` then, and `done` when its request has ended, successfully or not.
// The caller resets `started` before returning.
void SendReportWith(const wchar_t* url, HANDLE started, HANDLE done);

// SendReportWith with the application's two report events.
void SendReport(const wchar_t* url);

// Each updates its counters in Statistic.ini and sends its report.
void SendInstallReport();
void SendWebHallReport();
// Evaluates the seven-day history, the consecutive days, the apart days and
// the game count, in this order.
void SendActivityReport();
void SendUninstallReport();

// Login reports of the main window: sent one after another by one worker
// thread, in the order they were queued, each exactly once. A burst of
// accepted logins thus costs one thread, not one thread per login.
class ReportQueue {
 public:
  using Sender = std::function<void(const std::wstring& url)>;
  // `send` performs one report; by default the plain GET of a usage report.
  explicit ReportQueue(Sender send = nullptr);
  // Reports still queued are sent by the worker while the process lives.
  ~ReportQueue();
  ReportQueue(const ReportQueue&) = delete;
  ReportQueue& operator=(const ReportQueue&) = delete;

  void Post(const std::wstring& url);
  // True once every report queued so far has been sent, within `ms`.
  bool WaitIdle(DWORD ms) const;

 private:
  struct State;
  static DWORD WINAPI Worker(LPVOID param);
  std::shared_ptr<State> m_state;
};
