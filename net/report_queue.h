// Reports that must all arrive, in order: the main window's login reports.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

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
