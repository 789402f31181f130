#include "net/report_queue.h"

#include <deque>
#include <utility>

#include "net/http.h"

struct ReportQueue::State {
  State() {
    ::InitializeCriticalSection(&lock);
    wake = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    idle = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
  }
  ~State() {
    ::DeleteCriticalSection(&lock);
    if (wake) ::CloseHandle(wake);
    if (idle) ::CloseHandle(idle);
  }
  Sender send;
  CRITICAL_SECTION lock;
  std::deque<std::wstring> queue;  // guarded by lock
  bool working = false;            // guarded by lock: the worker runs
  bool closing = false;            // guarded by lock: end once the queue is empty
  HANDLE wake = nullptr;           // auto-reset: something was queued
  HANDLE idle = nullptr;           // manual-reset: nothing queued or being sent
};

ReportQueue::ReportQueue(Sender send) : m_state(std::make_shared<State>()) {
  m_state->send =
      send ? std::move(send) : [](const std::wstring& url) { HttpGet(url.c_str(), L""); };
}

ReportQueue::~ReportQueue() {
  ::EnterCriticalSection(&m_state->lock);
  m_state->closing = true;
  ::LeaveCriticalSection(&m_state->lock);
  ::SetEvent(m_state->wake);
}

void ReportQueue::Post(const std::wstring& url) {
  State& s = *m_state;
  ::EnterCriticalSection(&s.lock);
  s.queue.push_back(url);
  ::ResetEvent(s.idle);
  if (!s.working) {
    // The worker shares the state, so that it may finish after the queue's
    // owner has gone. Without a thread the reports wait for the next Post.
    auto* held = new std::shared_ptr<State>(m_state);
    if (HANDLE thread = ::CreateThread(nullptr, 0, Worker, held, 0, nullptr)) {
      ::CloseHandle(thread);
      s.working = true;
    } else {
      delete held;
    }
  }
  ::LeaveCriticalSection(&s.lock);
  ::SetEvent(s.wake);
}

bool ReportQueue::WaitIdle(DWORD ms) const {
  return ::WaitForSingleObject(m_state->idle, ms) == WAIT_OBJECT_0;
}

DWORD WINAPI ReportQueue::Worker(LPVOID param) {
  std::unique_ptr<std::shared_ptr<State>> held(static_cast<std::shared_ptr<State>*>(param));
  State& s = **held;
  for (;;) {
    std::wstring url;
    ::EnterCriticalSection(&s.lock);
    if (s.queue.empty()) {
      ::SetEvent(s.idle);
      if (s.closing) {
        s.working = false;
        ::LeaveCriticalSection(&s.lock);
        return 0;
      }
      ::LeaveCriticalSection(&s.lock);
      ::WaitForSingleObject(s.wake, INFINITE);
      continue;
    }
    url = std::move(s.queue.front());
    s.queue.pop_front();
    ::LeaveCriticalSection(&s.lock);
    s.send(url);
  }
}
